// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Nearest-neighbour resampling with single-precision scales:
// new (x, y) = old (trunc(x * sx), trunc(y * sy)), sx = oldW / newW,
// sy = oldH / newH, rows from the bottom.
#include <algorithm>
#include <new>

#include "imageconv/PageOps.h"
#include "imageconv/ops/PixelCopy.h"

namespace imageconv {

Status ResizeNearest(Dib &page, int64_t newWidth, int64_t newHeight) {
    if (!page.IsValid())
        return Status::Fail("empty page");
    if (newWidth <= 0 || newHeight <= 0)
        return Status::Fail("target size must be positive");
    if (newWidth == page.width && newHeight == page.height)
        return Status::Ok();
    Dib out;
    std::vector<int> column;
    try {
        if (!AllocateLike(out, page, newWidth, newHeight))
            return Status::Fail("resized page too large");
        column.resize(size_t(out.width));
    } catch (const std::bad_alloc &) {
        return Status::Fail("out of memory");
    }
    const float sx = float(page.width) / float(out.width);
    const float sy = float(page.height) / float(out.height);
    for (int x = 0; x < out.width; ++x)
        column[size_t(x)] = std::min(int(float(x) * sx), page.width - 1);
    for (int y = 0; y < out.height; ++y) {
        const int oy = std::min(int(float(y) * sy), page.height - 1);
        const uint8_t *src = page.Row(oy);
        uint8_t *dst = out.Row(y);
        for (int x = 0; x < out.width; ++x)
            CopyPixel(src, column[size_t(x)], dst, x, page.bpp);
    }
    page = std::move(out);
    return Status::Ok();
}

} // namespace imageconv
