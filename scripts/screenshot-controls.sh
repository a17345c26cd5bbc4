#!/usr/bin/env bash
# Photographs the controls window (icon buttons in every state, the link,
# the icons) on a virtual X display and writes docs/controls.png.
#
#   scripts/screenshot-controls.sh [build folder] [output png]
#
# The build folder (default: build) is configured and the window's program
# built in it when needed.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
out="${2:-$root/docs/controls.png}"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
fi
cmake --build "$build" --target vantoria-controls-demo -j 2 > /dev/null

demo="$build/tests/vantoria-controls-demo"
[ -x "$demo" ] || { echo "no $demo" >&2; exit 1; }
mkdir -p "$(dirname "$out")"

# No platform theme or desktop settings of the calling session: the same
# picture on every machine.
env -u QT_QPA_PLATFORMTHEME -u QT_STYLE_OVERRIDE QT_QPA_PLATFORM=xcb \
    ASAN_OPTIONS=detect_leaks=0 \
    xvfb-run -a -s "-screen 0 1280x900x24 -dpi 96" "$demo" "$out"
echo "wrote $out"
