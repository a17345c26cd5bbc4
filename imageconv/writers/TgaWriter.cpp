// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Targa writer, uncompressed.
//
//   offset  size  field
//   0       1     ID length 0
//   1       1     colour map type (1 with a map, else 0)
//   2       1     image type: 1 colour-mapped (8 bits), 2 true colour (24)
//   3       2     first colour map entry 0 (LE16)
//   5       2     colour map length: 256 or 0
//   7       1     colour map entry size: 24 or 0
//   8       4     x, y origin 0
//   12      4     width, height (LE16)
//   16      1     bits per pixel: 8 or 24
//   17      1     descriptor 0: origin at the lower left, no alpha
//   18            colour map (blue, green, red), then rows bottom-up
#include "imageconv/Writers.h"
#include "imageconv/writers/WriterSupport.h"

namespace imageconv {

Status WriteTga(const Dib &page, const std::string &path) {
    if (!page.IsValid())
        return Status::Fail("Empty page");
    if (page.bpp != 8 && page.bpp != 24)
        return Status::Fail("Bit depth must be 8 or 24");
    if (page.width > 0xffff || page.height > 0xffff)
        return TooLarge(page, 0xffff);
    const bool mapped = page.bpp == 8;
    const size_t rowBytes = size_t(page.width) * (mapped ? 1 : 3);
    const uint64_t expected =
        18 + (mapped ? 256 * 3 : 0) + uint64_t(rowBytes) * uint64_t(page.height);

    OutputFile out(path);
    if (!out.IsOpen())
        return out.OpenStatus();
    {
        ByteSink sink(out.File());
        sink.U8(0);
        sink.U8(mapped ? 1 : 0);
        sink.U8(mapped ? 1 : 2);
        sink.U16LE(0);
        sink.U16LE(mapped ? 256 : 0);
        sink.U8(mapped ? 24 : 0);
        sink.U16LE(0);
        sink.U16LE(0);
        sink.U16LE(unsigned(page.width));
        sink.U16LE(unsigned(page.height));
        sink.U8(unsigned(page.bpp));
        sink.U8(0);
        if (mapped) {
            for (int i = 0; i < 256; ++i) {
                const RgbQuad c = UsedPaletteEntry(page, i);
                sink.U8(c.blue);
                sink.U8(c.green);
                sink.U8(c.red);
            }
        }
        for (int y = 0; y < page.height; ++y)
            sink.Bytes(page.Row(y), rowBytes);
        if (!sink.Flush() || sink.Count() != expected)
            return out.Failure("Cannot write " + path);
    }
    return out.Commit();
}

} // namespace imageconv
