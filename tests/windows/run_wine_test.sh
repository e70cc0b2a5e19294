#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# End-to-end test of the Windows executables.
#
#   tests/windows/run_wine_test.sh LINUX_BUILD WINDOWS_BUILD
#
# LINUX_BUILD is the native build (src/msconv, tools/avdtool/avdtool,
# tools/sample-game/sample-game); WINDOWS_BUILD holds the cross builds i686/ and x86_64/ (make windows).
#
# Both executables are checked to be PE console programs of their kind that
# import nothing but the system's own DLLs. Then both run every case of the
# table below under Wine, headless, in one fresh Wine prefix, and so does the
# Linux build; each Windows run must give the Linux run's exit code, its
# console bytes (code page 932 as they stand, CR LF line ends) and its package,
# byte for byte.
#
# The 64-bit executable runs under Wine's 64-bit loader with its default
# number of jobs. The 32-bit one runs under the 32-bit Wine loader inside
# qemu-i386, which works whether or not the kernel runs 32-bit code. Threads
# do not survive that emulation (the emulator crashes), so there it runs with
# --jobs 1, the single-thread run. Where the kernel runs 32-bit code, the
# 32-bit executable also runs under the 32-bit loader without emulation, with
# its default number of jobs, so that its worker threads are tested as well.
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
# qemu-i386 takes the fixed addresses of Wine's start-up reservations as
# hints only, so Wine splits each reservation down to 64 KiB pieces across
# all of the emulated address space that is taken: minutes with the full
# 4 GiB. An address space of 2 GiB and 16 MiB, the 2 GiB that a 32-bit
# program without the large-address flag gets on Windows plus room for Wine's
# shared data at 0x7ffe0000, brings a start down to seconds.
qemu_i386=(qemu-i386 -R 0x81000000 -L /)
# A Wine process that hangs (a dialog waiting for an answer) ends the test.
run_timeout=300

source "$(dirname "$0")/common.sh"

wine32_files=()
have_wine32 && wine32_files=("$wine32" "$wine32_dlls/i386-windows/kernel32.dll")
for f in "$msconv_linux" "$avdtool" "$sample_game" "$exe32" "$exe64" "$wine64" "$wineserver64" \
    "${wine32_files[@]}"; do
    [ -e "$f" ] || { echo "missing: $f (make windows-deps installs Wine and qemu-user)" >&2; exit 2; }
done
command -v qemu-i386 >/dev/null || { echo "missing: qemu-i386 (package qemu-user)" >&2; exit 2; }
command -v wrestool >/dev/null || { echo "missing: wrestool (package icoutils)" >&2; exit 2; }

# ---- The executables themselves ------------------------------------------------

check_executable "$exe32" i686-w64-mingw32-objdump 010b PE32 "32-bit"
check_executable "$exe64" x86_64-w64-mingw32-objdump 020b PE32+ "64-bit"
version=$("$msconv_linux" --version)
check_resources "$exe32" "32-bit" "${version#msconv }"
check_resources "$exe64" "64-bit" "${version#msconv }"

# ---- Wine: a fresh prefix in the build folder, no display, no debug output -------

work=$windows_build/wine-test
rm -rf "$work"
mkdir -p "$work"

export WINEPREFIX=$work/prefix
export WINEDEBUG=-all
# No Mono or Gecko: a console program needs neither, and their installers
# would ask for a download.
export WINEDLLOVERRIDES="mscoree,mshtml="
# One server for both loaders, kept running until the end.
export WINESERVER=$wineserver64
unset DISPLAY WAYLAND_DISPLAY LC_ALL LC_CTYPE LC_MESSAGES
trap '"$wineserver64" -k >/dev/null 2>&1' EXIT

setup_wine_prefix "$work/wineboot.log"

# ---- The converter folders and the game folders ------------------------------------

# One converter folder per build: the executable with the DATA folder beside
# it, where the package goes by default.
cp_converter() {  # cp_converter FOLDER EXECUTABLE NAME
    mkdir -p "$work/$1"
    cp -r "$work/DATA" "$work/$1/DATA"
    cp "$2" "$work/$1/$3"
}

