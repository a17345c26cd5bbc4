#!/usr/bin/env bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# End-to-end timings: vantoria-cli against the interpreter alone doing the
# same work, and two jobs against one.
#
#   bench/end-to-end.sh [BIN_DIR [OLD_BIN_DIR]]   (default: build/bin of a Release build)
#   TASKS="png bmp" bench/end-to-end.sh  only the rows of those tasks
#   KEEP=DIR bench/end-to-end.sh ...     the document and every command (as a
#                                        script in DIR/cmd) stay in DIR
#
# With OLD_BIN_DIR, the bin folder of another build, every vantoria-cli row
# is run against that build's vantoria-cli doing the same (before / after in
# turns) instead of against the interpreter alone.
#
# Generates a 40-page PostScript document (text and colour graphics on every
# page), then times, each pair on the same input:
#   pdf    vantoria-cli --kind pdf           vs  gs -sDEVICE=pdfwrite
#   jpeg   vantoria-cli --format jpg         vs  gs -sDEVICE=jpeg
#   jpeg   vantoria-cli --format jpg         vs  gs -sDEVICE=jpeg, then
#          (progressive, the default)            jpegtran -progressive -optimize
#                                                on every page
#   png    vantoria-cli --format png         vs  gs -sDEVICE=png16m
#   bmp    vantoria-cli --format bmp         vs  gs -sDEVICE=bmp16m
#          (the image rows at 300 dpi, the two commands in turns: A B A B ...;
#          each row twice: without smoothing, Img.antialias=0 against the
#          devices as they come, and with it, the program's default, against
#          the devices given -dTextAlphaBits=4 -dGraphicsAlphaBits=4)
#   text   vantoria-cli --kind text          vs  gs -sDEVICE=pdfwrite + pdftotext
#   jobs   vantoria-cli --jobs 2 vs --jobs 1 on four copies of the document
#          (PDF and JPEG at 150 dpi)
#   long   a long document (LONG_PAGES, default 87) at 300 dpi with smoothing
#          on both sides: PNG, BMP and progressive JPEG against the devices,
#          then vantoria-cli's CPU time over its wall time for each and its
#          CPU time against the reference's (user + system), then
#          pages per second with --threads 1, 2, ... up to this machine's
#          processors (each thread count renders with as many interpreters
#          sharing the document's pages)
# Each time is the best of REPEAT runs (default 3); "peak" is the largest
# resident size of vantoria-cli itself over its runs (GNU time's %M; the
# interpreter helper is a process of its own). Nothing outside a temporary
# folder (or KEEP) is written; the settings file used is an empty one there.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
# Absolute, so that the kept command scripts run from any folder.
bin="$(cd "${1:-$here/build/bin}" && pwd)"
cli="$bin/vantoria-cli"
old="${2:-}"
[[ -z "$old" ]] || old="$(cd "$old" && pwd)"
repeat="${REPEAT:-3}"
pages=40
long_pages="${LONG_PAGES:-87}"

for tool in "$cli" gs pdftotext jpegtran /usr/bin/time awk; do
    command -v "$tool" >/dev/null 2>&1 || { echo "missing: $tool" >&2; exit 1; }
done
if [[ -n "$old" && ! -x "$old/vantoria-cli" ]]; then
    echo "missing: $old/vantoria-cli" >&2
    exit 1
fi

if [[ -n "${KEEP:-}" ]]; then
    mkdir -p "$KEEP"
    work="$(cd "$KEEP" && pwd)"
    rm -rf "$work/in" "$work/out" "$work/tmp" "$work/cmd"
else
    work="$(mktemp -d "${TMPDIR:-/tmp}/vantoria-bench-XXXXXX")"
    trap 'rm -rf "$work"' EXIT
fi
export TMPDIR="$work/tmp"
mkdir -p "$TMPDIR" "$work/in"
: > "$work/Profile.ini"

# make_doc PAGES: the document: a heading, body text and colour graphics on
# each page.
make_doc() {
    local pages=$1 k l b
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
}
make_doc "$pages" > "$work/in/doc.ps"
make_doc "$long_pages" > "$work/in/long.ps"
for c in 1 2 3 4; do cp "$work/in/doc.ps" "$work/in/copy$c.ps"; done

