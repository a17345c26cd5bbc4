// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PNG writer: the chunks are laid out here, the image data is deflated by
// libdeflate.
//
//   paletted page, palette not the grey ramp   colour type 3, PLTE, depth 1/4/8
//   8-bit grey-ramp page                       colour type 0, depth 8
//   24-bit page                                colour type 2, depth 8
// Not interlaced; bKGD white; pHYs in pixels per metre. Chunks in libpng's
// order: IHDR, PLTE, bKGD, pHYs, IDAT..., IEND.
//
// Rows are filtered the way libpng filters by default: paletted rows go out
// unfiltered; each grey or RGB row takes, of the five filters, the one whose
// output bytes read as signed numbers have the smallest sum of magnitudes
// (the first of equal ones). libdeflate compresses in one call only, so the
// filtered rows of the whole page are held (the page's size less its row
// padding, plus a byte a row) and deflated at once into a buffer whose pages
// are touched only as far as the compressed stream reaches; that stream then
// goes out in IDAT chunks of kIdatBytes.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <libdeflate.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "imageconv/Writers.h"
#include "imageconv/writers/WriterSupport.h"

namespace imageconv {

namespace {

// libdeflate's level: the fastest that keeps files within 5 % of libpng's
// default (zlib at level 6) on rendered text, plot and photo pages, at about
// a third of zlib's time; levels 5 and below lose up to 10 % on bi-level text.
constexpr int kDeflateLevel = 6;
constexpr size_t kIdatBytes = size_t(1) << 16;
// libpng refuses wider or taller images by default, as writer and as reader.
constexpr int32_t kMaxSide = 1000000;

enum Filter : uint8_t { kNone, kSub, kUp, kAverage, kPaeth };

struct PngColour {
    uint8_t red, green, blue;
};

// Index of the palette entry nearest to white, for bKGD of a paletted file.
int WhiteIndex(const std::vector<PngColour> &plte) {
    int best = 0;
    long bestDist = -1;
    for (size_t i = 0; i < plte.size(); ++i) {
        long dr = 255 - plte[i].red, dg = 255 - plte[i].green, db = 255 - plte[i].blue;
        long d = dr * dr + dg * dg + db * db;
        if (bestDist < 0 || d < bestDist) {
            bestDist = d;
            best = int(i);
        }
    }
    return best;
}

// Bytes of a PNG row of the page (no filter byte), and the mask of the bits
// of its last byte that hold pixels.
size_t PngRowBytes(const Dib &page) {
    return size_t((uint64_t(page.width) * uint64_t(page.bpp) + 7) / 8);
}
uint8_t LastByteMask(const Dib &page) {
    const unsigned used = unsigned((uint64_t(page.width) * uint64_t(page.bpp)) % 8);
    return used == 0 ? uint8_t(0xff) : uint8_t(0xff << (8 - used));
}

// Highest palette index the pixels use.
int MaxIndex(const Dib &page) {
    const size_t n = PngRowBytes(page);
    const uint8_t lastMask = LastByteMask(page);
    const unsigned most = (1u << page.bpp) - 1;
    unsigned top = 0;
    for (int y = 0; y < page.height && top < most; ++y) {
        const uint8_t *row = page.Row(y);
        const uint8_t last = row[n - 1] & lastMask;
        if (page.bpp == 8) {
            for (size_t i = 0; i < n; ++i)
                top = std::max(top, unsigned(row[i]));
        } else if (page.bpp == 4) {
            uint8_t high = last >> 4, low = last & 0x0f;
            for (size_t i = 0; i + 1 < n; ++i) {
                high = std::max<uint8_t>(high, row[i] >> 4);
                low = std::max<uint8_t>(low, row[i] & 0x0f);
            }
            top = std::max({top, unsigned(high), unsigned(low)});
        } else {
            uint8_t any = last;
            for (size_t i = 0; i + 1 < n; ++i)
                any |= row[i];
            top = std::max(top, unsigned(any != 0));
        }
    }
    return int(top);
}

// A filtered byte read as signed: the size of the number it stands for.
inline unsigned Magnitude(uint8_t v) {
    return v < 128 ? v : 256u - v;
}

// Per-row filter choice for rows of B bytes a pixel (1 grey, 3 RGB). All
// four filters are computed in one pass over the row, with the sums of all
// five candidates.
template <size_t B> class AdaptiveFilter {
public:
    explicit AdaptiveFilter(size_t rowBytes) : n_(rowBytes) {
        for (auto &c : candidates_)
            c.resize(rowBytes);
    }

    // Filters row x, whose row above is up (zeros above the first), into out:
    // the filter type, then n bytes. With B = 3 the rows are held blue first
    // and out gets red first: every filter takes its neighbours from the
    // same channel, so filtering commutes with the swap.
    void Row(const uint8_t *x, const uint8_t *up, uint8_t *out) {
        uint64_t sum[5] = {0, 0, 0, 0, 0};
        const size_t head = std::min(n_, B);
        for (size_t i = 0; i < head; ++i)
            Byte(i, x[i], 0, up[i], 0, sum);
        size_t i = head;
#if defined(__SSE2__)
        i = Wide(x, up, i, sum);
#endif
        for (; i < n_; ++i)
            Byte(i, x[i], x[i - B], up[i], up[i - B], sum);

        const uint8_t *winner = x;
        uint8_t type = kNone;
        for (uint8_t f = kSub; f <= kPaeth; ++f)
            if (sum[f] < sum[type]) {
                type = f;
                winner = candidates_[f - 1].data();
            }
        out[0] = type;
        if constexpr (B == 3) {
            size_t at = 0;
            if constexpr (std::endian::native == std::endian::little) {
                // Four bytes at a time, the fourth rewritten by the next pixel.
                for (; at + 3 < n_; at += 3) {
                    uint32_t px;
                    std::memcpy(&px, winner + at, 4);
                    px = __builtin_bswap32(px) >> 8;
                    std::memcpy(out + 1 + at, &px, 4);
                }
            }
            for (; at < n_; at += 3) {
                out[1 + at] = winner[at + 2];
                out[2 + at] = winner[at + 1];
                out[3 + at] = winner[at];
            }
        } else {
            std::memcpy(out + 1, winner, n_);
        }
    }

private:
    // Byte i, from its left (a), upper (b) and upper left (c) neighbours.
    void Byte(size_t i, uint8_t v, uint8_t a, uint8_t b, uint8_t c, uint64_t sum[5]) {
        const int pa = std::abs(int(b) - c), pb = std::abs(int(a) - c),
                  pc = std::abs(int(a) + b - 2 * c);
        const uint8_t paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
        const uint8_t f[4] = {uint8_t(v - a), uint8_t(v - b), uint8_t(v - ((a + b) >> 1)),
                              uint8_t(v - paeth)};
        sum[kNone] += Magnitude(v);
        for (int k = 0; k < 4; ++k) {
            candidates_[size_t(k)][i] = f[k];
            sum[k + 1] += Magnitude(f[k]);
        }
    }

#if defined(__SSE2__)
    // Bytes from i on, 16 at a time, as Byte() computes them; returns where
    // it stopped (fewer than 16 bytes left).
    size_t Wide(const uint8_t *x, const uint8_t *up, size_t i, uint64_t sum[5]) {
        const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi8(1);
        // |signed byte| is min(v, -v) unsigned; psadbw adds 8 of them at once.
        auto magnitudes = [zero](__m128i f) {
            return _mm_sad_epu8(_mm_min_epu8(f, _mm_sub_epi8(zero, f)), zero);
        };
        auto abs16 = [zero](__m128i d) { return _mm_max_epi16(d, _mm_sub_epi16(zero, d)); };
        __m128i acc[5] = {zero, zero, zero, zero, zero};
        uint8_t *dst[4] = {candidates_[0].data(), candidates_[1].data(), candidates_[2].data(),
                           candidates_[3].data()};
        for (; i + 16 <= n_; i += 16) {
            auto load = [](const uint8_t *p) {
                return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            };
            const __m128i v = load(x + i), a = load(x + i - B), b = load(up + i),
                          c = load(up + i - B);
            // floor((a + b) / 2): pavgb rounds up, less the dropped low bit.
            const __m128i avg =
                _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
            // Paeth at 16 bits: pa = |b - c|, pb = |a - c|, pc = |a + b - 2c|.
            __m128i notA[2], notB[2];
            for (int h = 0; h < 2; ++h) {
                auto wide = [h, zero](__m128i w) {
                    return h ? _mm_unpackhi_epi8(w, zero) : _mm_unpacklo_epi8(w, zero);
                };
                const __m128i bc = _mm_sub_epi16(wide(b), wide(c));
                const __m128i ac = _mm_sub_epi16(wide(a), wide(c));
                const __m128i pa = abs16(bc), pb = abs16(ac), pc = abs16(_mm_add_epi16(bc, ac));
                notA[h] = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
                notB[h] = _mm_cmpgt_epi16(pb, pc);
            }
            const __m128i takeC = _mm_packs_epi16(notB[0], notB[1]);
            const __m128i notTakeA = _mm_packs_epi16(notA[0], notA[1]);
            const __m128i bOrC = _mm_or_si128(_mm_and_si128(takeC, c), _mm_andnot_si128(takeC, b));
            const __m128i paeth =
                _mm_or_si128(_mm_and_si128(notTakeA, bOrC), _mm_andnot_si128(notTakeA, a));
            const __m128i f[4] = {_mm_sub_epi8(v, a), _mm_sub_epi8(v, b), _mm_sub_epi8(v, avg),
                                  _mm_sub_epi8(v, paeth)};
            acc[kNone] = _mm_add_epi64(acc[kNone], magnitudes(v));
            for (int k = 0; k < 4; ++k) {
                _mm_storeu_si128(reinterpret_cast<__m128i *>(dst[k] + i), f[k]);
                acc[k + 1] = _mm_add_epi64(acc[k + 1], magnitudes(f[k]));
            }
        }
        for (int k = 0; k < 5; ++k) {
            uint64_t halves[2];
            _mm_storeu_si128(reinterpret_cast<__m128i *>(halves), acc[k]);
            sum[k] += halves[0] + halves[1];
        }
        return i;
    }
#endif

    size_t n_;
    std::array<std::vector<uint8_t>, 4> candidates_;
};

// Every row filtered, top row first, into `out` (height x (rowBytes + 1)).
void FilterRows(const Dib &page, size_t rowBytes, bool paletted, uint8_t *out) {
    const size_t line = rowBytes + 1;
    if (paletted) {
        const uint8_t mask = LastByteMask(page);
        for (int y = page.height - 1; y >= 0; --y, out += line) {
            out[0] = kNone;
            std::memcpy(out + 1, page.Row(y), rowBytes);
            out[rowBytes] &= mask; // the bits past the last pixel
        }
        return;
    }
    const std::vector<uint8_t> zeros(rowBytes, 0);
    auto run = [&](auto &&filter) {
        for (int y = page.height - 1; y >= 0; --y, out += line)
            filter.Row(page.Row(y), y + 1 < page.height ? page.Row(y + 1) : zeros.data(), out);
    };
    if (page.bpp == 24)
        run(AdaptiveFilter<3>(rowBytes));
    else
        run(AdaptiveFilter<1>(rowBytes));
}

void PutU32(std::vector<uint8_t> &v, uint32_t x) {
    v.push_back(uint8_t(x >> 24));
    v.push_back(uint8_t(x >> 16));
    v.push_back(uint8_t(x >> 8));
    v.push_back(uint8_t(x));
}

// Appends one chunk: length, type, data, CRC of type and data.
void PutChunk(std::vector<uint8_t> &v, const char type[4], const std::vector<uint8_t> &data) {
    PutU32(v, uint32_t(data.size()));
    const size_t typeAt = v.size();
    v.insert(v.end(), type, type + 4);
    v.insert(v.end(), data.begin(), data.end());
    PutU32(v, libdeflate_crc32(0, v.data() + typeAt, v.size() - typeAt));
}

// Signature, IHDR, PLTE, bKGD and pHYs.
std::vector<uint8_t> Header(const Dib &page, uint8_t colourType,
                            const std::vector<PngColour> &plte) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<uint8_t> v(kSignature, kSignature + 8);
    std::vector<uint8_t> d;
    PutU32(d, uint32_t(page.width));
    PutU32(d, uint32_t(page.height));
    // depth, colour type, deflate, adaptive filtering, no interlace
    d.insert(d.end(), {uint8_t(page.bpp == 24 ? 8 : page.bpp), colourType, 0, 0, 0});
    PutChunk(v, "IHDR", d);

