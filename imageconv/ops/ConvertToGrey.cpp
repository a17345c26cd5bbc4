// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Grey conversion: 8 bits with the grey ramp palette.
#include <new>

#include "imageconv/PageOps.h"

namespace imageconv {
namespace {

uint8_t GreyOf(uint8_t r, uint8_t g, uint8_t b) {
    return uint8_t((306 * r + 601 * g + 117 * b) >> 10);
}

} // namespace

Status ConvertToGrey(Dib &page) {
    if (!page.IsValid())
        return Status::Fail("empty page");
    Dib out;
    try {
        if (!out.Allocate(page.width, page.height, 8))
            return Status::Fail("page too large");
        out.palette.resize(256);
    } catch (const std::bad_alloc &) {
        return Status::Fail("out of memory");
    }
    for (int i = 0; i < 256; ++i)
        out.palette[size_t(i)] = RgbQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    out.colorsUsed = 256;
    out.colorsImportant = 0;

    if (page.bpp == 24) {
        for (int y = 0; y < page.height; ++y) {
            const uint8_t *src = page.Row(y);
            uint8_t *dst = out.Row(y);
            for (int x = 0; x < page.width; ++x, src += 3)
                dst[x] = GreyOf(src[2], src[1], src[0]);
        }
    } else {
        // Grey of each palette entry once, then a table look-up per pixel.
        uint8_t greyOfIndex[256] = {};
        for (size_t i = 0; i < page.palette.size() && i < 256; ++i) {
            const RgbQuad &c = page.palette[i];
            greyOfIndex[i] = GreyOf(c.red, c.green, c.blue);
        }
        for (int y = 0; y < page.height; ++y) {
            const uint8_t *src = page.Row(y);
            uint8_t *dst = out.Row(y);
            for (int x = 0; x < page.width; ++x)
                dst[x] = greyOfIndex[Dib::IndexAt(src, x, page.bpp)];
        }
    }
    CopyResolution(out, page);
    page = std::move(out);
    return Status::Ok();
}

} // namespace imageconv