# The project's sample game (scenarios, pictures, sprites with shadow masks)
# and its DATA folder, plus a sub-folder of DATA, which every build names on
# standard error and leaves out, so that a run that writes the package ends
# with status 3. Every build sorts what a folder lists by the one search
# order, so all of them number the scenarios alike.
if ! "$sample_game" "$work/game" "$work/DATA" >"$work/sample-game.log" 2>&1; then
    cat "$work/sample-game.log" >&2
    fail "sample game written"
fi
mkdir -p "$work/DATA/SUB"
printf 'not imported\n' >"$work/DATA/SUB/INNER.TXT"
cp_converter linux "$msconv_linux" msconv
cp_converter win64 "$exe64" msconv.exe
cp_converter win32 "$exe32" msconv.exe
cp_converter win32-native "$exe32" msconv.exe

# A damaged copy: a scenario, a picture, a sprite and a shadow mask cut short.
cp -r "$work/game" "$work/damaged"
cut_file() {  # cut_file FILE BYTES
    head -c "$2" "$1" >"$1.cut" && mv "$1.cut" "$1"
}
cut_file "$work/damaged/MES/RIVER.SIO" 200
for f in "$(ls "$work"/damaged/CG/*.MOE | head -n 1)" "$(ls "$work"/damaged/CHAR/*.MOE | head -n 1)"; do
    cut_file "$f" $(($(stat -c %s "$f") / 3))
done
cut_file "$(ls "$work"/damaged/SHADOW/*.SHW | head -n 1)" 20

# ---- The cases ------------------------------------------------------------------

# Each case runs the Linux build and every Windows executable below in their
# converter folders, with standard input at its end (so the closing key wait
# returns at once). ARGS are the converter's arguments; @NAME stands for the
# folder NAME of the work folder, in the form of the system that runs.
# PACKAGE: "new" when the run writes the package beside the executable over
# an older one, "none" when the run must leave no package there.
#
#      name        status  package  args
cases="
       conversion  3       new      @game
       cancel      1       none
       failure     2       none     --output @missing @game
       damaged     3       new      @damaged
"
# The Windows executables: label, converter folder, extra arguments.
executables="
       64-bit            win64
"
if have_wine32; then
    executables+=$'       32-bit-emulated   win32    --jobs 1\n'
else
    echo "SKIP: 32-bit under emulation: the 32-bit Wine (wine32:i386) cannot be installed"
fi
if kernel_runs_32_bit; then
    executables+=$'       32-bit-native     win32-native\n'
else
    echo "SKIP: 32-bit without emulation: this kernel does not run 32-bit code"
fi

# Fills the array `args` with ARGS in FORM (linux or windows).
expand_args() {  # expand_args FORM ARGS...
    local form=$1 word
    shift
    args=()
    for word in "$@"; do
        if [[ $word == @* ]]; then
            word=$work/${word#@}
            [ "$form" = windows ] && word=$(windows_path "$word")
        fi
        args+=("$word")
    done
}

# run FOLDER NAME ARGS...: the build of converter folder FOLDER (its name
# begins with the build's: linux, win64, win32 or win32-native). Leaves
# FOLDER-NAME.out, .err and .status in the work folder. The Linux build runs
# under LC_ALL=C, so that its console text is the raw code page 932 bytes;
# Wine runs with the system language of $wine_lang.
run() {
    local folder=$1 name=$2
    shift 2
    local out=$work/$folder-$name
    case $folder in
    linux*)
        LC_ALL=C timeout "$run_timeout" "$work/$folder/msconv" "$@" ;;
    win64*)
        LANG=$wine_lang timeout "$run_timeout" "$wine64" "$work/$folder/msconv.exe" "$@" ;;
    win32-native*)
        LANG=$wine_lang timeout "$run_timeout" "$wine32" "$work/$folder/msconv.exe" "$@" ;;
    win32*)
        LANG=$wine_lang WINELOADERNOEXEC=1 WINEDLLPATH=$wine32_dlls timeout "$run_timeout" \
            "${qemu_i386[@]}" "$wine32" "$work/$folder/msconv.exe" "$@" ;;
    esac </dev/null >"$out.out" 2>"$out.err"
    echo $? >"$out.status"
}

expect_status() {  # expect_status LABEL CODE RUN
    local status
    status=$(cat "$work/$3.status")
    if [ "$status" = "$2" ]; then
        pass "$1: exit code $2"
    else
        fail "$1: exit code $status, expected $2 (output in $work/$3.out, $work/$3.err)"
    fi
}

