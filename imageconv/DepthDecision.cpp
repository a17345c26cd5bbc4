// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The depth decision, made once at the start of every convert:
// m_nWorkBpp ends as 24 and m_nReduceBpp says which palette depth (1, 4, 8)
// the page is reduced to, 0 for none.
#include "imageconv/ConverterRecord.h"
#include "imageconv/ImageConverter.h"

namespace imageconv {
namespace {

bool IsPaletteDepth(int bpp) {
    return bpp == 1 || bpp == 4 || bpp == 8;
}

} // namespace

void DecideDepth(ImageConverter &ic) {
    const int format = ic.m_nFormatCode;
    int work = IsPaletteDepth(ic.m_nBpp) ? ic.m_nBpp : (format == IC_FORMAT_GIF ? 8 : 24);
    switch (format) {
    case IC_FORMAT_JPEG:
        if (work == 8)
            ic.m_bGray = 1;
        work = ic.m_bGray == 1 ? 8 : 24;
        break;
    case IC_FORMAT_TGA:
        work = work == 8 ? 8 : 24;
        break;
    case IC_FORMAT_JP2:
    case IC_FORMAT_RAS:
    case IC_FORMAT_JPC:
        work = ic.m_bGray == 1 ? 8 : 24;
        break;
    default:
        break;
    }
    if (IsPaletteDepth(work)) {
        ic.m_nReduceBpp = work;
        ic.m_nWorkBpp = 24;
    } else {
        ic.m_nReduceBpp = 0;
        ic.m_nWorkBpp = work;
    }
}

} // namespace imageconv
