// Windows bitmap reader: uncompressed 1, 4, 8 and 24-bit files.
//
// Every size in the headers is checked against the file's real length before
// anything is allocated or read, so a truncated or lying file is refused
// rather than read past its end.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <sys/stat.h>

#include "imageconv/PageOps.h"

namespace imageconv {
namespace {

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

uint16_t Le16(const uint8_t *p) {
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t Le32(const uint8_t *p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
int32_t Le32s(const uint8_t *p) {
    return int32_t(Le32(p));
}

bool ReadAt(std::FILE *f, uint64_t offset, void *buffer, size_t size) {
    if (fseeko(f, off_t(offset), SEEK_SET) != 0)
        return false;
    return std::fread(buffer, 1, size, f) == size;
}

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kBiRgb = 0;

} // namespace

Status ReadBmp(const std::string &path, Dib &page) {
    page.Clear();
    page.palette.clear();
    page.colorsUsed = page.colorsImportant = 0;

    File file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return Status::Fail("cannot open " + path);
    struct stat st {};
    if (fstat(fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode))
        return Status::Fail("not a regular file: " + path);
    const uint64_t fileSize = uint64_t(st.st_size);

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
        if (!page.Allocate(width, height, bitCount))
            return Status::Fail("page too large");
    } catch (const std::bad_alloc &) {
        page.Clear();
        return Status::Fail("out of memory");
    }

    if (!topDown) {
        if (!ReadAt(file.get(), offBits, page.bits.data(), page.bits.size())) {
            page.Clear();
            return Status::Fail("cannot read the pixel data");
        }
    } else {
        if (fseeko(file.get(), off_t(offBits), SEEK_SET) != 0) {
            page.Clear();
            return Status::Fail("cannot read the pixel data");
        }
        for (int64_t row = 0; row < height; ++row) {
            if (std::fread(page.Row(int(height - 1 - row)), 1, page.stride, file.get()) !=
                page.stride) {
                page.Clear();
                return Status::Fail("cannot read the pixel data");
            }
        }
    }

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
