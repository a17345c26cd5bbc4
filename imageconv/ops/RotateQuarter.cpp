// Exact quarter turns. Rows count from the bottom, so with W x H the source
// size the new page is H x W and
//   clockwise:          new(X, Y) = old(W - 1 - Y, X)
//   counter-clockwise:  new(X, Y) = old(Y, H - 1 - X)
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
    // Walk the source row by row so reads stay sequential.
    for (int y = 0; y < h; ++y) {
        const uint8_t *src = page.Row(y);
        for (int x = 0; x < w; ++x) {
            const int nx = clockwise ? y : h - 1 - y;
            const int ny = clockwise ? w - 1 - x : x;
            CopyPixel(src, x, out.Row(ny), nx, page.bpp);
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
