#!/usr/bin/env bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# Times our format writers against ImageMagick's `convert` on the same pages.
#
#   bench/compare-imagemagick.sh [build-folder]     (default: build-release)
#
# The build folder must hold a Release build of bench/imageconv-bench:
#   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release
#   ninja -C build-release imageconv-bench
#
# The benchmark encodes its A4 300 dpi text-like and photo-like pages with
# every writer and saves the two pages as BMP files; `convert` then writes
# the same BMP files in each format with matching settings. Both sides are
# measured in processor time (user + system), which other work on the
# machine disturbs far less than wall time. Our figure is the encode alone
# (the page is already in memory); ImageMagick's is the best of three runs
# of `convert page.bmp <options> out.<ext>` minus the best of three runs of
# `convert page.bmp null:` (start-up and reading the BMP), so both sides
# count encoding and writing the file only. ImageMagick's GIF
# time includes its own colour quantisation; ours starts from the page the
# pipeline already reduced to 256 colours. ImageMagick cannot write EMF or
# WMF, so those rows have no comparison.
#
# ImageMagick is needed by this script only, not by the program or its
# tests: when `convert` is missing the script explains that and installs the
# Debian package `imagemagick` (with sudo when not run as root).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-release}
bench=$build/bench/imageconv-bench

if [ ! -x "$bench" ]; then
    echo "No benchmark at $bench." >&2
    echo "Build it first:" >&2
    echo "  cmake -S $here -B $build -G Ninja -DCMAKE_BUILD_TYPE=Release" >&2
    echo "  ninja -C $build imageconv-bench" >&2
    exit 2
fi

find_convert() {
    for c in convert-im6.q16 convert-im6 convert; do
        if command -v "$c" > /dev/null 2>&1; then
            command -v "$c"
            return 0
        fi
    done
    return 1
}

if ! im=$(find_convert); then
    echo "ImageMagick's convert is not installed. It is used only by this comparison;"
    echo "installing the Debian package imagemagick now."
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends imagemagick
    im=$(find_convert) || { echo "convert is still missing" >&2; exit 2; }
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/compare-im-XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "Running $bench (this takes a minute) ..."
VANTORIA_BENCH_PAGES=$work "$bench" 1 > "$work/bench.txt"
grep -q '^write ' "$work/bench.txt" || {
    echo "The benchmark printed no writer lines (built without imageconv_writers_bench.cpp?)" >&2
    exit 2
}

# Best of three runs of a command: its processor time (user + system) in
# milliseconds, steadier than wall time when other work shares the machine.
best_of_three() {
    local best="" ms out
    for _ in 1 2 3; do
        out=$( { TIMEFORMAT='%3U %3S'; time "$@" > /dev/null 2>&1; } 2>&1 ) || { echo "fail"; return; }
        ms=$(awk '{ printf "%.1f", ($1 + $2) * 1000 }' <<< "$out")
        if [ -z "$best" ] || awk -v m="$ms" -v b="$best" 'BEGIN { exit !(m < b) }'; then
            best=$ms
        fi
    done
    echo "$best"
}

# ImageMagick options matching each writer's settings.
options() {
    case $1 in
    JPEG) echo "-quality 75 -interlace Plane -sampling-factor 2x2,1x1,1x1 -density 300 -units PixelsPerInch JPEG:" ;;
    TIFF) echo "-compress JPEG -quality 75 -sampling-factor 1x1 -density 300 -units PixelsPerInch TIFF:" ;;
    TIFF-LZW) echo "-compress LZW -define tiff:predictor=2 -density 300 -units PixelsPerInch TIFF:" ;;
    PNG) echo "-density 300 -units PixelsPerCentimeter PNG24:" ;;
    GIF) echo "-colors 256 GIF:" ;;
    PCX) echo "-density 300 PCX:" ;;
    TGA) echo "-compress None TGA:" ;;
    JP2) echo "-define jp2:rate=1.333 -define jp2:number-resolutions=6 JP2:" ;;
    JPC) echo "-define jp2:rate=1.333 -define jp2:number-resolutions=6 J2K:" ;;
    RAS) echo "SUN:" ;;
    *) echo "" ;;
    esac
}

declare -A base
for page in text photo; do
    base[$page]=$(best_of_three "$im" "$work/$page.bmp" null:)
done

echo
echo "ImageMagick: $("$im" -version | head -1)"
echo "A4 at 300 dpi, 2480 x 3508; processor ms to encode and write one page; ratio = ours / ImageMagick"
echo "(ImageMagick start-up and BMP read subtracted: text ${base[text]} ms, photo ${base[photo]} ms)"
echo
printf "%-9s %-6s %10s %12s %7s\n" format page ours ImageMagick ratio
# write NAME text WALL ms cpu CPU ms   photo WALL ms cpu CPU ms
while read -r _ name _ _ _ _ text_ms _ _ _ _ _ photo_ms _; do
    for page in text photo; do
        ours=$text_ms
        [ "$page" = photo ] && ours=$photo_ms
        opts=$(options "$name")
        if [ -z "$opts" ]; then
            printf "%-9s %-6s %10s %12s %7s\n" "$name" "$page" "$ours" "n/a" "-"
            continue
        fi
        prefix=${opts##* }
        flags=""
        [[ $opts == *" "* ]] && flags=${opts% *}
        # shellcheck disable=SC2086
        total=$(best_of_three "$im" "$work/$page.bmp" $flags "${prefix}$work/out")
        if [ "$total" = fail ]; then
            printf "%-9s %-6s %10s %12s %7s\n" "$name" "$page" "$ours" "failed" "-"
            continue
        fi
        theirs=$(awk -v t="$total" -v b="${base[$page]}" 'BEGIN { v = t - b; if (v < 0.1) v = 0.1; printf "%.1f", v }')
        ratio=$(awk -v o="$ours" -v t="$theirs" 'BEGIN { printf "%.2f", o / t }')
        printf "%-9s %-6s %10s %12s %7s\n" "$name" "$page" "$ours" "$theirs" "$ratio"
    done
done < <(grep '^write ' "$work/bench.txt")
