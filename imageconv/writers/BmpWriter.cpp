// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Windows bitmap writer: uncompressed, bottom-up, 40-byte information header.
// The rows come from a page in memory, or straight from a page file whose
// rows are laid out as the page's would be (WriteBmpFromFile).
//
// The file is written through an OutputFile: under a temporary name beside
// its destination, moved over it only once every byte was written and the
// file closed without error, so a failed write never damages a file already
// at the path.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

#include "imageconv/Writers.h"
#include "imageconv/ops/PageFile.h"
#include "imageconv/writers/WriterSupport.h"

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

// The sizes of the file for one page.
struct BmpLayout {
    uint32_t entries = 0;   // palette entries written
    uint32_t important = 0; // biClrImportant
    uint64_t pixelBytes = 0;
    uint64_t offBits = 0;
    uint64_t fileSize = 0;
};

// Palette: one entry per colour in use.
BmpLayout PlanBmp(const Dib &page) {
    const int bpp = page.bpp;
    BmpLayout l;
    if (bpp <= 8) {
        const uint32_t maxEntries = 1u << bpp;
        l.entries = page.colorsUsed > 0 ? uint32_t(page.colorsUsed) : uint32_t(page.palette.size());
        if (l.entries == 0 || l.entries > maxEntries)
            l.entries = maxEntries;
    }
    l.pixelBytes = uint64_t(page.stride) * uint64_t(page.height);
    l.offBits = kFileHeaderSize + kInfoHeaderSize + uint64_t(l.entries) * 4;
    l.fileSize = l.offBits + l.pixelBytes;
    if (bpp <= 8 && page.colorsImportant > 0 && uint32_t(page.colorsImportant) <= l.entries)
        l.important = uint32_t(page.colorsImportant);
    return l;
}

// The file header, the information header and the palette.
std::vector<uint8_t> BmpHead(const Dib &page, const BmpLayout &l) {
    std::vector<uint8_t> head(size_t(l.offBits), 0);
    uint8_t *fh = head.data();
    // BITMAPFILEHEADER
    fh[0] = 'B';
    fh[1] = 'M';
    Put32(fh + 2, uint32_t(l.fileSize)); // bfSize
    Put16(fh + 6, 0);                    // bfReserved1
    Put16(fh + 8, 0);                    // bfReserved2
    Put32(fh + 10, uint32_t(l.offBits)); // bfOffBits
    // BITMAPINFOHEADER
    uint8_t *ih = fh + kFileHeaderSize;
    Put32(ih + 0, kInfoHeaderSize);               // biSize
    Put32(ih + 4, uint32_t(page.width));          // biWidth
    Put32(ih + 8, uint32_t(page.height));         // biHeight, positive: bottom-up
    Put16(ih + 12, 1);                            // biPlanes
    Put16(ih + 14, uint32_t(page.bpp));           // biBitCount
    Put32(ih + 16, 0);                            // biCompression = BI_RGB
    Put32(ih + 20, uint32_t(l.pixelBytes));       // biSizeImage
    Put32(ih + 24, uint32_t(page.xPelsPerMeter)); // biXPelsPerMeter
    Put32(ih + 28, uint32_t(page.yPelsPerMeter)); // biYPelsPerMeter
    Put32(ih + 32, l.entries);                    // biClrUsed
    Put32(ih + 36, l.important);                  // biClrImportant
    // RGBQUAD palette: blue, green, red, 0
    uint8_t *pal = ih + kInfoHeaderSize;
    for (uint32_t i = 0; i < l.entries; ++i) {
        const RgbQuad c = i < page.palette.size() ? page.palette[i] : RgbQuad{};
        pal[i * 4 + 0] = c.blue;
        pal[i * 4 + 1] = c.green;
        pal[i * 4 + 2] = c.red;
        pal[i * 4 + 3] = 0;
    }
    return head;
}

// Where a row's written bytes end: `used` bytes hold pixels, the last of
// them `spare` bits past the last pixel; the rest, to the stride, is padding.
struct RowEnd {
    size_t used = 0;
    int spare = 0;
    uint8_t lastMask = 0xff;

    explicit RowEnd(const Dib &page)
        : used((size_t(page.width) * size_t(page.bpp) + 7) / 8),
          spare(int(used * 8 - size_t(page.width) * size_t(page.bpp))),
          lastMask(uint8_t(0xff << spare)) {}
};

// Rows bottom-up, as held; padding bytes and bits past the last pixel are
// written as zeros. A page whose rows already read that way (the usual case:
// a page read from a bitmap and left as it was) goes out in one write.
// Returns the bytes written.
uint64_t WriteBmpRows(const Dib &page, uint64_t pixelBytes, std::FILE *f) {
    const RowEnd end(page);
    bool clean = true;
    for (int y = 0; y < page.height && clean; ++y) {
        const uint8_t *r = page.Row(y);
        if (end.spare != 0 && (r[end.used - 1] & ~end.lastMask) != 0)
            clean = false;
        for (size_t k = end.used; k < page.stride && clean; ++k)
            clean = r[k] == 0;
    }
    if (clean)
        return std::fwrite(page.bits.data(), 1, size_t(pixelBytes), f);
    uint64_t written = 0;
    std::vector<uint8_t> row(page.stride, 0);
    for (int y = 0; y < page.height; ++y) {
        std::memcpy(row.data(), page.Row(y), end.used);
        if (end.spare != 0)
            row[end.used - 1] = uint8_t(row[end.used - 1] & end.lastMask);
        written += std::fwrite(row.data(), 1, row.size(), f);
    }
    return written;
}

