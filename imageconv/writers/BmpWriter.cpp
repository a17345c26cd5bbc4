// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Windows bitmap writer: uncompressed, bottom-up, 40-byte information header.
//
// The file is written beside its destination under a temporary name and
// renamed over it only once every byte was written and the file closed
// without error, so a failed write never damages a file already at the path.
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/LiveTemporaries.h"
#include "imageconv/Writers.h"

namespace imageconv {
namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;

void Put16(uint8_t *p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t *p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// A new file next to `path` that no one else uses, opened for writing.
std::FILE *CreateTemporary(const std::string &path, std::string &tempPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        // A short hidden name in the same folder, so the final rename stays
        // on one file system and a long file name can't push it past the limit.
        const size_t slash = path.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
        tempPath = folder + ".~bmp-" + std::to_string(getpid()) + "-" +
                   std::to_string(counter.fetch_add(1));
        int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            RegisterTemporary(tempPath);
            std::FILE *f = fdopen(fd, "wb");
            if (!f) {
                close(fd);
                unlink(tempPath.c_str());
            }
            return f;
        }
        if (errno != EEXIST)
            return nullptr;
    }
    return nullptr;
}

} // namespace

Status WriteBmp(const Dib &page, const std::string &path) {
    const int bpp = page.bpp;
    if (!page.IsValid() || (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24))
        return Status::Fail("BMP takes 1, 4, 8 or 24-bit pages");
    if (path.empty())
        return Status::Fail("No output file name");
    if (page.stride != Dib::StrideFor(page.width, bpp))
        return Status::Fail("Page rows are not laid out as a bitmap's");

    // Palette: one entry per colour in use.
    uint32_t entries = 0;
    if (bpp <= 8) {
        const uint32_t maxEntries = 1u << bpp;
        entries = page.colorsUsed > 0 ? uint32_t(page.colorsUsed) : uint32_t(page.palette.size());
        if (entries == 0 || entries > maxEntries)
            entries = maxEntries;
    }
    const uint64_t paletteBytes = uint64_t(entries) * 4;
    const uint64_t pixelBytes = uint64_t(page.stride) * uint64_t(page.height);
    const uint64_t offBits = kFileHeaderSize + kInfoHeaderSize + paletteBytes;
    const uint64_t fileSize = offBits + pixelBytes;
    if (fileSize > 0xffffffffULL)
        return Status::Fail("Page too large for BMP");
    uint32_t important = 0;
    if (bpp <= 8 && page.colorsImportant > 0 && uint32_t(page.colorsImportant) <= entries)
        important = uint32_t(page.colorsImportant);

    std::vector<uint8_t> head(size_t(offBits), 0);
    uint8_t *fh = head.data();
    // BITMAPFILEHEADER
    fh[0] = 'B';
    fh[1] = 'M';
    Put32(fh + 2, uint32_t(fileSize)); // bfSize
    Put16(fh + 6, 0);                  // bfReserved1
    Put16(fh + 8, 0);                  // bfReserved2
    Put32(fh + 10, uint32_t(offBits)); // bfOffBits
    // BITMAPINFOHEADER
    uint8_t *ih = fh + kFileHeaderSize;
    Put32(ih + 0, kInfoHeaderSize);               // biSize
    Put32(ih + 4, uint32_t(page.width));          // biWidth
    Put32(ih + 8, uint32_t(page.height));         // biHeight, positive: bottom-up
    Put16(ih + 12, 1);                            // biPlanes
    Put16(ih + 14, uint32_t(bpp));                // biBitCount
    Put32(ih + 16, 0);                            // biCompression = BI_RGB
    Put32(ih + 20, uint32_t(pixelBytes));         // biSizeImage
    Put32(ih + 24, uint32_t(page.xPelsPerMeter)); // biXPelsPerMeter
    Put32(ih + 28, uint32_t(page.yPelsPerMeter)); // biYPelsPerMeter
    Put32(ih + 32, entries);                      // biClrUsed
    Put32(ih + 36, important);                    // biClrImportant
    // RGBQUAD palette: blue, green, red, 0
    uint8_t *pal = ih + kInfoHeaderSize;
    for (uint32_t i = 0; i < entries; ++i) {
        const RgbQuad c = i < page.palette.size() ? page.palette[i] : RgbQuad{};
        pal[i * 4 + 0] = c.blue;
        pal[i * 4 + 1] = c.green;
        pal[i * 4 + 2] = c.red;
        pal[i * 4 + 3] = 0;
    }

    std::string tempPath;
    std::FILE *f = CreateTemporary(path, tempPath);
    if (!f)
        return Status::Fail("Cannot create " + path + ": " + std::strerror(errno));
    uint64_t written = std::fwrite(head.data(), 1, head.size(), f);
    // Rows bottom-up, as held; padding bytes and bits past the last pixel
    // are written as zeros. A page whose rows already read that way (the
    // usual case: a page read from a bitmap and left as it was) goes out in
    // one write.
    const size_t used = (size_t(page.width) * size_t(bpp) + 7) / 8;
    const int spare = int(used * 8 - size_t(page.width) * size_t(bpp));
    const uint8_t lastMask = uint8_t(0xff << spare);
    bool clean = true;
    for (int y = 0; y < page.height && clean; ++y) {
        const uint8_t *r = page.Row(y);
        if (spare != 0 && (r[used - 1] & ~lastMask) != 0)
            clean = false;
        for (size_t k = used; k < page.stride && clean; ++k)
            clean = r[k] == 0;
    }
    if (clean) {
        written += std::fwrite(page.bits.data(), 1, size_t(pixelBytes), f);
    } else {
        std::vector<uint8_t> row(page.stride, 0);
        for (int y = 0; y < page.height; ++y) {
            std::memcpy(row.data(), page.Row(y), used);
            if (spare != 0)
                row[used - 1] = uint8_t(row[used - 1] & lastMask);
            written += std::fwrite(row.data(), 1, row.size(), f);
        }
    }
    const bool flushed = std::fflush(f) == 0 && !std::ferror(f);
    const bool closed = std::fclose(f) == 0;
    if (written != fileSize || !flushed || !closed) {
        unlink(tempPath.c_str());
        return Status::Fail("Cannot write " + path);
    }
    if (std::rename(tempPath.c_str(), path.c_str()) != 0) {
        const int error = errno;
        unlink(tempPath.c_str());
        return Status::Fail("Cannot replace " + path + ": " + std::strerror(error));
    }
    return Status::Ok();
}

} // namespace imageconv
