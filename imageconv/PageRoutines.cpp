// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The page routines of convert: the steps a page goes through between
// reading it and handing it to the format's writer, as the format's row of
// the table (imageconv/ImageFormats.h) names them.
//
// After a failed step the page is emptied and every later step, the write
// included, does nothing: a page that can't be read or processed leaves no
// output file, and an existing file at the output path is left untouched.
// The failure's reason, in a user's words and naming the format, becomes the
// converter's last error.
#include "common/FileErrors.h"
#include "imageconv/ConverterRecord.h"
#include "imageconv/ImageConverter.h"
#include "imageconv/ImageFormats.h"
#include "imageconv/PageOps.h"
#include "imageconv/ops/PageFile.h"

namespace imageconv {
namespace {

// The pixel buffer of the last page this thread converted, kept for the next
// page it reads: pages of one document share their size, so each is read
// without allocating or zeroing a fresh bitmap. A buffer above kSpareLimit
// is let go rather than kept.
thread_local std::vector<uint8_t> t_spareBits;
constexpr size_t kSpareLimit = size_t(256) << 20;

void KeepSpare(Dib &page) {
    if (page.bits.capacity() <= kSpareLimit && page.bits.capacity() > t_spareBits.capacity())
        t_spareBits = std::move(page.bits);
    page.bits = {};
}

class Page {
public:
    // Opens the page file and checks its headers.
    void Open(const ImageConverter &ic, const std::string &path) {
        Status opened = ic.m_nInputType != IC_INPUT_BMP ? Status::Fail("input type not readable")
                                                        : file_.Open(path);
        if (!opened) {
            Fail(std::move(opened));
            readFailed_ = true;
        }
    }

    // Reads the opened file's pixels, brought to 24 bits.
    void Load() {
        if (!ok_)
            return;
        dib_.bits = std::move(t_spareBits);
        t_spareBits = {};
        Apply([&](Dib &d) { return file_.Read(d); });
        readFailed_ = !ok_;
        Apply(ExpandToTrueColour);
    }

    template <class Step> void Apply(Step step) {
        if (!ok_)
            return;
        Status s = step(dib_);
        if (!s)
            Fail(std::move(s));
    }

    bool ok() const { return ok_; }
    const PageFile &file() const { return file_; }
    const Dib &dib() const { return dib_; }
    Dib Take() { return std::move(dib_); }
    // Why the page failed, and whether it was its file that could not be read.
    const Status &status() const { return status_; }
    bool readFailed() const { return readFailed_; }

private:
    void Fail(Status s) {
        ok_ = false;
        status_ = std::move(s);
        dib_ = Dib();
    }

