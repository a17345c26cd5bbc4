#!/usr/bin/env bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# Soak: vantoria-cli and its watched folder for MINUTES minutes with faults
# injected at random, every output checked by independent readers and every
# status checked against the disk.
#
#   bench/soak.sh [--seed S] [--only N] [--log FILE] [--max-runs N]
#                 [--stop-limit SECONDS] [--time-limit SECONDS]
#                 [--memory-limit MIB] [MINUTES] [BIN_DIR]
#
# MINUTES defaults to 2, BIN_DIR to build/bin (a Release build: `make build`).
# Not part of `make test`.
#
# Inputs are generated PostScript documents: one to twenty pages of several
# page sizes, text and fills; documents that fail on their first or a later
# page, that loop for ever, that are empty or not PostScript; the same file
# name in two folders (a good one and one that fails on its last page), a
# name that is not UTF-8 beside the name it reads as without its odd bytes,
# names near and past the 255-byte limit, a large page, documents that keep
# allocating memory (only with a memory limit), and a missing file, a named
# pipe and a folder given as inputs. Each document draws its own marker
# text at a page size of its own, so an output tells which input it came from.
#
# Runs are drawn at random (the seed makes them repeatable): vantoria-cli on
# one to five inputs (PDF, text or any of the twelve image formats, multi-page
# TIFF, folder per file, --jobs 1 or 2, --overwrite or --new-if-exists, into
# output folders shared by all runs, and four runs in ten first convert good
# documents of the same names there, so that existing outputs are at stake), or
# --watch on a folder that files are dropped into (directly, or through a
# hidden name renamed when done) and that is then stopped. Faults, zero to two
# a run, at random times: the interpreter helper (tessarin-run) killed; the
# output on a 24 MiB tmpfs that is full from the start or fills up during the
# run; a second vantoria-cli on the same inputs and outputs; SIGINT, SIGINT
# twice, SIGTERM, SIGHUP; standard output closed; an input removed or
# replaced; the output folder made read-only (a read-only bind mount). Every
# run (the watched folder's too) has --time-limit (default 8 s) and
# --memory-limit (default 1024 MiB); with --time-limit 0 a run holding a
# document that loops is stopped with SIGINT, and with --memory-limit 0 no
# document allocates for ever.
#
# Violations, each logged to FILE (default ./soak-violations.log) with the run,
# what was wrong, and how to replay the run (--seed S --only N redraws it; the
# outputs earlier runs left in the shared folders are not redrawn):
#  - a "Succeed" row whose outputs are missing, unreadable by the independent
#    readers (qpdf --check, pdfinfo and pdftotext; djpeg, tiffinfo -D,
#    opj_dump; PNG, BMP, GIF, PCX, TGA, Sun raster, WMF and EMF structure
#    read by bench/soak_readers.py) or not the complete conversion of its own
#    input (page count, pixel size, marker text);
#  - a file new or changed in the output folder that no "Succeed" row
#    listed (left behind, or an existing output replaced), an existing output
#    removed, an empty folder left, a temporary left there or in TMPDIR
#    (not a file made before the folder turned read-only: it can't be
#    removed; nor what is left after the soak had to kill the program);
#  - a row without exactly one report entry, one that does not end "Succeed",
#    "Failed" or "Aborted" ("Ready" only in a stopped run), a row with no
#    line on standard output, a failing input reported "Succeed", a valid
#    input failing in a run without faults, a reason that is a bare code or
#    hides a full disk, a document past a limit that does not fail, or fails
#    with another reason than its limit ("took longer than N s", "the
#    interpreter needed more than N MiB") in a run without faults;
#  - anything written, or a helper still running, after the program ended;
#    the program ended by a signal; SIGTERM, SIGHUP, a second SIGINT or a
#    closed standard output not ending it within --stop-limit seconds
#    (default 3), a first SIGINT not within 25 s;
#  - the watched folder losing a source, a failed source without its
#    ".reason", the watch ending with an error status.
# The last line printed is "N conversions, M faults, K violations"; the exit
# status is 1 when K > 0. The standard output and error and the report of each
# run with a violation are kept in FILE.runs/.
#
# Runs as root (the small file system and the read-only folders are mounts;
# without root those faults are left out). Everything else is in a temporary
# folder; mounts, processes and files are removed on exit, also on Ctrl+C.
# Only local files; no network.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
args=()
minutes=""
bin=""
log="$PWD/soak-violations.log"
while [ $# -gt 0 ]; do
    case $1 in
    --seed | --only | --max-runs | --stop-limit | --time-limit | --memory-limit)
        args+=("$1" "$2")
        shift 2
        ;;
    --log)
        log="$(realpath -m "$2")"
        shift 2
        ;;
    -h | --help)
        sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'
        exit 0
        ;;
    *)
        if [ -z "$minutes" ] && [[ $1 =~ ^[0-9]+([.][0-9]+)?$ ]]; then
            minutes=$1
        elif [ -z "$bin" ]; then
            bin=$1
        else
            echo "soak.sh: unexpected argument '$1'" >&2
            exit 2
        fi
        shift
        ;;
    esac
done
minutes="${minutes:-2}"
bin="$(realpath "${bin:-$here/build/bin}")"
cli="$bin/vantoria-cli"

missing=()
for tool in "$cli" python3 qpdf pdfinfo pdftotext djpeg tiffinfo opj_dump mount umount; do
    command -v "$tool" > /dev/null 2>&1 || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "soak.sh: missing ${missing[*]} (build with 'make build'; readers: scripts/install-deps.sh)" >&2
    exit 2
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/vantoria-soak-XXXXXX")"
driver=""
# shellcheck disable=SC2317  # called by the trap
cleanup() {
    trap - EXIT INT TERM HUP
    if [ -n "$driver" ] && kill -0 "$driver" 2> /dev/null; then
        kill -TERM "$driver" 2> /dev/null || true
        sleep 1
        kill -KILL "$driver" 2> /dev/null || true
    fi
    # The program's process groups the driver recorded, in case it could
    # not end them itself.
    if [ -f "$work/pids" ]; then
        while read -r pid; do
            if [ "$(cat "/proc/$pid/comm" 2> /dev/null)" = vantoria-cli ]; then
                kill -KILL -- "-$pid" 2> /dev/null || true
            fi
        done < "$work/pids"
    fi
    # Mounts under the work folder, deepest first.
    awk -v w="$work" '$2 == w || index($2, w "/") == 1 { print $2 }' /proc/mounts |
        sort -r | while read -r m; do umount -l "$m" 2> /dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# The driver runs in a mount namespace of its own when it can, so its mounts
# go with it whatever happens.
export PYTHONDONTWRITEBYTECODE=1 # no __pycache__ in the tree
ns=()
if [ "$(id -u)" -eq 0 ] && unshare --mount --propagation private true 2> /dev/null; then
    ns=(unshare --mount --propagation private)
fi
"${ns[@]}" python3 "$here/bench/soak.py" --cli "$cli" --work "$work" --minutes "$minutes" \
    --log "$log" "${args[@]}" &
driver=$!
status=0
wait "$driver" || status=$?
driver=""
exit "$status"
