// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Enhanced metafile writer. The records, in order:
//
//   EMR_HEADER               bounds (0, 0, W-1, H-1); frame in 0.01 mm
//                            (0, 0, 508*W*100/1920, 286*H*100/1080);
//                            description "www"; the reference screen
//   EMR_CREATEPEN            object 1: solid, width 1, white
//   EMR_CREATEBRUSHINDIRECT  object 2: solid white
//   EMR_SELECTOBJECT x 2     the pen and the brush
//   EMR_RECTANGLE            (0, 0) - (W, H)
//   EMR_SELECTOBJECT x 2     the stock black pen and white brush back
//   EMR_DELETEOBJECT x 2     the pen and the brush
//   EMR_SETSTRETCHBLTMODE    COLORONCOLOR
//   EMR_STRETCHDIBITS        the whole page into (0, 0, W, H), DIB_RGB_COLORS,
//                            SRCCOPY
//   EMR_EOF                  no palette
//
// Every record is (type, size in bytes, fields), its size a multiple of 4.
#include <cstdint>
#include <string>

#include "imageconv/Writers.h"
#include "imageconv/writers/MetafileSupport.h"
#include "imageconv/writers/WriterSupport.h"

namespace imageconv {

namespace {

// Record types.
constexpr uint32_t kEmrHeader = 1;
constexpr uint32_t kEmrEof = 14;
constexpr uint32_t kEmrSetStretchBltMode = 21;
constexpr uint32_t kEmrSelectObject = 37;
constexpr uint32_t kEmrCreatePen = 38;
constexpr uint32_t kEmrCreateBrushIndirect = 39;
constexpr uint32_t kEmrDeleteObject = 40;
constexpr uint32_t kEmrRectangle = 43;
constexpr uint32_t kEmrStretchDiBits = 81;

constexpr uint32_t kEnhMetaSignature = 0x464D4520; // " EMF"
constexpr uint32_t kEnhMetaVersion = 0x00010000;

// Stock objects selected back before the file's own are deleted.
constexpr uint32_t kStockWhiteBrush = 0x80000000;
constexpr uint32_t kStockBlackPen = 0x80000007;

// The file's two objects; object 0 is the metafile itself, so three
// handles in all.
constexpr uint32_t kPenObject = 1;
constexpr uint32_t kBrushObject = 2;
constexpr uint16_t kHandles = 3;

// "www" and its terminating NUL, UTF-16LE.
constexpr char16_t kDescription[] = u"www";
constexpr uint32_t kDescriptionChars = 4;

// Record sizes.
constexpr uint64_t kHeaderFixedSize = 108;
constexpr uint64_t kHeaderSize = kHeaderFixedSize + PadTo(kDescriptionChars * 2, 4);
constexpr uint64_t kCreatePenSize = 28;
constexpr uint64_t kCreateBrushSize = 24;
constexpr uint64_t kObjectRecordSize = 12; // select, delete, stretch mode
constexpr uint64_t kRectangleSize = 24;
constexpr uint64_t kStretchFixedSize = 80;
constexpr uint64_t kEofSize = 20;
constexpr uint32_t kRecords = 13;

struct Rect {
    int32_t left, top, right, bottom;
};

// The file for one page: what the header and the stretch record say.
struct EmfLayout {
    Rect bounds;         // device units, inclusive
    Rect frame;          // 0.01 mm
    MetafileTarget dest; // the rectangle drawn into
    uint64_t pixelBytes = 0;
    uint64_t paddedPixels = 0;
    uint64_t stretchSize = 0;
    uint64_t fileSize = 0;
};

// Plans the file; fails when a size does not fit its 32-bit field.
Status PlanEmf(const Dib &page, const MetafileTarget &t, EmfLayout &l) {
    const int64_t frameRight = int64_t(kScreenMillimetresX) * t.width * 100 / kScreenPixelsX;
    const int64_t frameBottom = int64_t(kScreenMillimetresY) * t.height * 100 / kScreenPixelsY;
    if (frameRight > INT32_MAX || frameBottom > INT32_MAX)
        return Status::Fail("picture too large for the format");
    l.bounds = Rect{0, 0, t.width - 1, t.height - 1};
    l.frame = Rect{0, 0, int32_t(frameRight), int32_t(frameBottom)};
    l.dest = t;
    l.pixelBytes = PixelBytes(page);
    l.paddedPixels = PadTo(l.pixelBytes, 4);
    l.stretchSize = kStretchFixedSize + kBitmapInfoHeaderSize + l.paddedPixels;
    l.fileSize = kHeaderSize + kCreatePenSize + kCreateBrushSize + 4 * kObjectRecordSize +
                 kRectangleSize + 2 * kObjectRecordSize + kObjectRecordSize + l.stretchSize +
                 kEofSize;
    if (l.fileSize > UINT32_MAX)
        return Status::Fail("page too large for the format (" + std::to_string(l.fileSize) +
                            " bytes, at most 4294967295)");
    return Status::Ok();
}

void PutRect(ByteSink &s, const Rect &r) {
    s.U32LE(uint32_t(r.left));
    s.U32LE(uint32_t(r.top));
    s.U32LE(uint32_t(r.right));
    s.U32LE(uint32_t(r.bottom));
}

void PutHeader(RecordWriter &w, const EmfLayout &l) {
    w.Record(kHeaderSize, [&](ByteSink &s) {
        s.U32LE(kEmrHeader);                             // iType
        s.U32LE(uint32_t(kHeaderSize));                  // nSize
        PutRect(s, l.bounds);                            // rclBounds
        PutRect(s, l.frame);                             // rclFrame
        s.U32LE(kEnhMetaSignature);                      // dSignature
        s.U32LE(kEnhMetaVersion);                        // nVersion
        s.U32LE(uint32_t(l.fileSize));                   // nBytes
        s.U32LE(kRecords);                               // nRecords
        s.U16LE(kHandles);                               // nHandles
        s.U16LE(0);                                      // sReserved
        s.U32LE(kDescriptionChars);                      // nDescription
        s.U32LE(uint32_t(kHeaderFixedSize));             // offDescription
        s.U32LE(0);                                      // nPalEntries
        s.U32LE(kScreenPixelsX);                         // szlDevice.cx
        s.U32LE(kScreenPixelsY);                         // szlDevice.cy
        s.U32LE(kScreenMillimetresX);                    // szlMillimeters.cx
        s.U32LE(kScreenMillimetresY);                    // szlMillimeters.cy
        s.U32LE(0);                                      // cbPixelFormat
        s.U32LE(0);                                      // offPixelFormat
        s.U32LE(0);                                      // bOpenGL
        s.U32LE(uint32_t(kScreenMillimetresX) * 1000);   // szlMicrometers.cx
        s.U32LE(uint32_t(kScreenMillimetresY) * 1000);   // szlMicrometers.cy
        for (uint32_t i = 0; i < kDescriptionChars; ++i) // the description
            s.U16LE(kDescription[i]);
        s.Zeros(size_t(PadTo(kDescriptionChars * 2, 4) - kDescriptionChars * 2));
    });
}

void PutCreatePen(RecordWriter &w) {
    w.Record(kCreatePenSize, [](ByteSink &s) {
        s.U32LE(kEmrCreatePen);            // iType
        s.U32LE(uint32_t(kCreatePenSize)); // nSize
        s.U32LE(kPenObject);               // ihPen
        s.U32LE(kPsSolid);                 // lopn.lopnStyle
        s.U32LE(1);                        // lopn.lopnWidth.x
        s.U32LE(1);                        // lopn.lopnWidth.y
        s.U32LE(kWhite);                   // lopn.lopnColor
    });
}

void PutCreateBrush(RecordWriter &w) {
    w.Record(kCreateBrushSize, [](ByteSink &s) {
        s.U32LE(kEmrCreateBrushIndirect);    // iType
        s.U32LE(uint32_t(kCreateBrushSize)); // nSize
        s.U32LE(kBrushObject);               // ihBrush
        s.U32LE(kBsSolid);                   // lb.lbStyle
        s.U32LE(kWhite);                     // lb.lbColor
        s.U32LE(0);                          // lb.lbHatch
    });
}

// EMR_SELECTOBJECT, EMR_DELETEOBJECT and EMR_SETSTRETCHBLTMODE: one value.
void PutOneValue(RecordWriter &w, uint32_t type, uint32_t value) {
    w.Record(kObjectRecordSize, [&](ByteSink &s) {
        s.U32LE(type);                        // iType
        s.U32LE(uint32_t(kObjectRecordSize)); // nSize
        s.U32LE(value);                       // ihObject or iMode
    });
}

void PutRectangle(RecordWriter &w, const MetafileTarget &t) {
    w.Record(kRectangleSize, [&](ByteSink &s) {
        s.U32LE(kEmrRectangle);                    // iType
        s.U32LE(uint32_t(kRectangleSize));         // nSize
        PutRect(s, Rect{0, 0, t.width, t.height}); // rclBox
    });
}

void PutStretchDiBits(RecordWriter &w, const Dib &page, const EmfLayout &l) {
    const uint64_t bmiOffset = kStretchFixedSize;
    const uint64_t bitsOffset = bmiOffset + kBitmapInfoHeaderSize;
    w.Record(l.stretchSize, [&](ByteSink &s) {
        s.U32LE(kEmrStretchDiBits);               // iType
        s.U32LE(uint32_t(l.stretchSize));         // nSize
        PutRect(s, l.bounds);                     // rclBounds
        s.U32LE(0);                               // xDest
        s.U32LE(0);                               // yDest
        s.U32LE(0);                               // xSrc
        s.U32LE(0);                               // ySrc
        s.U32LE(uint32_t(page.width));            // cxSrc
        s.U32LE(uint32_t(page.height));           // cySrc
        s.U32LE(uint32_t(bmiOffset));             // offBmiSrc
        s.U32LE(uint32_t(kBitmapInfoHeaderSize)); // cbBmiSrc
        s.U32LE(uint32_t(bitsOffset));            // offBitsSrc
        s.U32LE(uint32_t(l.pixelBytes));          // cbBitsSrc
        s.U32LE(kDibRgbColors);                   // iUsageSrc
        s.U32LE(kSrcCopy);                        // dwRop
        s.U32LE(uint32_t(l.dest.width));          // cxDest
        s.U32LE(uint32_t(l.dest.height));         // cyDest
        PutBitmapInfoHeader(s, page);             // the bitmap header
        PutPixels(s, page, l.paddedPixels);       // the bits
    });
}

void PutEof(RecordWriter &w, const EmfLayout &l) {
    w.Record(kEofSize, [&](ByteSink &s) {
        s.U32LE(kEmrEof);              // iType
        s.U32LE(uint32_t(kEofSize));   // nSize
        s.U32LE(0);                    // nPalEntries
        s.U32LE(0);                    // offPalEntries
        s.U32LE(uint32_t(l.fileSize)); // nSizeLast: the file's length, as it always was
    });
}

void PutRecords(RecordWriter &w, const Dib &page, const EmfLayout &l) {
    PutHeader(w, l);
    PutCreatePen(w);
    PutCreateBrush(w);
    PutOneValue(w, kEmrSelectObject, kPenObject);
    PutOneValue(w, kEmrSelectObject, kBrushObject);
    PutRectangle(w, l.dest);
    PutOneValue(w, kEmrSelectObject, kStockBlackPen);
    PutOneValue(w, kEmrSelectObject, kStockWhiteBrush);
    PutOneValue(w, kEmrDeleteObject, kPenObject);
    PutOneValue(w, kEmrDeleteObject, kBrushObject);
    PutOneValue(w, kEmrSetStretchBltMode, kColorOnColor);
    PutStretchDiBits(w, page, l);
    PutEof(w, l);
}

} // namespace

Status WriteEmf(const Dib &page, const std::string &path, int width, int height) {
    if (!page.IsValid() || page.bpp != 24)
        return Status::Fail("EMF takes only true-colour pages");
    if (!HasBitmapRows(page))
        return Status::Fail("Page rows are not laid out as a bitmap's");
    EmfLayout layout;
    if (Status planned = PlanEmf(page, TargetFor(page, width, height), layout); !planned)
        return planned;
    return WriteMetafile(path, layout.fileSize,
                         [&](RecordWriter &records) { PutRecords(records, page, layout); });
}

} // namespace imageconv