    d.clear();
    if (colourType == 3) {
        for (const PngColour &c : plte)
            d.insert(d.end(), {c.red, c.green, c.blue});
        PutChunk(v, "PLTE", d);
        d.assign(1, uint8_t(WhiteIndex(plte)));
    } else if (colourType == 2) {
        d = {0, 255, 0, 255, 0, 255};
    } else {
        d = {0, 255};
    }
    PutChunk(v, "bKGD", d);

    int32_t xppm = page.xPelsPerMeter, yppm = page.yPelsPerMeter;
    if (xppm <= 0 && page.xDpi > 0)
        xppm = int32_t(page.xDpi * 39.37007874015748 + 0.5);
    if (yppm <= 0 && page.yDpi > 0)
        yppm = int32_t(page.yDpi * 39.37007874015748 + 0.5);
    if (xppm > 0 && yppm > 0) {
        d.clear();
        PutU32(d, uint32_t(xppm));
        PutU32(d, uint32_t(yppm));
        d.push_back(1); // metre
        PutChunk(v, "pHYs", d);
    }
    return v;
}

struct CompressorDeleter {
    void operator()(libdeflate_compressor *c) const { libdeflate_free_compressor(c); }
};

// The page's zlib stream: its filtered rows deflated.
struct Stream {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
};

Status Deflate(const Dib &page, bool paletted, Stream &stream) {
    const size_t rowBytes = PngRowBytes(page);
    const size_t total = (rowBytes + 1) * size_t(page.height);
    std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor(
        libdeflate_alloc_compressor(kDeflateLevel));
    // Not value-initialised: the kernel supplies pages as they are written.
    std::unique_ptr<uint8_t[]> filtered(new (std::nothrow) uint8_t[total]);
    if (!compressor || !filtered)
        return Status::Fail("Out of memory for PNG image");
    FilterRows(page, rowBytes, paletted, filtered.get());
    const size_t bound = libdeflate_zlib_compress_bound(compressor.get(), total);
    stream.data.reset(new (std::nothrow) uint8_t[bound]);
    if (!stream.data)
        return Status::Fail("Out of memory for PNG image");
    stream.size =
        libdeflate_zlib_compress(compressor.get(), filtered.get(), total, stream.data.get(), bound);
    if (stream.size == 0)
        return Status::Fail("PNG encoder failed");
    return Status::Ok();
}

bool Put(std::FILE *file, const void *data, size_t n) {
    return std::fwrite(data, 1, n, file) == n;
}

// The stream in IDAT chunks, then IEND.
bool PutImageData(std::FILE *file, const Stream &stream) {
    for (size_t at = 0; at < stream.size; at += kIdatBytes) {
        const size_t n = std::min(kIdatBytes, stream.size - at);
        const uint8_t head[8] = {
            uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n), 'I', 'D', 'A', 'T'};
        const uint32_t crc =
            libdeflate_crc32(libdeflate_crc32(0, head + 4, 4), stream.data.get() + at, n);
        const uint8_t tail[4] = {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8),
                                 uint8_t(crc)};
        if (!Put(file, head, 8) || !Put(file, stream.data.get() + at, n) || !Put(file, tail, 4))
            return false;
    }
    std::vector<uint8_t> end;
    PutChunk(end, "IEND", {});
    return Put(file, end.data(), end.size());
}

} // namespace

