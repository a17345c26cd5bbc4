#!/usr/bin/env bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# Photographs the controls window (icon buttons in every state, the link, the icons) on a virtual X display and writes docs/controls.png.
#
#   scripts/screenshot-controls.sh [build folder] [output png]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
exec "$root/scripts/take-screenshot.sh" vantoria-controls-demo "${2:-$root/docs/controls.png}" "${1:-}"
