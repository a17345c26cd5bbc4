#!/usr/bin/env bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# InstallTreeTest.sh BINARY_DIR SOURCE_DIR MODULEDIR
# Installs the build into a scratch prefix through DESTDIR, checks that the
# tree holds exactly the files of the install layout, moves the tree, and
# converts a file with the moved tree alone.
BINARY_DIR=$1 SOURCE_DIR=$2 MODULEDIR=$3
. "$(dirname "$0")/common.sh"

DESTDIR=$SCRATCH/dest cmake --install "$BINARY_DIR" --prefix /opt/vantoria > "$SCRATCH/install.log" ||
    { cat "$SCRATCH/install.log"; fail "cmake --install failed"; }
root=$SCRATCH/dest/opt/vantoria
[ -d "$root" ] || fail "DESTDIR was not honoured"

expected=$(sort <<LIST
bin/vantoria
bin/vantoria-cli
$MODULEDIR/lumbrel.so
$MODULEDIR/tessarin-run
$MODULEDIR/tessarin.so
lib/systemd/user/vantoria-watch@.service
share/applications/com.quorvane.vantoria.desktop
share/doc/vantoria/changelog.gz
share/doc/vantoria/copyright
share/icons/hicolor/128x128/apps/vantoria.png
share/icons/hicolor/256x256/apps/vantoria.png
share/icons/hicolor/48x48/apps/vantoria.png
share/icons/hicolor/scalable/apps/vantoria.svg
share/man/man1/vantoria-cli.1.gz
share/man/man1/vantoria.1.gz
share/metainfo/com.quorvane.vantoria.metainfo.xml
share/vantoria/help.html
share/vantoria/help_en.html
share/vantoria/vantoria_en.qm
share/vantoria/vantoria_zh.qm
LIST
)
actual=$(cd "$root" && find . ! -type d | sed 's|^\./||' | sort)
if [ "$expected" != "$actual" ]; then
    diff <(echo "$expected") <(echo "$actual") || true
    fail "the installed tree differs from the layout (< expected, > installed)"
fi
for f in bin/vantoria bin/vantoria-cli "$MODULEDIR/tessarin-run"; do
    [ -x "$root/$f" ] || fail "$f is not executable"
done
for size in 48 128 256; do
    file "$root/share/icons/hicolor/${size}x${size}/apps/vantoria.png" |
        grep -q "PNG image data, $size x $size" || fail "the $size px icon is not $size x $size"
done
# The copyright file: machine-readable, every file under the AGPL, and the
# licence's full text (its License paragraph unindented) is COPYING.
copyright=$root/share/doc/vantoria/copyright
head -1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "the copyright file is not in the machine-readable format"
grep -A2 -x 'Files: \*' "$copyright" | grep -qx 'License: AGPL-3.0-or-later' ||
    fail "the copyright file does not put every file under AGPL-3.0-or-later"
licence=$(awk '/^License: AGPL-3.0-or-later$/ { n++; next } n == 2' "$copyright" | sed 's/^ //; s/^\.$//')
[ "$(tail -n "$(wc -l < "$SOURCE_DIR/COPYING")" <<< "$licence")" = "$(cat "$SOURCE_DIR/COPYING")" ] ||
    fail "the copyright file's License paragraph does not end in the text of COPYING"
# No path of the build may be recorded in the programs or modules.
for f in bin/vantoria bin/vantoria-cli "$MODULEDIR"/*; do
    if readelf -d "$root/$f" 2>/dev/null | grep -E 'R(UN)?PATH' | grep -qF "$BINARY_DIR"; then
        fail "$f keeps a library path into the build folder"
    fi
done

# Relocated: the tree is found relative to the program, not at its prefix.
mv "$SCRATCH/dest/opt/vantoria" "$SCRATCH/moved"
convert_with "$SCRATCH/moved/bin/vantoria-cli"

# A missing module names itself and the folder it was looked for in.
rm "$SCRATCH/moved/$MODULEDIR/lumbrel.so"
if without_build "$SCRATCH/moved/bin/vantoria-cli" --profile "$SCRATCH/none.ini" --kind pdf \
    --output "$SCRATCH/out" "$SCRATCH/sample.ps" 2> "$SCRATCH/err.txt"; then
    fail "a conversion without lumbrel.so succeeded"
fi
grep -qF "$SCRATCH/moved/$MODULEDIR/lumbrel.so" "$SCRATCH/err.txt" ||
    { cat "$SCRATCH/err.txt"; fail "the message does not name the module's folder"; }
echo "installed tree: $(echo "$actual" | wc -l) files, converts after being moved"
