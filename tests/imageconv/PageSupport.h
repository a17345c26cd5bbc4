// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Helpers shared by the image converter tests: small hand-built pages and a
// hand-written bitmap encoder for input files (kept apart from the
// converter's own writer so the reader is tested against an independent
// source of files).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Files.h"
#include "TempFolder.h"
#include "imageconv/Dib.h"

namespace testsupport {

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb &) const = default;
};

inline imageconv::RgbQuad Quad(uint8_t r, uint8_t g, uint8_t b) {
    return imageconv::RgbQuad{b, g, r, 0};
}

// A 24-bit page, pixel (x, y) (y from the bottom) coloured by `colour`.
inline imageconv::Dib Page24(int w, int h, const std::function<Rgb(int, int)> &colour) {
    imageconv::Dib d;
    d.Allocate(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgb c = colour(x, y);
            uint8_t *p = d.Row(y) + size_t(x) * 3;
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
        }
    return d;
}

inline Rgb At24(const imageconv::Dib &d, int x, int y) {
    const uint8_t *p = d.Row(y) + size_t(x) * 3;
    return Rgb{p[2], p[1], p[0]};
}

inline int IndexAt(const imageconv::Dib &d, int x, int y) {
    return imageconv::Dib::IndexAt(d.Row(y), x, d.bpp);
}

inline void Le16(std::vector<uint8_t> &v, uint32_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
inline void Le32(std::vector<uint8_t> &v, uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v.push_back(uint8_t(x >> (8 * i)));
}

// An uncompressed bitmap file. `pixel(x, y)` gives the palette index (1/4/8
// bits) or 0xRRGGBB (24 bits) of pixel x in row y counted from the bottom.
inline std::vector<uint8_t> EncodeBmp(int w, int h, int bpp, const std::vector<Rgb> &palette,
                                      const std::function<uint32_t(int, int)> &pixel,
                                      bool topDown = false, int32_t pelsX = 2835,
                                      int32_t pelsY = 2835) {
    const uint32_t stride = ((uint32_t(w) * uint32_t(bpp) + 31) / 32) * 4;
    const uint32_t palBytes = uint32_t(palette.size()) * 4;
    const uint32_t off = 14 + 40 + palBytes;
    std::vector<uint8_t> v;
    v.push_back('B');
    v.push_back('M');
    Le32(v, off + stride * uint32_t(h));
    Le32(v, 0);
    Le32(v, off);
    Le32(v, 40);
    Le32(v, uint32_t(w));
    Le32(v, uint32_t(topDown ? -h : h));
    Le16(v, 1);
    Le16(v, uint32_t(bpp));
    Le32(v, 0);
    Le32(v, stride * uint32_t(h));
    Le32(v, uint32_t(pelsX));
    Le32(v, uint32_t(pelsY));
    Le32(v, uint32_t(palette.size()));
    Le32(v, 0);
    for (const Rgb &c : palette) {
        v.push_back(c.b);
        v.push_back(c.g);
        v.push_back(c.r);
        v.push_back(0);
    }
    for (int i = 0; i < h; ++i) {
        const int y = topDown ? h - 1 - i : i;
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < w; ++x) {
            const uint32_t p = pixel(x, y);
            switch (bpp) {
            case 24:
                row[size_t(x) * 3 + 0] = uint8_t(p);
                row[size_t(x) * 3 + 1] = uint8_t(p >> 8);
                row[size_t(x) * 3 + 2] = uint8_t(p >> 16);
                break;
            case 8:
                row[size_t(x)] = uint8_t(p);
                break;
            case 4:
                row[size_t(x) / 2] |= uint8_t((p & 15) << ((x & 1) ? 0 : 4));
                break;
            case 1:
                row[size_t(x) / 8] |= uint8_t((p & 1) << (7 - (x & 7)));
                break;
            }
        }
        v.insert(v.end(), row.begin(), row.end());
    }
    return v;
}

// Writes an uncompressed 24-bit bitmap file of `colour` (y from the bottom)
// with EncodeBmp; returns `path`.
inline std::string WriteBmp24(const std::string &path, int w, int h,
                              const std::function<Rgb(int, int)> &colour) {
    WriteBytes(path, EncodeBmp(w, h, 24, {}, [&](int x, int y) {
                   Rgb c = colour(x, y);
                   return (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
               }));
    return path;
}

inline uint32_t Get32(const std::vector<uint8_t> &v, size_t at) {
    return uint32_t(v[at]) | (uint32_t(v[at + 1]) << 8) | (uint32_t(v[at + 2]) << 16) |
           (uint32_t(v[at + 3]) << 24);
}
inline uint32_t Get16(const std::vector<uint8_t> &v, size_t at) {
    return uint32_t(v[at]) | (uint32_t(v[at + 1]) << 8);
}

} // namespace testsupport
