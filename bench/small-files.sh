#!/usr/bin/env bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# Many small files: vantoria-cli --jobs 2 against the interpreter's own
# command run by `parallel -j2`, and against an older build of this program.
#
#   bench/small-files.sh [BIN_DIR [OLD_BIN_DIR]]
#   KEEP=DIR bench/small-files.sh ...   the inputs stay in DIR afterwards
#
# BIN_DIR defaults to build/bin of a Release build. OLD_BIN_DIR, when given,
# is the bin folder of another build (for instance main's, built in a folder
# of its own) run in the same way, so both rates come from one sitting.
# With KEEP the work folder is DIR (made when missing) and is left in place,
# with the inputs and their list (DIR/list.txt), so that each command can be
# timed again on its own; the commands are printed as they are run.
# FILES (default 1000) one-page PostScript files are generated, then each
# kind is converted by every command in turn:
#   pdf   vantoria-cli --kind pdf --jobs 2           vs  parallel -j2 gs -sDEVICE=pdfwrite
#   png   vantoria-cli --format png, 72 dpi, --jobs 2 vs  parallel -j2 gs -sDEVICE=png16m -r72
# Printed per kind: files per second of each command and the ratios, the
# peak resident size (GNU time's %M: vantoria-cli or the largest process it
# waited for), and the proportional set size of vantoria-cli with all its
# helper processes, sampled while the first and the last hundred files were
# written, with the change from the first to the last (flat: within 10%).
# Nothing outside a temporary folder (or KEEP) is written.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${1:-$here/build/bin}"
old="${2:-}"
files="${FILES:-1000}"

for tool in "$bin/vantoria-cli" gs parallel /usr/bin/time awk python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "missing: $tool" >&2; exit 1; }
done
if [[ -n "$old" && ! -x "$old/vantoria-cli" ]]; then
    echo "missing: $old/vantoria-cli" >&2
    exit 1
fi

if [[ -n "${KEEP:-}" ]]; then
    mkdir -p "$KEEP"
    work="$(cd "$KEEP" && pwd)"
    rm -rf "$work/in" "$work/out" "$work/tmp"
else
    work="$(mktemp -d "${TMPDIR:-/tmp}/vantoria-small-XXXXXX")"
    trap 'rm -rf "$work"' EXIT
fi
export TMPDIR="$work/tmp"
mkdir -p "$TMPDIR" "$work/in"
: > "$work/Profile.ini"

# One page each: a heading, a few lines of text and a box, different in every file.
for ((k = 1; k <= files; k++)); do
    cat > "$work/in/letter$k.ps" <<EOF
