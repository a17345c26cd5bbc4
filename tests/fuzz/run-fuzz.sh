#!/bin/sh
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# Runs every fuzz target for SECONDS seconds from its seed inputs.
#   tests/fuzz/run-fuzz.sh BUILD_DIR SECONDS
# New inputs the fuzzer finds go to BUILD_DIR/corpus/<target>/ (the seeds in
# tests/fuzz/seeds/ are only read); a crashing input is saved as
# BUILD_DIR/artifacts/<target>/crash-* and fails the run. Prints the number
# of executions of each target.
set -eu
build=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
status=0
for target in bmp ini cli; do
    corpus="$build/corpus/$target"
    artifacts="$build/artifacts/$target"
    mkdir -p "$corpus" "$artifacts"
    log="$build/fuzz_$target.log"
    if ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
       UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
       "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 \
           -max_len=4096 -print_final_stats=1 -artifact_prefix="$artifacts/" \
           "$corpus" "$here/seeds/$target" > "$log" 2>&1; then
        result=ok
    else
        result=FAILED
        status=1
        tail -n 40 "$log"
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    echo "fuzz_$target: ${runs:-?} executions in ${seconds}s, $result (log: $log)"
done
exit $status
