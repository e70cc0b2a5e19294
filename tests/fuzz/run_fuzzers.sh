#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Runs the fuzzers of a build made with MSCONV_FUZZ, one after another, each
# on the seeds that make_fuzz_seeds generates plus the corpus it has grown in
# earlier runs (BUILD/fuzz/corpus/NAME).
#   run_fuzzers.sh BUILD SECONDS [RUNS]
# Each fuzzer runs for SECONDS, or for RUNS executions when RUNS is given.
# Exits non-zero at the first fuzzer that finds a fault; the input that
# shows it is kept in BUILD/fuzz/artifacts/NAME.
set -eu
build=$1
seconds=$2
runs=${3:-}
fuzzers=${FUZZERS:-translate picture sprite package names archive}
work=$build/fuzz

rm -rf "$work/seeds"
"$build/tests/fuzz/make_fuzz_seeds" "$work/seeds"

if [ -n "$runs" ]; then
    limit="-runs=$runs"
else
    limit="-max_total_time=$seconds"
fi
# Inputs longer than this only slow the translator's fuzzer down (every
# unknown byte prints a message): 1 KiB of SIO holds every command and the
# end of the data many times over. Output overflows are left to unit tests.
max_len_translate=1024

export ASAN_OPTIONS="${ASAN_OPTIONS:-malloc_context_size=0}"
status=0
for name in $fuzzers; do
    corpus=$work/corpus/$name
    artifacts=$work/artifacts/$name
    mkdir -p "$corpus" "$artifacts"
    max_len=""
    if [ "$name" = translate ]; then max_len="-max_len=$max_len_translate"; fi
    # libarchive asks for as much memory as an image's directory says it
    # holds (up to 4 GiB) before it reads it and finds it short: an
    # allocation that is never touched, so only the resident limit applies.
    if [ "$name" = archive ]; then max_len="-malloc_limit_mb=4200"; fi
    log=$work/$name.log
    echo "fuzz_$name: $limit"
    # shellcheck disable=SC2086
    if "$build/tests/fuzz/fuzz_$name" $limit $max_len -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$work/seeds/$name" \
        >"$log" 2>&1; then
        grep -aE '^#[0-9]+.*DONE|^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' \
            "$log" || true
    else
        echo "fuzz_$name FAILED; its log ($log) ends:"
        tail -n 40 "$log"
        status=1
        break
    fi
done
exit $status
