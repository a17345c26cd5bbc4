// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The depth decision, made once at the start of every convert by the
// format's depth rule: m_nWorkBpp ends as 24 and m_nReduceBpp says which
// palette depth (1, 4, 8) the page is reduced to, 0 for none.
#include "imageconv/ConverterRecord.h"
#include "imageconv/ImageConverter.h"
#include "imageconv/ImageFormats.h"

namespace imageconv {
namespace {

// The working depth of the format's rule, from the asked-for depth.
int WorkDepth(DepthRule rule, ImageConverter &ic) {
    const int asked = IsPaletteDepth(ic.m_nBpp) ? ic.m_nBpp : 0;
    switch (rule) {
    case DepthRule::PaletteOr24:
        return asked ? asked : 24;
    case DepthRule::PaletteOr8:
        return asked ? asked : 8;
    case DepthRule::GreyFromEight:
        if (asked == 8)
            ic.m_bGray = 1;
        return ic.m_bGray == 1 ? 8 : 24;
    case DepthRule::EightOr24:
        return asked == 8 ? 8 : 24;
    case DepthRule::GreyOr24:
        return ic.m_bGray == 1 ? 8 : 24;
    }
    return 24;
}

} // namespace

void DecideDepth(ImageConverter &ic) {
    const ImageFormat *format = FindImageFormat(ic.m_nFormatCode);
    const int work = WorkDepth(format ? format->pipeline.depth : DepthRule::PaletteOr24, ic);
    if (IsPaletteDepth(work)) {
        ic.m_nReduceBpp = work;
        ic.m_nWorkBpp = 24;
    } else {
        ic.m_nReduceBpp = 0;
        ic.m_nWorkBpp = work;
    }
}

} // namespace imageconv
