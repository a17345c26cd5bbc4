// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The converter's palette reduction by reduce depth:
//   1  black and white, 2 important colours
//   4  octree of at most 16 colours, 8 bits per channel, 16 important colours
//   8  octree of at most 256 colours, 7 bits per channel, 256 important colours
//
// A grey page (8 bits with the grey ramp palette, as ConvertToGrey leaves
// it) is not quantised by the octree, which would merge neighbouring grey
// levels: at 8 bits it keeps the ramp and every pixel its own level, at 4
// bits every pixel takes the nearest of the 16 levels 0, 17, 34, ..., 255.
#include <new>

#include "imageconv/PageOps.h"

namespace imageconv {
namespace {

// Entry k = (k * 255 / (levels - 1)) in all three channels.
std::vector<RgbQuad> GreyLevels(int levels) {
    std::vector<RgbQuad> ramp(static_cast<size_t>(levels));
    for (int k = 0; k < levels; ++k) {
        const uint8_t v = uint8_t(k * 255 / (levels - 1));
        ramp[size_t(k)] = RgbQuad{v, v, v, 0};
    }
    return ramp;
}

bool IsGreyRampPage(const Dib &page) {
    if (page.bpp != 8 || page.palette.size() != 256)
        return false;
    for (size_t i = 0; i < 256; ++i) {
        const RgbQuad &q = page.palette[i];
        if (q.red != i || q.green != i || q.blue != i)
            return false;
    }
    return true;
}

} // namespace

Status ReduceColors(Dib &page, int reduceBpp) {
    if (!page.IsValid())
        return Status::Fail("empty page");
    try {
        if (reduceBpp == 1) {
            const std::vector<RgbQuad> blackWhite{RgbQuad{0, 0, 0, 0}, RgbQuad{255, 255, 255, 0}};
            return ReduceToPalette(page, 1, blackWhite, 2);
        }
        if (reduceBpp != 4 && reduceBpp != 8)
            return Status::Fail("reduce depth must be 1, 4 or 8");
        const int size = reduceBpp == 4 ? 16 : 256;
        if (IsGreyRampPage(page))
            return ReduceToPalette(page, reduceBpp, GreyLevels(size), size);
        std::vector<RgbQuad> palette = BuildOctreePalette(page, size, reduceBpp == 4 ? 8 : 7);
        if (palette.empty())
            return Status::Fail("no colours found");
        // Entries the octree left unfilled repeat the first one: a search in
        // index order with the lowest index winning ties never picks them.
        const RgbQuad filler = palette.front();
        palette.resize(size_t(size), filler);
        return ReduceToPalette(page, reduceBpp, palette, size);
    } catch (const std::bad_alloc &) {
        return Status::Fail("out of memory");
    }
}

} // namespace imageconv
