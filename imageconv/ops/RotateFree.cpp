// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Rotation by any angle, nearest source pixel, no resampling.
//
// With a = -angle in radians, c = cos a, s = sin a, the page corners are
// mapped by x' = x c - y s, y' = x s + y c (y upwards). The new size is the
// extent of the mapped corners rounded to the nearest pixel. Every new pixel
// starts with the colour of the source's bottom-left pixel; then for each
// integer (x, y) of the extent, new (x - trunc(minX), y - trunc(minY)) takes
// source (trunc(x c + y s + 0.5), trunc(y c - x s + 0.5)) where that lies in
// the source. Positions of the extent that fall outside the new page (its
// integer range can be one wider than the rounded size) are dropped.
#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

#include "imageconv/PageOps.h"
#include "imageconv/ops/PixelCopy.h"

namespace imageconv {

Status RotateFree(Dib &page, double degrees) {
    if (!page.IsValid())
        return Status::Fail("empty page");
    const double a = -degrees * std::numbers::pi / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    const double w = page.width, h = page.height;
    const double xs[4] = {0.0, w * c, -h * s, w * c - h * s};
    const double ys[4] = {0.0, w * s, h * c, w * s + h * c};
    const double minX = *std::min_element(xs, xs + 4), maxX = *std::max_element(xs, xs + 4);
    const double minY = *std::min_element(ys, ys + 4), maxY = *std::max_element(ys, ys + 4);
    const double newW = std::floor(0.5 + maxX - minX);
    const double newH = std::floor(0.5 + maxY - minY);
    if (!(newW >= 1.0 && newH >= 1.0 && newW <= double(INT32_MAX) && newH <= double(INT32_MAX)))
        return Status::Fail("rotated page size out of range");

    Dib out;
    try {
        if (!AllocateLike(out, page, int64_t(newW), int64_t(newH)))
            return Status::Fail("rotated page too large");
    } catch (const std::bad_alloc &) {
        return Status::Fail("out of memory");
    }

    // Fill with the bottom-left pixel, so nothing is left unset.
    const uint8_t *corner = page.Row(0);
    for (int y = 0; y < out.height; ++y) {
        uint8_t *dst = out.Row(y);
        for (int x = 0; x < out.width; ++x)
            CopyPixel(corner, 0, dst, x, page.bpp);
    }

    const int64_t x0 = int64_t(std::trunc(minX)), x1 = int64_t(std::trunc(maxX));
    const int64_t y0 = int64_t(std::trunc(minY)), y1 = int64_t(std::trunc(maxY));
    // Only positions inside the new page are visited; tiles keep the
    // source reads, which run diagonally, in cache.
    const int64_t yLast = std::min(y1, y0 + out.height - 1);
    const int64_t xLast = std::min(x1, x0 + out.width - 1);
    constexpr int64_t kTile = 64;
    for (int64_t ty = y0; ty <= yLast; ty += kTile)
        for (int64_t tx = x0; tx <= xLast; tx += kTile) {
            const int64_t yEnd = std::min(yLast, ty + kTile - 1);
            const int64_t xEnd = std::min(xLast, tx + kTile - 1);
            for (int64_t y = ty; y <= yEnd; ++y) {
                uint8_t *dst = out.Row(int(y - y0));
                for (int64_t x = tx; x <= xEnd; ++x) {
                    const double fx = double(x) * c + double(y) * s + 0.5;
                    const double fy = double(y) * c - double(x) * s + 0.5;
                    // Truncation toward zero, as the integer conversion does.
                    if (!(fx > -1.0 && fx < w && fy > -1.0 && fy < h))
                        continue;
                    const int sx = int(fx), sy = int(fy);
                    if (sx < 0 || sy < 0 || sx >= page.width || sy >= page.height)
                        continue;
                    CopyPixel(page.Row(sy), sx, dst, int(x - x0), page.bpp);
                }
            }
        }
    page = std::move(out);
    return Status::Ok();
}

} // namespace imageconv
