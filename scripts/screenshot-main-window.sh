#!/usr/bin/env bash
# Photographs the main window (a few queued files, the first one converted to PDF by a real run) on a virtual X display and writes docs/main-window.png.
#
#   scripts/screenshot-main-window.sh [build folder] [output png]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
exec "$root/scripts/take-screenshot.sh" vantoria-main-window-shot "${2:-$root/docs/main-window.png}" "${1:-}"
