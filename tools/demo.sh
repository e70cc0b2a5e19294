#!/bin/sh
# Converts the bundled sample and shows what came out.
# Usage: tools/demo.sh BUILD_DIR DEMO_DIR
set -eu
build=$1
demo=$2
rm -rf "$demo"
mkdir -p "$demo/game" "$demo/DATA" "$demo/out"
# The sample: an empty game folder and a DATA folder of a few files.
printf 'Sample data file copied unchanged into the package.\n' > "$demo/DATA/README.TXT"
printf '\000\001\002\003' > "$demo/DATA/BYTES.BIN"
: > "$demo/DATA/EMPTY.DAT"

"$build/src/msconv" --no-wait --output "$demo/out" --data "$demo/DATA" "$demo/game"
"$build/tools/avdtool/avdtool" list "$demo/out/DAR297.AVD"
"$build/tools/avdtool/avdtool" verify "$demo/out/DAR297.AVD"
echo "Package: $demo/out/DAR297.AVD"
