#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds LZO as a static library for a MinGW-w64 target from Debian's own
# lzo2 source package, so that the Windows executables need no LZO DLL.
#
#   cmake/build-lzo2.sh HOST SOURCE_DIR PREFIX
#
# HOST is the cross compiler's triplet (i686-w64-mingw32, x86_64-w64-mingw32).
# The source package is fetched into SOURCE_DIR once ("apt-get source lzo2")
# and built below PREFIX, which receives include/lzo and lib/liblzo2.a.
set -eu

. "$(dirname "$0")/debian-source.sh"
# A file every LZO 2 source tree has: the LZO1X-999 compressor.
start_build lzo2 src/lzo1x_9x.c "$@"

cc=$host-gcc
ar=$host-ar
if ! command -v "$cc" >/dev/null 2>&1; then
    say "$cc not found (install the MinGW-w64 cross compilers: make windows)"
    exit 1
fi

# The library is built the way the source package's generic build script
# does it (B/generic/build.sh): every file of src/ compiled on its own and
# archived, with no configure step. Its examples and tests are left out.
mkdir -p "$prefix/include/lzo"
say "building LZO for $host in $build"
jobs=$(nproc 2>/dev/null || echo 2)
if ! (cd "$build" && find "$source_dir/src" -maxdepth 1 -name '*.c' | sort |
    xargs -P "$jobs" -n 4 "$cc" -O2 -DLZO_LIBC_ISOC90=1 \
        -I"$source_dir/include" -I"$source_dir" -I"$source_dir/src" -c); then
    say "compiling LZO failed"
    exit 1
fi
rm -f "$prefix/lib/liblzo2.a"
(cd "$build" && "$ar" rcs "$prefix/lib/liblzo2.a" ./*.o)
cp "$source_dir"/include/lzo/*.h "$prefix/include/lzo/"
test -f "$prefix/include/lzo/lzo1x.h"