# The Windows console text is the Linux one with CR LF line ends (the C
# library's text mode), byte for byte otherwise; a path below the work folder
# is compared in the Linux form (Z:\WORK\game\CG as WORK/game/CG).
expect_same_console() {  # expect_same_console LABEL LINUX_RUN WINDOWS_RUN
    perl -pe 's/\n/\r\n/' "$work/$2.out" >"$work/$2.out.crlf"
    perl -pe 'BEGIN { ($w, $l) = (shift, shift) }
              s{\Q$w\E([^\s]*)}{ my $r = $1; $r =~ tr{\\}{/}; $l . $r }ge' \
        "$(windows_path "$work")" "$work" "$work/$3.out" >"$work/$3.out.linux-paths"
    if cmp -s "$work/$2.out.crlf" "$work/$3.out.linux-paths"; then
        pass "$1: console bytes"
    else
        fail "$1: console bytes: $work/$3.out differs from $work/$2.out.crlf"
        cmp "$work/$2.out.crlf" "$work/$3.out.linux-paths" || true
    fi
}

# True when FILE holds BYTES somewhere.
contains_bytes() {  # contains_bytes FILE BYTES
    perl -e 'open(my $f, "<:raw", $ARGV[0]) or exit 2; local $/; my $d = <$f>;
             exit(index($d, $ARGV[1]) >= 0 ? 0 : 1)' "$1" "$2"
}

# Both packages must hold the same entries with the same content. LZO1X-999
# is deterministic, so the files themselves are identical too; the entries
# are compared first to tell which differ when they are not.
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
    "$avdtool" extract "$expected" "$out/linux" >/dev/null
    check "$label: avdtool extracts the package" "$avdtool" extract "$actual" "$out/windows" >/dev/null
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

# One case of the table in every build, in the converter folders whose names
# are the builds' with $suffix appended.
run_case() {  # run_case NAME STATUS PACKAGE ARGS...
    local name=$1 status=$2 package=$3 folder label extra started
    shift 3
    for folder in linux win64 win32 win32-native; do
        rm -f "$work/$folder$suffix/DAR297.AVD"
        [ "$package" = new ] && printf 'an older package\n' >"$work/$folder$suffix/DAR297.AVD"
    done
    expand_args linux "$@"
    run "linux$suffix" "$name" "${args[@]}"
    expect_status "$name, Linux build" "$status" "linux$suffix-$name"

    while read -r label folder extra; do
        [ -n "$label" ] || continue
        label="$name, $label"
        folder=$folder$suffix
        started=$SECONDS
        # shellcheck disable=SC2086 # the table's words
        expand_args windows "$@" $extra
        run "$folder" "$name" "${args[@]}"
        expect_status "$label ($((SECONDS - started)) s)" "$status" "$folder-$name"
        expect_same_console "$label" "linux$suffix-$name" "$folder-$name"
        check "$label: no staging file" test ! -e "$work/$folder/tmp.dat" -a ! -e "$work/missing"
        if [ "$package" = new ]; then
            check "$label: code page 932 bytes as they stand" contains_bytes \
                "$work/$folder-$name.out" $'\x8FI\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD.\r\n\r\n'
            check "$label: the DATA sub-folder named" contains_bytes "$work/$folder-$name.err" \
                $'\\DATA\\SUB is a folder; its files are not imported'
            compare_packages "$label" "$work/linux$suffix/DAR297.AVD" "$work/$folder/DAR297.AVD"
        else
            check "$label: no package" test ! -e "$work/$folder/DAR297.AVD"
        fi
    done <<<"$executables"
}

suffix=""
wine_lang=C.UTF-8
while read -r name status package case_args; do
    [ -n "$name" ] || continue
    # shellcheck disable=SC2086 # the table's words
    run_case "$name" "$status" "$package" $case_args
done <<<"$cases"

# ---- Japanese names, in a Japanese and an English system language ------------------

