// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Enhanced metafile writer over libUEMF. The records, in order:
//
//   EMR_HEADER               bounds (0, 0, W-1, H-1); frame in 0.01 mm
//                            (0, 0, 508*W*100/1920, 286*H*100/1080);
//                            description "www"; the reference screen
//   EMR_CREATEPEN            solid, width 1, white
//   EMR_CREATEBRUSHINDIRECT  solid white
//   EMR_SELECTOBJECT x 2     the pen and the brush
//   EMR_RECTANGLE            (0, 0) - (W, H)
//   EMR_SELECTOBJECT x 2     the stock black pen and white brush back
//   EMR_DELETEOBJECT x 2     the pen and the brush
//   EMR_SETSTRETCHBLTMODE    COLORONCOLOR
//   EMR_STRETCHDIBITS        the whole page into (0, 0, W, H), DIB_RGB_COLORS,
//                            SRCCOPY
//   EMR_EOF
#include <cstdint>

#include <uemf.h>

#include "imageconv/Writers.h"
#include "imageconv/writers/MetafileSupport.h"
#include "imageconv/writers/WriterSupport.h"

namespace imageconv {

namespace {

struct EmfLibrary {
    using Track = EMFTRACK;
    using Handles = EMFHANDLES;
    using Record = U_ENHMETARECORD;
    static int Start(const char *name, EMFTRACK **et) {
        return emf_start(name, 1 << 20, 1 << 20, et);
    }
    static int CreateHandles(EMFHANDLES **eht) { return emf_htable_create(16, 16, eht); }
    static int Append(U_ENHMETARECORD *record, EMFTRACK *et) { return emf_append(record, et, 1); }
    static int Finish(EMFTRACK *et, EMFHANDLES *eht) { return emf_finish(et, eht); }
    static void FreeTrack(EMFTRACK **et) { emf_free(et); }
    static void FreeHandles(EMFHANDLES **eht) { emf_htable_free(eht); }
};

} // namespace

Status WriteEmf(const Dib &page, const std::string &path, int width, int height) {
    if (!page.IsValid() || page.bpp != 24)
        return Status::Fail("EMF takes only true-colour pages");
    const MetafileTarget t = TargetFor(page, width, height);
    const int64_t frameRight = int64_t(kScreenMillimetresX) * t.width * 100 / kScreenPixelsX;
    const int64_t frameBottom = int64_t(kScreenMillimetresY) * t.height * 100 / kScreenPixelsY;
    if (frameRight > INT32_MAX || frameBottom > INT32_MAX)
        return Status::Fail("picture too large for the format");
    const U_RECTL frame =
        rectl_set(point32_set(0, 0), point32_set(int32_t(frameRight), int32_t(frameBottom)));
    const U_RECTL bounds = rectl_set(point32_set(0, 0), point32_set(t.width - 1, t.height - 1));

    OutputFile out(path);
    MetafileRecords<EmfLibrary> mf;
    if (Status started = mf.Start(out, path); !started)
        return started;
    uint16_t description[4] = {'w', 'w', 'w', 0};
    mf.Add(U_EMRHEADER_set(bounds, frame, nullptr, 4, description,
                           sizel_set(kScreenPixelsX, kScreenPixelsY),
                           sizel_set(kScreenMillimetresX, kScreenMillimetresY), 0));

    const U_COLORREF white = colorref3_set(255, 255, 255);
    uint32_t pen = 0, brush = 0;
    mf.Add(createpen_set(&pen, mf.handles(), logpen_set(U_PS_SOLID, point32_set(1, 1), white)));
    mf.Add(createbrushindirect_set(&brush, mf.handles(), logbrush_set(U_BS_SOLID, white, 0)));
    mf.Add(selectobject_set(pen, mf.handles()));
    mf.Add(selectobject_set(brush, mf.handles()));
    mf.Add(U_EMRRECTANGLE_set(rectl_set(point32_set(0, 0), point32_set(t.width, t.height))));
    mf.Add(selectobject_set(U_BLACK_PEN, mf.handles()));
    mf.Add(selectobject_set(U_WHITE_BRUSH, mf.handles()));
    mf.Add(deleteobject_set(&pen, mf.handles()));
    mf.Add(deleteobject_set(&brush, mf.handles()));
    mf.Add(U_EMRSETSTRETCHBLTMODE_set(U_COLORONCOLOR));

    const BitmapInfo bmi = BitmapInfoFor(page);
    if (!bmi)
        return Status::Fail("Out of memory for " + path);
    mf.Add(
        U_EMRSTRETCHDIBITS_set(bounds, point32_set(0, 0), point32_set(t.width, t.height),
                               point32_set(0, 0), point32_set(page.width, page.height),
                               U_DIB_RGB_COLORS, U_SRCCOPY, bmi.get(), uint32_t(page.bits.size()),
                               reinterpret_cast<char *>(const_cast<uint8_t *>(page.bits.data()))));
    mf.Add(U_EMREOF_set(0, nullptr, mf.track()));
    return mf.Finish(out, path);
}

} // namespace imageconv
