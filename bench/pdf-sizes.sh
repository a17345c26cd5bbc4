#!/usr/bin/env bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# PDF sizes under the five quality presets ("Pdf" key "quality" 0-4), and
# with PDF/A-2b and fast web view, for one document set in the standard
# fonts with a photograph on every page.
#
#   bench/pdf-sizes.sh [BIN_DIR]      (default: build/bin of a Release build)
#
# Prints one line per choice: the key settings, the file's size in bytes and
# the resolution pdfimages reports for its first image. Nothing outside a
# temporary folder is written; the settings file used is an empty one there.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${1:-$here/build/bin}"
cli="$bin/vantoria-cli"
pages=10

for tool in "$cli" pdfimages awk; do
    command -v "$tool" >/dev/null 2>&1 || { echo "missing: $tool" >&2; exit 1; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/vantoria-sizes-XXXXXX")"
trap 'rm -rf "$work"' EXIT
export TMPDIR="$work/tmp"
mkdir -p "$TMPDIR" "$work/in" "$work/out"
: > "$work/Profile.ini"

# Text in Helvetica, Times and Courier, and a 600 x 600 pixel colour
# picture two inches wide (300 dpi) on each page: a smooth gradient with
# noise on it, which, like a photograph, no lossless filter shrinks much.
{
    echo "%!PS-Adobe-3.0"
    echo "%%Pages: $pages"
    echo "/row 1800 string def 1 srand"
    for ((k = 1; k <= pages; k++)); do
        echo "%%Page: $k $k"
        echo "/Helvetica-Bold findfont 24 scalefont setfont 72 720 moveto (Chapter $k) show"
        echo "/Times-Roman findfont 11 scalefont setfont"
        for ((l = 0; l < 20; l++)); do
            echo "72 $((690 - l * 14)) moveto (Line $l of page $k: the quick brown fox jumps over the lazy dog.) show"
        done
        echo "/Courier findfont 10 scalefont setfont 72 390 moveto (int main(void) { return $k; }) show"
        echo "gsave 72 200 translate 144 144 scale"
        echo "600 600 8 [600 0 0 -600 0 600]"
        echo "{ 0 1 1799 { row exch dup 10 idiv rand 31 and add $k 9 mul add 255 mod put } for row }"
        echo "false 3 colorimage grestore"
        echo "showpage"
    done
    echo "%%EOF"
} > "$work/in/doc.ps"

size() { # label settings...
    local label="$1"
    shift
    rm -f "$work/out/doc.pdf"
    "$cli" --profile "$work/Profile.ini" --output "$work/out" --overwrite -q --kind pdf "$@" \
        "$work/in/doc.ps"
    local bytes ppi
    bytes=$(stat -c %s "$work/out/doc.pdf")
    ppi=$(pdfimages -list "$work/out/doc.pdf" | awk 'NR == 3 { print $13 }')
    printf '%-34s %10d bytes   images at %s ppi\n' "$label" "$bytes" "$ppi"
}

for q in 0 1 2 3 4; do
    size "quality=$q" --set Pdf.quality=$q
done
size "quality=0 embedfonts=0" --set Pdf.embedfonts=0
size "quality=0 pdfa=2" --set Pdf.pdfa=2
size "quality=0 fastweb=1" --set Pdf.fastweb=1
