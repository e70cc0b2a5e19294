# SPDX-License-Identifier: GPL-2.0-or-later
# Shared by the Windows test scripts (sourced): the PASS/FAIL count, the
# checks of a Windows executable's headers and resources, and the Wine prefix.

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
# Prints the count; true when nothing failed.
summary() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

# The system DLLs an executable may import; anything else (the compiler's
# run-time DLLs above all) would be missing on a bare Windows.
system_dlls=" kernel32.dll msvcrt.dll shell32.dll ole32.dll user32.dll advapi32.dll "

# A console executable of the given kind (PE32: magic 010b, PE32+: 020b)
# that imports only system DLLs.
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

# The manifest and the version resource that packaging/windows/msconv.rc
# compiles into the executable: run as the invoking user, Common Controls 6,
# the supported Windows versions; the product name, VERSION and the licence.
check_resources() {  # check_resources EXE LABEL VERSION
    local manifest strings
    manifest=$(wrestool -x --raw --type=24 --name=1 "$1" 2>/dev/null | tr -d '\r\n')
    check "$2: manifest: asInvoker" grep -q '<requestedExecutionLevel level="asInvoker"' <<<"$manifest"
    check "$2: manifest: Common Controls 6" \
        grep -Eq 'name="Microsoft.Windows.Common-Controls" version="6\.0\.0\.0"' <<<"$manifest"
    check "$2: manifest: the supported Windows versions" test "$(grep -o '<supportedOS Id=' <<<"$manifest" |
        wc -l)" -ge 4
    # The version resource's strings are UTF-16: NAME, padding, VALUE, NUL;
    # here NAME|VALUE|.
    strings=$(wrestool -x --raw --type=16 "$1" 2>/dev/null | iconv -c -f UTF-16LE -t UTF-8 | tr '\0' '\n' |
        grep -v '^$' | tr '\n' '|')
    check "$2: version resource: ProductName msconv" grep -q 'ProductName|msconv|' <<<"$strings"
    check "$2: version resource: ProductVersion $3" grep -q "ProductVersion|$3|" <<<"$strings"
    check "$2: version resource: FileVersion $3" grep -q "FileVersion|$3|" <<<"$strings"
    check "$2: version resource: GPL-2.0-or-later" grep -q 'LegalCopyright|[^|]*GPL-2.0-or-later' <<<"$strings"
}

# ---- Wine ------------------------------------------------------------------------

wine64=/usr/lib/wine/wine64
wineserver64=/usr/lib/wine/wineserver64
# The 32-bit loader (package wine32:i386) and its built-in libraries.
wine32=/usr/lib/wine/wine
wine32_dlls=/usr/lib/i386-linux-gnu/wine

# The Windows form of an absolute path: Wine's drive Z: is the root folder.
windows_path() {
    local path=${1//\//\\}
    printf 'Z:%s' "$path"
}

# The 32-bit Wine is there unless the step found that its packages cannot
# be installed (make sets MSCONV_WINE32=no; see tools/deps.sh).
have_wine32() {
    [ "${MSCONV_WINE32-yes}" != no ]
}

# True when this kernel runs the 32-bit Wine loader without emulation.
kernel_runs_32_bit() {
    have_wine32 && WINEDEBUG=-all "$wine32" --version >/dev/null 2>&1
}

# A fresh prefix in WINEPREFIX (exported by the caller). The 64-bit loader
# sets it up; it cannot start the 32-bit Wine, so the prefix's 32-bit system
# folder stays empty and receives the 32-bit built-in libraries by copy.
setup_wine_prefix() {  # setup_wine_prefix LOG
    if timeout 300 "$wine64" wineboot --init </dev/null >"$1" 2>&1 &&
        { ! have_wine32 || cp "$wine32_dlls"/i386-windows/*.dll "$wine32_dlls"/i386-windows/*.exe \
            "$WINEPREFIX/drive_c/windows/syswow64/"; }; then
        pass "Wine prefix set up"
    else
        fail "Wine prefix set up (see $1)"
    fi
    "$wineserver64" -p
}
