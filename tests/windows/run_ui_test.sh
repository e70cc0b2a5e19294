#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The Windows executables as their user sees them: started as a double-click
# starts them, in a console window of their own, with the folder dialog, on a
# virtual X screen (Xvfb).
#
#   tests/windows/run_ui_test.sh LINUX_BUILD WINDOWS_BUILD
#
# Every case of the table below runs in Wine's Japanese and English system
# language with the 64-bit executable, and with the 32-bit one where the
# kernel runs 32-bit code (the emulated 32-bit Wine cannot open windows). The
# dialog's title and the console's text are read from the windows themselves
# (window_text.exe, built here with the cross compiler); keys reach them as X
# key presses (xdotool). Every step leaves a screenshot in
# WINDOWS_BUILD/wine-ui-test/shots.
set -uo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 LINUX_BUILD WINDOWS_BUILD" >&2
    exit 2
fi
linux_build=$(realpath "$1")
windows_build=$(realpath "$2")
source "$(dirname "$0")/common.sh"

for tool in Xvfb xdotool xwdtopnm pnmtopng localedef x86_64-w64-mingw32-gcc "$wine64"; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (make windows-ui-deps)" >&2; exit 2; }
done

work=$windows_build/wine-ui-test
rm -rf "$work"
mkdir -p "$work/shots" "$work/screen" "$work/locale" "$work/home/Desktop"
started=$SECONDS

# Wine takes its system language from the C library's locale of LANG, and
# falls back to English where that locale is not generated; both are compiled
# into the work folder.
for locale in ja_JP en_US; do
    localedef -i $locale -f UTF-8 "$work/locale/$locale.UTF-8" 2>>"$work/localedef.log"
done
export LOCPATH=$work/locale

# A virtual screen on a free display, kept as an X window dump in
# $work/screen, from which screenshots are taken.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -fbdir "$work/screen" -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
trap 'kill $xvfb; "$wineserver64" -k >/dev/null 2>&1' EXIT
trap 'exit 1' INT TERM
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.2; done
DISPLAY=:$(cat "$work/display")
export DISPLAY

export HOME=$work/home WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINESERVER=$wineserver64
setup_wine_prefix "$work/wineboot.log"
# The Japanese fonts stand in for those of Windows: for dialogs in any
# language (font links name these) and in the console.
cat >"$work/fonts.reg" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="IPAPGothic"
"MS Gothic"="IPAGothic"

[HKEY_CURRENT_USER\Console]
"FaceName"="IPAGothic"
EOF
"$wine64" regedit /S "$work/fonts.reg"
x86_64-w64-mingw32-gcc -O2 -municode -o "$work/window_text.exe" "$(dirname "$0")/window_text.c"

# The game folders sit on the user's desktop, the first level of the
# dialog's tree: the sample game and a larger one that converts for long
# enough to be interrupted.
desktop=$work/home/Desktop
"$linux_build/tools/sample-game/sample-game" "$desktop/sample" "$work/DATA" >/dev/null
"$linux_build/tools/sample-game/sample-game" "$desktop/large" "$work/large-data" --pictures 150 >/dev/null
# The sample again under a Japanese name with characters that end in 0x5C in
# code page 932; it sorts after the other desktop items in both languages, so
# End selects it.
cp -r "$desktop/sample" "$desktop/本棚ソフト表示"
mkdir -p "$work/linux"
LC_ALL=C "$linux_build/src/msconv" "$desktop/sample" --output "$work/linux" --data "$work/DATA" \
    --no-wait --quiet >"$work/linux.out" || fail "Linux build converts the sample game"

screenshot() {  # screenshot NAME
    xwdtopnm "$work/screen/Xvfb_screen0" 2>/dev/null | pnmtopng >"$work/shots/$1.png"
}
wait_until() {  # wait_until SECONDS COMMAND...
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $end ] || return 1
        sleep 0.5
    done
}
# The texts the program's windows show, one per line (dialog or console).
window_text() {  # window_text dialog|console
    "$wine64" "$work/window_text.exe" "$1" msconv.exe 2>/dev/null
}
shows() {  # shows dialog|console LINE: one of the texts is LINE
    window_text "$1" | grep -Fqx -- "$2"
}
shows_part() {  # shows_part dialog|console TEXT: a text holds TEXT
    window_text "$1" | grep -Fq -- "$2"
}
# The shown X window of a class: msconv.exe (the dialog) or conhost.exe (the
# console window), not the input method window each has beside it.
shown_window() {  # shown_window CLASS
    local window
    for window in $(xdotool search --onlyvisible --class "$1"); do
        [ "$(xdotool getwindowname "$window")" != "Default IME" ] && echo "$window" && return 0
    done
    return 1
}
press() {  # press CLASS KEY...
    local window
    wait_until 10 shown_window "$1" >/dev/null || return 1
    window=$(shown_window "$1")
    shift
    timeout 5 xdotool windowfocus --sync "$window" && sleep 0.3 && xdotool key --delay 80 "$@"
}
# A key that comes before its window has the focus, or before the program
# reads the keyboard, is lost: the keys go again until CONDITION holds.
press_until() {  # press_until CONDITION CLASS KEY...
    local condition=$1
    shift
    for _ in 1 2 3 4 5; do
        press "$@"
        wait_until 4 "$condition" && return 0
    done
    return 1
}
dialog_closed() {
    ! shown_window msconv.exe >/dev/null
}
ended() {
    [ -s "$run/status" ]
}
staging_grown() {
    [ "$(stat -c %s "$run/tmp.dat" 2>/dev/null || echo 0)" -gt 1048576 ]
}