    PageFile file_;
    Dib dib_;
    bool ok_ = true;
    bool readFailed_ = false;
    Status status_ = Status::Ok();
};

const char *FormatName(int code) {
    const ImageFormat *f = FindImageFormat(code);
    return f ? f->name : "image";
}

// "<FORMAT>: <cause>": a failed system call's cause in the shared words
// ("disk full"), else the step's own message.
void NoteFailure(ImageConverter &ic, const Status &failed) {
    std::string cause = failed.error() != 0 ? FailReason(failed.error(), "can't write the image")
                                            : failed.message();
    ic.m_lastError = std::string(FormatName(ic.m_nFormatCode)) + ": " + cause;
}

void ReduceGroup(const ImageConverter &ic, Page &page) {
    if (!IsPaletteDepth(ic.m_nReduceBpp))
        return;
    if (ic.m_bGray == 1 && ic.m_nReduceBpp != 1)
        page.Apply(ConvertToGrey);
    page.Apply([&](Dib &d) { return ReduceColors(d, ic.m_nReduceBpp); });
}

// As the reduce group, except that grey 8-bit TIFF pages (compression 7)
// are kept as the grey ramp image instead of being reduced.
void TiffReduceGroup(ImageConverter &ic, Page &page) {
    const bool keepGrey = ic.m_nReduceBpp == 8 && ic.m_nTiffCompression == IC_TIFF_GRAY8;
    if (keepGrey)
        ic.m_bGray = 1;
    if (!IsPaletteDepth(ic.m_nReduceBpp))
        return;
    if (ic.m_bGray == 1 && ic.m_nReduceBpp != 1)
        page.Apply(ConvertToGrey);
    if (!keepGrey)
        page.Apply([&](Dib &d) { return ReduceColors(d, ic.m_nReduceBpp); });
}

void Resolution(const ImageConverter &ic, Page &page) {
    page.Apply([&](Dib &d) {
        SetResolution(d, ic.m_nXDpi, ic.m_nYDpi);
        return Status::Ok();
    });
}

void Rotate(const ImageConverter &ic, Page &page) {
    page.Apply([&](Dib &d) { return RotatePage(d, ic.m_nRotate); });
}

void Resize(const ImageConverter &ic, Page &page) {
    if (ic.m_nWidth > 0 && ic.m_nHeight > 0)
        page.Apply([&](Dib &d) { return ResizeNearest(d, ic.m_nWidth, ic.m_nHeight); });
}

void Grey(const ImageConverter &ic, Page &page) {
    if (ic.m_bGray == 1)
        page.Apply(ConvertToGrey);
}

void TgaReduce(const ImageConverter &ic, Page &page) {
    if (ic.m_nReduceBpp != 8)
        return;
    if (ic.m_bGray == 1)
        page.Apply(ConvertToGrey);
    else
        page.Apply([](Dib &d) { return ReduceColors(d, 8); });
}

void ColourSteps(const ImageFormat &format, ImageConverter &ic, Page &page) {
    switch (format.pipeline.colour) {
    case ColourStep::Reduce:
        ReduceGroup(ic, page);
        break;
    case ColourStep::TiffReduce:
        TiffReduceGroup(ic, page);
        break;
    case ColourStep::TgaReduce:
        TgaReduce(ic, page);
        break;
    case ColourStep::Grey:
        Grey(ic, page);
        break;
    case ColourStep::None:
        break;
    }
}

void GeometrySteps(const ImageFormat &format, const ImageConverter &ic, Page &page) {
    switch (format.pipeline.geometry) {
    case GeometryStep::Page:
        Resolution(ic, page);
        Rotate(ic, page);
        Resize(ic, page);
        break;
    case GeometryStep::FreeRotate:
        if (ic.m_nRotate != 0)
            page.Apply([&](Dib &d) { return RotateFree(d, double(ic.m_nRotate)); });
        break;
    }
}

// Hands a finished page to the format's writer.
Status WritePage(const ImageConverter &ic, const Dib &d, const std::string &out) {
    const ImageFormat *format = FindImageFormat(ic.m_nFormatCode);
    if (!format)
        return Status::Fail("unknown format");
    return format->pipeline.write(d, out, MakeWriteParams(ic));
}

// True when the format's steps would leave a w x h 24-bit page's pixels as
// they were read (its resolution may change).
bool StepsKeepPixels(const ImageFormat &format, const ImageConverter &ic, int64_t w, int64_t h) {
    switch (format.pipeline.colour) {
    case ColourStep::Reduce:
    case ColourStep::TiffReduce:
        if (IsPaletteDepth(ic.m_nReduceBpp))
            return false;
        break;
    case ColourStep::TgaReduce:
        if (ic.m_nReduceBpp == 8)
            return false;
        break;
    case ColourStep::Grey:
        if (ic.m_bGray == 1)
            return false;
        break;
    case ColourStep::None:
        break;
    }
    if (ic.m_nRotate != 0)
        return false;
    const bool resized = format.pipeline.geometry == GeometryStep::Page && ic.m_nWidth > 0 &&
                         ic.m_nHeight > 0 && (ic.m_nWidth != w || ic.m_nHeight != h);
    return !resized;
}

// A BMP of a 24-bit bottom-up page file that no step changes is written
// with its rows taken from the file as they lie: the same file as reading
// the page in and writing it out, without a copy of the page in memory.
// False, having done nothing, when the page takes the ordinary road.
bool WriteBmpStraight(ImageConverter &ic, const Page &page) {
    const ImageFormat *format = FindImageFormat(ic.m_nFormatCode);
    const PageFile &file = page.file();
    if (!page.ok() || !format || format->code != IC_FORMAT_BMP || ic.m_szOutput.empty() ||
        file.BitCount() != 24 || file.TopDown() ||
        !StepsKeepPixels(*format, ic, file.Width(), file.Height()))
        return false;
    Dib layout; // the page's size, depth and resolution; its pixels stay in the file
    layout.width = file.Width();
    layout.height = file.Height();
    layout.bpp = 24;
    layout.stride = size_t(Dib::StrideFor(layout.width, 24));
    layout.xPelsPerMeter = file.XPelsPerMeter();
    layout.yPelsPerMeter = file.YPelsPerMeter();
    if (format->pipeline.geometry == GeometryStep::Page)
        SetResolution(layout, ic.m_nXDpi, ic.m_nYDpi);
    bool readFailed = false;
    Status written =
        WriteBmpFromFile(layout, file.Fd(), file.PixelOffset(), ic.m_szOutput, &readFailed);
    if (!written)
        NoteFailure(ic,
                    readFailed ? Status::Fail("damaged page file: " + written.message()) : written);
    return true;
}

// The opened page read in and taken through the format's steps; see
// PreparePage.
bool FinishPage(ImageConverter &ic, Page &page, Dib &out) {
    page.Load();
    if (const ImageFormat *format = FindImageFormat(ic.m_nFormatCode)) {
        ColourSteps(*format, ic, page);
        GeometrySteps(*format, ic, page);
    } else {
        page.Apply([](Dib &) { return Status::Fail("unknown format"); });
    }
    if (!page.ok()) {
        if (page.readFailed())
            NoteFailure(ic, Status::Fail("damaged page file: " + page.status().message()));
        else
            NoteFailure(ic, page.status());
        return false;
    }
    if (!page.dib().IsValid()) {
        NoteFailure(ic, Status::Fail("empty page"));
        return false;
    }
    out = page.Take();
    return true;
}

void ConvertSinglePage(ImageConverter &ic) {
    Page page;
    page.Open(ic, ic.m_files.front());
    if (WriteBmpStraight(ic, page))
        return;
    Dib prepared;
    if (FinishPage(ic, page, prepared)) {
        Status written = ic.m_szOutput.empty() ? Status::Fail("no output file name")
                                               : WritePage(ic, prepared, ic.m_szOutput);
        if (!written)
            NoteFailure(ic, written);
    }
    KeepSpare(prepared);
}

// Every added file that made it through its steps becomes the next page of
// the one TIFF file. The writer builds it beside the target and the file is
// finished here, once every page was appended: it replaces the target only
// when every page appended went in.
void ConvertMultiPageTiff(ImageConverter &ic) {
    if (ic.m_szMultiOutput.empty()) {
        NoteFailure(ic, Status::Fail("no output file name"));
        return;
    }
    for (const std::string &file : ic.m_files) {
        Dib page;
        if (!PreparePage(ic, file, page))
            continue;
        Status appended = ic.m_pTiffImage->Append(ic.m_szMultiOutput, page, MakeWriteParams(ic));
        if (!appended)
            NoteFailure(ic, appended);
    }
    // With no page in it there is no file; the pages said why.
    const bool anyPage = ic.m_pTiffImage->PageCount() > 0;
    Status finished = ic.m_pTiffImage->Finish();
    if (!finished && (anyPage || ic.m_lastError.empty()))
        NoteFailure(ic, finished);
}

} // namespace

WriteParams MakeWriteParams(const ImageConverter &ic) {
    WriteParams p;
    p.quality = ic.m_nQuality;
    p.jpegMode = ic.m_nJpegMode;
    p.tiffCompression = ic.m_nTiffCompression;
    p.reduceBpp = ic.m_nReduceBpp;
    p.workBpp = ic.m_nWorkBpp;
    p.gray = ic.m_bGray;
    p.width = ic.m_nWidth;
    p.height = ic.m_nHeight;
    return p;
}

bool PreparePage(ImageConverter &ic, const std::string &file, Dib &out) {
    Page page;
    page.Open(ic, file);
    return FinishPage(ic, page, out);
}

void ConvertPages(ImageConverter &ic) {
    ic.m_lastError.clear();
    if (ic.m_files.empty())
        return;
    DecideDepth(ic);
    const ImageFormat *format = FindImageFormat(ic.m_nFormatCode);
    if (ic.m_bMultiPage == 1 && format && format->pipeline.multiPage)
        ConvertMultiPageTiff(ic);
    else
        ConvertSinglePage(ic);
}

} // namespace imageconv