now() { date +%s.%N; }

# run_timed CMD...: runs CMD into a fresh out folder; prints "seconds peak-KiB".
run_timed() {
    rm -rf "$work/out" && mkdir -p "$work/out"
    local t0 t1
    t0=$(now)
    /usr/bin/time -o "$work/time.txt" -f '%M' "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    t1=$(now)
    echo "$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }') $(tail -1 "$work/time.txt")"
}

# less A B: true when A < B.
less() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

# best_pair CMD-A CMD-B: A and B in turns, $repeat times each; prints
# "bestA bestB peakA-MiB".
best_pair() {
    local ba="" bb="" peak=0 r t m
    for ((r = 0; r < repeat; r++)); do
        read -r t m < <(run_timed "$1")
        if [[ -z "$ba" ]] || less "$t" "$ba"; then ba=$t; fi
        if ((m > peak)); then peak=$m; fi
        read -r t m < <(run_timed "$2")
        if [[ -z "$bb" ]] || less "$t" "$bb"; then bb=$t; fi
    done
    printf '%.2f %.2f %.0f\n' "$ba" "$bb" "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')"
}

# The commands, as programs GNU time can start (it runs no shell functions).
mkdir -p "$work/cmd"
script() { # name body
    printf '#!/usr/bin/env bash\nset -e\n%s\n' "$2" > "$work/cmd/$1"
    chmod +x "$work/cmd/$1"
}
doc="\"$work/in/doc.ps\""
long="\"$work/in/long.ps\""
copies="\"$work\"/in/copy1.ps \"$work\"/in/copy2.ps \"$work\"/in/copy3.ps \"$work\"/in/copy4.ps"
# cli_scripts PREFIX CLI: the vantoria-cli commands of a build, named PREFIX_...
cli_scripts() {
    local vcli="\"$2\" --profile \"$work/Profile.ini\" --output \"$work/out\" --overwrite -q"
    local aa cliaa f j
    for aa in "" _aa; do
        if [[ -z "$aa" ]]; then cliaa="--set Img.antialias=0"; else cliaa=""; fi
        for f in jpg png bmp; do
            script "$1_$f$aa" "exec $vcli --kind image --format $f --set Img.xdpi=300 --set Img.ydpi=300 $cliaa $doc"
        done
    done
    for f in jpg png bmp; do
        script "$1_long_$f" "exec $vcli --kind image --format $f --set Img.xdpi=300 --set Img.ydpi=300 $long"
    done
    script "$1_pdf" "exec $vcli --kind pdf $doc"
    script "$1_text" "exec $vcli --kind text $doc"
    for j in 1 2; do
        script "$1_pdf_jobs$j" "exec $vcli --kind pdf --jobs $j $copies"
        script "$1_jpg_jobs$j" "exec $vcli --kind image --format jpg --set Img.xdpi=150 --set Img.ydpi=150 --jobs $j $copies"
    done
}
cli_scripts cli "$cli"
[[ -z "$old" ]] || cli_scripts old "$old/vantoria-cli"
gs="gs -q -dNOPAUSE -dBATCH -dSAFER"
smooth="-dTextAlphaBits=4 -dGraphicsAlphaBits=4"
# Each image command twice: "" without smoothing, "_aa" with it.
for aa in "" _aa; do
    if [[ -z "$aa" ]]; then gsaa=""; else gsaa="$smooth"; fi
    script "gs_jpeg$aa" "exec $gs -sDEVICE=jpeg -r300 $gsaa -sOutputFile=\"$work/out/doc_%03d.jpg\" $doc"
    script "gs_png$aa" "exec $gs -sDEVICE=png16m -r300 $gsaa -sOutputFile=\"$work/out/doc_%03d.png\" $doc"
    script "gs_bmp$aa" "exec $gs -sDEVICE=bmp16m -r300 $gsaa -sOutputFile=\"$work/out/doc_%03d.bmp\" $doc"
    script "gs_jpegtran$aa" "$gs -sDEVICE=jpeg -r300 $gsaa -sOutputFile=\"$work/out/doc_%03d.jpg\" $doc