# The cases. KEYS: the keys pressed in the dialog, comma-separated: Esc
# cancels it; Shift+Tab goes to the tree, which selects the desktop folder
# whose name is typed. STATUS: the exit code after the key press. MESSAGE: the console's line
# before the key prompt. PACKAGE: "none" (nothing written), "linux" (the
# Linux run's package, byte for byte) or "older" (an earlier package that
# stays as it was). The interruption is a Ctrl+C typed into the console while
# tmp.dat grows; the program then ends with STATUS_CONTROL_C_EXIT, which
# "start /wait" does not pass on, so its status is not compared.
#
#      name       keys                           status  message        package
cases="
       cancel     Escape                         1       中止しました.  none
       choose     shift+Tab,s,a,m,p,l,e,Return   0       終了しました.  linux
       choose-ja  shift+Tab,End,Return           0       終了しました.  linux
       interrupt  shift+Tab,l,a,r,g,e,Return     -       -              older
"
languages="
       ja_JP.UTF-8  932
       en_US.UTF-8  1252
"
executables="
       64-bit  $windows_build/x86_64/src/msconv.exe
"
if kernel_runs_32_bit; then
    executables+="       32-bit  $windows_build/i686/src/msconv.exe"$'\n'
else
    echo "SKIP: 32-bit: this kernel does not run 32-bit code, and the emulated 32-bit Wine opens no windows"
fi

while read -r lang code_page; do
    [ -n "$lang" ] || continue
    # A new language needs a new Wine server.
    "$wineserver64" -k
    export LANG=$lang
    check "$lang: Wine's ANSI code page $code_page" grep -q "ACP.*REG_SZ.*$code_page" \
        <("$wine64" reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP)
    while read -r bits exe; do
        [ -n "$bits" ] || continue
        while read -r name keys status message package; do
            [ -n "$name" ] || continue
            label="${lang%%.*}, $bits, $name"
            shot="${lang%%_*}-$bits-$name"
            run=$work/${lang%%_*}-$bits-$name
            mkdir -p "$run"
            cp -r "$work/DATA" "$run/" && cp "$exe" "$run/msconv.exe"
            [ "$package" = older ] && printf 'an older package\n' >"$run/DAR297.AVD"
            # As Explorer starts it: no console to inherit, so Windows opens one.
            (cd "$run" && "$wine64" start /wait /unix "$run/msconv.exe" </dev/null >"$run/start.log" 2>&1
                echo $? >"$run/status") &
            if wait_until 60 shows dialog ゲームフォルダの選択; then
                pass "$label: the dialog shows ゲームフォルダの選択"
            else
                fail "$label: the dialog shows ゲームフォルダの選択 (it shows: $(window_text dialog | tr '\n' '|'))"
            fi
            wait_until 10 shown_window msconv.exe >/dev/null && sleep 1
            screenshot "$shot-dialog"
            # shellcheck disable=SC2086 # the table's keys
            press_until dialog_closed msconv.exe ${keys//,/ } || fail "$label: keys reach the dialog"
            if [ "$package" = older ]; then
                check "$label: the conversion runs" wait_until 120 staging_grown
                screenshot "$shot-console"
                check "$label: Ctrl+C ends the run" press_until ended conhost.exe ctrl+c
                check "$label: tmp.dat and DAR297.AVD.part removed" \
                    test ! -e "$run/tmp.dat" -a ! -e "$run/DAR297.AVD.part"
                check "$label: the earlier package unchanged" \
                    grep -qx 'an older package' "$run/DAR297.AVD"
            else
                check "$label: the console shows the key prompt" \
                    wait_until 300 shows console 何かキーを押してください.
                check "$label: the console shows $message" shows_part console "$message"
                screenshot "$shot-console"
                press_until ended conhost.exe space
                check "$label: a key ends the run with status $status" grep -qx "$status" "$run/status"
                check "$label: no tmp.dat" test ! -e "$run/tmp.dat"
                if [ "$package" = linux ]; then
                    check "$label: the Linux run's package" cmp "$work/linux/DAR297.AVD" "$run/DAR297.AVD"
                else
                    check "$label: no package" test ! -e "$run/DAR297.AVD"
                fi
            fi
            ended || "$wineserver64" -k
            "$wineserver64" -w
        done <<<"$cases"
    done <<<"$executables"
done <<<"$languages"

echo "screenshots: $work/shots; the test took $((SECONDS - started)) s"
summary
