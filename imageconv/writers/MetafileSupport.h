// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// What the EMF and WMF writers share: the fixed reference screen the frame
// is computed against, the target rectangle, the page's bitmap header, and
// the record writer that checks every record against the size it declared.
//
// Both writers plan the whole file first (every record's size, in 64 bits,
// checked against the format's 32-bit fields) and only then open it; the
// records go through a ByteSink, little-endian, one field a line.
#pragma once

#include <cstdint>
#include <string>

#include "imageconv/Dib.h"
#include "imageconv/Status.h"
#include "imageconv/writers/WriterSupport.h"

namespace imageconv {

// The reference screen: 1920 x 1080 pixels over 508 x 286 millimetres, so
// the same page always gives the same file.
constexpr int kScreenPixelsX = 1920;
constexpr int kScreenPixelsY = 1080;
constexpr int kScreenMillimetresX = 508;
constexpr int kScreenMillimetresY = 286;

// The rectangle the page is drawn into: the target size, or the page's own
// size in pixels for a dimension that is not set, so the picture always has
// an area.
struct MetafileTarget {
    int32_t width;
    int32_t height;
};

inline MetafileTarget TargetFor(const Dib &page, int width, int height) {
    return MetafileTarget{width > 0 ? width : page.width, height > 0 ? height : page.height};
}

// Raster operation and colour use of the stretched page, the same numbers
// in both formats.
constexpr uint32_t kSrcCopy = 0x00CC0020; // SRCCOPY: source copied as it is
constexpr uint32_t kDibRgbColors = 0;     // DIB_RGB_COLORS: no palette indices
constexpr uint32_t kColorOnColor = 3;     // COLORONCOLOR stretch mode
constexpr uint32_t kWhite = 0x00FFFFFF;   // COLORREF: red, green, blue, 0
constexpr uint32_t kPsSolid = 0;          // PS_SOLID pen style
constexpr uint32_t kBsSolid = 0;          // BS_SOLID brush style
constexpr uint64_t kBitmapInfoHeaderSize = 40;

// Bytes `n` takes once padded to a multiple of `unit` (2 or 4).
constexpr uint64_t PadTo(uint64_t n, uint64_t unit) {
    return (n + unit - 1) / unit * unit;
}

// The page's pixels as the metafile carries them: 24-bit rows, bottom-up,
// each padded to 4 bytes, exactly as the page holds them.
inline uint64_t PixelBytes(const Dib &page) {
    return uint64_t(page.bits.size());
}

// True when the page's rows are laid out as a bitmap's, so its pixels can
// go into the file as they are.
inline bool HasBitmapRows(const Dib &page) {
    return page.bpp == 24 && page.stride == Dib::StrideFor(page.width, 24) &&
           PixelBytes(page) == uint64_t(page.stride) * uint64_t(page.height);
}

// BITMAPINFOHEADER of the whole page: uncompressed, 24 bits, bottom-up,
// with the page's resolution.
inline void PutBitmapInfoHeader(ByteSink &s, const Dib &page) {
    s.U32LE(uint32_t(kBitmapInfoHeaderSize)); // biSize
    s.U32LE(uint32_t(page.width));            // biWidth
    s.U32LE(uint32_t(page.height));           // biHeight, positive: bottom-up
    s.U16LE(1);                               // biPlanes
    s.U16LE(24);                              // biBitCount
    s.U32LE(0);                               // biCompression = BI_RGB
    s.U32LE(uint32_t(PixelBytes(page)));      // biSizeImage
    s.U32LE(uint32_t(page.xPelsPerMeter));    // biXPelsPerMeter
    s.U32LE(uint32_t(page.yPelsPerMeter));    // biYPelsPerMeter
    s.U32LE(0);                               // biClrUsed
    s.U32LE(0);                               // biClrImportant
}

// The page's pixels, then zeros up to `padded` bytes.
inline void PutPixels(ByteSink &s, const Dib &page, uint64_t padded) {
    s.Bytes(page.bits.data(), page.bits.size());
    s.Zeros(size_t(padded - PixelBytes(page)));
}

// Writes records through a ByteSink. Each record states the size its
// header declares; one whose fields add up to another size marks the file
// as wrong, and Commit then refuses it.
class RecordWriter {
public:
    explicit RecordWriter(ByteSink &sink) : sink_(sink) {}

    template <class Fields> void Record(uint64_t size, Fields fields) {
        const uint64_t start = sink_.Count();
        fields(sink_);
        if (sink_.Count() - start != size)
            sizesAddUp_ = false;
    }

    // Flushes the records and puts the file in place, once every record
    // held its size and the file is the `fileSize` bytes planned.
    Status Commit(OutputFile &out, uint64_t fileSize, const std::string &path) {
        if (!sink_.Flush() || !sizesAddUp_ || sink_.Count() != fileSize)
            return out.Failure("Cannot write " + path);
        return out.Commit();
    }

private:
    ByteSink &sink_;
    bool sizesAddUp_ = true;
};

// Creates the file at `path`, writes the records `put` gives a
// RecordWriter, and puts the file in place once it holds the `fileSize`
// bytes planned.
template <class Records>
Status WriteMetafile(const std::string &path, uint64_t fileSize, Records put) {
    OutputFile out(path);
    if (!out.IsOpen())
        return out.OpenStatus();
    ByteSink sink(out.File());
    RecordWriter records(sink);
    put(records);
    return records.Commit(out, fileSize, path);
}

} // namespace imageconv
