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

namespace imageconv {
namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

uint16_t Le16(const uint8_t *p) {
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t Le32(const uint8_t *p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
int32_t Le32s(const uint8_t *p) {
    return int32_t(Le32(p));
}

bool ReadAt(int fd, uint64_t offset, void *buffer, size_t size) {
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

// Pages are kept bottom row first: a top-down file's rows swap in place.
void FlipRows(Dib &page) {
    for (int top = 0, bottom = page.height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(page.Row(top), page.Row(top) + page.stride, page.Row(bottom));
}

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kBiRgb = 0;

} // namespace

Status ReadBmp(const std::string &path, Dib &page) {
    // The pixel buffer keeps its capacity for the next page read into it.
    page.width = page.height = 0;
    page.stride = 0;
    page.bits.clear();
    page.palette.clear();
    page.colorsUsed = page.colorsImportant = 0;

    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (file.get() < 0)
        return Status::Fail("cannot open " + path + ": " + std::strerror(errno));
    struct stat st {};
    if (fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return Status::Fail("not a regular file: " + path);
    // A page file is the interpreter's own: another name for it would be
    // some other file made to look like a page.
    if (st.st_nlink != 1)
        return Status::Fail("page file has other names: " + path);
    const uint64_t fileSize = uint64_t(st.st_size);
    if (fileSize > Dib::kMaxPageFileBytes)
        return Status::Fail("larger than any page file: " + path);

    // BITMAPFILEHEADER
    uint8_t fh[kFileHeaderSize];
    if (fileSize < kFileHeaderSize + kCoreHeaderSize || !ReadAt(file.get(), 0, fh, sizeof fh))
        return Status::Fail("file too short for a bitmap header");
    if (fh[0] != 'B' || fh[1] != 'M')
        return Status::Fail("no BM signature");
    const uint32_t offBits = Le32(fh + 10);

    // Information header: its own size comes first.
    uint8_t ih[kInfoHeaderSize] = {};
    if (!ReadAt(file.get(), kFileHeaderSize, ih, 4))
        return Status::Fail("truncated information header");
    const uint32_t headerSize = Le32(ih);
    int64_t width = 0, height = 0;
    int planes = 0, bitCount = 0;
    uint32_t compression = kBiRgb, clrUsed = 0, clrImportant = 0;
    int32_t xPels = 0, yPels = 0;
    size_t paletteEntrySize = 4;
    if (headerSize == kCoreHeaderSize) {
        // BITMAPCOREHEADER: 16-bit sizes, 3-byte palette entries.
        if (!ReadAt(file.get(), kFileHeaderSize, ih, kCoreHeaderSize))
            return Status::Fail("truncated core header");
        width = Le16(ih + 4);
        height = Le16(ih + 6);
        planes = Le16(ih + 8);
        bitCount = Le16(ih + 10);
        paletteEntrySize = 3;
    } else if (headerSize >= kInfoHeaderSize && headerSize <= 1024) {
        if (fileSize < uint64_t(kFileHeaderSize) + headerSize ||
            !ReadAt(file.get(), kFileHeaderSize, ih, kInfoHeaderSize))
            return Status::Fail("truncated information header");
        width = Le32s(ih + 4);
        height = Le32s(ih + 8);
        planes = Le16(ih + 12);
        bitCount = Le16(ih + 14);
        compression = Le32(ih + 16);
        xPels = Le32s(ih + 24);
        yPels = Le32s(ih + 28);
        clrUsed = Le32(ih + 32);
        clrImportant = Le32(ih + 36);
    } else {
        return Status::Fail("unknown information header size");
    }

    if (planes != 1)
        return Status::Fail("plane count is not 1");
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24)
        return Status::Fail("unsupported bit depth");
    if (compression != kBiRgb)
        return Status::Fail("compressed bitmaps are not read");
    bool topDown = false;
    if (height < 0) {
        // INT32_MIN has no positive counterpart.
        if (height == INT32_MIN)
            return Status::Fail("bad height");
        topDown = true;
        height = -height;
    }
    if (width <= 0 || height <= 0)
        return Status::Fail("empty or negative size");

    if (!Dib::FitsWorkingLimit(width, height))
        return Status::Fail("page too large");

    // Palette: right after the information header, at most 2^bits entries.
    uint32_t paletteCount = 0;
    if (bitCount <= 8) {
        const uint32_t maxEntries = 1u << bitCount;
        paletteCount = clrUsed == 0 ? maxEntries : clrUsed;
        if (paletteCount > maxEntries)
            return Status::Fail("palette longer than the bit depth allows");
    }
    const uint64_t paletteOffset = uint64_t(kFileHeaderSize) + headerSize;
    const uint64_t paletteEnd = paletteOffset + uint64_t(paletteCount) * paletteEntrySize;
    if (paletteEnd > fileSize)
        return Status::Fail("palette runs past the end of the file");
    if (offBits < paletteEnd)
        return Status::Fail("pixel data overlaps the headers");

    // Pixels: |height| rows padded to 4 bytes, all inside the file.
    const uint64_t stride = Dib::StrideFor(width, bitCount);
    if (stride == 0 || stride > Dib::kMaxBytes / uint64_t(height))
        return Status::Fail("page too large");
    const uint64_t pixelBytes = stride * uint64_t(height);
    if (uint64_t(offBits) > fileSize || pixelBytes > fileSize - offBits)
        return Status::Fail("pixel data runs past the end of the file");

    std::vector<RgbQuad> palette;
    try {
        palette.resize(bitCount <= 8 ? (size_t(1) << bitCount) : 0);
        if (paletteCount > 0) {
            std::vector<uint8_t> raw(size_t(paletteCount) * paletteEntrySize);
            if (!ReadAt(file.get(), paletteOffset, raw.data(), raw.size()))
                return Status::Fail("cannot read the palette");
            for (uint32_t i = 0; i < paletteCount; ++i) {
                const uint8_t *e = raw.data() + size_t(i) * paletteEntrySize;
                palette[i] = RgbQuad{e[0], e[1], e[2], 0};
            }
        }
        if (!page.Reshape(width, height, bitCount))
            return Status::Fail("page too large");
    } catch (const std::bad_alloc &) {
        page.Clear();
        return Status::Fail("out of memory");
    }

    if (!ReadAt(file.get(), offBits, page.bits.data(), page.bits.size())) {
        page.Clear();
        return Status::Fail("cannot read the pixel data");
    }
    if (topDown)
        FlipRows(page);

    // Entries past the stored palette stay black, so every index has a colour.
    page.palette = std::move(palette);
    page.colorsUsed = int(paletteCount);
    page.colorsImportant = clrImportant <= paletteCount ? int(clrImportant) : 0;
    page.xPelsPerMeter = xPels > 0 ? xPels : 0;
    page.yPelsPerMeter = yPels > 0 ? yPels : 0;
    page.xDpi = int(page.xPelsPerMeter / 39.37007874015748 + 0.5);
    page.yDpi = int(page.yPelsPerMeter / 39.37007874015748 + 0.5);
    return Status::Ok();
}

} // namespace imageconv
