// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "imageconv/ops/NearestColour.h"

#include <algorithm>

namespace imageconv {

namespace {
// Up to this many entries a plain scan is as fast as anything cleverer.
constexpr size_t kLinearLimit = 16;
constexpr int kCellsPerChannel = 256 >> 3;

// The rule over `count` entries, entryAt(k) for k = 0, 1, ... in index
// order: the first of the nearest, an exact match ending the scan.
template <class EntryAt>
int ScanNearest(size_t count, EntryAt entryAt, int red, int green, int blue) {
    int best = 0;
    int bestDistance = 0x7fffffff;
    for (size_t k = 0; k < count; ++k) {
        const auto &e = entryAt(k);
        const int dr = red - e.red, dg = green - e.green, db = blue - e.blue;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = e.index;
            if (d == 0)
                break;
        }
    }
    return best;
}

} // namespace

NearestColour::NearestColour(const std::vector<RgbQuad> &palette, int important)
    : cache_(size_t(1) << kCacheBits) {
    size_t count = palette.size();
    if (important > 0 && size_t(important) < count)
        count = size_t(important);
    count = std::min<size_t>(count, 256);
    entries_.reserve(count);
    for (size_t i = 0; i < count; ++i)
        entries_.push_back({palette[i].red, palette[i].green, palette[i].blue, int(i)});
    if (count > kLinearLimit) {
        const size_t cells = size_t(kCellsPerChannel) * kCellsPerChannel * kCellsPerChannel;
        cellStart_.assign(cells, -1);
        cellCount_.assign(cells, 0);
    }
}

int NearestColour::Search(int red, int green, int blue) {
    return cellStart_.empty() ? SearchLinear(red, green, blue) : SearchInCell(red, green, blue);
}

int NearestColour::SearchLinear(int red, int green, int blue) const {
    return ScanNearest(
        entries_.size(), [this](size_t k) -> const Entry & { return entries_[k]; }, red, green,
        blue);
}

// Every colour c of a cell has, for the entry m with the smallest largest
// distance to the cell (minMax), dist(c, nearest) <= dist(c, m) <= minMax.
// An entry whose smallest distance to the cell exceeds minMax is strictly
// farther from every colour of the cell than the nearest entry, so it can
// neither be the answer nor tie with it. The kept entries, scanned in index
// order with the same rule, give the same answer as the full scan.
void NearestColour::BuildCell(size_t cell) {
    const int cr = int(cell >> (2 * 5)) << kCellBits;
    const int cg = int((cell >> 5) & 31) << kCellBits;
    const int cb = int(cell & 31) << kCellBits;
    constexpr int span = (1 << kCellBits) - 1;
    auto nearAndFar = [](int v, int lo, int &nearD, int &farD) {
        const int hi = lo + span;
        nearD = v < lo ? lo - v : v > hi ? v - hi : 0;
        farD = std::max(v - lo < 0 ? lo - v : v - lo, v - hi < 0 ? hi - v : v - hi);
    };
    int minMax = 0x7fffffff;
    std::vector<int> minDist(entries_.size());
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry &e = entries_[i];
        int nr, fr, ng, fg, nb, fb;
        nearAndFar(e.red, cr, nr, fr);
        nearAndFar(e.green, cg, ng, fg);
        nearAndFar(e.blue, cb, nb, fb);
        minDist[i] = nr * nr + ng * ng + nb * nb;
        minMax = std::min(minMax, fr * fr + fg * fg + fb * fb);
    }
    cellStart_[cell] = int32_t(candidates_.size());
    for (size_t i = 0; i < entries_.size(); ++i)
        if (minDist[i] <= minMax)
            candidates_.push_back(uint8_t(i));
    cellCount_[cell] = uint16_t(candidates_.size() - size_t(cellStart_[cell]));
}

int NearestColour::SearchInCell(int red, int green, int blue) {
    const size_t cell = (size_t(red >> kCellBits) << 10) | (size_t(green >> kCellBits) << 5) |
                        size_t(blue >> kCellBits);
    if (cellStart_[cell] < 0)
        BuildCell(cell);
    const uint8_t *list = candidates_.data() + cellStart_[cell];
    return ScanNearest(
        cellCount_[cell], [this, list](size_t k) -> const Entry & { return entries_[list[k]]; },
        red, green, blue);
}

} // namespace imageconv
