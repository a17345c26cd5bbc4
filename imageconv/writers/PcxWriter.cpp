// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PCX (version 5, run-length encoded) writer.
//
//   offset  size  field
//   0       1     manufacturer 10
//   1       1     version 5
//   2       1     encoding 1 (run-length)
//   3       1     bits per pixel per plane
//   4       8     window xmin, ymin, xmax, ymax (LE16): 0, 0, w-1, h-1
//   12      4     horizontal, vertical dpi (LE16)
//   16      48    16-entry header palette, red, green, blue
//   64      1     reserved 0
//   65      1     planes
//   66      2     bytes per plane line (even)
//   68      2     palette info 1 (colour)
//   70      58    zero
//   128           scan lines from the top, each plane line run-length
//                 encoded on its own
//   8-bit pages end with the marker 12 and 256 red, green, blue triples.
//
//   depth  bits/plane  planes          palette
//   1      1           1               header: 0 black, 1 white
//   4      1           4 (bit 0 first) header: the 16 colours
//   8      8           1               trailing 256 colours
//   24     8           3 (R, G, B)     none
#include <algorithm>
#include <vector>

#include "imageconv/Writers.h"
#include "imageconv/writers/WriterSupport.h"

namespace imageconv {

namespace {

// One plane line: runs of up to 63 equal bytes as (0xC0 | count, byte); a
// single byte below 0xC0 goes out as itself.
void EncodeLine(ByteSink &sink, const uint8_t *p, size_t n) {
    size_t i = 0;
    while (i < n) {
        uint8_t v = p[i];
        size_t run = 1;
        while (i + run < n && run < 63 && p[i + run] == v)
            ++run;
        if (run > 1 || v >= 0xc0)
            sink.U8(0xc0 | unsigned(run));
        sink.U8(v);
        i += run;
    }
}

// How the page's rows become plane lines.
struct PcxLayout {
    int bitsPerPlane = 8;
    int planes = 1;
    size_t lineBytes = 0; // per plane line, even
    bool invert = false;  // 1 bit: entry 0 is the brighter one
};

PcxLayout PlanPcx(const Dib &page) {
    PcxLayout l;
    l.bitsPerPlane = page.bpp == 1 || page.bpp == 4 ? 1 : 8;
    l.planes = page.bpp == 4 ? 4 : page.bpp == 24 ? 3 : 1;
    l.lineBytes = (size_t(page.width) * size_t(l.bitsPerPlane) + 7) / 8;
    l.lineBytes += l.lineBytes & 1;
    l.invert =
        page.bpp == 1 && Brightness(PaletteEntry(page, 0)) > Brightness(PaletteEntry(page, 1));
    return l;
}

// The 128-byte header.
void PutPcxHeader(ByteSink &sink, const Dib &page, const PcxLayout &l) {
    sink.U8(10);
    sink.U8(5);
    sink.U8(1);
    sink.U8(unsigned(l.bitsPerPlane));
    sink.U16LE(0);
    sink.U16LE(0);
    sink.U16LE(unsigned(page.width - 1));
    sink.U16LE(unsigned(page.height - 1));
    sink.U16LE(unsigned(page.xDpi < 0 ? 0 : page.xDpi > 0xffff ? 0xffff : page.xDpi));
    sink.U16LE(unsigned(page.yDpi < 0 ? 0 : page.yDpi > 0xffff ? 0xffff : page.yDpi));
    for (int i = 0; i < 16; ++i) {
        RgbQuad c{};
        if (page.bpp == 1)
            c = i == 1 ? RgbQuad{255, 255, 255, 0} : RgbQuad{};
        else if (page.bpp == 4 && i < PaletteCount(page))
            c = page.palette[size_t(i)];
        sink.U8(c.red);
        sink.U8(c.green);
        sink.U8(c.blue);
    }
    sink.U8(0);
    sink.U8(unsigned(l.planes));
    sink.U16LE(unsigned(l.lineBytes));
    sink.U16LE(1);
    sink.Zeros(58);
}

// One row of the page as its plane lines, one after the other in `plane`.
void SplitPlanes(const Dib &page, const PcxLayout &l, const uint8_t *src,
                 std::vector<uint8_t> &plane) {
    const size_t lineBytes = l.lineBytes;
    std::fill(plane.begin(), plane.end(), 0);
    switch (page.bpp) {
    case 1: {
        size_t n = (size_t(page.width) + 7) / 8;
        for (size_t i = 0; i < n; ++i)
            plane[i] = l.invert ? uint8_t(~src[i]) : src[i];
        int tail = page.width % 8;
        if (tail)
            plane[n - 1] &= uint8_t(0xff << (8 - tail));
        break;
    }
    case 4:
        for (int x = 0; x < page.width; ++x) {
            int index = Dib::IndexAt(src, x, 4);
            uint8_t mask = uint8_t(0x80 >> (x & 7));
            for (int b = 0; b < 4; ++b)
                if (index & (1 << b))
                    plane[size_t(b) * lineBytes + size_t(x >> 3)] |= mask;
        }
        break;
    case 8:
        std::copy(src, src + page.width, plane.begin());
        break;
    default:
        for (int x = 0; x < page.width; ++x) {
            plane[size_t(x)] = src[3 * x + 2];
            plane[lineBytes + size_t(x)] = src[3 * x + 1];
            plane[2 * lineBytes + size_t(x)] = src[3 * x];
        }
        break;
    }
}

// The trailing 256-colour palette of an 8-bit page.
void PutPcxPalette(ByteSink &sink, const Dib &page) {
    sink.U8(12);
    for (int i = 0; i < 256; ++i) {
        const RgbQuad c = UsedPaletteEntry(page, i);
        sink.U8(c.red);
        sink.U8(c.green);
        sink.U8(c.blue);
    }
}

} // namespace

Status WritePcx(const Dib &page, const std::string &path) {
    if (!page.IsValid() || (page.bpp != 1 && page.bpp != 4 && page.bpp != 8 && page.bpp != 24))
        return Status::Fail("PCX takes 1, 4, 8 or 24-bit pages");
    if (page.width > 0x10000 || page.height > 0x10000)
        return TooLarge(page, 0x10000);
    const PcxLayout l = PlanPcx(page);
    if (l.lineBytes > 0xffff)
        return TooLarge(page, 0x10000);

    OutputFile out(path);
    if (!out.IsOpen())
        return out.OpenStatus();
    {
        ByteSink sink(out.File());
        PutPcxHeader(sink, page, l);
        if (sink.Count() != 128)
            return Status::Fail("PCX header size mismatch");
        std::vector<uint8_t> plane(l.lineBytes * size_t(l.planes));
        for (int y = page.height - 1; y >= 0; --y) {
            SplitPlanes(page, l, page.Row(y), plane);
            for (int p = 0; p < l.planes; ++p)
                EncodeLine(sink, plane.data() + size_t(p) * l.lineBytes, l.lineBytes);
        }
        if (page.bpp == 8)
            PutPcxPalette(sink, page);
        if (!sink.Flush())
            return out.Failure("Cannot write " + path);
    }
    return out.Commit();
}

} // namespace imageconv