# The game folder and the converter folders (the executable with its DATA
# folder, where the package goes) have Japanese names, some of whose
# characters end in the byte 0x5C in code page 932 (表, ソ); the runs take no
# --output and no --data. Under the Japanese language Wine's ANSI code page is
# 932, under the English one 1252, which has none of these characters: the
# wide calls reach them all the same, and every package is the Linux run's.
suffix=-ソフト表示
cp -r "$work/game" "$work/ゲーム表示"
cp_converter "linux$suffix" "$msconv_linux" msconv
cp_converter "win64$suffix" "$exe64" msconv.exe
cp_converter "win32$suffix" "$exe32" msconv.exe
cp_converter "win32-native$suffix" "$exe32" msconv.exe
for wine_lang in ja_JP.UTF-8 en_US.UTF-8; do
    run_case "japanese-names-${wine_lang%%_*}" 3 new @ゲーム表示
done

# ---- One package from every copy of the game ---------------------------------------

# merged: every second file of MES, CG, CHAR and SHADOW moved into a folder of
# the same name in another case (mes, cg, Char, shadow), as an archive made on
# Windows gives when unpacked on Linux; Wine lists both folders, and every
# build reads each pair as one folder and names the pair on standard output.
cp -r "$work/game" "$work/merged"
for pair in MES:mes CG:cg CHAR:Char SHADOW:shadow; do
    mkdir "$work/merged/${pair#*:}"
    ls "$work/merged/${pair%:*}" | sed -n '2~2p' | while read -r f; do
        mv "$work/merged/${pair%:*}/$f" "$work/merged/${pair#*:}/$f"
    done
