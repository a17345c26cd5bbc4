// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// GIF89a writer for one paletted image (1, 4 or 8 bits).
//
//   "GIF89a"
//   logical screen   width, height (LE16), packed 0x80|((bits+7)<<5)|(bits-1),
//                    background 0, aspect 0
//   global colours   2^bits entries of red, green, blue
//   graphic control  21 F9 04, flags 0, delay 0, transparent index 255, 00
//   image descriptor 2C, left 0, top 0, width, height, packed 0
//   image data       LZW minimum code size max(bits, 2), sub-blocks, 00
//   trailer          3B
//
// The colour table size is fixed by the packed byte, so entries past the
// palette's colours in use are written black.
#include <array>
#include <cstdio>
#include <vector>

#include "imageconv/Writers.h"
#include "imageconv/writers/WriterSupport.h"

namespace imageconv {

namespace {

// Packs variable-width codes least significant bit first into sub-blocks of
// at most 255 bytes.
class CodeWriter {
public:
    explicit CodeWriter(ByteSink &sink) : sink_(sink) {}

    void Put(unsigned code, int bits) {
        acc_ |= uint32_t(code) << nbits_;
        nbits_ += bits;
        while (nbits_ >= 8) {
            Byte(uint8_t(acc_ & 0xff));
            acc_ >>= 8;
            nbits_ -= 8;
        }
    }
    void Finish() {
        if (nbits_ > 0)
            Byte(uint8_t(acc_ & 0xff));
        acc_ = 0;
        nbits_ = 0;
        FlushBlock();
        sink_.U8(0);
    }

private:
    void Byte(uint8_t b) {
        block_[used_++] = b;
        if (used_ == 255)
            FlushBlock();
    }
    void FlushBlock() {
        if (used_ == 0)
            return;
        sink_.U8(unsigned(used_));
        sink_.Bytes(block_.data(), used_);
        used_ = 0;
    }

    ByteSink &sink_;
    std::array<uint8_t, 255> block_{};
    size_t used_ = 0;
    uint32_t acc_ = 0;
    int nbits_ = 0;
};

// LZW over the pixel indices with the GIF variant: clear and end codes,
// codes growing to 12 bits, and a clear code and fresh table whenever the
// table fills. The string table is an open-addressed hash of
// (prefix code, next index) -> code.
class LzwEncoder {
public:
    LzwEncoder(CodeWriter &out, int minCodeSize)
        : out_(out), minCodeSize_(minCodeSize), clear_(1u << minCodeSize), eoi_(clear_ + 1) {
        keys_.resize(kHashSize);
        codes_.resize(kHashSize);
        Reset();
        out_.Put(clear_, codeSize_);
    }

    void Pixel(unsigned index) {
        if (current_ < 0) {
            current_ = int(index);
            return;
        }
        uint32_t key = (uint32_t(current_) << 8) | index;
        size_t slot = Hash(key);
        while (keys_[slot] != kEmpty) {
            if (keys_[slot] == key) {
                current_ = codes_[slot];
                return;
            }
            slot = (slot + 1) & (kHashSize - 1);
        }
        Emit(unsigned(current_));
        current_ = int(index);
        if (next_ >= kMaxCode) {
            Emit(clear_);
            Reset();
        } else {
            keys_[slot] = key;
            codes_[slot] = uint16_t(next_++);
        }
    }

    void Finish() {
        if (current_ >= 0)
            Emit(unsigned(current_));
        Emit(eoi_);
        out_.Finish();
    }

private:
    static constexpr size_t kHashSize = 1 << 14;
    static constexpr uint32_t kEmpty = 0xffffffffu;
    static constexpr unsigned kMaxCode = 4095;

    static size_t Hash(uint32_t key) { return (key * 2654435761u) >> (32 - 14); }

    void Reset() {
        std::fill(keys_.begin(), keys_.end(), kEmpty);
        codeSize_ = minCodeSize_ + 1;
        next_ = eoi_ + 1;
    }

    // A code goes out at the current width; the width grows once the next
    // free code no longer fits in it, which is where a decoder widens too.
    void Emit(unsigned code) {
        out_.Put(code, codeSize_);
        if (next_ >= (1u << codeSize_) && codeSize_ < 12)
            ++codeSize_;
    }

    CodeWriter &out_;
    int minCodeSize_;
    unsigned clear_;
    unsigned eoi_;
    unsigned next_ = 0;
    int codeSize_ = 0;
    int current_ = -1;
    std::vector<uint32_t> keys_;
    std::vector<uint16_t> codes_;
};

} // namespace

Status WriteGif(const Dib &page, const std::string &path) {
    if (!page.IsValid() || (page.bpp != 1 && page.bpp != 4 && page.bpp != 8))
        return Status::Fail("GIF takes only 1, 4 or 8-bit pages");
    if (page.width > 0xffff || page.height > 0xffff)
        return TooLarge(page, 0xffff);
    const int bits = page.bpp;
    const int tableSize = 1 << bits;
    const int inUse = PaletteCount(page);

    OutputFile out(path);
    if (!out.IsOpen())
        return out.OpenStatus();
    {
        ByteSink sink(out.File());
        // Header and logical screen descriptor.
        sink.Bytes("GIF89a", 6);
        sink.U16LE(unsigned(page.width));
        sink.U16LE(unsigned(page.height));
        sink.U8((0x80 | ((bits + 7) << 5) | (bits - 1)) & 0xff);
        sink.U8(0); // background colour index
        sink.U8(0); // pixel aspect ratio
        // Global colour table.
        for (int i = 0; i < tableSize; ++i) {
            RgbQuad c = i < inUse ? page.palette[size_t(i)] : RgbQuad{};
            sink.U8(c.red);
            sink.U8(c.green);
            sink.U8(c.blue);
        }
        // Graphic control extension.
        sink.U8(0x21);
        sink.U8(0xf9);
        sink.U8(4);
        sink.U8(0);    // no transparency, disposal 0
        sink.U16LE(0); // delay
        sink.U8(255);  // transparent colour index
        sink.U8(0);    // block terminator
        // Image descriptor.
        sink.U8(0x2c);
        sink.U16LE(0);
        sink.U16LE(0);
        sink.U16LE(unsigned(page.width));
        sink.U16LE(unsigned(page.height));
        sink.U8(0);
        // Image data, rows from the top.
        const int minCodeSize = bits < 2 ? 2 : bits;
        sink.U8(unsigned(minCodeSize));
        CodeWriter codes(sink);
        LzwEncoder lzw(codes, minCodeSize);
        for (int y = page.height - 1; y >= 0; --y) {
            const uint8_t *row = page.Row(y);
            if (bits == 8) {
                for (int x = 0; x < page.width; ++x)
                    lzw.Pixel(row[x]);
            } else {
                for (int x = 0; x < page.width; ++x)
                    lzw.Pixel(unsigned(Dib::IndexAt(row, x, bits)));
            }
        }
        lzw.Finish();
        sink.U8(0x3b);
        if (!sink.Flush())
            return out.Failure("Cannot write " + path);
    }
    return out.Commit();
}

} // namespace imageconv