for f in \"$work\"/out/doc_*.jpg; do
    jpegtran -progressive -optimize -outfile \"\$f.p\" \"\$f\"
    mv \"\$f.p\" \"\$f\"
done"
done
script gs_long_png "exec $gs -sDEVICE=png16m -r300 $smooth -sOutputFile=\"$work/out/long_%03d.png\" $long"
script gs_long_bmp "exec $gs -sDEVICE=bmp16m -r300 $smooth -sOutputFile=\"$work/out/long_%03d.bmp\" $long"
script gs_long_jpegtran "$gs -sDEVICE=jpeg -r300 $smooth -sOutputFile=\"$work/out/long_%03d.jpg\" $long
for f in \"$work\"/out/long_*.jpg; do
    jpegtran -progressive -optimize -outfile \"\$f.p\" \"\$f\"
    mv \"\$f.p\" \"\$f\"
done"
script gs_pdf "exec $gs -sDEVICE=pdfwrite -sOutputFile=\"$work/out/doc.pdf\" $doc"
script gs_text "$gs -sDEVICE=pdfwrite -sOutputFile=\"$work/out/doc.pdf\" $doc
pdftotext -layout \"$work/out/doc.pdf\" \"$work/out/doc.txt\""

tasks=" ${TASKS:-pdf jpeg png bmp text jobs long} "
row() { # name a-label b-label cmd-a cmd-b
    [[ "$tasks" == *" $1 "* ]] || return 0
    local a b peak
    read -r a b peak < <(best_pair "$work/cmd/$4" "$work/cmd/$5")
    printf '%-5s %-24s %7s s   %-34s %7s s   %6.2f %7s MiB\n' "$1" "$2" "$a" "$3" "$b" \
        "$(awk -v a="$a" -v b="$b" 'BEGIN { print a / b }')" "$peak"
}

if [[ -n "$old" ]]; then
    # Every row of this build against the same row of the other, in turns.
    printf '%-5s %-24s %9s   %-34s %9s   %6s %11s\n' "task" "vantoria-cli (this build)" "" \
        "vantoria-cli (OLD_BIN_DIR)" "" "ratio" "peak"
    for r in "pdf --kind pdf:pdf" "jpeg --format jpg 300 dpi:jpg" "png --format png 300 dpi:png" \
        "bmp --format bmp 300 dpi:bmp" "jpeg jpg 300 dpi, smooth:jpg_aa" \
        "png png 300 dpi, smooth:png_aa" "bmp bmp 300 dpi, smooth:bmp_aa" \
        "text --kind text:text" "jobs pdf x4 --jobs 2:pdf_jobs2" \
        "jobs jpg 150 dpi x4 --jobs 2:jpg_jobs2"; do
        label=${r%:*}
        row "${label%% *}" "${label#* }" "the same, before" "cli_${r##*:}" "old_${r##*:}"
    done
    echo "($pages pages; best of $repeat, each pair in turns; ratio = this build's time / the"
    echo " other build's; peak = largest resident size of this build's vantoria-cli)"
    exit 0