done
# nfd: more files whose names are decomposed, as copied from macOS: デ.SIO as
# テ + U+3099, 背景ボ.MOE as 背景ホ + U+3099; their entries are the composed
# names' (NFC) in code page 932.
cp -r "$work/game" "$work/nfd"
cp "$work/nfd/MES/RIVER.SIO" "$work/nfd/MES/テ"$'\xe3\x82\x99'".SIO"
cp "$(ls "$work"/nfd/CG/*.MOE | head -n 1)" "$work/nfd/CG/背景ホ"$'\xe3\x82\x99'".MOE"
# order: scenarios whose UTF-16 order (あ U+3042, ａ and Ａ upper-cased alike,
# then Ｂ) is neither that of their UTF-8 nor of their code page 932 bytes.
cp -r "$work/game" "$work/order"
cp "$work/order/MES/RIVER.SIO" "$work/order/MES/Ｂ.SIO"
cp "$work/order/MES/ARCADE.SIO" "$work/order/MES/ａ.SIO"
cp "$work/order/MES/extra.sio" "$work/order/MES/Ａ2.SIO"
cp "$work/order/MES/MAIN.SIO" "$work/order/MES/あ.SIO"
# sprites: more sprites whose names are Japanese, each with its mask: the
# mask name is cut from the sprite's code page 932 entry name, so
# ゆきB001.MOE has ゆきB001S.SHW in every build, and so has ガギB002.MOE
# written decomposed (NFD), with its mask decomposed too.
cp -r "$work/game" "$work/sprites"
sprite=$(ls "$work"/sprites/CHAR/*.MOE | head -n 1)
mask=$(ls "$work"/sprites/SHADOW/*.SHW | head -n 1)
nfd_stem="カ"$'\xe3\x82\x99'"キ"$'\xe3\x82\x99'"B002"
cp "$sprite" "$work/sprites/CHAR/ゆきB001.MOE"
cp "$mask" "$work/sprites/SHADOW/ゆきB001S.SHW"
cp "$sprite" "$work/sprites/CHAR/${nfd_stem}.MOE"
cp "$mask" "$work/sprites/SHADOW/${nfd_stem}S.SHW"
suffix=""
for wine_lang in ja_JP.UTF-8 en_US.UTF-8; do
    run_case "merged-folders-${wine_lang%%_*}" 3 new @merged
    run_case "nfd-names-${wine_lang%%_*}" 3 new @nfd
    run_case "order-${wine_lang%%_*}" 3 new @order
    run_case "sprites-${wine_lang%%_*}" 3 new @sprites
    check "sprites-${wine_lang%%_*}: the Linux build converts the Japanese sprites" \
        test "$(grep -c 'its mask' "$work/linux-sprites-${wine_lang%%_*}.err")" = 0
done
cp "$work/linux/DAR297.AVD" "$work/sprites.avd"

# ---- The game read from its disc image and archives --------------------------------

# The copy with the Japanese sprites as a CD image (Joliet and Rock Ridge
# names), a ZIP with code page 932 names and an LZH (code page 932 names, '\'
# between folders): under either system language every build reads each as
# the Linux build does, and the package is the folder's.
for format in iso zip-cp932 lzh; do
    "$sample_game" --archive "$format" --from "$work/sprites" "$work/sprites.$format" \
        >"$work/sprites-$format.log" 2>&1 || fail "sprites written as $format"
done
for wine_lang in ja_JP.UTF-8 en_US.UTF-8; do
    for format in iso zip-cp932 lzh; do
        run_case "archive-$format-${wine_lang%%_*}" 3 new "@sprites.$format"
        compare_packages "archive-$format-${wine_lang%%_*}: the folder's package" \
            "$work/sprites.avd" "$work/linux/DAR297.AVD"
    done
done

# ---- Folders that cannot be listed -----------------------------------------------

# A folder of mode 0311 can be entered but not listed, by a user who is not
# its owner. MES so locked: every build names it on standard error with the
# system's reason, counts it and writes the package of the rest (status 3);
# the game folder so locked: no package (status 2). Root lists any folder,
# so as root the Linux build and the 64-bit executable run as the user
# nobody, with a Wine prefix of its own, in a folder that user can reach.
locked=$(mktemp -d /tmp/msconv-locked-XXXXXX)
chmod 755 "$locked"
cp -r "$work/game" "$locked/game"
mkdir -p "$locked/home"
for folder in linux win64; do
    mkdir -p "$locked/$folder"
    cp -r "$work/DATA" "$locked/$folder/DATA"
done
cp "$msconv_linux" "$locked/linux/msconv"
cp "$exe64" "$locked/win64/msconv.exe"
as_owner=()
if [ "$(id -u)" = 0 ]; then
    chown -R nobody "$locked/linux" "$locked/win64" "$locked/home"
    as_owner=(setpriv --reuid=nobody --regid=nogroup --clear-groups
        env HOME="$locked/home" WINEPREFIX="$locked/home/prefix")
fi
if [ ${#as_owner[@]} -gt 0 ]; then
    "${as_owner[@]}" "$wine64" wineboot --init </dev/null >"$work/locked-wineboot.log" 2>&1 ||
        fail "a Wine prefix for the user nobody (see $work/locked-wineboot.log)"
fi
for wine_lang in ja_JP.UTF-8 en_US.UTF-8; do
    for locked_folder in game/MES game; do
        name="locked-${locked_folder//\//-}-${wine_lang%%_*}"
        status=3
        [ "$locked_folder" = game ] && status=2
        rm -f "$locked/linux/DAR297.AVD" "$locked/win64/DAR297.AVD"
        chmod 0311 "$locked/$locked_folder"
        LC_ALL=C "${as_owner[@]}" "$locked/linux/msconv" --no-wait "$locked/game" </dev/null \
            >"$work/linux-$name.out" 2>"$work/linux-$name.err"
        echo $? >"$work/linux-$name.status"
        LANG=$wine_lang timeout "$run_timeout" "${as_owner[@]}" "$wine64" "$locked/win64/msconv.exe" \
            --no-wait "$(windows_path "$locked/game")" </dev/null >"$work/win64-$name.out" \
            2>"$work/win64-$name.err"
        echo $? >"$work/win64-$name.status"
        chmod 0755 "$locked/$locked_folder"
        expect_status "$name, Linux build" "$status" "linux-$name"
        expect_status "$name, 64-bit" "$status" "win64-$name"
        if [ "$status" = 3 ]; then
            check "$name, Linux build: the folder named with its reason" grep -qF \
                "msconv: $locked/game/MES cannot be listed (Permission denied): its files are not converted" \
                "$work/linux-$name.err"
            check "$name, 64-bit: the folder named with its reason" grep -qF \
                "msconv: $(windows_path "$locked/game/MES") cannot be listed (" "$work/win64-$name.err"
            compare_packages "$name, 64-bit" "$locked/linux/DAR297.AVD" "$locked/win64/DAR297.AVD"
        else
            check "$name, 64-bit: the game folder named" grep -qF \
                "The game folder \"$(windows_path "$locked/game")\" cannot be listed: " "$work/win64-$name.out"
            check "$name, 64-bit: no package" test ! -e "$locked/win64/DAR297.AVD"
        fi
    done
done
[ ${#as_owner[@]} -gt 0 ] && "${as_owner[@]}" "$wineserver64" -k >/dev/null 2>&1
rm -rf "$locked"

summary
