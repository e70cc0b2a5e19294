#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds the zip that Windows users get, around the 32-bit executable.
#
#   packaging/windows/make-dist.sh WINDOWS_BUILD VERSION
#
# WINDOWS_BUILD holds the cross build i686/ and the unpacked lzo2, zlib,
# utf8proc, libarchive and xz-utils source packages lzo2-source/,
# zlib-source/, utf8proc-source/, libarchive-source/ and xz-source/ that it was
# built with (make windows). Writes
# WINDOWS_BUILD/msconv-VERSION-win32.zip (VERSION: the project version in
# CMakeLists.txt, which make windows-dist passes) with one folder msconv-VERSION-win32 that holds:
#   msconv.exe    the 32-bit executable
#   avdtool.exe   the 32-bit package inspector (check, report)
#   README.txt    the read-me in Japanese
#   LICENSE.txt   the GNU GPL version 2
#   source/       the corresponding source: this project's (the checked-out
#                 tree, uncommitted changes to tracked files included), and
#                 that of LZO, zlib, utf8proc, libarchive and liblzma (Debian's
#                 source packages in WINDOWS_BUILD)
# The texts are UTF-8 with a byte order mark and CR LF line ends: Notepad reads
# that form on every Windows whatever its code page, where UTF-8 without the
# mark would show as code page 932 mojibake in Notepad before Windows 10.
set -eu

if [ $# -ne 2 ]; then
    echo "usage: $0 WINDOWS_BUILD VERSION" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
exe=$build/i686/src/msconv.exe
avdtool=$build/i686/tools/avdtool/avdtool.exe
lzo=$build/lzo2-source

say() { echo "make-dist: $*" >&2; }

version=$2
lzo_version=$(sed -n '1s/^lzo2 (\([^)]*\)).*/\1/p' "$lzo/debian/changelog" 2>/dev/null || true)
[ -f "$exe" ] || { say "missing $exe (make windows)"; exit 1; }
[ -f "$avdtool" ] || { say "missing $avdtool (make windows)"; exit 1; }
[ -n "$lzo_version" ] || { say "missing Debian's lzo2 source in $lzo (make windows)"; exit 1; }
git -C "$root" rev-parse --git-dir >/dev/null 2>&1 ||
    { say "the project's source is taken from git: $root is no git checkout"; exit 1; }

zlib=$build/zlib-source
zlib_version=$(sed -n '1s/^zlib ([0-9]*:\{0,1\}\([^)]*\)).*/\1/p' "$zlib/debian/changelog" 2>/dev/null ||
    true)
[ -n "$zlib_version" ] || { say "missing Debian's zlib source in $zlib (make windows)"; exit 1; }

utf8proc=$build/utf8proc-source
utf8proc_version=$(sed -n '1s/^utf8proc (\([^)]*\)).*/\1/p' "$utf8proc/debian/changelog" \
    2>/dev/null || true)
[ -n "$utf8proc_version" ] ||
    { say "missing Debian's utf8proc source in $utf8proc (make windows)"; exit 1; }

libarchive=$build/libarchive-source
libarchive_version=$(sed -n '1s/^libarchive (\([^)]*\)).*/\1/p' \
    "$libarchive/debian/changelog" 2>/dev/null || true)
[ -n "$libarchive_version" ] ||
    { say "missing Debian's libarchive source in $libarchive (make windows)"; exit 1; }

xz=$build/xz-source
xz_version=$(sed -n '1s/^xz-utils (\([^)]*\)).*/\1/p' "$xz/debian/changelog" 2>/dev/null || true)
[ -n "$xz_version" ] || { say "missing Debian's xz-utils source in $xz (make windows)"; exit 1; }

name=msconv-$version-win32
dist=$build/dist
stage=$dist/$name
zip=$build/$name.zip
source_archive=msconv-$version-source.tar.gz
lzo_archive=lzo2_$lzo_version-source.tar.gz
zlib_archive=zlib_$zlib_version-source.tar.gz
utf8proc_archive=utf8proc_$utf8proc_version-source.tar.gz
libarchive_archive=libarchive_$libarchive_version-source.tar.gz
xz_archive=xz-utils_$xz_version-source.tar.gz
rm -rf "$dist" "$zip"
mkdir -p "$stage/source"

# Notepad's form of a UTF-8 text with LF line ends, @NAME@ replaced.
notepad_text() {  # notepad_text FILE
    printf '\357\273\277'
    sed -e "s/@VERSION@/$version/g" -e "s/@SOURCE@/$source_archive/g" \
        -e "s/@LZO_SOURCE@/$lzo_archive/g" -e "s/@ZLIB_SOURCE@/$zlib_archive/g" \
        -e "s/@UTF8PROC_SOURCE@/$utf8proc_archive/g" \
        -e "s/@LIBARCHIVE_SOURCE@/$libarchive_archive/g" -e "s/@XZ_SOURCE@/$xz_archive/g" \
        -e 's/$/\r/' "$1"
}

cp "$exe" "$stage/msconv.exe"
cp "$avdtool" "$stage/avdtool.exe"
notepad_text "$root/packaging/windows/README.txt" >"$stage/README.txt"
notepad_text "$root/LICENSE" >"$stage/LICENSE.txt"

# git stash create records the tracked files as they stand without touching
# the tree; it prints nothing when there is nothing uncommitted.
tree=$(git -C "$root" stash create)
git -C "$root" archive --format=tar.gz --prefix="msconv-$version/" \
    -o "$stage/source/$source_archive" "${tree:-HEAD}"
tar -czf "$stage/source/$lzo_archive" -C "$lzo/.." --owner=0 --group=0 --numeric-owner \
    --sort=name --transform "s,^$(basename "$lzo"),lzo2-${lzo_version%-*}," "$(basename "$lzo")"

tar -czf "$stage/source/$zlib_archive" -C "$zlib/.." --owner=0 --group=0 --numeric-owner \
    --sort=name --transform "s,^$(basename "$zlib"),zlib-${zlib_version%-*}," "$(basename "$zlib")"

tar -czf "$stage/source/$utf8proc_archive" -C "$utf8proc/.." --owner=0 --group=0 --numeric-owner \
    --sort=name --transform "s,^$(basename "$utf8proc"),utf8proc-${utf8proc_version%-*}," \
    "$(basename "$utf8proc")"

tar -czf "$stage/source/$libarchive_archive" -C "$libarchive/.." --owner=0 --group=0 \
    --numeric-owner --sort=name \
    --transform "s,^$(basename "$libarchive"),libarchive-${libarchive_version%-*}," \
    "$(basename "$libarchive")"

tar -czf "$stage/source/$xz_archive" -C "$xz/.." --owner=0 --group=0 --numeric-owner \
    --sort=name --transform "s,^$(basename "$xz"),xz-utils-${xz_version%-*}," "$(basename "$xz")"

(cd "$dist" && cmake -E tar cf "$zip" --format=zip "$name")
say "wrote $zip"
