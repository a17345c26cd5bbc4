// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Sun raster writer (standard type, no colour map).
//
//   offset  size  field (big-endian 32-bit words)
//   0       4     magic 0x59a66a95
//   4       4     width
//   8       4     height
//   12      4     depth: 8 or 24
//   16      4     length of the image data
//   20      4     type 1 (standard)
//   24      4     colour map type 0 (none)
//   28      4     colour map length 0
//   32            rows from the top, each padded to a multiple of 16 bits;
//                 8-bit pixels are grey levels, 24-bit pixels blue, green, red
#include <array>
#include <vector>

#include "imageconv/Writers.h"
#include "imageconv/writers/WriterSupport.h"

namespace imageconv {

Status WriteRas(const Dib &page, const std::string &path) {
    std::array<uint8_t, 256> grey{};
    if (!page.IsValid() || (page.bpp != 24 && !GreyLevels(page, grey)))
        return Status::Fail("JasPer can save only RGB or GrayScale images");
    const size_t pixelBytes = size_t(page.width) * (page.bpp == 24 ? 3 : 1);
    const size_t rowBytes = pixelBytes + (pixelBytes & 1);
    const uint64_t length = uint64_t(rowBytes) * uint64_t(page.height);
    if (length > 0xffffffffULL)
        return Status::Fail("page too large for the format (" + std::to_string(page.width) + " x " +
                            std::to_string(page.height) + " pixels, over 4 GB of pixel data)");

    OutputFile out(path);
    if (!out.IsOpen())
        return out.OpenStatus();
    {
        ByteSink sink(out.File());
        sink.U32BE(0x59a66a95u);
        sink.U32BE(uint32_t(page.width));
        sink.U32BE(uint32_t(page.height));
        sink.U32BE(uint32_t(page.bpp));
        sink.U32BE(uint32_t(length));
        sink.U32BE(1);
        sink.U32BE(0);
        sink.U32BE(0);
        std::vector<uint8_t> row(rowBytes, 0);
        for (int y = page.height - 1; y >= 0; --y) {
            const uint8_t *src = page.Row(y);
            if (page.bpp == 24) {
                std::copy(src, src + pixelBytes, row.begin());
            } else {
                for (int x = 0; x < page.width; ++x)
                    row[size_t(x)] = grey[src[x]];
            }
            sink.Bytes(row.data(), rowBytes);
        }
        if (!sink.Flush() || sink.Count() != 32 + length)
            return out.Failure("Cannot write " + path);
    }
    return out.Commit();
}

} // namespace imageconv