Status WritePng(const Dib &page, const std::string &path) {
    if (!page.IsValid() || (page.bpp != 1 && page.bpp != 4 && page.bpp != 8 && page.bpp != 24))
        return Status::Fail("PNG takes 1, 4, 8 or 24-bit pages");
    if (page.width > kMaxSide || page.height > kMaxSide)
        return TooLarge(page, kMaxSide);
    uint8_t colourType = 2;
    std::vector<PngColour> plte;
    if (page.bpp == 8 && IsGreyRamp(page)) {
        colourType = 0;
    } else if (page.bpp <= 8) {
        colourType = 3;
        // PLTE covers every index the pixels use, even beyond the entries
        // counted as in use, so that no pixel points outside the palette.
        int n = std::max(PaletteCount(page), MaxIndex(page) + 1);
        for (int i = 0; i < n; ++i) {
            RgbQuad c = PaletteEntry(page, i);
            plte.push_back(PngColour{c.red, c.green, c.blue});
        }
    }
    OutputFile out(path);
    if (!out.IsOpen())
        return out.OpenStatus();
    Stream stream;
    if (Status deflated = Deflate(page, colourType == 3, stream); !deflated)
        return deflated;
    const std::vector<uint8_t> header = Header(page, colourType, plte);
    if (!Put(out.File(), header.data(), header.size()) || !PutImageData(out.File(), stream))
        return out.Failure("Cannot write " + path);
    return out.Commit();
}

} // namespace imageconv
