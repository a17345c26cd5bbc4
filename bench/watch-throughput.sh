#!/usr/bin/env bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# Throughput of vantoria-cli --watch against a plain vantoria-cli run over
# the same files: what watching costs per file.
#
#   bench/watch-throughput.sh [BIN_DIR]   (default: build/bin of a Release build)
#
# Generates FILES (default 200) one-page PostScript files, then times
#   plain  vantoria-cli --kind KIND --jobs JOBS --output DIR FILE...
#   watch  vantoria-cli --watch IN --kind KIND --jobs JOBS --output DIR, from
#          the moment all the files are moved into IN at once until the last
#          one is in IN/done/ (the watch is started and watching beforehand)
# and prints both, files per second, and the watch's overhead per file.
# KIND (default pdf), JOBS (default 2) and REPEAT (default 2: the best of
# two rounds, plain and watch taking turns) come from the environment. Nothing
# outside a temporary folder is written; the settings file is an empty one.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${1:-$here/build/bin}"
cli="$bin/vantoria-cli"
files="${FILES:-200}"
kind="${KIND:-pdf}"
jobs="${JOBS:-2}"
repeat="${REPEAT:-2}"

for tool in "$cli" awk; do
    command -v "$tool" >/dev/null 2>&1 || { echo "missing: $tool" >&2; exit 1; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/vantoria-bench-XXXXXX")"
watcher=""
cleanup() {
    [ -n "$watcher" ] && kill "$watcher" 2>/dev/null && wait "$watcher" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export TMPDIR="$work/tmp"
mkdir -p "$TMPDIR" "$work/plain-in" "$work/stage"
: >"$work/Profile.ini"

for ((k = 1; k <= files; k++)); do
    name=$(printf 'file-%04d.ps' "$k")
    {
        echo "%!PS-Adobe-3.0"
        echo "/Helvetica findfont 18 scalefont setfont 72 720 moveto (File $k) show"
        echo "0.2 0.4 0.8 setrgbcolor 72 400 200 $((50 + k % 100)) rectfill"
        echo "showpage"
    } >"$work/plain-in/$name"
done

now() { date +%s.%N; }

# plain: one vantoria-cli run over the files, its wall time.
plain_run() {
    rm -rf "$work/plain-out"
    local start
    start=$(now)
    "$cli" -q --profile "$work/Profile.ini" --kind "$kind" --jobs "$jobs" \
        --output "$work/plain-out" "$work/plain-in/"*.ps
    awk -v a="$start" -v b="$(now)" 'BEGIN { print b - a }'
}

# watch: a watch that is already watching gets every file moved in at once;
# its time runs from the move to the last source's arrival in done/ (the
# arrival times are the files' change times, so the light polling here costs
# the watch nothing it would not pay anyway).
watch_run() {
    rm -rf "$work/in" "$work/out" && mkdir -p "$work/in" "$work/out"
    cp "$work/plain-in/"*.ps "$work/stage/"
    "$cli" --profile "$work/Profile.ini" --watch "$work/in" --kind "$kind" --jobs "$jobs" \
        --output "$work/out" >"$work/watch.log" 2>"$work/watch.err" &
    watcher=$!
    until grep -qs watching "$work/watch.err"; do sleep 0.05; done
    local start
    start=$(now)
    mv "$work/stage/"*.ps "$work/in/"
    local lines=()
    until [ "${#lines[@]}" -ge "$files" ]; do
        sleep 0.2
        mapfile -t lines <"$work/watch.log"
    done
    kill -TERM "$watcher"
    wait "$watcher" || { echo "the watch ended with status $?" >&2; exit 1; }
    watcher=""
    local outputs
    outputs=$(find "$work/out" -type f | wc -l)
    [ "$outputs" -eq "$files" ] || { echo "the watch wrote $outputs outputs, not $files" >&2; exit 1; }
    local last
    last=$(stat -c '%.9Z' "$work/in/done/"*.ps | sort -n | tail -1)
    awk -v a="$start" -v b="$last" 'BEGIN { print b - a }'
}

# The best of REPEAT rounds each, the two kinds of run taking turns.
plain="" watch=""
for ((r = 0; r < repeat; r++)); do
    t=$(plain_run)
    plain=$(awk -v a="$plain" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
    t=$(watch_run)
    watch=$(awk -v a="$watch" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
done

awk -v n="$files" -v p="$plain" -v w="$watch" -v kind="$kind" -v jobs="$jobs" 'BEGIN {
    printf "%d one-page files, --kind %s, --jobs %d\n", n, kind, jobs
    printf "  plain vantoria-cli   %7.2f s   %6.1f files/s\n", p, n / p
    printf "  vantoria-cli --watch %7.2f s   %6.1f files/s\n", w, n / w
    printf "  watch overhead       %+7.1f ms per file (%+.1f%%)\n", (w - p) * 1000 / n, (w - p) * 100 / p
}'
