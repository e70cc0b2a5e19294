# SPDX-License-Identifier: GPL-2.0-or-later
# Shared by the Windows test scripts (sourced): the PASS/FAIL count and the
# check of a Windows executable's headers.

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
