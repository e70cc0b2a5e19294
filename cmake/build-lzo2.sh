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
# When apt knows no source package for lzo2, a deb-src entry is added for the
# Debian archive entries apt already uses (as root only).
set -eu

if [ $# -ne 3 ]; then
    echo "usage: $0 HOST SOURCE_DIR PREFIX" >&2
    exit 2
fi
host=$1
source_dir=$2
prefix=$3

say() { echo "build-lzo2: $*" >&2; }

# A file every LZO 2 source tree has: the LZO1X-999 compressor.
marker=src/lzo1x_9x.c

# The sources entries (file:number) of the Debian archive that apt uses.
debian_entries() {
    apt-get indextargets --format '$(SOURCESENTRY)' \
        'Origin: Debian' 'Label: Debian' 'Created-By: Packages' 2>/dev/null | sort -u
}

# Copies every Debian archive entry as a deb-src entry of the same mirror,
# suites, components and options, then refreshes apt's lists.
enable_deb_src() {
    if [ "$(id -u)" != 0 ]; then
        say "apt has no deb-src entry for lzo2. Add one for your Debian mirror and run"
        say "apt-get update (or run this as root, which does both)."
        exit 1
    fi
    entries=$(debian_entries)
    if [ -z "$entries" ]; then
        apt-get update
        entries=$(debian_entries)
    fi
    if [ -z "$entries" ]; then
        say "apt is configured with no Debian archive; cannot add a deb-src entry"
        exit 1
    fi
    sources=/etc/apt/sources.list.d/msconv-deb-src.sources
    list=/etc/apt/sources.list.d/msconv-deb-src.list
    rm -f "$sources" "$list"
    for entry in $entries; do
        file=${entry%:*}
        number=${entry##*:}
        case $file in
        *.sources)
            # deb822: the number counts stanzas; the copy differs in its Types.
            awk -v n="$number" '
                function flush() {
                    if (real && ++count == n) printf "%s\n", text
                    text = ""; real = 0
                }
                /^[ \t]*$/ { flush(); next }
                {
                    line = $0
                    if (line !~ /^#/) real = 1
                    if (tolower(line) ~ /^types:/) line = "Types: deb-src"
                    text = text line "\n"
                }
                END { flush() }' "$file" >>"$sources"
            ;;
        *)
            # One-line form: the number is the line.
            sed -n "${number}p" "$file" |
                sed 's/^[[:space:]]*deb[[:space:]]/deb-src /' >>"$list"
            ;;
        esac
    done
    say "added a deb-src entry: $(cat "$sources" "$list" 2>/dev/null | grep -v '^#' | tr '\n' ' ')"
    apt-get update
}

fetch_source() {
    if [ -z "$(apt-cache showsrc lzo2 2>/dev/null)" ]; then
        enable_deb_src
    fi
    download=$source_dir.download
    rm -rf "$download"
    mkdir -p "$download"
    (cd "$download" && apt-get source lzo2)
    unpacked=$(find "$download" -mindepth 1 -maxdepth 1 -type d -name 'lzo2-*' | head -n 1)
    if [ -z "$unpacked" ] || [ ! -f "$unpacked/$marker" ]; then
        say "apt-get source lzo2 gave no source tree with $marker"
        exit 1
    fi
    rm -rf "$source_dir"
    mv "$unpacked" "$source_dir"
    rm -rf "$download"
}

if [ ! -f "$source_dir/$marker" ]; then
    fetch_source
fi

cc=$host-gcc
ar=$host-ar
if ! command -v "$cc" >/dev/null 2>&1; then
    say "$cc not found (install the MinGW-w64 cross compilers: make windows)"
    exit 1
fi

# The library is built the way the source package's generic build script
# does it (B/generic/build.sh): every file of src/ compiled on its own and
# archived, with no configure step. Its examples and tests are left out.
build=$prefix/build
rm -rf "$build" "$prefix/lib" "$prefix/include"
mkdir -p "$build" "$prefix/lib" "$prefix/include/lzo"
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