%!PS-Adobe-3.0
%%Pages: 1
%%Page: 1 1
/Helvetica-Bold findfont 20 scalefont setfont 72 720 moveto (Letter $k) show
/Times-Roman findfont 11 scalefont setfont
72 690 moveto (Dear customer $k, your order $((k * 7919 % 100000)) has been sent.) show
72 674 moveto (Thank you for your business; this is page one of one.) show
0.$((k % 10)) 0.4 0.6 setrgbcolor 72 500 $((100 + k % 300)) 80 rectfill
showpage
%%EOF
EOF
done
ls "$work/in"/*.ps > "$work/list.txt"

now() { date +%s.%N; }

# sample PID OUTDIR: the largest proportional set size (KiB) of process PID
# and all its descendants while at most 100 outputs existed, and while the
# last 100 were written; "first-KiB last-KiB". Read from /proc every 20 ms,
# so each hundred gets enough samples for its peak, at little cost.
sample() {
    python3 - "$1" "$2" "$files" <<'PY'
import os, sys, time
root, out, files = int(sys.argv[1]), sys.argv[2], int(sys.argv[3])

def tree(root):
    found, todo = [], [root]
    while todo:
        p = todo.pop()
        found.append(p)
        try:
            for t in os.listdir("/proc/%d/task" % p):
                with open("/proc/%d/task/%s/children" % (p, t)) as f:
                    todo.extend(int(c) for c in f.read().split())
        except (OSError, ValueError):
            pass
    return found

def pss(pid):
    try:
        with open("/proc/%d/smaps_rollup" % pid) as f:
            for line in f:
                if line.startswith("Pss:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0

def outputs():
    try:
        return sum(1 for e in os.scandir(out) if e.is_file(follow_symlinks=False))
    except OSError:
        return 0

first = last = 0
while os.path.exists("/proc/%d" % root):
    n = outputs()
    p = sum(pss(q) for q in tree(root))
    if n <= 100:
        first = max(first, p)
    if n >= files - 100:
        last = max(last, p)
    time.sleep(0.02)
print(first, last)
PY
}

# timed NAME CMD...: runs CMD into a fresh out folder; sets SECONDS_TAKEN,
# PEAK_KIB, FIRST_KIB and LAST_KIB.
timed() {
    local name=$1
    shift
    rm -rf "$work/out" && mkdir -p "$work/out"
    [[ -z "${KEEP:-}" ]] || echo "$name: TMPDIR=$TMPDIR $*" >&2
    local t0 t1
    t0=$(now)
    /usr/bin/time -o "$work/time.txt" -f '%M' "$@" >/dev/null 2>"$work/$name.err" &
    local pid=$!
    # GNU time's child is the command itself.
    local child=""
    while [[ -z "$child" ]] && kill -0 "$pid" 2>/dev/null; do
        child=$( (ps -o pid= --ppid "$pid" || true) | head -1 | tr -d ' ')
        [[ -n "$child" ]] || sleep 0.05
    done
    sample "${child:-$pid}" "$work/out" > "$work/sample.txt" &
    local sampler=$!
    wait "$pid" || { echo "failed: $name (see below)" >&2; tail -5 "$work/$name.err" >&2; exit 1; }
    t1=$(now)
    wait "$sampler" || true
    local made
    made=$(find "$work/out" -maxdepth 1 -type f | wc -l)
    if ((made != files)); then
        echo "$name: $made outputs for $files files" >&2
        exit 1
    fi
    SECONDS_TAKEN=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')
    PEAK_KIB=$(tail -1 "$work/time.txt")
    read -r FIRST_KIB LAST_KIB < "$work/sample.txt"
}

# growth FIRST LAST: the change in per cent and whether it is within 10%.
growth() {
    awk -v a="$1" -v b="$2" 'BEGIN {
        if (a <= 0) { print "n/a"; exit }
        g = (b - a) * 100 / a
        printf "%+.1f%%, %s", g, (g <= 10 && g >= -10) ? "flat" : "NOT flat" }'
}

rate() { awk -v n="$files" -v s="$1" 'BEGIN { printf "%.1f", n / s }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.0f", k / 1024 }'; }

cli_args() { # BIN KIND
    local args=("$1/vantoria-cli" --profile "$work/Profile.ini" --output "$work/out" --overwrite -q
        --jobs 2 --files-from "$work/list.txt")
    if [[ $2 == pdf ]]; then
        args+=(--kind pdf)
    else
        args+=(--kind image --format png --set Img.xdpi=72 --set Img.ydpi=72)
    fi
    printf '%s\n' "${args[@]}"
}

gs="gs -q -dNOPAUSE -dBATCH -dSAFER"
for kind in pdf png; do
    mapfile -t args < <(cli_args "$bin" "$kind")
    timed "cli-$kind" "${args[@]}"
    new=$(rate "$SECONDS_TAKEN")
    peak=$(mib "$PEAK_KIB")
    first=$(mib "$FIRST_KIB")
    last=$(mib "$LAST_KIB")
    flat=$(growth "$FIRST_KIB" "$LAST_KIB")

    if [[ $kind == pdf ]]; then
        timed "gs-$kind" parallel -j2 $gs -sDEVICE=pdfwrite "-sOutputFile=$work/out/{/.}.pdf" {} \
            :::: "$work/list.txt"
    else
        timed "gs-$kind" parallel -j2 $gs -sDEVICE=png16m -r72 "-sOutputFile=$work/out/{/.}.png" {} \
            :::: "$work/list.txt"
    fi
    ref=$(rate "$SECONDS_TAKEN")

    line="$kind: vantoria-cli --jobs 2 $new files/s, parallel -j2 gs $ref files/s (x$(ratio "$new" "$ref"))"
    if [[ -n "$old" ]]; then
        mapfile -t args < <(cli_args "$old" "$kind")
        timed "old-$kind" "${args[@]}"
        before=$(rate "$SECONDS_TAKEN")
        line+=", before $before files/s (x$(ratio "$new" "$before"), peak $(mib "$PEAK_KIB") MiB)"
    fi
    echo "$line"
    echo "     peak $peak MiB; all processes (PSS) ${first} MiB over the first 100 files, ${last} MiB over the last 100 ($flat)"
done
echo "($files one-page files per kind, each command once, in turns; files/s = files / wall time)"
