// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Palette page to 24 bits.
#include <new>

#include "imageconv/PageOps.h"

namespace imageconv {

Status ExpandToTrueColour(Dib &page) {
    if (!page.IsValid())
        return Status::Fail("empty page");
    if (page.bpp == 24)
        return Status::Ok();
    Dib out;
    try {
        if (!out.Allocate(page.width, page.height, 24))
            return Status::Fail("page too large for 24 bits");
    } catch (const std::bad_alloc &) {
        return Status::Fail("out of memory");
    }
    for (int y = 0; y < page.height; ++y) {
        uint8_t *dst = out.Row(y);
        for (int x = 0; x < page.width; ++x, dst += 3) {
            const RgbQuad c = PixelColour(page, x, y);
            dst[0] = c.blue;
            dst[1] = c.green;
            dst[2] = c.red;
        }
    }
    CopyResolution(out, page);
    page = std::move(out);
    return Status::Ok();
}

} // namespace imageconv
