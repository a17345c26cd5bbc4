// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Palette reduction without dithering: every pixel takes its nearest entry.
#include <new>

#include "imageconv/PageOps.h"
#include "imageconv/ops/NearestColour.h"

namespace imageconv {

Status ReduceToPalette(Dib &page, int depth, const std::vector<RgbQuad> &palette, int important) {
    if (!page.IsValid())
        return Status::Fail("empty page");
    if (depth != 1 && depth != 4 && depth != 8)
        return Status::Fail("palette depth must be 1, 4 or 8");
    if (palette.empty() || palette.size() > (size_t(1) << depth))
        return Status::Fail("palette does not fit the depth");
    Dib out;
    try {
        if (!out.Allocate(page.width, page.height, depth))
            return Status::Fail("page too large");
        NearestColour nearest(palette, important);
        for (int y = 0; y < page.height; ++y) {
            uint8_t *dst = out.Row(y);
            if (page.bpp == 24) {
                const uint8_t *src = page.Row(y);
                for (int x = 0; x < page.width; ++x, src += 3)
                    Dib::SetIndex(dst, x, depth, nearest.Find(src[2], src[1], src[0]));
            } else {
                for (int x = 0; x < page.width; ++x) {
                    const RgbQuad c = PixelColour(page, x, y);
                    Dib::SetIndex(dst, x, depth, nearest.Find(c.red, c.green, c.blue));
                }
            }
        }
        out.palette = palette;
    } catch (const std::bad_alloc &) {
        return Status::Fail("out of memory");
    }
    out.colorsUsed = int(palette.size());
    out.colorsImportant = important;
    CopyResolution(out, page);
    page = std::move(out);
    return Status::Ok();
}

} // namespace imageconv
