#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds utf8proc as a static library for a MinGW-w64 target from Debian's own
# utf8proc source package (names in Normalization Form C, upper-casing); the
# Windows zip carries the same source.
#
#   cmake/build-utf8proc.sh HOST SOURCE_DIR PREFIX
#
# The source package is fetched into SOURCE_DIR once ("apt-get source
# utf8proc") and built below PREFIX, which receives include/utf8proc.h and
# lib/libutf8proc.a.
set -eu

. "$(dirname "$0")/debian-source.sh"
start_build utf8proc utf8proc.c "$@"
say "building utf8proc for $host in $build"
# utf8proc.c includes its tables (utf8proc_data.c) itself.
"$host-gcc" -O2 -DUTF8PROC_STATIC -I"$source_dir" -c "$source_dir/utf8proc.c" \
    -o "$build/utf8proc.o"
"$host-ar" rcs "$prefix/lib/libutf8proc.a" "$build/utf8proc.o"
cp "$source_dir/utf8proc.h" "$prefix/include/"