// The bytes of a page file's rows go through a buffer of this size, small
// enough to stay in the processor's cache between its read and its write.
constexpr size_t kFileChunk = size_t(256) << 10;

// Zeroes the padding and spare bits that fall in bytes [from, from + size)
// of the pixel data, held in `chunk`.
void CleanChunk(uint8_t *chunk, uint64_t from, size_t size, size_t stride, const RowEnd &end) {
    if (end.used == stride && end.spare == 0)
        return;
    const uint64_t to = from + size;
    for (uint64_t row = from / stride; row * stride < to; ++row) {
        const uint64_t start = row * stride;
        if (end.spare != 0) {
            const uint64_t last = start + end.used - 1;
            if (last >= from && last < to)
                chunk[last - from] = uint8_t(chunk[last - from] & end.lastMask);
        }
        const uint64_t padFrom = std::max(from, start + end.used);
        const uint64_t padTo = std::min(to, start + stride);
        if (padFrom < padTo)
            std::memset(chunk + (padFrom - from), 0, size_t(padTo - padFrom));
    }
}

bool WriteAll(int fd, const uint8_t *p, size_t size, int *err) {
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *err = n < 0 ? errno : ENOSPC;
            return false;
        }
        p += n;
        size -= size_t(n);
    }
    return true;
}

// The rows of `page`'s layout, read from `fd` at `offset`, written as
// WriteBmpRows writes a page's rows, straight to the output's descriptor
// once what its stream holds is out. Returns the bytes written; *readFailed
// is set when the file ended or could not be read before the last row.
uint64_t CopyFileRows(const Dib &page, uint64_t pixelBytes, int fd, uint64_t offset,
                      OutputFile &out, bool *readFailed) {
    const RowEnd end(page);
    std::vector<uint8_t> chunk(size_t(std::min<uint64_t>(kFileChunk, pixelBytes)));
    if (std::fflush(out.File()) != 0)
        return 0;
    uint64_t done = 0;
    while (done < pixelBytes) {
        const size_t n = size_t(std::min<uint64_t>(chunk.size(), pixelBytes - done));
        if (!ReadFileAt(fd, offset + done, chunk.data(), n)) {
            *readFailed = true;
            break;
        }
        CleanChunk(chunk.data(), done, n, page.stride, end);
        if (int err = 0; !WriteAll(out.Fd(), chunk.data(), n, &err)) {
            out.NoteError(err);
            break;
        }
        done += n;
    }
    return done;
}

// The checks and the sizes every BMP file makes.
Status PlanFile(const Dib &page, const std::string &path, BmpLayout &layout) {
    const int bpp = page.bpp;
    if (page.width <= 0 || page.height <= 0 || (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24))
        return Status::Fail("BMP takes 1, 4, 8 or 24-bit pages");
    if (path.empty())
        return Status::Fail("No output file name");
    if (page.stride != Dib::StrideFor(page.width, bpp))
        return Status::Fail("Page rows are not laid out as a bitmap's");
    layout = PlanBmp(page);
    if (layout.fileSize > 0xffffffffULL)
        return Status::Fail("page too large for the format (" + std::to_string(layout.fileSize) +
                            " bytes, at most 4294967295)");
    return Status::Ok();
}

// Writes the head and the rows (`rows` writes them, returning the bytes
// written) and puts the file in place.
template <class Rows>
Status WriteFile(const Dib &page, const BmpLayout &layout, const std::string &path, Rows rows) {
    const std::vector<uint8_t> head = BmpHead(page, layout);
    OutputFile out(path);
    if (!out.IsOpen())
        return out.OpenStatus();
    uint64_t written = std::fwrite(head.data(), 1, head.size(), out.File());
    written += rows(out);
    if (Status closed = out.CloseStream(); !closed)
        return closed;
    if (written != layout.fileSize)
        return out.Failure("Cannot write " + path);
    return out.Commit();
}

} // namespace

Status WriteBmp(const Dib &page, const std::string &path) {
    if (!page.IsValid())
        return Status::Fail("BMP takes 1, 4, 8 or 24-bit pages");
    BmpLayout layout;
    if (Status planned = PlanFile(page, path, layout); !planned)
        return planned;
    return WriteFile(page, layout, path, [&](OutputFile &out) {
        return WriteBmpRows(page, layout.pixelBytes, out.File());
    });
}

Status WriteBmpFromFile(const Dib &page, int fd, uint64_t offset, const std::string &path,
                        bool *readFailed) {
    *readFailed = false;
    BmpLayout layout;
    if (Status planned = PlanFile(page, path, layout); !planned)
        return planned;
    try {
        Status s = WriteFile(page, layout, path, [&](OutputFile &out) {
            return CopyFileRows(page, layout.pixelBytes, fd, offset, out, readFailed);
        });
        return *readFailed ? Status::Fail("cannot read the pixel data") : s;
    } catch (const std::bad_alloc &) {
        return Status::Fail("out of memory");
    }
}

} // namespace imageconv
