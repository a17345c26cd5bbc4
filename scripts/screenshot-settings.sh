#!/usr/bin/env bash
# Photographs the settings dialogs (the image sheet's Common and TIFF pages,
# the PDF sheet's Watermark page, the text dialog) on a virtual X display and
# writes docs/settings.png.
#
#   scripts/screenshot-settings.sh [build folder] [output png]
#
# The build folder (default: build/screenshot, a Release build with the
# tests, where the picture's program lives) is configured when it has no
# build files yet; the program is brought up to date in it.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build/screenshot}"
out="${2:-$root/docs/settings.png}"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTORIA_TESTS=ON > /dev/null
fi
if ! cmake --build "$build" --target vantoria-settings-shots -j 2 > /dev/null; then
    echo "cannot build vantoria-settings-shots in $build (configure it with -DVANTORIA_TESTS=ON)" >&2
    exit 1
fi

shots="$build/tests/vantoria-settings-shots"
[ -x "$shots" ] || { echo "no $shots" >&2; exit 1; }
mkdir -p "$(dirname "$out")"

# No platform theme or desktop settings of the calling session: the same
# picture on every machine.
env -u QT_QPA_PLATFORMTHEME -u QT_STYLE_OVERRIDE QT_QPA_PLATFORM=xcb \
    ASAN_OPTIONS=detect_leaks=0 \
    xvfb-run -a -s "-screen 0 1280x900x24 -dpi 96" "$shots" "$out"
echo "wrote $out"
