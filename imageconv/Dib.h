// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Dib: one page held in memory as a device-independent bitmap.
//
// Rows are stored bottom-up (row 0 is the bottom row), each padded to a
// multiple of 4 bytes. 24-bit pixels are stored blue, green, red. 1-, 4- and
// 8-bit pixels are palette indices, packed most significant bits first.
// Sizes are computed in 64 bits and checked before anything is allocated:
// Allocate() refuses a page that would not fit, rather than wrapping.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace imageconv {

struct RgbQuad {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;
    bool operator==(const RgbQuad &) const = default;
};

struct Dib {
    int32_t width = 0;
    int32_t height = 0;
    int bpp = 24;                 // 1, 4, 8 or 24
    std::vector<RgbQuad> palette; // up to 256 entries for 1/4/8-bit pages
    int colorsUsed = 0;           // palette entries in use
    int colorsImportant = 0;      // important palette entries, 0 = all
    int xDpi = 0;
    int yDpi = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    size_t stride = 0;         // bytes per row, a multiple of 4
    std::vector<uint8_t> bits; // height * stride bytes, bottom row first

    // Largest page the converter accepts: 2^31 - 1 bytes of pixels, and
    // width and height that stay positive in 32-bit arithmetic.
    static constexpr uint64_t kMaxBytes = 0x7fffffffULL;
    // Largest page file: a 24-bit BMP of kMaxBytes pixels with its 14-byte
    // file header and 40-byte information header. The interpreter helper
    // can write no larger file, and no larger page file is read.
    static constexpr uint64_t kMaxPageFileBytes = kMaxBytes + 14 + 40;

    static uint64_t StrideFor(int64_t width, int bpp) {
        return ((uint64_t(width) * uint64_t(bpp) + 31) / 32) * 4;
    }

    // Sizes the page and zeroes its pixels; the palette is left to the caller.
    // Returns false (and leaves the page empty) when the size is not positive
    // or the pixels would exceed kMaxBytes.
    bool Allocate(int64_t w, int64_t h, int depth) {
        if (!Reshape(w, h, depth))
            return false;
        std::fill(bits.begin(), bits.end(), uint8_t(0));
        return true;
    }

    // As Allocate, but the pixels are left as they are: for a reader that
    // fills every byte. Capacity the buffer already has is reused, so a page
    // read into a page of the same size costs no allocation and no zeroing.
    bool Reshape(int64_t w, int64_t h, int depth) {
        if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX ||
            (depth != 1 && depth != 4 && depth != 8 && depth != 24)) {
            Clear();
            return false;
        }
        uint64_t s = StrideFor(w, depth);
        if (s == 0 || s > kMaxBytes / uint64_t(h)) {
            Clear();
            return false;
        }
        width = int32_t(w);
        height = int32_t(h);
        bpp = depth;
        stride = size_t(s);
        bits.resize(size_t(s * uint64_t(h)));
        return true;
    }

    // Every page is worked on at 24 bits: true when a w x h page of any depth
    // stays within kMaxBytes once it is brought to 24 bits. Decidable from a
    // file's header, before anything is allocated.
    static bool FitsWorkingLimit(int64_t w, int64_t h) {
        if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX)
            return false;
        uint64_t s = StrideFor(w, 24);
        return s <= kMaxBytes / uint64_t(h);
    }

    void Clear() {
        width = height = 0;
        stride = 0;
        bits.clear();
        bits.shrink_to_fit();
    }

    bool IsValid() const {
        return width > 0 && height > 0 && bits.size() == stride * size_t(height);
    }

    // Row y counted from the bottom.
    uint8_t *Row(int y) { return bits.data() + size_t(y) * stride; }
    const uint8_t *Row(int y) const { return bits.data() + size_t(y) * stride; }

    // Palette index of pixel x in a 1/4/8-bit row.
    static int IndexAt(const uint8_t *row, int x, int depth) {
        switch (depth) {
        case 1:
            return (row[x >> 3] >> (7 - (x & 7))) & 1;
        case 4:
            return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0f;
        default:
            return row[x];
        }
    }
    static void SetIndex(uint8_t *row, int x, int depth, int index) {
        switch (depth) {
        case 1: {
            uint8_t mask = uint8_t(0x80 >> (x & 7));
            row[x >> 3] = index ? uint8_t(row[x >> 3] | mask) : uint8_t(row[x >> 3] & ~mask);
            break;
        }
        case 4: {
            int shift = (x & 1) ? 0 : 4;
            row[x >> 1] = uint8_t((row[x >> 1] & ~(0x0f << shift)) | ((index & 0x0f) << shift));
            break;
        }
        default:
            row[x] = uint8_t(index);
        }
    }
};

} // namespace imageconv
