#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Times avdtool check and avdtool report on a large sample package (500
# pictures of 640 x 480 and 200 scenarios unless SAMPLE_ARGS says otherwise)
# and shows their peak memory beside the package's size: the report holds
# the package and one picture at a time. Then the same for two packages of
# one SEEN entry each (avdtool-bench-input): a 64 KiB entry whose 16-item
# menu sets 64 string slots on each way, joining into thousands of plain
# instructions, and an 8 MiB entry of `v0 = 0` instructions.
# Usage: tools/bench/report_bench.sh BUILD_DIR WORK_DIR [SAMPLE_ARGS...]
set -eu
build=$1
work=$2
shift 2
[ $# -gt 0 ] || set -- --pictures 500 --scenarios 200
avdtool=$build/tools/avdtool/avdtool

rm -rf "$work"
mkdir -p "$work/out"
"$build/tools/sample-game/sample-game" "$work/game" "$work/DATA" "$@" >/dev/null
"$build/src/msconv" --no-wait --quiet --output "$work/out" --data "$work/DATA" "$work/game" \
    >/dev/null
package=$work/out/DAR297.AVD
echo "package: $(wc -c <"$package") bytes, $("$avdtool" list "$package" | sed -n '1s/.*bytes, \([0-9]*\) entries.*/\1/p') entries ($*)"

# Elapsed seconds and peak resident memory of one command.
measure() {  # measure LABEL COMMAND...
    label=$1
    shift
    /usr/bin/time -f "$label: %e s, peak %M KiB" "$@" >"$work/$label.out" 2>"$work/$label.err" ||
        true
    tail -1 "$work/$label.err"
}
measure check "$avdtool" check "$package"
measure report "$avdtool" report "$package" "$work/report"
tail -1 "$work/check.out"
cat "$work/report.out"
echo "report folder: $(du -sk "$work/report" | cut -f1) KiB in $(ls "$work/report" | wc -l) files"

# The two SEEN entries: time and peak of check and report on each.
for shape in menu flat; do
    mkdir -p "$work/$shape"
    "$build/tools/bench/avdtool-bench-input" "$shape" "$work/$shape"
    echo "$shape: package of $(wc -c <"$work/$shape/DAR297.AVD") bytes, SEEN entry of $("$avdtool" list "$work/$shape/DAR297.AVD" | awk 'NR == 3 { print $4 }') bytes"
    measure "$shape-check" "$avdtool" check "$work/$shape/DAR297.AVD"
    measure "$shape-report" "$avdtool" report "$work/$shape/DAR297.AVD" "$work/$shape-report"
    echo "$shape report page: $(wc -c <"$work/$shape-report/index.html") bytes"
done

