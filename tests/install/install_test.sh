#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# What a user gets installed, checked against the sources:
#
#   install_test.sh options PROGRAM MANPAGE   the long options that PROGRAM's
#       --help prints (and, for a program with commands, each command's
#       --help and the command names) are those the manual page names
#   install_test.sh man MANPAGE               man formats the page without a warning,
#       and lexgrog finds its NAME line
#   install_test.sh files BUILD SOURCE        cmake --install into a temporary
#       prefix installs exactly the programs, their manual pages and the
#       documentation (tests/install/installed-files.txt)
#   install_test.sh version SOURCE            debian/changelog has the version
#       of CMakeLists.txt
set -eu
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The long options in text, one a line, sorted and unique; roff's \- is -.
long_options() { sed 's/\\-/-/g' "$@" | grep -o -- '--[a-z][a-z0-9-]*' | sort -u; }

# The commands a program's --help lists under "Subcommands:".
commands_of() {
    awk 'tolower($0) == "subcommands:" { on = 1; next } /^$/ { on = 0 } on { print $1 }' "$1" |
        sort -u
}

# The manual page up to its examples, which may show other programs' options.
page_body() { sed '/^\.SH EXAMPLES/,$d' "$1"; }

# Sets A and B, named: fails with what each lacks.
same_sets() {
    if ! cmp -s "$2" "$4"; then
        echo "in $1, not in $3:" >&2
        comm -23 "$2" "$4" | sed 's/^/  /' >&2
        echo "in $3, not in $1:" >&2
        comm -13 "$2" "$4" | sed 's/^/  /' >&2
        fail "$1 and $3 differ"
    fi
}

case $1 in
options)
    program=$2
    page=$3
    # In a cross build the program runs under the build's emulator.
    ${MSCONV_TEST_EMULATOR-} "$program" --help >"$work/help"
    commands_of "$work/help" >"$work/commands"
    while read -r command; do
        ${MSCONV_TEST_EMULATOR-} "$program" "$command" --help >>"$work/help"
    done <"$work/commands"
    long_options "$work/help" >"$work/help-options"
    page_body "$page" >"$work/page"
    long_options "$work/page" >"$work/page-options"
    [ -s "$work/help-options" ] || fail "$program --help names no option"
    same_sets "$program --help" "$work/help-options" "$page" "$work/page-options"
    # A program with commands: each is in the synopsis as ".B PROGRAM COMMAND".
    name=$(basename "$program")
    sed -n "s/^\.B $name \([a-z][a-z-]*\)\$/\1/p" "$page" | sort -u >"$work/page-commands"
    same_sets "$program --help" "$work/commands" "$page" "$work/page-commands"
    ;;
man)
    LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$2" \
        >/dev/null 2>"$work/warnings"
    [ ! -s "$work/warnings" ] || { cat "$work/warnings" >&2; fail "man warns on $2"; }
    # The NAME line as man -k and whatis read it: "PROGRAM - what it does".
    name=$(basename "$2" .1)
    lexgrog "$2" | grep -q "^$2: \"$name - [a-z]" || fail "lexgrog reads no NAME line of $name in $2"
    ;;
files)
    build=$2
    source=$3
    cmake --install "$build" --prefix "$work/prefix" >/dev/null
    (cd "$work/prefix" && find . ! -type d | sed 's|^\./||' | sort) >"$work/installed"
    sort "$source/tests/install/installed-files.txt" >"$work/expected"
    same_sets "the install" "$work/installed" "installed-files.txt" "$work/expected"
    for program in msconv avdtool sample-game; do
        [ -x "$work/prefix/bin/$program" ] || fail "bin/$program is not executable"
    done
    ;;
version)
    source=$2
    cmake_version=$(sed -n 's/^project(msconv VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
    changelog_version=$(sed -n '1s/^msconv (\([^)]*\)).*/\1/p' "$source/debian/changelog")
    [ -n "$cmake_version" ] || fail "no version in CMakeLists.txt"
    [ "$cmake_version" = "$changelog_version" ] ||
        fail "CMakeLists.txt: $cmake_version, debian/changelog: $changelog_version"
    ;;
*)
    fail "unknown check $1"
    ;;
esac
