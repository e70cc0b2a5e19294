#!/usr/bin/env bash
# End-to-end test of the Windows executables.
#
#   tests/windows/run_wine_test.sh LINUX_BUILD WINDOWS_BUILD
#
# LINUX_BUILD is the native build (src/msconv, tools/avdtool/avdtool,
# tools/sample-game/sample-game); WINDOWS_BUILD holds the cross builds i686/ and x86_64/ (make windows).
#
# The 32-bit executable cannot run on this machine: it is only checked to be a
# PE32 console program that imports nothing but the system's own DLLs. The
# 64-bit one runs under Wine's 64-bit loader, headless, in a fresh Wine prefix:
# it converts a game folder given on its command line, and its package must
# hold the same entries as the one the Linux build writes from the same
# folders. Its console bytes (code page 932 as they stand, CR LF line ends)
# and exit codes are checked against the Linux build's.
set -uo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 LINUX_BUILD WINDOWS_BUILD" >&2
    exit 2
fi
linux_build=$(realpath "$1")
windows_build=$(realpath "$2")

msconv_linux=$linux_build/src/msconv
avdtool=$linux_build/tools/avdtool/avdtool
sample_game=$linux_build/tools/sample-game/sample-game
exe32=$windows_build/i686/src/msconv.exe
exe64=$windows_build/x86_64/src/msconv.exe
wine64=/usr/lib/wine/wine64
wineserver64=/usr/lib/wine/wineserver64
# A Wine process that hangs (a dialog waiting for an answer) ends the test.
run_timeout=120

for f in "$msconv_linux" "$avdtool" "$sample_game" "$exe32" "$exe64" "$wine64" "$wineserver64"; do
    [ -e "$f" ] || { echo "missing: $f" >&2; exit 2; }
done

passed=0
failed=0
pass() {
    echo "PASS: $1"
    passed=$((passed + 1))
}
fail() {
    echo "FAIL: $1"
    failed=$((failed + 1))
}
check() {  # check NAME COMMAND...
    local name=$1
    shift
    if "$@"; then pass "$name"; else fail "$name"; fi
}

