// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Colour of one pixel, whatever the page's depth.
#include "imageconv/PageOps.h"

namespace imageconv {

RgbQuad PixelColour(const Dib &page, int x, int y) {
    const uint8_t *row = page.Row(y);
    if (page.bpp == 24) {
        const uint8_t *p = row + size_t(x) * 3;
        return RgbQuad{p[0], p[1], p[2], 0};
    }
    const size_t index = size_t(Dib::IndexAt(row, x, page.bpp));
    return index < page.palette.size() ? page.palette[index] : RgbQuad{};
}

} // namespace imageconv
