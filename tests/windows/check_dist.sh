#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Checks the zip for Windows users that packaging/windows/make-dist.sh writes.
#
#   tests/windows/check_dist.sh ZIP EXE
#
# The zip must hold one folder named after it with exactly the 32-bit
# executable EXE and the 32-bit avdtool.exe built beside it, the read-me and the licence in Notepad's form (UTF-8 with a
# byte order mark, CR LF), and the source archives, each readable.
set -uo pipefail
source "$(dirname "$0")/common.sh"

if [ $# -ne 2 ]; then
    echo "usage: $0 ZIP EXE" >&2
    exit 2
fi
zip=$(realpath "$1")
exe=$2
name=$(basename "$zip" .zip)
version=${name#msconv-}
version=${version%-win32}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

files=$(cmake -E tar tf "$zip" | grep -v '/$' | LC_ALL=C sort)
expected="$name/LICENSE.txt
$name/README.txt
$name/avdtool.exe
$name/msconv.exe
$name/source/libarchive_*-source.tar.gz
$name/source/lzo2_*-source.tar.gz
$name/source/msconv-$version-source.tar.gz
$name/source/utf8proc_*-source.tar.gz
$name/source/xz-utils_*-source.tar.gz
$name/source/zlib_*-source.tar.gz"
# shellcheck disable=SC2053 # the expected list holds a pattern
if [[ $files == $expected ]]; then
    pass "$name.zip: the two executables, read-me, licence and six source archives"
else
    fail "$name.zip holds: $files"
fi
(cd "$work" && cmake -E tar xf "$zip")
dir=$work/$name

check_executable "$dir/msconv.exe" i686-w64-mingw32-objdump 010b PE32 "msconv.exe"
check "msconv.exe is the 32-bit build" cmp -s "$dir/msconv.exe" "$exe"
check_executable "$dir/avdtool.exe" i686-w64-mingw32-objdump 010b PE32 "avdtool.exe"
check "avdtool.exe is the 32-bit build" \
    cmp -s "$dir/avdtool.exe" "$(dirname "$exe")/../tools/avdtool/avdtool.exe"

# Notepad's form: a byte order mark, valid UTF-8, every line ended by CR LF.
notepad_text() {  # notepad_text FILE
    perl -e 'use Encode; open(my $f, "<:raw", $ARGV[0]) or exit 1; local $/; my $d = <$f>;
             exit 1 unless $d =~ s/^\xEF\xBB\xBF//;
             exit 1 if $d =~ /[^\r]\n|\r(?!\n)/ or $d !~ /\r\n\z/;
             eval { decode("UTF-8", $d, Encode::FB_CROAK); 1 } or exit 1' "$1"
}
check "README.txt: Notepad's UTF-8 with CR LF" notepad_text "$dir/README.txt"
check "README.txt: in Japanese, names the package and the DATA folder" \
    grep -q "DAR297.AVD ができています" "$dir/README.txt"
check "README.txt: says how to check a conversion and open the report" \
    grep -q "avdtool.exe check DAR297.AVD" "$dir/README.txt"
check "README.txt: names the source archives" \
    grep -q "msconv-$version-source.tar.gz" "$dir/README.txt"
check "README.txt: no placeholder left" test -z "$(grep -o '@[A-Z_]*@' "$dir/README.txt")"
check "LICENSE.txt: Notepad's UTF-8 with CR LF" notepad_text "$dir/LICENSE.txt"
check "LICENSE.txt: the GNU GPL version 2" \
    grep -q "GNU GENERAL PUBLIC LICENSE.*Version 2, June 1991" <(tr -d '\r\n' <"$dir/LICENSE.txt")

sources=$(tar -tzf "$dir/source/msconv-$version-source.tar.gz")
check "msconv source: CMakeLists.txt" grep -qx "msconv-$version/CMakeLists.txt" <<<"$sources"
check "msconv source: LICENSE" grep -qx "msconv-$version/LICENSE" <<<"$sources"
check "LZO source: the LZO1X-999 compressor" \
    grep -q '^lzo2-[^/]*/src/lzo1x_9x.c$' <(tar -tzf "$dir"/source/lzo2_*-source.tar.gz)
check "zlib source: its deflate" \
    grep -q '^zlib-[^/]*/deflate.c$' <(tar -tzf "$dir"/source/zlib_*-source.tar.gz)
check "utf8proc source: its library" \
    grep -q '^utf8proc-[^/]*/utf8proc.c$' <(tar -tzf "$dir"/source/utf8proc_*-source.tar.gz)
check "libarchive source: its reader" \
    grep -q '^libarchive-[^/]*/libarchive/archive_read.c$' \
    <(tar -tzf "$dir"/source/libarchive_*-source.tar.gz)
check "xz-utils source: liblzma's header" \
    grep -q '^xz-utils-[^/]*/src/liblzma/api/lzma.h$' <(tar -tzf "$dir"/source/xz-utils_*-source.tar.gz)

summary
