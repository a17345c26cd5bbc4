#!/usr/bin/env bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# Builds one picture program and runs it on a virtual X display; the program
# writes the PNG it is given. Used by the screenshot-*.sh scripts.
#
#   scripts/take-screenshot.sh TARGET OUTPUT.png [build folder]
#
# The build folder (default: build/screenshot, a Release build without the
# tests; the picture programs land in its tools/ folder) is configured when
# it has no build files yet; TARGET, and what it depends on, is brought up to
# date in it.
set -euo pipefail

target="$1"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${3:-$root/build/screenshot}"
out="$2"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTORIA_TESTS=OFF > /dev/null
fi
if ! cmake --build "$build" --target "$target" -j 2 > /dev/null; then
    echo "cannot build $target in $build" >&2
    exit 1
fi

program="$build/tools/$target"
[ -x "$program" ] || { echo "no $program" >&2; exit 1; }
mkdir -p "$(dirname "$out")"
out="$(cd "$(dirname "$out")" && pwd)/$(basename "$out")"

# No platform theme or desktop settings of the calling session: the same
# picture on every machine.
env -u QT_QPA_PLATFORMTHEME -u QT_STYLE_OVERRIDE QT_QPA_PLATFORM=xcb \
    ASAN_OPTIONS=detect_leaks=0 \
    xvfb-run -a -s "-screen 0 1280x900x24 -dpi 96" "$program" "$out"
echo "wrote $out"
