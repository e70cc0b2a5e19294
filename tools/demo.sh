#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Generates the sample game, converts it and shows what came out.
# Usage: tools/demo.sh BUILD_DIR DEMO_DIR
set -eu
build=$1
demo=$2
generator="$build/tools/sample-game/sample-game"
msconv="$build/src/msconv"
avdtool="$build/tools/avdtool/avdtool"
package="$demo/out/DAR297.AVD"

rm -rf "$demo"
mkdir -p "$demo/out" "$demo/png"

echo "== The sample game"
"$generator" "$demo/game" "$demo/DATA"

echo
echo "== Converting"
"$msconv" --no-wait --output "$demo/out" --data "$demo/DATA" "$demo/game"

echo
echo "== The same game read from a CD image (never unpacked): the same package"
"$generator" --archive iso --from "$demo/game" "$demo/game.iso"
mkdir -p "$demo/out-iso"
"$msconv" --no-wait --quiet --output "$demo/out-iso" --data "$demo/DATA" "$demo/game.iso" >/dev/null
cmp "$package" "$demo/out-iso/DAR297.AVD" && echo "$demo/game.iso gives $package byte for byte"

echo
echo "== The package"
"$avdtool" list "$package"
"$avdtool" verify "$package"

echo
echo "== SEEN001.TXT (MAIN.SIO) as instructions"
"$avdtool" seen "$package" SEEN001.TXT

echo
echo "== Pictures exported as PNG"
for entry in BG01 EV01 TITLE CIP_MAP AIN_F02 AIN_B031 YUI_03; do
    "$avdtool" png "$package" "$entry.PDT" "$demo/png/$entry.png"
    echo "$demo/png/$entry.png"
done
echo
echo "== Names the scenarios use and the package lacks (the sample lacks two on purpose)"
"$avdtool" check "$package" || true

echo
echo "== The report page"
"$avdtool" report "$package" "$demo/report"
echo
echo "Package: $package"
