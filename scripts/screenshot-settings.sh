#!/usr/bin/env bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# Photographs the settings dialogs (the image sheet's Common and TIFF pages, the PDF sheet's Watermark page, the text dialog) on a virtual X display and writes docs/settings.png.
#
#   scripts/screenshot-settings.sh [build folder] [output png]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
exec "$root/scripts/take-screenshot.sh" vantoria-settings-shots "${2:-$root/docs/settings.png}" "${1:-}"
