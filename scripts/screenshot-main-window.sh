#!/usr/bin/env bash
# Photographs the main window (a few queued files, the first one converted to
# PDF by a real run) on a virtual X display and writes docs/main-window.png.
#
#   scripts/screenshot-main-window.sh [build folder] [output png]
#
# The build folder (default: build/screenshot, a Release build with the
# tests, where the picture's program lives) is configured when it has no
# build files yet; the program and the engine modules are brought up to
# date in it.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build/screenshot}"
out="${2:-$root/docs/main-window.png}"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTORIA_TESTS=ON > /dev/null
fi
if ! cmake --build "$build" --target vantoria-main-window-shot -j 2 > /dev/null; then
    echo "cannot build vantoria-main-window-shot in $build (configure it with -DVANTORIA_TESTS=ON)" >&2
    exit 1
fi

shot="$build/tests/vantoria-main-window-shot"
[ -x "$shot" ] || { echo "no $shot" >&2; exit 1; }
mkdir -p "$(dirname "$out")"
out="$(cd "$(dirname "$out")" && pwd)/$(basename "$out")"

# No platform theme or desktop settings of the calling session: the same
# picture on every machine.
env -u QT_QPA_PLATFORMTHEME -u QT_STYLE_OVERRIDE QT_QPA_PLATFORM=xcb \
    ASAN_OPTIONS=detect_leaks=0 \
    xvfb-run -a -s "-screen 0 1280x900x24 -dpi 96" "$shot" "$out"
echo "wrote $out"