fi
printf '%-5s %-24s %9s   %-34s %9s   %6s %11s\n' "task" "vantoria-cli" "" "reference" "" "ratio" "peak"
row pdf  "--kind pdf"              "gs pdfwrite"                       cli_pdf   gs_pdf
row jpeg "--format jpg 300 dpi"    "gs jpeg -r300"                     cli_jpg   gs_jpeg
row jpeg "--format jpg 300 dpi"    "gs jpeg -r300 + jpegtran -progr."  cli_jpg   gs_jpegtran
row png  "--format png 300 dpi"    "gs png16m -r300"                   cli_png   gs_png
row bmp  "--format bmp 300 dpi"    "gs bmp16m -r300"                   cli_bmp   gs_bmp
row jpeg "jpg 300 dpi, smooth"     "gs jpeg -r300 AA4"                 cli_jpg_aa gs_jpeg_aa
row jpeg "jpg 300 dpi, smooth"     "gs jpeg AA4 + jpegtran -progr."    cli_jpg_aa gs_jpegtran_aa
row png  "png 300 dpi, smooth"     "gs png16m -r300 AA4"               cli_png_aa gs_png_aa
row bmp  "bmp 300 dpi, smooth"     "gs bmp16m -r300 AA4"               cli_bmp_aa gs_bmp_aa
row text "--kind text"             "gs pdfwrite + pdftotext"           cli_text  gs_text
row jobs "pdf x4 --jobs 2"         "pdf x4 --jobs 1"                   cli_pdf_jobs2 cli_pdf_jobs1
row jobs "jpg 150 dpi x4 --jobs 2" "jpg 150 dpi x4 --jobs 1"           cli_jpg_jobs2 cli_jpg_jobs1
row long "long png 300, smooth"    "gs png16m -r300 AA4"               cli_long_png gs_long_png
row long "long bmp 300, smooth"    "gs bmp16m -r300 AA4"               cli_long_bmp gs_long_bmp
row long "long jpg 300, smooth"    "gs jpeg AA4 + jpegtran -progr."    cli_long_jpg gs_long_jpegtran
if [[ "$tasks" == *" long "* ]]; then
    # CPU over wall: how much of the machine one long row keeps busy; and
    # the CPU time (user + system) it takes against the reference's, which
    # on a busy machine says more than the wall times.
    for f in png bmp jpg; do
        case $f in png) ref=gs_long_png ;; bmp) ref=gs_long_bmp ;; jpg) ref=gs_long_jpegtran ;; esac
        rm -rf "$work/out" && mkdir -p "$work/out"
        /usr/bin/time -o "$work/time.txt" -f '%e %U %S' "$work/cmd/cli_long_$f" >/dev/null 2>&1
        read -r wall user sys < "$work/time.txt"
        rm -rf "$work/out" && mkdir -p "$work/out"
        /usr/bin/time -o "$work/time.txt" -f '%U %S' "$work/cmd/$ref" >/dev/null 2>&1
        read -r refuser refsys < "$work/time.txt"
        printf 'long  %-3s cpu / wall %5.2f   (wall %s s, user %s s, system %s s)   cpu / reference cpu %5.2f   (user %s s, system %s s)\n' \
            "$f" "$(awk -v w="$wall" -v u="$user" -v s="$sys" 'BEGIN { print (u + s) / w }')" \
            "$wall" "$user" "$sys" \
            "$(awk -v u="$user" -v s="$sys" -v a="$refuser" -v b="$refsys" 'BEGIN { print (u + s) / (a + b) }')" \
            "$refuser" "$refsys"
    done
    # Pages per second by thread count, best of $repeat.
    cores=$(nproc)
    for ((t = 1; t <= cores; t++)); do
        script "cli_long_png_t$t" "exec \"$cli\" --profile \"$work/Profile.ini\" --output \"$work/out\" --overwrite -q --kind image --format png --set Img.xdpi=300 --set Img.ydpi=300 --threads $t $long"
        best=""
        for ((r = 0; r < repeat; r++)); do
            read -r secs _ < <(run_timed "$work/cmd/cli_long_png_t$t")
            if [[ -z "$best" ]] || less "$secs" "$best"; then best=$secs; fi
        done
        printf 'long  png --threads %-3d %6.2f s   %6.1f pages/s\n' "$t" "$best" \
            "$(awk -v p="$long_pages" -v s="$best" 'BEGIN { print p / s }')"
    done
fi
echo "($pages pages, the long rows $long_pages; best of $repeat, each pair in turns; ratio ="
echo " vantoria-cli time / reference time; peak = largest resident size of vantoria-cli; the"
echo " other image rows run with"
echo " Img.antialias=0 against the device as it comes, the smooth ones with the default"
echo " Img.antialias=1 against the device given -dTextAlphaBits=4 -dGraphicsAlphaBits=4)"