# The Windows form of an absolute path: Wine's drive Z: is the root folder.
windows_path() {
    local path=${1//\//\\}
    printf 'Z:%s' "$path"
}

# ---- The executables themselves ------------------------------------------------

# The system DLLs an executable may import; anything else (the compiler's
# run-time DLLs above all) would be missing on a bare Windows.
system_dlls=" kernel32.dll msvcrt.dll shell32.dll ole32.dll user32.dll advapi32.dll "

check_executable() {  # check_executable EXE OBJDUMP MAGIC KIND LABEL
    local exe=$1 objdump=$2 magic=$3 kind=$4 label=$5 headers
    if ! headers=$("$objdump" -p "$exe" 2>&1); then
        fail "$label: objdump reads $exe"
        return
    fi
    check "$label: $kind executable" grep -Eq "^Magic[[:space:]]+$magic[[:space:]]" <<<"$headers"
    check "$label: console subsystem" grep -Eq "^Subsystem[[:space:]].*\(Windows CUI\)" <<<"$headers"
    local dll others=""
    while read -r dll; do
        dll=${dll,,}
        [[ $system_dlls == *" $dll "* ]] || others="$others $dll"
    done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
    if [ -z "$others" ]; then
        pass "$label: imports only system DLLs"
    else
        fail "$label: imports only system DLLs (also:$others)"
    fi
}

check_executable "$exe32" i686-w64-mingw32-objdump 010b PE32 "32-bit"
check_executable "$exe64" x86_64-w64-mingw32-objdump 020b PE32+ "64-bit"

# ---- Wine: a fresh prefix in the build folder, no display, no debug output -------

work=$windows_build/wine-test
rm -rf "$work"
mkdir -p "$work"

export WINEPREFIX=$work/prefix
export WINEDEBUG=-all
# No Mono or Gecko: a console program needs neither, and their installers
# would ask for a download.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
trap '"$wineserver64" -k >/dev/null 2>&1' EXIT

if timeout 300 "$wine64" wineboot --init </dev/null >"$work/wineboot.log" 2>&1; then
    pass "Wine prefix set up"
else
    fail "Wine prefix set up (see $work/wineboot.log)"
fi

# ---- The test folders -------------------------------------------------------------

# The converter folder: the executable with the DATA folder beside it, where
# the package goes by default.
converter=$work/converter
game=$work/game
mkdir -p "$converter/DATA" "$game"
cp "$exe64" "$converter/msconv.exe"

# The project's sample game (scenarios, pictures, sprites with shadow masks)
# and its DATA folder, plus a sub-folder of DATA, which both builds skip.
# Its names are ASCII and Wine lists a folder sorted the way the Linux build
# does, so both builds number the scenarios alike.
if ! "$sample_game" "$game" "$converter/DATA" \
    >"$work/sample-game.log" 2>&1; then
    cat "$work/sample-game.log" >&2
    fail "sample game written"
fi
mkdir -p "$converter/DATA/SUB"
printf 'not imported\n' >"$converter/DATA/SUB/INNER.TXT"

# ---- Running both builds ------------------------------------------------------------

# run_linux NAME ARGS...: the Linux build under LC_ALL=C, so that its console
# text comes out as the raw code page 932 bytes. Leaves NAME.out, NAME.err
# and NAME.status in the work folder.
run_linux() {
    local name=$1
    shift
    LC_ALL=C timeout "$run_timeout" "$msconv_linux" "$@" </dev/null \
        >"$work/$name.out" 2>"$work/$name.err"
    echo $? >"$work/$name.status"
}

# run_windows NAME ARGS...: the 64-bit executable in the converter folder
# under Wine, with standard input at its end.
run_windows() {
    local name=$1
    shift
    timeout "$run_timeout" "$wine64" "$converter/msconv.exe" "$@" </dev/null \
        >"$work/$name.out" 2>"$work/$name.err"
    echo $? >"$work/$name.status"
}

expect_status() {  # expect_status LABEL CODE NAME
    local status
    status=$(cat "$work/$3.status")
    if [ "$status" = "$2" ]; then
        pass "$1"
    else
        fail "$1: $status, expected $2 (output in $work/$3.out, $work/$3.err)"
    fi
}

# The Windows console text is the Linux one with CR LF line ends (the C
# library's text mode), byte for byte otherwise.
expect_same_console() {  # expect_same_console LABEL LINUX_NAME WINDOWS_NAME
    perl -pe 's/\n/\r\n/' "$work/$2.out" >"$work/$2.out.crlf"
    if cmp -s "$work/$2.out.crlf" "$work/$3.out"; then
        pass "$1"
    else
        fail "$1: $work/$3.out differs from $work/$2.out.crlf"
        cmp "$work/$2.out.crlf" "$work/$3.out" || true
    fi
}

# True when FILE holds BYTES somewhere.
contains_bytes() {  # contains_bytes FILE BYTES
    perl -e 'open(my $f, "<:raw", $ARGV[0]) or exit 2; local $/; my $d = <$f>;
             exit(index($d, $ARGV[1]) >= 0 ? 0 : 1)' "$1" "$2"
}

# Both packages must hold the same entries with the same content. LZO1X-999
# is deterministic, so the files themselves are identical too.
compare_packages() {  # compare_packages LABEL LINUX_PACKAGE WINDOWS_PACKAGE
    local label=$1 expected=$2 actual=$3
    local out=$work/extract
    if [ ! -f "$actual" ] || [ "$(head -c 6 "$actual")" != PLOVEX ]; then
        fail "$label: package written beside the executable over an older one"
        return
    fi
    pass "$label: package written beside the executable over an older one"
    rm -rf "$out"
    mkdir -p "$out/linux" "$out/windows"
    check "$label: avdtool extracts the Linux package" \
        "$avdtool" extract "$expected" "$out/linux" >/dev/null
    check "$label: avdtool extracts the Windows package" \
        "$avdtool" extract "$actual" "$out/windows" >/dev/null
    local names_linux names_windows
    names_linux=$(cd "$out/linux" && LC_ALL=C ls -A)
    names_windows=$(cd "$out/windows" && LC_ALL=C ls -A)
    if [ -n "$names_linux" ] && [ "$names_linux" = "$names_windows" ]; then
        pass "$label: same entry names ($(wc -l <<<"$names_linux") entries)"
    else
        fail "$label: same entry names"
        diff <(echo "$names_linux") <(echo "$names_windows")
    fi
    local name differing=""
    while read -r name; do
        [ -n "$name" ] || continue
        cmp -s "$out/linux/$name" "$out/windows/$name" || differing="$differing $name"
    done <<<"$names_linux"
    if [ -z "$differing" ]; then
        pass "$label: same content in every entry"
    else
        fail "$label: same content in every entry (differing:$differing)"
    fi
    check "$label: packages identical byte for byte" cmp "$expected" "$actual"
}

# ---- Conversion of the game folder given on the command line -----------------------

linux_out=$work/linux-out
mkdir -p "$linux_out"
run_linux linux-convert --no-wait --output "$linux_out" --data "$converter/DATA" "$game"
expect_status "Linux build converts the game" 0 linux-convert

# No options but the game folder: the DATA folder beside the executable is
# copied in, the package goes beside it, replacing an older one, and the key
# wait returns at once since standard input is no console.
printf 'an older package\n' >"$converter/DAR297.AVD"
run_windows windows-convert "$(windows_path "$game")"
expect_status "conversion: exit code 0" 0 windows-convert
expect_same_console "conversion: console bytes" linux-convert windows-convert
check "conversion: code page 932 bytes as they stand" contains_bytes \
    "$work/windows-convert.out" $'\x8FI\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD.\r\n\r\n'
check "conversion: staging file removed" test ! -e "$converter/tmp.dat"
compare_packages "conversion" "$linux_out/DAR297.AVD" "$converter/DAR297.AVD"

# ---- Cancel: no game folder argument and no dialog that could be answered ----------

# Headless, the folder dialog cannot open, which counts as cancelled.
rm -f "$converter/DAR297.AVD"
run_linux linux-cancel
run_windows windows-cancel
expect_status "cancel: exit code 1" 1 windows-cancel
expect_same_console "cancel: console bytes" linux-cancel windows-cancel
check "cancel: no package, no staging file" \
    test ! -e "$converter/DAR297.AVD" -a ! -e "$converter/tmp.dat"

# ---- Failure: an output folder that does not exist -----------------------------------

run_linux linux-fail --no-wait --output "$work/missing" "$game"
run_windows windows-fail --output "$(windows_path "$work/missing")" "$(windows_path "$game")"
expect_status "failure: exit code 2" 2 windows-fail
expect_same_console "failure: console bytes" linux-fail windows-fail

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
