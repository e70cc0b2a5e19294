#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds zlib as a static library for a MinGW-w64 target from Debian's own
# zlib source package, for avdtool.exe's PNG files; the Windows zip carries
# the same source.
#
#   cmake/build-zlib.sh HOST SOURCE_DIR PREFIX
#
# The source package is fetched into SOURCE_DIR once ("apt-get source zlib",
# through the deb-src entry that cmake/build-lzo2.sh makes sure of) and
# built below PREFIX, which receives include/zlib.h, include/zconf.h and
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

if [ ! -f "$source_dir/deflate.c" ]; then
    if [ -z "$(apt-cache showsrc zlib 2>/dev/null)" ]; then
        say "apt has no deb-src entry for zlib (cmake/build-lzo2.sh adds one when run as root)"
        exit 1
    fi
    download=$source_dir.download
    rm -rf "$download"
    mkdir -p "$download"
    (cd "$download" && apt-get source zlib >&2)
    unpacked=$(find "$download" -mindepth 1 -maxdepth 1 -type d -name 'zlib-*' | head -n 1)
    if [ -z "$unpacked" ] || [ ! -f "$unpacked/deflate.c" ]; then
        say "apt-get source zlib gave no source tree with deflate.c"
        exit 1
    fi
    rm -rf "$source_dir"
    mv "$unpacked" "$source_dir"
    rm -rf "$download"
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
