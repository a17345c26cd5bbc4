// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Nearest palette entry of a colour, with a cache of colours already mapped.
//
// The rule: the smallest squared distance (dR^2 + dG^2 + dB^2) over the first
// `important` entries in index order, the lowest index winning a tie (so an
// exact match, distance 0, ends the search at its first occurrence). The
// cache only remembers answers of that rule, so it never changes a result.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "imageconv/Dib.h"

namespace imageconv {

class NearestColour {
public:
    NearestColour(const std::vector<RgbQuad> &palette, int important);

    int Find(uint8_t red, uint8_t green, uint8_t blue) {
        const uint32_t key = (uint32_t(red) << 16) | (uint32_t(green) << 8) | blue;
        if (key == lastKey_)
            return lastIndex_;
        Slot &slot = cache_[Hash(key)];
        if (slot.key != key) {
            slot.key = key;
            slot.index = Search(red, green, blue);
        }
        lastKey_ = key;
        lastIndex_ = slot.index;
        return slot.index;
    }

    // The rule itself, without the cache.
    int Search(int red, int green, int blue);

private:
    struct Slot {
        uint32_t key = 0xffffffffu; // no 24-bit colour has this key
        int index = 0;
    };
    static constexpr int kCacheBits = 16;
    static size_t Hash(uint32_t key) { return size_t((key * 2654435761u) >> (32 - kCacheBits)); }

    struct Entry {
        int red, green, blue, index;
    };
    int SearchLinear(int red, int green, int blue) const;
    int SearchInCell(int red, int green, int blue);
    void BuildCell(size_t cell);

    std::vector<Entry> entries_; // in index order
    // Long palettes: colour space cut into 32 x 32 x 32 cells. A cell's list
    // holds, in index order, the entries that can be nearest to some colour
    // inside it; it is built the first time a colour of the cell is searched.
    static constexpr int kCellBits = 3;
    std::vector<int32_t> cellStart_; // -1 = not built yet
    std::vector<uint16_t> cellCount_;
    std::vector<uint8_t> candidates_;
    std::vector<Slot> cache_;
    uint32_t lastKey_ = 0xffffffffu;
    int lastIndex_ = 0;
};

} // namespace imageconv
