#!/usr/bin/env bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# Photographs the main window (a few queued files, the first one converted to PDF by a real run) on a virtual X display.
#
#   scripts/screenshot-main-window.sh [build folder]
#       writes docs/main-window.png (Chinese captions) and docs/main-window-en.png (English)
#   scripts/screenshot-main-window.sh BUILD OUTPUT.png [LANG]
#       one picture under the locale LANG (default zh_CN.UTF-8)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
shot() { # output, locale
    env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG="$2" \
        "$root/scripts/take-screenshot.sh" vantoria-main-window-shot "$1" "${build}"
}
build="${1:-}"
if [ $# -ge 2 ]; then
    shot "$2" "${3:-zh_CN.UTF-8}"
else
    shot "$root/docs/main-window.png" zh_CN.UTF-8
    shot "$root/docs/main-window-en.png" en_US.UTF-8
fi
