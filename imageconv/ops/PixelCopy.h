// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Copying one pixel between two pages of the same depth.
#pragma once

#include <cstring>

#include "imageconv/Dib.h"
#include "imageconv/PageOps.h"

namespace imageconv {

inline void CopyPixel(const uint8_t *srcRow, int sx, uint8_t *dstRow, int dx, int depth) {
    if (depth == 24)
        std::memcpy(dstRow + size_t(dx) * 3, srcRow + size_t(sx) * 3, 3);
    else if (depth == 8)
        dstRow[dx] = srcRow[sx];
    else
        Dib::SetIndex(dstRow, dx, depth, Dib::IndexAt(srcRow, sx, depth));
}

// A new page of the given size with the depth, palette and resolution of
// `like`; false when it does not fit.
inline bool AllocateLike(Dib &out, const Dib &like, int64_t width, int64_t height) {
    if (!out.Allocate(width, height, like.bpp))
        return false;
    out.palette = like.palette;
    out.colorsUsed = like.colorsUsed;
    out.colorsImportant = like.colorsImportant;
    CopyResolution(out, like);
    return true;
}

} // namespace imageconv
