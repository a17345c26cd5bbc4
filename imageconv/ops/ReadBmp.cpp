// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Windows bitmap reader: uncompressed 1, 4, 8 and 24-bit files.
//
// The file is opened without blocking and without following a link, and
// only a regular file is read, so a FIFO or device put in a page's place
// can't hang the reader. Every size in the headers is checked against the
// file's real length and against the converter's page limit (at the 24 bits
// every page is worked at) before anything is allocated or read, so a
// truncated, lying or oversized file is refused rather than read. The pixels
// come in with one read into the page's buffer.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "imageconv/PageOps.h"
#include "imageconv/ops/PageFile.h"

namespace imageconv {
namespace {

uint16_t Le16(const uint8_t *p) {
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t Le32(const uint8_t *p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
int32_t Le32s(const uint8_t *p) {
    return int32_t(Le32(p));
}

// Pages are kept bottom row first: a top-down file's rows swap in place.
void FlipRows(Dib &page) {
    for (int top = 0, bottom = page.height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(page.Row(top), page.Row(top) + page.stride, page.Row(bottom));
}

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kBiRgb = 0;

using BmpHeader = PageFile::Header;

// Opens a page file: a regular file with no other name, not larger than any
// page file can be.
Status OpenPageFile(const std::string &path, int &fd, uint64_t &fileSize) {
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        return Status::SystemFail(err, "cannot open " + path + ": " + std::strerror(err));
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return Status::Fail("not a regular file: " + path);
    // A page file is the interpreter's own: another name for it would be
    // some other file made to look like a page.
    if (st.st_nlink != 1)
        return Status::Fail("page file has other names: " + path);
    fileSize = uint64_t(st.st_size);
    if (fileSize > Dib::kMaxPageFileBytes)
        return Status::Fail("larger than any page file: " + path);
    return Status::Ok();
}

// The file header and the information header (its own size comes first).
Status ReadHeaders(int fd, BmpHeader &h) {
    // BITMAPFILEHEADER
    uint8_t fh[kFileHeaderSize];
    if (h.fileSize < kFileHeaderSize + kCoreHeaderSize || !ReadFileAt(fd, 0, fh, sizeof fh))
        return Status::Fail("file too short for a bitmap header");
    if (fh[0] != 'B' || fh[1] != 'M')
        return Status::Fail("no BM signature");
    h.offBits = Le32(fh + 10);

    uint8_t ih[kInfoHeaderSize] = {};
    if (!ReadFileAt(fd, kFileHeaderSize, ih, 4))
        return Status::Fail("truncated information header");
    h.headerSize = Le32(ih);
    if (h.headerSize == kCoreHeaderSize) {
        // BITMAPCOREHEADER: 16-bit sizes, 3-byte palette entries.
        if (!ReadFileAt(fd, kFileHeaderSize, ih, kCoreHeaderSize))
            return Status::Fail("truncated core header");
        h.width = Le16(ih + 4);
        h.height = Le16(ih + 6);
        h.planes = Le16(ih + 8);
        h.bitCount = Le16(ih + 10);
        h.paletteEntrySize = 3;
    } else if (h.headerSize >= kInfoHeaderSize && h.headerSize <= 1024) {
        if (h.fileSize < uint64_t(kFileHeaderSize) + h.headerSize ||
            !ReadFileAt(fd, kFileHeaderSize, ih, kInfoHeaderSize))
            return Status::Fail("truncated information header");
        h.width = Le32s(ih + 4);
        h.height = Le32s(ih + 8);
        h.planes = Le16(ih + 12);
        h.bitCount = Le16(ih + 14);
        h.compression = Le32(ih + 16);
        h.xPels = Le32s(ih + 24);
        h.yPels = Le32s(ih + 28);
        h.clrUsed = Le32(ih + 32);
        h.clrImportant = Le32(ih + 36);
    } else {
        return Status::Fail("unknown information header size");
    }
    return Status::Ok();
}

// The kind of bitmap and its size: one this reader takes, within the page
// limit.
Status CheckShape(BmpHeader &h) {
    if (h.planes != 1)
        return Status::Fail("plane count is not 1");
    if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 24)
        return Status::Fail("unsupported bit depth");
    if (h.compression != kBiRgb)
        return Status::Fail("compressed bitmaps are not read");
    if (h.height < 0) {
        // INT32_MIN has no positive counterpart.
        if (h.height == INT32_MIN)
            return Status::Fail("bad height");
        h.topDown = true;
        h.height = -h.height;
    }
    if (h.width <= 0 || h.height <= 0)
        return Status::Fail("empty or negative size");
    if (!Dib::FitsWorkingLimit(h.width, h.height))
        return Status::Fail("page too large");
    return Status::Ok();
}

// The palette (right after the information header, at most 2^bits entries)
// and the pixels (|height| rows padded to 4 bytes) all inside the file.
Status CheckLayout(BmpHeader &h) {
    if (h.bitCount <= 8) {
        const uint32_t maxEntries = 1u << h.bitCount;
        h.paletteCount = h.clrUsed == 0 ? maxEntries : h.clrUsed;
        if (h.paletteCount > maxEntries)
            return Status::Fail("palette longer than the bit depth allows");
    }
    h.paletteOffset = uint64_t(kFileHeaderSize) + h.headerSize;
    const uint64_t paletteEnd = h.paletteOffset + uint64_t(h.paletteCount) * h.paletteEntrySize;
    if (paletteEnd > h.fileSize)
        return Status::Fail("palette runs past the end of the file");
    if (h.offBits < paletteEnd)
        return Status::Fail("pixel data overlaps the headers");
    const uint64_t stride = Dib::StrideFor(h.width, h.bitCount);
    if (stride == 0 || stride > Dib::kMaxBytes / uint64_t(h.height))
        return Status::Fail("page too large");
    const uint64_t pixelBytes = stride * uint64_t(h.height);
    if (uint64_t(h.offBits) > h.fileSize || pixelBytes > h.fileSize - h.offBits)
        return Status::Fail("pixel data runs past the end of the file");
    return Status::Ok();
}

// The palette's entries; those past the stored ones stay black, so every
// index has a colour.
Status ReadPalette(int fd, const BmpHeader &h, std::vector<RgbQuad> &palette) {
    try {
        palette.resize(h.bitCount <= 8 ? (size_t(1) << h.bitCount) : 0);
        if (h.paletteCount > 0) {
            std::vector<uint8_t> raw(size_t(h.paletteCount) * h.paletteEntrySize);
            if (!ReadFileAt(fd, h.paletteOffset, raw.data(), raw.size()))
                return Status::Fail("cannot read the palette");
            for (uint32_t i = 0; i < h.paletteCount; ++i) {
                const uint8_t *e = raw.data() + size_t(i) * h.paletteEntrySize;
                palette[i] = RgbQuad{e[0], e[1], e[2], 0};
            }
        }
    } catch (const std::bad_alloc &) {
        return Status::Fail("out of memory");
    }
    return Status::Ok();
}

// What a failed read leaves: an empty page whose pixel buffer keeps its
// capacity for the next page read into it.
void EmptyPage(Dib &page) {
    page.width = page.height = 0;
    page.stride = 0;
    page.bits.clear();
    page.palette.clear();
    page.colorsUsed = page.colorsImportant = 0;
}

} // namespace

bool ReadFileAt(int fd, uint64_t offset, void *buffer, size_t size) {
    auto *p = static_cast<uint8_t *>(buffer);
    while (size > 0) {
        ssize_t n = ::pread(fd, p, size, off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        offset += uint64_t(n);
        size -= size_t(n);
    }
    return true;
}

PageFile::~PageFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

Status PageFile::Open(const std::string &path) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    h_ = Header{};
    int fd = -1;
    Header h;
    Status s = OpenPageFile(path, fd, h.fileSize);
    if (s)
        s = ReadHeaders(fd, h);
    if (s)
        s = CheckShape(h);
    if (s)
        s = CheckLayout(h);
    if (!s) {
        if (fd >= 0)
            ::close(fd);
        return s;
    }
    fd_ = fd;
    h_ = h;
    return Status::Ok();
}

Status PageFile::Read(Dib &page) const {
    std::vector<RgbQuad> palette;
    Status s = fd_ < 0 ? Status::Fail("no page file open") : ReadPalette(fd_, h_, palette);
    if (!s) {
        EmptyPage(page);
        return s;
    }
    // Reshape keeps a buffer of the page's size as it is: every byte of it
    // is read over.
    try {
        if (!page.Reshape(h_.width, h_.height, h_.bitCount))
            return Status::Fail("page too large");
    } catch (const std::bad_alloc &) {
        page.Clear();
        return Status::Fail("out of memory");
    }
    if (!ReadFileAt(fd_, h_.offBits, page.bits.data(), page.bits.size())) {
        page.Clear();
        return Status::Fail("cannot read the pixel data");
    }
    if (h_.topDown)
        FlipRows(page);

    page.palette = std::move(palette);
    page.colorsUsed = int(h_.paletteCount);
    page.colorsImportant = h_.clrImportant <= h_.paletteCount ? int(h_.clrImportant) : 0;
    page.xPelsPerMeter = XPelsPerMeter();
    page.yPelsPerMeter = YPelsPerMeter();
    page.xDpi = int(page.xPelsPerMeter / 39.37007874015748 + 0.5);
    page.yDpi = int(page.yPelsPerMeter / 39.37007874015748 + 0.5);
    return Status::Ok();
}

Status ReadBmp(const std::string &path, Dib &page) {
    PageFile file;
    if (Status opened = file.Open(path); !opened) {
        EmptyPage(page);
        return opened;
    }
    return file.Read(page);
}

} // namespace imageconv
