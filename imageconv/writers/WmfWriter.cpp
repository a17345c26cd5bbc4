// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Windows metafile writer, not placeable. The header and records:
//
//   header                   standard (not placeable), two objects; no
//                            mapping mode or extent records follow
//   META_CREATEPENINDIRECT   object 0: solid, width 1, white
//   META_CREATEBRUSHINDIRECT object 1: solid white
//   META_SELECTOBJECT x 2    the pen and the brush
//   META_RECTANGLE           (0, 0) - (W, H)
//   META_SETSTRETCHBLTMODE   COLORONCOLOR
//   META_STRETCHDIB          the whole page into (0, 0, W, H), DIB_RGB_COLORS,
//                            SRCCOPY
//   META_DELETEOBJECT x 2    the pen and the brush
//   META_EOF
//
// Every record is (size in 16-bit words, function, parameters); the header
// counts the file and its largest record in words. WMF coordinates are
// 16-bit: a page or target beyond 32767 is refused.
#include <algorithm>
#include <cstdint>
#include <string>

#include "imageconv/Writers.h"
#include "imageconv/writers/MetafileSupport.h"
#include "imageconv/writers/WriterSupport.h"

namespace imageconv {

namespace {

// Record functions.
constexpr uint16_t kMetaEof = 0x0000;
constexpr uint16_t kMetaSetStretchBltMode = 0x0107;
constexpr uint16_t kMetaSelectObject = 0x012D;
constexpr uint16_t kMetaDeleteObject = 0x01F0;
constexpr uint16_t kMetaCreatePenIndirect = 0x02FA;
constexpr uint16_t kMetaCreateBrushIndirect = 0x02FC;
constexpr uint16_t kMetaRectangle = 0x041B;
constexpr uint16_t kMetaStretchDib = 0x0F43;

constexpr uint16_t kMemoryMetafile = 1; // mtType
constexpr uint16_t kMetaVersion300 = 0x0300;
constexpr int kMaxCoordinate = 32767;

// The file's two objects, by their index in the object table.
constexpr uint16_t kPenObject = 0;
constexpr uint16_t kBrushObject = 1;
constexpr uint16_t kObjects = 2;

// Sizes in bytes.
constexpr uint64_t kHeaderSize = 18;
constexpr uint64_t kRecordHead = 6; // size and function
constexpr uint64_t kCreatePenSize = kRecordHead + 10;
constexpr uint64_t kCreateBrushSize = kRecordHead + 8;
constexpr uint64_t kObjectRecordSize = kRecordHead + 2; // select, delete
constexpr uint64_t kRectangleSize = kRecordHead + 8;
constexpr uint64_t kStretchModeSize = kRecordHead + 4;
constexpr uint64_t kStretchFixedSize = kRecordHead + 22;
constexpr uint64_t kEofSize = kRecordHead;

// The file for one page.
struct WmfLayout {
    MetafileTarget dest;
    uint64_t pixelBytes = 0;
    uint64_t paddedPixels = 0;
    uint64_t stretchSize = 0;
    uint64_t fileSize = 0;
    uint64_t largestRecord = 0;
};

// Plans the file; fails when a coordinate does not fit its 16 bits or a
// size in words its 32.
Status PlanWmf(const Dib &page, const MetafileTarget &t, WmfLayout &l) {
    if (page.width > kMaxCoordinate || page.height > kMaxCoordinate)
        return TooLarge(page, kMaxCoordinate);
    if (t.width > kMaxCoordinate || t.height > kMaxCoordinate)
        return Status::Fail("picture too large for the format (" + std::to_string(t.width) + " x " +
                            std::to_string(t.height) + " pixels, at most 32767)");
    l.dest = t;
    l.pixelBytes = PixelBytes(page);
    l.paddedPixels = PadTo(l.pixelBytes, 2);
    l.stretchSize = kStretchFixedSize + kBitmapInfoHeaderSize + l.paddedPixels;
    l.fileSize = kHeaderSize + kCreatePenSize + kCreateBrushSize + 2 * kObjectRecordSize +
                 kRectangleSize + kStretchModeSize + l.stretchSize + 2 * kObjectRecordSize +
                 kEofSize;
    l.largestRecord = std::max({kCreatePenSize, kCreateBrushSize, kObjectRecordSize, kRectangleSize,
                                kStretchModeSize, l.stretchSize, kEofSize});
    if (l.fileSize / 2 > UINT32_MAX)
        return Status::Fail("page too large for the format (" + std::to_string(l.fileSize) +
                            " bytes, at most 8589934590)");
    return Status::Ok();
}

// The record's first two fields: its size in words and its function.
void PutRecordHead(ByteSink &s, uint64_t size, uint16_t function) {
    s.U32LE(uint32_t(size / 2)); // RecordSize, in words
    s.U16LE(function);           // RecordFunction
}

void PutHeader(ByteSink &s, const WmfLayout &l) {
    s.U16LE(kMemoryMetafile);               // mtType
    s.U16LE(uint16_t(kHeaderSize / 2));     // mtHeaderSize, in words
    s.U16LE(kMetaVersion300);               // mtVersion
    s.U32LE(uint32_t(l.fileSize / 2));      // mtSize, in words
    s.U16LE(kObjects);                      // mtNoObjects
    s.U32LE(uint32_t(l.largestRecord / 2)); // mtMaxRecord, in words
    s.U16LE(0);                             // mtNoParameters
}

void PutCreatePen(RecordWriter &w) {
    w.Record(kCreatePenSize, [](ByteSink &s) {
        PutRecordHead(s, kCreatePenSize, kMetaCreatePenIndirect);
        s.U16LE(kPsSolid); // PenStyle
        s.U16LE(1);        // Width.x
        s.U16LE(0);        // Width.y, unused
        s.U32LE(kWhite);   // ColorRef
    });
}

void PutCreateBrush(RecordWriter &w) {
    w.Record(kCreateBrushSize, [](ByteSink &s) {
        PutRecordHead(s, kCreateBrushSize, kMetaCreateBrushIndirect);
        s.U16LE(kBsSolid); // BrushStyle
        s.U32LE(kWhite);   // ColorRef
        s.U16LE(0);        // BrushHatch
    });
}

// META_SELECTOBJECT and META_DELETEOBJECT: the object's index.
void PutObjectRecord(RecordWriter &w, uint16_t function, uint16_t object) {
    w.Record(kObjectRecordSize, [&](ByteSink &s) {
        PutRecordHead(s, kObjectRecordSize, function);
        s.U16LE(object); // ObjectIndex
    });
}

void PutRectangle(RecordWriter &w, const MetafileTarget &t) {
    w.Record(kRectangleSize, [&](ByteSink &s) {
        PutRecordHead(s, kRectangleSize, kMetaRectangle);
        s.U16LE(uint16_t(t.height)); // BottomRect
        s.U16LE(uint16_t(t.width));  // RightRect
        s.U16LE(0);                  // TopRect
        s.U16LE(0);                  // LeftRect
    });
}

void PutStretchMode(RecordWriter &w) {
    w.Record(kStretchModeSize, [](ByteSink &s) {
        PutRecordHead(s, kStretchModeSize, kMetaSetStretchBltMode);
        s.U16LE(kColorOnColor); // StretchMode
        s.U16LE(0);             // Reserved
    });
}

void PutStretchDib(RecordWriter &w, const Dib &page, const WmfLayout &l) {
    w.Record(l.stretchSize, [&](ByteSink &s) {
        PutRecordHead(s, l.stretchSize, kMetaStretchDib);
        s.U32LE(kSrcCopy);                  // RasterOperation
        s.U16LE(kDibRgbColors);             // ColorUsage
        s.U16LE(uint16_t(page.height));     // SrcHeight
        s.U16LE(uint16_t(page.width));      // SrcWidth
        s.U16LE(0);                         // YSrc
        s.U16LE(0);                         // XSrc
        s.U16LE(uint16_t(l.dest.height));   // DestHeight
        s.U16LE(uint16_t(l.dest.width));    // DestWidth
        s.U16LE(0);                         // yDst
        s.U16LE(0);                         // xDst
        PutBitmapInfoHeader(s, page);       // DIB: the bitmap header
        PutPixels(s, page, l.paddedPixels); // DIB: the bits
    });
}

void PutEof(RecordWriter &w) {
    w.Record(kEofSize, [](ByteSink &s) { PutRecordHead(s, kEofSize, kMetaEof); });
}

void PutRecords(RecordWriter &w, const Dib &page, const WmfLayout &l) {
    PutCreatePen(w);
    PutCreateBrush(w);
    PutObjectRecord(w, kMetaSelectObject, kPenObject);
    PutObjectRecord(w, kMetaSelectObject, kBrushObject);
    PutRectangle(w, l.dest);
    PutStretchMode(w);
    PutStretchDib(w, page, l);
    PutObjectRecord(w, kMetaDeleteObject, kPenObject);
    PutObjectRecord(w, kMetaDeleteObject, kBrushObject);
    PutEof(w);
}

} // namespace

Status WriteWmf(const Dib &page, const std::string &path, int width, int height) {
    if (!page.IsValid() || page.bpp != 24)
        return Status::Fail("WMF takes only true-colour pages");
    if (!HasBitmapRows(page))
        return Status::Fail("Page rows are not laid out as a bitmap's");
    WmfLayout layout;
    if (Status planned = PlanWmf(page, TargetFor(page, width, height), layout); !planned)
        return planned;
    return WriteMetafile(path, layout.fileSize, [&](RecordWriter &records) {
        records.Record(kHeaderSize, [&](ByteSink &s) { PutHeader(s, layout); });
        PutRecords(records, page, layout);
    });
}

} // namespace imageconv
