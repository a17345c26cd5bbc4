// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The converter's rotation step.
#include "imageconv/PageOps.h"

namespace imageconv {

Status RotatePage(Dib &page, int rotate) {
    switch (rotate) {
    case 0:
        return Status::Ok();
    case 90:
        return RotateQuarterClockwise(page);
    case 180: {
        Status s = RotateQuarterClockwise(page);
        return s ? RotateQuarterClockwise(page) : s;
    }
    case 270:
        return RotateQuarterCounterClockwise(page);
    default:
        return RotateFree(page, double(rotate));
    }
}

} // namespace imageconv
