// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Exact quarter turns. Rows count from the bottom, so with W x H the source
// size the new page is H x W and
//   clockwise:          new(X, Y) = old(W - 1 - Y, X)
//   counter-clockwise:  new(X, Y) = old(Y, H - 1 - X)
#include <algorithm>
#include <new>

#include "imageconv/PageOps.h"
#include "imageconv/ops/PixelCopy.h"

namespace imageconv {
namespace {

Status RotateQuarter(Dib &page, bool clockwise) {
    if (!page.IsValid())
        return Status::Fail("empty page");
    Dib out;
    try {
        if (!AllocateLike(out, page, page.height, page.width))
            return Status::Fail("rotated page too large");
    } catch (const std::bad_alloc &) {
        return Status::Fail("out of memory");
    }
    const int w = page.width, h = page.height;
    // Square tiles keep both the reads and the scattered writes in cache.
    constexpr int kTile = 64;
    for (int ty = 0; ty < h; ty += kTile)
        for (int tx = 0; tx < w; tx += kTile) {
            const int yEnd = std::min(h, ty + kTile), xEnd = std::min(w, tx + kTile);
            for (int y = ty; y < yEnd; ++y) {
                const uint8_t *src = page.Row(y);
                for (int x = tx; x < xEnd; ++x) {
                    const int nx = clockwise ? y : h - 1 - y;
                    const int ny = clockwise ? w - 1 - x : x;
                    CopyPixel(src, x, out.Row(ny), nx, page.bpp);
                }
            }
        }
    page = std::move(out);
    return Status::Ok();
}

} // namespace

Status RotateQuarterClockwise(Dib &page) {
    return RotateQuarter(page, true);
}
Status RotateQuarterCounterClockwise(Dib &page) {
    return RotateQuarter(page, false);
}

} // namespace imageconv
