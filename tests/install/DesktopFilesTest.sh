#!/usr/bin/env bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# DesktopFilesTest.sh SOURCE_DIR METAINFO CLI
# The desktop entry, the AppStream metainfo and the man pages pass their
# validators; the man page of vantoria-cli names every option of --help; the
# metainfo's screenshots are pictures of docs/.
SOURCE_DIR=$1 METAINFO=$2 CLI=$3 BINARY_DIR=$(dirname "$2")
. "$(dirname "$0")/common.sh"
packaging=$SOURCE_DIR/packaging

desktop-file-validate "$packaging/com.quorvane.vantoria.desktop" > "$SCRATCH/desktop.txt" 2>&1 ||
    true
[ ! -s "$SCRATCH/desktop.txt" ] || { cat "$SCRATCH/desktop.txt"; fail "desktop-file-validate"; }
grep -qx 'MimeType=application/postscript;image/x-eps;application/x-gzpostscript;' "$packaging/com.quorvane.vantoria.desktop" ||
    fail "the desktop entry does not offer itself for PostScript, EPS and compressed PostScript files"
grep -qx 'Exec=vantoria %F' "$packaging/com.quorvane.vantoria.desktop" ||
    fail "the desktop entry does not pass the files it is opened with"

appstreamcli validate --no-net --pedantic "$METAINFO" > "$SCRATCH/appstream.txt" 2>&1 ||
    { cat "$SCRATCH/appstream.txt"; fail "appstreamcli validate"; }
grep -q '^[EWIP]:' "$SCRATCH/appstream.txt" && { cat "$SCRATCH/appstream.txt"; fail "appstreamcli reports issues"; }
shots=$(grep -o '<image>[^<]*</image>' "$METAINFO" | sed 's|.*/\([^/<]*\)</image>|\1|')
[ -n "$shots" ] || fail "the metainfo shows no screenshot"
for shot in $shots; do
    [ -f "$SOURCE_DIR/docs/$shot" ] || fail "screenshot $shot is not in docs/"
done

for page in vantoria.1 vantoria-cli.1; do
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$packaging/$page" > "$SCRATCH/page.txt" \
        2> "$SCRATCH/warnings.txt" || fail "man cannot format $page"
    [ ! -s "$SCRATCH/warnings.txt" ] || { cat "$SCRATCH/warnings.txt"; fail "man --warnings on $page"; }
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES EXAMPLE; do
        grep -q "^$section" "$SCRATCH/page.txt" || fail "$page has no $section section"
    done
done

# Every option that --help lists, long and short, is in the man page.
LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$packaging/vantoria-cli.1" 2>/dev/null > "$SCRATCH/cli.txt"
options=$("$CLI" --help | grep -oE '(^|[ ,])--?[a-zA-Z0-9][a-zA-Z0-9-]*' | tr -d ' ,' | sort -u)
[ -n "$options" ] || fail "vantoria-cli --help lists no option"
for option in $options; do
    grep -qE -- "(^|[^a-zA-Z0-9-])$option([^a-zA-Z0-9-]|\$)" "$SCRATCH/cli.txt" ||
        fail "the man page of vantoria-cli does not describe $option"
done
echo "desktop entry, metainfo and man pages valid; $(echo "$options" | wc -w) options documented"
