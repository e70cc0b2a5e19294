#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds libarchive as a static library for a MinGW-w64 target from Debian's
# own libarchive source package, for reading the game from a disc image or an
# archive (ISO 9660, ZIP, LZH, 7-Zip, cabinet). The Windows zip carries the
# same source.
#
#   cmake/build-libarchive.sh HOST SOURCE_DIR PREFIX
#
# The source package is fetched into SOURCE_DIR once ("apt-get source
# libarchive") and built below PREFIX, which receives include/archive.h,
# include/archive_entry.h and lib/libarchive.a. It links zlib and liblzma
# built by cmake/build-zlib.sh and cmake/build-xz.sh into the folders zlib/
# and liblzma/ beside PREFIX, where the cross build's CMake puts them. A user
# of the library defines LIBARCHIVE_STATIC (archive.h declares DLL imports
# otherwise) and links liblzma, zlib and advapi32 (the CryptoAPI of its
# digests and random numbers) after it.
set -eu

. "$(dirname "$0")/debian-source.sh"
start_build libarchive libarchive/archive_read.c "$@"

cc=$host-gcc
if ! command -v "$cc" >/dev/null 2>&1; then
    say "$cc not found (install the MinGW-w64 cross compilers: make windows)"
    exit 1
fi
deps=$(cd "$prefix/.." && pwd)
zlib=$deps/zlib
lzma=$deps/liblzma
for library in "$zlib/lib/libz.a" "$lzma/lib/liblzma.a"; do
    if [ ! -f "$library" ]; then
        say "missing $library (cmake/build-zlib.sh, cmake/build-xz.sh build it first)"
        exit 1
    fi
done

# The package's own CMake build (its Windows build), with every optional
# library off but zlib (ZIP's deflate, ISO 9660's zisofs) and liblzma (7-Zip's
# LZMA and LZMA2); its programs, tests and install rules off too. The
# libraries' locations are given, so that the MinGW zlib that Debian installs
# in /usr/$host is not taken instead, and nothing of the build machine's
# /usr/include is searched. CNG stays off: it would tie the executables to
# bcrypt.dll for AES-encrypted ZIP and 7-Zip entries only. The Windows API is
# that of Vista, the oldest Windows the executables support (the package's
# default is Windows 10's). The one check that would run a test program (is
# zlib built with ZLIB_WINAPI?) is answered: it is not.
say "building libarchive for $host in $build"
if ! cmake -S "$source_dir" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER="$cc" -DCMAKE_RC_COMPILER="$host-windres" \
    -DCMAKE_FIND_ROOT_PATH="/usr/$host" -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
    -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY \
    -DWINDOWS_VERSION=VISTA -DENABLE_WERROR=OFF \
    -DENABLE_ZLIB=ON -DZLIB_INCLUDE_DIR="$zlib/include" -DZLIB_LIBRARY="$zlib/lib/libz.a" \
    -DZLIB_WINAPI_EXITCODE=1 -DZLIB_WINAPI_EXITCODE__TRYRUN_OUTPUT= \
    -DENABLE_LZMA=ON -DLIBLZMA_INCLUDE_DIR="$lzma/include" \
    -DLIBLZMA_LIBRARY="$lzma/lib/liblzma.a" \
    -DENABLE_BZip2=OFF -DENABLE_LZ4=OFF -DENABLE_ZSTD=OFF -DENABLE_LZO=OFF -DENABLE_LIBB2=OFF \
    -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_NETTLE=OFF -DENABLE_CNG=OFF \
    -DENABLE_LIBXML2=OFF -DENABLE_EXPAT=OFF -DENABLE_PCREPOSIX=OFF -DENABLE_LIBGCC=OFF \
    -DPOSIX_REGEX_LIB=NONE -DENABLE_ICONV=OFF -DENABLE_ACL=OFF -DENABLE_XATTR=OFF \
    -DENABLE_TAR=OFF -DENABLE_CPIO=OFF -DENABLE_CAT=OFF -DENABLE_TEST=OFF \
    -DENABLE_INSTALL=OFF >"$build/cmake.log" 2>&1; then
    tail -n 30 "$build/cmake.log" >&2
    say "configuring libarchive failed; see $build/cmake.log"
    exit 1
fi
jobs=$(nproc 2>/dev/null || echo 2)
if ! cmake --build "$build" --target archive_static -j "$jobs" >"$build/make.log" 2>&1; then
    tail -n 30 "$build/make.log" >&2
    say "building libarchive failed; see $build/make.log"
    exit 1
fi
cp "$build/libarchive/libarchive_static.a" "$prefix/lib/libarchive.a"
cp "$source_dir/libarchive/archive.h" "$source_dir/libarchive/archive_entry.h" "$prefix/include/"
