#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# The Debian package as a user meets it: installs it, opens the manual pages,
# runs the package's own test (debian/tests/convert-sample: the installed
# programs convert and check the sample game), removes it again and checks
# that nothing of it is left.
#
#   tools/deb-test.sh OUT      (OUT as for tools/make-deb.sh; as root)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(cd "$1" && pwd)
say() { echo "deb-test: $*" >&2; }
fail() { say "$*"; exit 1; }

[ "$(id -u)" = 0 ] || fail "installs the package, so it runs as root"
version=$(sed -n 's/^project(msconv VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
deb=$out/msconv_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb (make deb)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# An earlier install (of an earlier run) goes first, so that what the
# package leaves behind can be told from what was there.
if dpkg-query -W -f='${Status}\n' msconv 2>/dev/null | grep -q ' installed$'; then
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 purge -y msconv
fi

# The files of the package, and of those which were already there (the
# folders it shares with others).
dpkg-deb --fsys-tarfile "$deb" | tar -tf - | sed -e 's|^\./|/|' -e 's|/$||' | grep -v '^\.\?$' |
    sort >"$work/files"
while read -r path; do
    [ -e "$path" ] && echo "$path"
done <"$work/files" >"$work/before" || true

echo "== apt-get install $deb"
DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y "$deb"
dpkg-query -W -f='${Status} ${Version}\n' msconv | grep -qx "install ok installed $version" ||
    fail "msconv $version is not installed"
for program in msconv avdtool sample-game; do
    [ "$(command -v "$program")" = "/usr/bin/$program" ] || fail "$program is not /usr/bin/$program"
done
[ "$(msconv --version)" = "msconv $version" ] || fail "msconv --version: $(msconv --version)"

echo "== the manual pages"
for page in msconv avdtool sample-game; do
    man -w "$page" | grep -qx "/usr/share/man/man1/$page.1.gz" || fail "man -w $page: $(man -w "$page")"
    MANWIDTH=80 MAN_KEEP_FORMATTING= man -P cat "$page" >"$work/$page.txt" 2>"$work/$page.err"
    [ ! -s "$work/$page.err" ] || { cat "$work/$page.err" >&2; fail "man $page printed warnings"; }
    grep -q '^NAME' "$work/$page.txt" || fail "man $page shows no NAME section"
    echo "man $page: $(wc -l <"$work/$page.txt") lines"
done

echo "== the installed programs convert and check the sample game"
mkdir "$work/tmp"
(cd "$work/tmp" && AUTOPKGTEST_TMP=$work/tmp sh "$root/debian/tests/convert-sample")

echo "== apt-get purge msconv"
DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 purge -y msconv
! dpkg-query -W -f='${Status}\n' msconv 2>/dev/null | grep -q ' installed$' ||
    fail "msconv is still installed"
while read -r path; do
    [ -e "$path" ] && echo "$path"
done <"$work/files" >"$work/after" || true
if ! cmp -s "$work/before" "$work/after"; then
    say "left behind:"
    comm -13 "$work/before" "$work/after" >&2
    exit 1
fi
for program in msconv avdtool sample-game; do
    ! command -v "$program" >/dev/null || fail "$program is still there"
    ! man -w "$program" >/dev/null 2>&1 || fail "man $program still opens"
done
echo "deb-test: installed, converted, checked and removed: nothing left behind"
