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

# The library's own files, as its win32/Makefile.gcc lists them.
objects="adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate
inftrees trees uncompr zutil"

. "$(dirname "$0")/debian-source.sh"
start_build zlib deflate.c "$@"
say "building zlib for $host in $build"
for object in $objects; do
    "$host-gcc" -O2 -I"$source_dir" -c "$source_dir/$object.c" -o "$build/$object.o"
done
(cd "$build" && "$host-ar" rcs "$prefix/lib/libz.a" ./*.o)
cp "$source_dir/zlib.h" "$source_dir/zconf.h" "$prefix/include/"
