#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds liblzma as a static library for a MinGW-w64 target from Debian's own
# xz-utils source package: the LZMA and LZMA2 decoders behind libarchive's
# 7-Zip reader. The Windows zip carries the same source.
#
#   cmake/build-xz.sh HOST SOURCE_DIR PREFIX
#
# The source package is fetched into SOURCE_DIR once ("apt-get source
# xz-utils") and built below PREFIX, which receives include/lzma.h,
# include/lzma/ and lib/liblzma.a. With GCC, lzma.h declares no DLL imports,
# so its users need no LZMA_API_STATIC.
set -eu

. "$(dirname "$0")/debian-source.sh"
start_build xz-utils src/liblzma/api/lzma.h "$@"

if ! command -v "$host-gcc" >/dev/null 2>&1; then
    say "$host-gcc not found (install the MinGW-w64 cross compilers: make windows)"
    exit 1
fi

# The package's own configure, run in the build folder so that the source tree
# stays as Debian ships it (it goes into the Windows zip). Only the library:
# none of the programs, scripts, translations or documents. Single-threaded:
# the decoders need no threads, and the threaded encoder would tie the library
# to one of MinGW's thread models.
say "building liblzma for $host in $build"
if ! (cd "$build" && "$source_dir/configure" --host="$host" --prefix="$prefix" \
    --enable-static --disable-shared --disable-threads \
    --disable-xz --disable-xzdec --disable-lzmadec --disable-lzmainfo --disable-lzma-links \
    --disable-scripts --disable-doc --disable-nls CFLAGS=-O2 >configure.log 2>&1); then
    say "configure failed; see $build/configure.log and $build/config.log"
    exit 1
fi
jobs=$(nproc 2>/dev/null || echo 2)
if ! make -C "$build/src/liblzma" -j "$jobs" install >"$build/make.log" 2>&1; then
    tail -n 30 "$build/make.log" >&2
    say "building liblzma failed; see $build/make.log"
    exit 1
fi
rm -f "$prefix/lib/liblzma.la"
test -f "$prefix/lib/liblzma.a"
test -f "$prefix/include/lzma.h"
