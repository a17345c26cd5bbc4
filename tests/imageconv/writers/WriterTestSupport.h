// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Helpers for the writer tests: hand-built pages (small, odd-sized,
// asymmetric) and little-endian/big-endian field readers for the formats
// checked byte by byte.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Files.h"
#include "TempFolder.h"
#include "imageconv/Dib.h"

namespace wtest {

using testsupport::Exists;
using testsupport::ListNames;
using testsupport::ReadBytes;
using testsupport::TempFolder;

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb &) const = default;
};

inline imageconv::RgbQuad Quad(uint8_t r, uint8_t g, uint8_t b) {
    return imageconv::RgbQuad{b, g, r, 0};
}

// Pixel functions take (x, yTop): yTop counts from the top row, as every
// reader delivers rows.
using ColourFn = std::function<Rgb(int x, int yTop)>;
using IndexFn = std::function<int(int x, int yTop)>;

inline imageconv::Dib Page24(int w, int h, const ColourFn &colour, int dpi = 150) {
    imageconv::Dib d;
    d.Allocate(w, h, 24);
    d.xDpi = d.yDpi = dpi;
    d.xPelsPerMeter = d.yPelsPerMeter = int32_t(dpi * 39.37007874015748 + 0.5);
    for (int yt = 0; yt < h; ++yt)
        for (int x = 0; x < w; ++x) {
            Rgb c = colour(x, yt);
            uint8_t *p = d.Row(h - 1 - yt) + size_t(x) * 3;
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
        }
    return d;
}

inline imageconv::Dib PagePaletted(int w, int h, int bpp,
                                   const std::vector<imageconv::RgbQuad> &palette,
                                   const IndexFn &index, int dpi = 150) {
    imageconv::Dib d;
    d.Allocate(w, h, bpp);
    d.xDpi = d.yDpi = dpi;
    d.xPelsPerMeter = d.yPelsPerMeter = int32_t(dpi * 39.37007874015748 + 0.5);
    d.palette = palette;
    d.colorsUsed = int(palette.size());
    for (int yt = 0; yt < h; ++yt)
        for (int x = 0; x < w; ++x)
            imageconv::Dib::SetIndex(d.Row(h - 1 - yt), x, bpp, index(x, yt));
    return d;
}

inline std::vector<imageconv::RgbQuad> GreyRamp() {
    std::vector<imageconv::RgbQuad> p;
    for (int i = 0; i < 256; ++i)
        p.push_back(Quad(uint8_t(i), uint8_t(i), uint8_t(i)));
    return p;
}

// Colour of pixel (x, yTop) of a page, through its palette if it has one.
inline Rgb PixelOf(const imageconv::Dib &d, int x, int yTop) {
    const uint8_t *row = d.Row(d.height - 1 - yTop);
    if (d.bpp == 24)
        return Rgb{row[3 * x + 2], row[3 * x + 1], row[3 * x]};
    imageconv::RgbQuad q = d.palette[size_t(imageconv::Dib::IndexAt(row, x, d.bpp))];
    return Rgb{q.red, q.green, q.blue};
}

inline int IndexOf(const imageconv::Dib &d, int x, int yTop) {
    return imageconv::Dib::IndexAt(d.Row(d.height - 1 - yTop), x, d.bpp);
}

// A photo-like colour field: smooth in both directions and different in
// every channel, so flips, transposes and channel swaps all show.
inline Rgb Gradient(int x, int yt) {
    return Rgb{uint8_t(40 + x * 5), uint8_t(200 - yt * 4), uint8_t((x * 3 + yt * 2) % 256)};
}

inline unsigned Le16(const std::vector<uint8_t> &b, size_t at) {
    return unsigned(b.at(at)) | unsigned(b.at(at + 1)) << 8;
}
inline uint32_t Le32(const std::vector<uint8_t> &b, size_t at) {
    return uint32_t(Le16(b, at)) | uint32_t(Le16(b, at + 2)) << 16;
}
inline int32_t LeS32(const std::vector<uint8_t> &b, size_t at) {
    return int32_t(Le32(b, at));
}
inline uint32_t Be32(const std::vector<uint8_t> &b, size_t at) {
    return uint32_t(b.at(at)) << 24 | uint32_t(b.at(at + 1)) << 16 | uint32_t(b.at(at + 2)) << 8 |
           uint32_t(b.at(at + 3));
}

} // namespace wtest
