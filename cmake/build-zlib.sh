#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds zlib as a static library for a MinGW-w64 target from Debian's own
# zlib source package, for avdtool.exe's PNG files; the Windows zip carries
# the same source.
#
#   cmake/build-zlib.sh HOST SOURCE_DIR PREFIX
#
# The source package is fetched into SOURCE_DIR once ("apt-get source zlib")
# and built below PREFIX, which receives include/zlib.h, include/zconf.h and
# lib/libz.a.
set -eu

if [ $# -ne 3 ]; then
    echo "usage: $0 HOST SOURCE_DIR PREFIX" >&2
    exit 2
fi
host=$1
source_dir=$2
prefix=$3

say() { echo "build-zlib: $*" >&2; }

# The library's own files, as its win32/Makefile.gcc lists them.
objects="adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate
inftrees trees uncompr zutil"

. "$(dirname "$0")/debian-source.sh"
if [ ! -f "$source_dir/deflate.c" ]; then
    fetch_source zlib "$source_dir" deflate.c
fi

build=$prefix/build
rm -rf "$build" "$prefix/lib" "$prefix/include"
mkdir -p "$build" "$prefix/lib" "$prefix/include"
say "building zlib for $host in $build"
for object in $objects; do
    "$host-gcc" -O2 -I"$source_dir" -c "$source_dir/$object.c" -o "$build/$object.o"
done
(cd "$build" && "$host-ar" rcs "$prefix/lib/libz.a" ./*.o)
cp "$source_dir/zlib.h" "$source_dir/zconf.h" "$prefix/include/"
