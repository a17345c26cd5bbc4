// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Windows metafile writer over libUEMF, not placeable. The records:
//
//   header                   standard (not placeable), no mapping mode or
//                            extent records follow
//   CREATEPENINDIRECT        solid, width 1, white
//   CREATEBRUSHINDIRECT      solid white
//   SELECTOBJECT x 2         the pen and the brush
//   RECTANGLE                (0, 0) - (W, H)
//   SETSTRETCHBLTMODE        COLORONCOLOR
//   STRETCHDIB               the whole page into (0, 0, W, H), DIB_RGB_COLORS,
//                            SRCCOPY
//   DELETEOBJECT x 2         the pen and the brush
//   EOF
// WMF coordinates are 16-bit: a page or target beyond 32767 is refused.
#include <mutex>

#include <uwmf.h>

#include "imageconv/Writers.h"
#include "imageconv/writers/MetafileSupport.h"
#include "imageconv/writers/WriterSupport.h"

namespace imageconv {

namespace {

// libUEMF counts WMF object handles in one process-wide high-water mark;
// writers on different threads take turns, each starting it from zero.
std::mutex g_uemfWmfLock;

struct WmfLibrary {
    using Track = WMFTRACK;
    using Handles = WMFHANDLES;
    using Record = U_METARECORD;
    static int Start(const char *name, WMFTRACK **wt) {
        return wmf_start(name, 1 << 20, 1 << 20, wt);
    }
    static int CreateHandles(WMFHANDLES **wht) { return wmf_htable_create(16, 16, wht); }
    static int Append(U_METARECORD *record, WMFTRACK *wt) { return wmf_append(record, wt, 1); }
    static int Finish(WMFTRACK *wt, WMFHANDLES *) { return wmf_finish(wt); }
    static void FreeTrack(WMFTRACK **wt) { wmf_free(wt); }
    static void FreeHandles(WMFHANDLES **wht) { wmf_htable_free(wht); }
};

} // namespace

Status WriteWmf(const Dib &page, const std::string &path, int width, int height) {
    if (!page.IsValid() || page.bpp != 24)
        return Status::Fail("WMF takes only true-colour pages");
    const MetafileTarget t = TargetFor(page, width, height);
    if (page.width > 32767 || page.height > 32767)
        return TooLarge(page, 32767);
    if (t.width > 32767 || t.height > 32767)
        return Status::Fail("picture too large for the format (" + std::to_string(t.width) +
                            " x " + std::to_string(t.height) + " pixels, at most 32767)");

    OutputFile out(path);
    std::lock_guard<std::mutex> lock(g_uemfWmfLock);
    wmf_highwater(U_HIGHWATER_CLEAR);
    MetafileRecords<WmfLibrary> mf;
    if (Status started = mf.Start(out, path); !started)
        return started;
    char *header = U_WMRHEADER_set(nullptr, 0);
    if (!header || wmf_header_append(reinterpret_cast<U_METARECORD *>(header), mf.track(), 1) != 0)
        return out.Explain(Status::Fail("Cannot write " + path));

    const U_COLORREF white = colorref3_set(255, 255, 255);
    uint32_t pen = 0, brush = 0;
    mf.Add(wcreatepenindirect_set(&pen, mf.handles(), U_PEN_set(U_PS_SOLID, 1, white)));
    mf.Add(wcreatebrushindirect_set(&brush, mf.handles(), U_WLOGBRUSH_set(U_BS_SOLID, white, 0)));
    mf.Add(wselectobject_set(pen, mf.handles()));
    mf.Add(wselectobject_set(brush, mf.handles()));
    mf.Add(U_WMRRECTANGLE_set(
        U_RECT16_set(point16_set(0, 0), point16_set(int16_t(t.width), int16_t(t.height)))));
    mf.Add(U_WMRSETSTRETCHBLTMODE_set(U_COLORONCOLOR));

    const BitmapInfo bmi = BitmapInfoFor(page);
    if (!bmi)
        return Status::Fail("Out of memory for " + path);
    mf.Add(U_WMRSTRETCHDIB_set(
        point16_set(0, 0), point16_set(int16_t(t.width), int16_t(t.height)), point16_set(0, 0),
        point16_set(int16_t(page.width), int16_t(page.height)), U_DIB_RGB_COLORS, U_SRCCOPY,
        bmi.get(), uint32_t(page.bits.size()), reinterpret_cast<const char *>(page.bits.data())));
    mf.Add(wdeleteobject_set(&pen, mf.handles()));
    mf.Add(wdeleteobject_set(&brush, mf.handles()));
    mf.Add(U_WMREOF_set());
    return mf.Finish(out, path);
}

} // namespace imageconv
