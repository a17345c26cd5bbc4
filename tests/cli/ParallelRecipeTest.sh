#!/bin/bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# The README's recipe for spreading a batch over several machines, run as
# written with GNU parallel on this machine alone: the host list becomes ":"
# (this machine), the chunks hold 2 names instead of 200 so that the batch
# takes several jobs, and /data is a scratch folder.
#   ParallelRecipeTest.sh README VANTORIA_CLI_FOLDER
set -uo pipefail
readme=$1 bin=$(cd "$2" && pwd)

fail() {
    echo "FAIL: $*"
    exit 1
}
command -v parallel >/dev/null || fail "GNU parallel is not installed"
command -v jq >/dev/null || fail "jq is not installed"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The fenced block after the recipe's marker.
recipe=$(awk '/^<!-- recipe: parallel/ { on = 1; next }
              on && /^```/ { if (++fence == 2) exit; next }
              fence == 1 { print }' "$readme")
[ -n "$recipe" ] || fail "no parallel recipe in $readme"
grep -q -- '--sshlogin 8/alpha,8/beta,:' <<<"$recipe" || fail "the recipe's host list changed"
script=$(sed -e "s|/data|$work/data|g" -e 's|--sshlogin 8/alpha,8/beta,:|--sshlogin :|' \
    -e 's|-N 200|-N 2|' <<<"$recipe")

# Five inputs, one with a blank in its name and one the interpreter refuses.
mkdir -p "$work/data/in/sub" "$work/home" "$work/tmp"
page='%%!PS\n/Helvetica findfont 24 scalefont setfont 72 700 moveto (Page) show showpage\n'
for name in a.ps "b c.ps" sub/d.ps sub/e.ps; do
    printf "$page$page" >"$work/data/in/$name"
done
printf '%%!PS\nnosuchoperator\n' >"$work/data/in/bad.ps"

out=$(cd "$work" && HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    TMPDIR="$work/tmp" PATH="$bin:$PATH" bash -c "$script" 2>"$work/stderr")
echo "$out"

report="$work/data/report.jsonl"
[ "$(ls "$work/data/reports" | wc -l)" -eq 3 ] || fail "not three jobs: $(ls "$work/data/reports") $(cat "$work/stderr")"
jq -e . "$report" >/dev/null || fail "the report is not JSON lines"
[ "$(jq -s length "$report")" -eq 5 ] || fail "not one entry per input"
[ "$(jq -s '[.[] | select(.status == "Succeed")] | length' "$report")" -eq 4 ] ||
    fail "not four successes: $(cat "$report")"
# The recipe's last step lists the failure with its reason.
[ "$out" = "$work/data/in/bad.ps: $(jq -r 'select(.status == "Failed") | .reason' "$report")" ] ||
    fail "the failure listing is '$out'"
grep -q '^interpreter error' <<<"$(jq -r 'select(.status == "Failed") | .reason' "$report")" ||
    fail "the failure has no reason"
# Every output named in the report is a two-page PDF.
jq -r '.outputs[]' "$report" | while read -r pdf; do
    pages=$(pdfinfo "$pdf" 2>/dev/null | sed -n 's/^Pages: *//p')
    [ "$pages" = 2 ] || fail "$pdf has '$pages' pages"
done || exit 1
[ "$(ls "$work/data/out" | wc -l)" -eq 4 ] || fail "outputs: $(ls "$work/data/out")"
[ -z "$(ls -A "$work/tmp")" ] || fail "temporary files left: $(ls -A "$work/tmp")"
echo "PASS: 5 inputs in 3 jobs, 4 PDFs, 1 failure with its reason"
