// What the EMF and WMF writers share: the fixed reference screen the frame
// is computed against, and the target rectangle.
#pragma once

#include <cstdint>

#include "imageconv/Dib.h"

namespace imageconv {

// The reference screen: 1920 x 1080 pixels over 508 x 286 millimetres, so
// the same page always gives the same file.
constexpr int kScreenPixelsX = 1920;
constexpr int kScreenPixelsY = 1080;
constexpr int kScreenMillimetresX = 508;
constexpr int kScreenMillimetresY = 286;

// The rectangle the page is drawn into: the target size, or the page's own
// size in pixels for a dimension that is not set, so the picture always has
// an area.
struct MetafileTarget {
    int32_t width;
    int32_t height;
};

inline MetafileTarget TargetFor(const Dib &page, int width, int height) {
    return MetafileTarget{width > 0 ? width : page.width, height > 0 ? height : page.height};
}

} // namespace imageconv
