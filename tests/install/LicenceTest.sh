#!/usr/bin/env bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# LicenceTest.sh notices|script SOURCE_DIR
#   notices  every file git tracks that is a source carries the licence
#            notice (scripts/licence-headers.sh --check), and COPYING is the
#            licence's text as Debian ships it
#   script   the script, run twice over a scratch copy of the tracked files,
#            knows every kind of file, only adds the notice (in one place per
#            file, the first time), keeps permissions, and leaves the files
#            that are no source byte for byte as they were
# Both need a git checkout; elsewhere they are skipped (exit status 77).
set -euo pipefail
MODE=$1 SOURCE_DIR=$2
HEADERS=$SOURCE_DIR/scripts/licence-headers.sh

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

git -C "$SOURCE_DIR" rev-parse --is-inside-work-tree > /dev/null 2>&1 ||
    { echo "not a git checkout: skipped"; exit 77; }
mapfile -d '' tracked < <(git -C "$SOURCE_DIR" ls-files -z)

notices() {
    "$HEADERS" --check || fail "tracked sources lack the licence notice (run $HEADERS)"
    if perl -MSoftware::License::AGPL_3 -e 1 2> /dev/null; then
        cmp -s "$SOURCE_DIR/COPYING" <(perl -MSoftware::License::AGPL_3 \
            -e 'print Software::License::AGPL_3->new({holder => "Quorvane"})->license') ||
            fail "COPYING is not the text of Software::License::AGPL_3"
    fi
    echo "every tracked source carries the licence notice"
}

script() {
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/vantoria-licence.XXXXXX")
    trap 'rm -rf "$scratch"' EXIT
    local copy=$scratch/tree before=$scratch/before
    mkdir "$copy"
    (cd "$SOURCE_DIR" && tar -cf - --ignore-failed-read "${tracked[@]}" 2> /dev/null) |
        tar -xf - -C "$copy"
    cp -a "$copy" "$before"

    (cd "$copy" && "$HEADERS" "${tracked[@]}") > "$scratch/run.txt" 2>&1 ||
        { cat "$scratch/run.txt"; fail "the script failed over the tracked files"; }
    diff -r "$before" "$copy" > "$scratch/diff.txt" || true
    # No file that is no source changed.
    grep -E '^diff -r ' "$scratch/diff.txt" | sed "s|.* $copy/||" |
        grep -E '^(COPYING|packaging/copyright|packaging/changelog|tests/fuzz/seeds/)|\.(png|svg|md)$' &&
        fail "the files above are no source, yet the script changed them"
    # Each changed file got one hunk of added lines: the notice and, after a
    # line comment, a blank line.
    awk -v copy="$copy/" '
        /^diff -r / { if (file != "" && hunks != 1) bad = bad " " file
                      file = substr($NF, length(copy) + 1); hunks = 0; next }
        /^[0-9]+a[0-9]+,[0-9]+$/ { hunks++; next }
        /^> / { next }
        { hunks = 99 }
        END { if (file != "" && hunks != 1) bad = bad " " file
              if (bad != "") { print "not one added notice:" bad; exit 1 } }
    ' "$scratch/diff.txt" || fail "the script did more than add a notice"
    [ "$(cd "$before" && find . -type f -printf '%m %p\n' | sort)" = \
      "$(cd "$copy" && find . -type f -printf '%m %p\n' | sort)" ] || fail "files lost their permissions"
    (cd "$copy" && "$HEADERS" --check "${tracked[@]}") ||
        fail "after the script has run, --check still finds files without the notice"

    rm -rf "$before"
    cp -a "$copy" "$before"
    (cd "$copy" && "$HEADERS" "${tracked[@]}") > /dev/null || fail "the second run failed"
    diff -r "$before" "$copy" > /dev/null || fail "a second run changed files again"
    echo "the script added the notice to $(grep -c '^diff -r ' "$scratch/diff.txt") files, once"
}

case $MODE in
    notices) notices ;;
    script) script ;;
    *) fail "unknown mode $MODE" ;;
esac
