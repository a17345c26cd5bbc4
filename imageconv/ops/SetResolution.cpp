// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Resolution in dots per inch and the matching pixels per metre, set or
// carried over to a new page.
#include <cmath>

#include "imageconv/PageOps.h"

namespace imageconv {

int32_t PelsPerMeter(int dpi) {
    return int32_t(std::floor(dpi * 39.37007874015748 + 0.5));
}

void SetResolution(Dib &page, int xDpi, int yDpi) {
    page.xDpi = xDpi;
    page.yDpi = yDpi;
    page.xPelsPerMeter = PelsPerMeter(xDpi);
    page.yPelsPerMeter = PelsPerMeter(yDpi);
}

void CopyResolution(Dib &to, const Dib &from) {
    to.xDpi = from.xDpi;
    to.yDpi = from.yDpi;
    to.xPelsPerMeter = from.xPelsPerMeter;
    to.yPelsPerMeter = from.yPelsPerMeter;
}

} // namespace imageconv
