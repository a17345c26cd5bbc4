#!/usr/bin/env bash
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
    local copy=$scratch/tree
    mkdir "$copy" "$scratch/before"
    (cd "$SOURCE_DIR" && tar -cf - --ignore-failed-read "${tracked[@]}" 2> /dev/null) |
        tar -xf - -C "$copy"
    cp -a "$copy/." "$scratch/before"

    (cd "$copy" && "$HEADERS" "${tracked[@]}") > "$scratch/first.txt" ||
        { cat "$scratch/first.txt"; fail "the script failed over the tracked files"; }
    local changed=0 file
    for file in "${tracked[@]}"; do
        [ -f "$copy/$file" ] || continue
        cmp -s "$scratch/before/$file" "$copy/$file" && continue
        changed=$((changed + 1))
        case $file in
            COPYING | packaging/copyright* | packaging/changelog.in | tests/fuzz/seeds/* | *.png | *.svg | *.md)
                fail "$file is no source, yet the script changed it" ;;
        esac
        # One hunk of added lines: the notice and, after a line comment, a blank line.
        diff "$scratch/before/$file" "$copy/$file" | grep -vE '^> ' > "$scratch/hunks.txt" || true
        grep -qxE '[0-9]+a[0-9]+,[0-9]+' "$scratch/hunks.txt" && [ "$(wc -l < "$scratch/hunks.txt")" = 1 ] ||
            { diff "$scratch/before/$file" "$copy/$file" || true; fail "$file: not one added notice"; }
        [ "$(stat -c %a "$scratch/before/$file")" = "$(stat -c %a "$copy/$file")" ] ||
            fail "$file lost its permissions"
    done
    (cd "$copy" && "$HEADERS" --check "${tracked[@]}") ||
        fail "after the script has run, --check still finds files without the notice"

    cp -a "$copy/." "$scratch/before"
    (cd "$copy" && "$HEADERS" "${tracked[@]}") > /dev/null || fail "the second run failed"
    diff -r "$scratch/before" "$copy" > /dev/null || fail "a second run changed files again"
    echo "the script added the notice to $changed files, once"
}

case $MODE in
    notices) notices ;;
    script) script ;;
    *) fail "unknown mode $MODE" ;;
esac
