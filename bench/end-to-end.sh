#!/usr/bin/env bash
# End-to-end timings: vantoria-cli against the interpreter alone doing the
# same work, and two jobs against one.
#
#   bench/end-to-end.sh [BIN_DIR]      (default: build/bin of a Release build)
#
# Generates a 40-page PostScript document (text and colour graphics on every
# page), then times, each pair on the same input:
#   pdf    vantoria-cli --kind pdf           vs  gs -sDEVICE=pdfwrite
#   image  vantoria-cli --kind image, JPEG,  vs  gs -sDEVICE=jpeg -r300
#          300 dpi
#   text   vantoria-cli --kind text          vs  gs -sDEVICE=pdfwrite + pdftotext
#   jobs   vantoria-cli --jobs 2 vs --jobs 1 on four copies of the document
#          (PDF and JPEG at 150 dpi)
# Each figure is the best of REPEAT runs (default 1). Nothing outside a
# temporary folder is written; the settings file used is an empty one there.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${1:-$here/build/bin}"
cli="$bin/vantoria-cli"
repeat="${REPEAT:-1}"
pages=40

for tool in "$cli" gs pdftotext awk; do
    command -v "$tool" >/dev/null 2>&1 || { echo "missing: $tool" >&2; exit 1; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/vantoria-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
export TMPDIR="$work/tmp"
mkdir -p "$TMPDIR" "$work/in"
: > "$work/Profile.ini"

# The document: a heading, body text and colour graphics on each page.
{
    echo "%!PS-Adobe-3.0"
    echo "%%Pages: $pages"
    for ((k = 1; k <= pages; k++)); do
        echo "%%Page: $k $k"
        echo "/Helvetica-Bold findfont 24 scalefont setfont 0 0 0 setrgbcolor"
        echo "72 720 moveto (Chapter $k) show"
        echo "/Times-Roman findfont 11 scalefont setfont"
        for ((l = 0; l < 30; l++)); do
            echo "72 $((690 - l * 14)) moveto (Line $l of page $k: the quick brown fox jumps over the lazy dog 0123456789.) show"
        done
        for ((b = 0; b < 6; b++)); do
            echo "$((b * 40)) 255 div 0.3 $((255 - b * 40)) 255 div setrgbcolor"
            echo "$((72 + b * 75)) 72 60 $((40 + (b * 13 + k * 7) % 90)) rectfill"
        done
        echo "newpath 450 200 60 0 360 arc 0.9 0.6 0.1 setrgbcolor fill"
        echo "showpage"
    done
    echo "%%EOF"
} > "$work/in/doc.ps"
for c in 1 2 3 4; do cp "$work/in/doc.ps" "$work/in/copy$c.ps"; done

now() { date +%s.%N; }

# best_of CMD...: the best wall time of $repeat runs, in seconds.
best_of() {
    local best=""
    for ((r = 0; r < repeat; r++)); do
        rm -rf "$work/out" && mkdir -p "$work/out"
        local t0 t1
        t0=$(now)
        "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
        t1=$(now)
        local t
        t=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')
        if [[ -z "$best" ]] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
    done
    printf '%.2f' "$best"
}

vcli() { "$cli" --profile "$work/Profile.ini" --output "$work/out" --overwrite -q "$@"; }
gs_pdf() { gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -sOutputFile="$work/out/doc.pdf" "$work/in/doc.ps"; }
gs_jpeg() { gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=jpeg -r300 -sOutputFile="$work/out/doc_%03d.jpg" "$work/in/doc.ps"; }
gs_text() { gs_pdf && pdftotext -layout "$work/out/doc.pdf" "$work/out/doc.txt"; }

row() { # name a-label a-seconds b-label b-seconds
    printf '%-7s %-34s %8s s   %-30s %8s s   %6.2f\n' "$1" "$2" "$3" "$4" "$5" "$(awk -v a="$3" -v b="$5" 'BEGIN { print a / b }')"
}

printf '%-7s %-34s %10s   %-30s %10s   %6s\n' "task" "vantoria-cli" "" "reference" "" "ratio"
row pdf   "--kind pdf"                "$(best_of vcli --kind pdf "$work/in/doc.ps")" \
          "gs pdfwrite"               "$(best_of gs_pdf)"
row image "--kind image jpg 300 dpi"  "$(best_of vcli --kind image --format jpg --set Img.xdpi=300 --set Img.ydpi=300 "$work/in/doc.ps")" \
          "gs jpeg -r300"             "$(best_of gs_jpeg)"
row text  "--kind text"               "$(best_of vcli --kind text "$work/in/doc.ps")" \
          "gs pdfwrite + pdftotext"   "$(best_of gs_text)"
copies=("$work"/in/copy*.ps)
row jobs  "pdf x4 --jobs 2"           "$(best_of vcli --kind pdf --jobs 2 "${copies[@]}")" \
          "pdf x4 --jobs 1"           "$(best_of vcli --kind pdf --jobs 1 "${copies[@]}")"
row jobs  "jpg 150 dpi x4 --jobs 2"   "$(best_of vcli --kind image --format jpg --set Img.xdpi=150 --set Img.ydpi=150 --jobs 2 "${copies[@]}")" \
          "jpg 150 dpi x4 --jobs 1"   "$(best_of vcli --kind image --format jpg --set Img.xdpi=150 --set Img.ydpi=150 --jobs 1 "${copies[@]}")"
echo "($pages pages; best of $repeat; ratio = vantoria-cli time / reference time)"
