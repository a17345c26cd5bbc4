#include "imageconv/ops/NearestColour.h"

namespace imageconv {

NearestColour::NearestColour(const std::vector<RgbQuad> &palette, int important)
    : cache_(size_t(1) << kCacheBits) {
    size_t count = palette.size();
    if (important > 0 && size_t(important) < count)
        count = size_t(important);
    red_.reserve(count);
    green_.reserve(count);
    blue_.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        red_.push_back(palette[i].red);
        green_.push_back(palette[i].green);
        blue_.push_back(palette[i].blue);
    }
}

int NearestColour::Search(int red, int green, int blue) const {
    int best = 0;
    int bestDistance = 0x7fffffff;
    const size_t count = red_.size();
    for (size_t i = 0; i < count; ++i) {
        const int dr = red - red_[i];
        int d = dr * dr;
        if (d >= bestDistance)
            continue;
        const int dg = green - green_[i];
        d += dg * dg;
        if (d >= bestDistance)
            continue;
        const int db = blue - blue_[i];
        d += db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = int(i);
            if (d == 0)
                break;
        }
    }
    return best;
}

} // namespace imageconv
