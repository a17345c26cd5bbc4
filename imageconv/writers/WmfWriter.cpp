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
#include <cstdlib>
#include <memory>
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

struct Metafile {
    WMFTRACK *wt = nullptr;
    WMFHANDLES *wht = nullptr;
    bool ok = true;
    ~Metafile() {
        if (wt)
            wmf_free(&wt);
        if (wht)
            wmf_htable_free(&wht);
    }
    void Add(char *record) {
        if (!record) {
            ok = false;
            return;
        }
        if (!ok) {
            std::free(record);
            return;
        }
        if (wmf_append(reinterpret_cast<U_METARECORD *>(record), wt, 1) != 0)
            ok = false;
    }
};

} // namespace

bool WriteWmf(const Dib &page, const std::string &path, int width, int height) {
    SetWriterMessage("");
    if (!page.IsValid() || page.bpp != 24) {
        SetWriterMessage("WMF takes only true-colour pages");
        return false;
    }
    const MetafileTarget t = TargetFor(page, width, height);
    if (t.width > 32767 || t.height > 32767 || page.width > 32767 || page.height > 32767) {
        SetWriterMessage("Page too large for WMF");
        return false;
    }

    OutputFile out(path);
    if (!out.IsOpen() || !out.CloseStream())
        return false;

    std::lock_guard<std::mutex> lock(g_uemfWmfLock);
    wmf_highwater(U_HIGHWATER_CLEAR);
    Metafile mf;
    if (wmf_start(out.TempPath().c_str(), 1 << 20, 1 << 20, &mf.wt) != 0 ||
        wmf_htable_create(16, 16, &mf.wht) != 0) {
        SetWriterMessage("Cannot create " + path);
        return false;
    }
    char *header = U_WMRHEADER_set(nullptr, 0);
    if (!header || wmf_header_append(reinterpret_cast<U_METARECORD *>(header), mf.wt, 1) != 0) {
        SetWriterMessage("Cannot write " + path);
        return false;
    }

    const U_COLORREF white = colorref3_set(255, 255, 255);
    uint32_t pen = 0, brush = 0;
    mf.Add(wcreatepenindirect_set(&pen, mf.wht, U_PEN_set(U_PS_SOLID, 1, white)));
    mf.Add(wcreatebrushindirect_set(&brush, mf.wht, U_WLOGBRUSH_set(U_BS_SOLID, white, 0)));
    mf.Add(wselectobject_set(pen, mf.wht));
    mf.Add(wselectobject_set(brush, mf.wht));
    mf.Add(U_WMRRECTANGLE_set(
        U_RECT16_set(point16_set(0, 0), point16_set(int16_t(t.width), int16_t(t.height)))));
    mf.Add(U_WMRSETSTRETCHBLTMODE_set(U_COLORONCOLOR));

    U_BITMAPINFOHEADER bih =
        bitmapinfoheader_set(page.width, page.height, 1, 24, U_BI_RGB, uint32_t(page.bits.size()),
                             page.xPelsPerMeter, page.yPelsPerMeter, 0, 0);
    std::unique_ptr<U_BITMAPINFO, decltype(&std::free)> bmi(bitmapinfo_set(bih, nullptr),
                                                            &std::free);
    if (!bmi) {
        SetWriterMessage("Out of memory for " + path);
        return false;
    }
    mf.Add(U_WMRSTRETCHDIB_set(
        point16_set(0, 0), point16_set(int16_t(t.width), int16_t(t.height)), point16_set(0, 0),
        point16_set(int16_t(page.width), int16_t(page.height)), U_DIB_RGB_COLORS, U_SRCCOPY,
        bmi.get(), uint32_t(page.bits.size()), reinterpret_cast<const char *>(page.bits.data())));
    mf.Add(wdeleteobject_set(&pen, mf.wht));
    mf.Add(wdeleteobject_set(&brush, mf.wht));
    mf.Add(U_WMREOF_set());
    if (!mf.ok || wmf_finish(mf.wt) != 0) {
        SetWriterMessage("Cannot write " + path);
        return false;
    }
    wmf_free(&mf.wt);
    return out.Commit();
}

} // namespace imageconv
