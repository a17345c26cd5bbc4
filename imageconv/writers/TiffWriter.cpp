// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// TIFF writer over libtiff, one image file directory per page.
//
// Every directory: width, length, samples per pixel (3 for 24 bits, else 1),
// bits per sample, planar configuration 1, orientation 1 with rows from the
// top, resolution unit inch with the page's dpi, libtiff's default rows per
// strip, and the subfile type (0 for a lone page, 2 for one page of many,
// then also page number (n, n) and page name "Page n").
//
// Photometric:
//   1 bit              min-is-white; when entry 0 is the darker one the
//                      bits are inverted, so 0 bits are white
//   4/8-bit grey ramp  min-is-black (entry i is the full-scale level of i)
//   other 4/8 bits     palette, 16-bit colour map (8-bit value x 257), or
//                      min-is-black with each entry's grey level when the
//                      page goes out JPEG-compressed
//   24 bits            RGB, or YCbCr converted here for JPEG
//
// The stream runs over a file descriptor with positioned reads and writes;
// closing the stream never closes the descriptor.
#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <tiffio.h>

#include "imageconv/ImageConverter.h"
#include "imageconv/Writers.h"
#include "imageconv/writers/WriterSupport.h"

namespace imageconv {

namespace {

// ---- the stream under libtiff ---------------------------------------------

struct Stream {
    int fd = -1;
    toff_t pos = 0;
    // Set after a failed page: from then on nothing more reaches the file,
    // so closing the stream cannot link a half-written directory.
    bool frozen = false;
    std::string message;
    int err = 0; // errno of the first failed write
};

tmsize_t ReadProc(thandle_t h, void *buf, tmsize_t size) {
    auto *s = static_cast<Stream *>(h);
    tmsize_t done = 0;
    while (done < size) {
        ssize_t n =
            ::pread(s->fd, static_cast<char *>(buf) + done, size_t(size - done), off_t(s->pos));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
        s->pos += toff_t(n);
    }
    return done;
}

tmsize_t WriteProc(thandle_t h, void *buf, tmsize_t size) {
    auto *s = static_cast<Stream *>(h);
    if (s->frozen)
        return -1;
    tmsize_t done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(s->fd, static_cast<const char *>(buf) + done, size_t(size - done),
                             off_t(s->pos));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (s->err == 0)
                s->err = n < 0 ? errno : ENOSPC;
            return -1;
        }
        done += n;
        s->pos += toff_t(n);
    }
    return done;
}

toff_t SizeProc(thandle_t h) {
    struct stat st;
    if (::fstat(static_cast<Stream *>(h)->fd, &st) != 0)
        return 0;
    return toff_t(st.st_size);
}

toff_t SeekProc(thandle_t h, toff_t off, int whence) {
    auto *s = static_cast<Stream *>(h);
    switch (whence) {
    case SEEK_SET:
        s->pos = off;
        break;
    case SEEK_CUR:
        s->pos += off;
        break;
    case SEEK_END:
        s->pos = SizeProc(h) + off;
        break;
    default:
        return toff_t(-1);
    }
    return s->pos;
}

int CloseProc(thandle_t) {
    return 0;
}
int MapProc(thandle_t, void **, toff_t *) {
    return 0;
}
void UnmapProc(thandle_t, void *, toff_t) {}

int OnError(TIFF *, void *user, const char *module, const char *fmt, va_list ap) {
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, ap);
    auto *message = static_cast<std::string *>(user);
    *message = module ? std::string(module) + ": " + text : std::string(text);
    return 1;
}

int OnWarning(TIFF *, void *, const char *, const char *, va_list) {
    return 1;
}

TIFF *OpenStream(Stream &s, const std::string &name, const char *mode) {
    TIFFOpenOptions *opts = TIFFOpenOptionsAlloc();
    if (!opts)
        return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(opts, OnError, &s.message);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, OnWarning, nullptr);
    TIFF *tif = TIFFClientOpenExt(name.c_str(), mode, &s, ReadProc, WriteProc, SeekProc, CloseProc,
                                  SizeProc, MapProc, UnmapProc, opts);
    TIFFOpenOptionsFree(opts);
    return tif;
}

// ---- compression and photometric ------------------------------------------

// Compression by depth (rows 1, 4, 8, 24) and choice 0..7 (columns).
enum Method : uint16_t {
    kNone = COMPRESSION_NONE,
    kLzw = COMPRESSION_LZW,
    kJpeg = COMPRESSION_JPEG,
    kPackBits = COMPRESSION_PACKBITS,
    kG4 = COMPRESSION_CCITTFAX4,
    kG3 = COMPRESSION_CCITTFAX3,
    kRle = COMPRESSION_CCITTRLE,
    kJpegIfGrey = 0xffff, // JPEG for a grey page, else LZW
};

constexpr Method kCompressionTable[4][8] = {
    /* 1 */ {kNone, kLzw, kG4, kG4, kG4, kG3, kRle, kG4},
    /* 4 */ {kNone, kLzw, kLzw, kPackBits, kLzw, kLzw, kLzw, kLzw},
    /* 8 */ {kNone, kLzw, kJpegIfGrey, kPackBits, kLzw, kLzw, kLzw, kLzw},
    /* 24 */ {kNone, kLzw, kJpeg, kPackBits, kJpeg, kJpeg, kJpeg, kJpeg},
};

uint16_t ChooseCompression(const Dib &page, const WriteParams &params) {
    int d = (params.reduceBpp == 1 || params.reduceBpp == 4 || params.reduceBpp == 8)
                ? params.reduceBpp
                : params.workBpp;
    // The table describes the page the pipeline prepared; a page of another
    // depth is compressed by its own depth's row, so it always fits.
    if (d != page.bpp)
        d = page.bpp;
    int row = d == 1 ? 0 : d == 4 ? 1 : d == 8 ? 2 : 3;
    int c = params.tiffCompression;
    if (c < IC_TIFF_NONE || c > IC_TIFF_GRAY8)
        c = IC_TIFF_JPEG;
    Method m = kCompressionTable[row][c];
    if (m == kJpegIfGrey)
        return params.gray == 1 ? uint16_t(COMPRESSION_JPEG) : uint16_t(COMPRESSION_LZW);
    return uint16_t(m);
}

// How the page's rows become the directory's samples.
struct Layout {
    uint16_t compression = COMPRESSION_NONE;
    uint16_t photometric = PHOTOMETRIC_RGB;
    uint16_t spp = 1;
    uint16_t bps = 8;
    bool invertBits = false;         // 1 bit: entry 0 darker than entry 1
    bool greyFromPalette = false;    // 8 bits: write each entry's grey level
    std::array<uint8_t, 256> grey{}; // the levels for greyFromPalette
    std::vector<uint16_t> red, green, blue;
};

Layout PlanPage(const Dib &page, const WriteParams &params) {
    Layout l;
    l.compression = ChooseCompression(page, params);
    if (page.bpp == 24) {
        l.spp = 3;
        l.bps = 8;
        l.photometric = l.compression == COMPRESSION_JPEG ? PHOTOMETRIC_YCBCR : PHOTOMETRIC_RGB;
        return l;
    }
    l.bps = uint16_t(page.bpp);
    if (page.bpp == 1) {
        l.photometric = PHOTOMETRIC_MINISWHITE;
        l.invertBits = Brightness(PaletteEntry(page, 0)) < Brightness(PaletteEntry(page, 1));
        return l;
    }
    if (IsGreyRamp(page)) {
        l.photometric = PHOTOMETRIC_MINISBLACK;
        return l;
    }
    if (l.compression == COMPRESSION_JPEG) {
        // JPEG carries no palette: each pixel goes out as its entry's level.
        l.photometric = PHOTOMETRIC_MINISBLACK;
        l.greyFromPalette = true;
        for (int i = 0; i < 256; ++i) {
            RgbQuad c = PaletteEntry(page, i);
            l.grey[size_t(i)] = (c.red == c.green && c.green == c.blue)
                                    ? c.red
                                    : uint8_t((306 * c.red + 601 * c.green + 117 * c.blue) >> 10);
        }
        return l;
    }
    l.photometric = PHOTOMETRIC_PALETTE;
    size_t n = size_t(1) << page.bpp;
    l.red.resize(n);
    l.green.resize(n);
    l.blue.resize(n);
    int inUse = PaletteCount(page);
    for (int i = 0; i < inUse; ++i) {
        const RgbQuad &c = page.palette[size_t(i)];
        l.red[size_t(i)] = uint16_t(c.red * 257);
        l.green[size_t(i)] = uint16_t(c.green * 257);
        l.blue[size_t(i)] = uint16_t(c.blue * 257);
    }
    return l;
}

uint8_t Clamp(double v) {
    v += 0.5;
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : int(v));
}

// ---- one directory ----------------------------------------------------------

struct PageTags {
    uint32_t subfileType = 0;
    int pageNumber = 0; // 0: no page number or name
};

// The directory's tags; false when libtiff refuses the compression.
bool SetTags(TIFF *tif, const Dib &page, const WriteParams &params, const PageTags &tags,
             const Layout &l) {
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, tags.subfileType);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(page.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(page.height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, l.spp);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, l.bps);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tif, TIFFTAG_ORIENTATION, uint16_t(ORIENTATION_TOPLEFT));
    if (!TIFFSetField(tif, TIFFTAG_COMPRESSION, l.compression))
        return false;
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, l.photometric);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_INCH));
    if (page.xDpi > 0)
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(page.xDpi));
    if (page.yDpi > 0)
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(page.yDpi));
    if (tags.pageNumber > 0) {
        TIFFSetField(tif, TIFFTAG_PAGENUMBER, uint16_t(tags.pageNumber), uint16_t(tags.pageNumber));
        std::string name = "Page " + std::to_string(tags.pageNumber);
        TIFFSetField(tif, TIFFTAG_PAGENAME, name.c_str());
    }
    if (l.photometric == PHOTOMETRIC_PALETTE)
        TIFFSetField(tif, TIFFTAG_COLORMAP, l.red.data(), l.green.data(), l.blue.data());
    if (l.compression == COMPRESSION_LZW && l.spp * l.bps >= 8)
        TIFFSetField(tif, TIFFTAG_PREDICTOR, uint16_t(PREDICTOR_HORIZONTAL));
    if (l.compression == COMPRESSION_JPEG) {
        TIFFSetField(tif, TIFFTAG_JPEGQUALITY, params.quality & 0xff);
        if (l.photometric == PHOTOMETRIC_YCBCR) {
            static float coefficients[3] = {0.299f, 0.587f, 0.114f};
            static float reference[6] = {0.f, 255.f, 128.f, 255.f, 128.f, 255.f};
            TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, uint16_t(1), uint16_t(1));
            TIFFSetField(tif, TIFFTAG_YCBCRPOSITIONING, uint16_t(YCBCRPOSITION_CENTERED));
            TIFFSetField(tif, TIFFTAG_YCBCRCOEFFICIENTS, coefficients);
            TIFFSetField(tif, TIFFTAG_REFERENCEBLACKWHITE, reference);
            TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, int(JPEGCOLORMODE_RAW));
        }
    }
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    return true;
}

// Page row `y` from the top as the directory's samples.
void MakeLine(const Dib &page, const Layout &l, int y, uint8_t *dst) {
    const uint8_t *src = page.Row(page.height - 1 - y);
    if (page.bpp == 24) {
        if (l.photometric == PHOTOMETRIC_YCBCR) {
            for (int x = 0; x < page.width; ++x, src += 3, dst += 3) {
                double b = src[0], g = src[1], r = src[2];
                double yy = 0.299 * r + 0.587 * g + 0.114 * b;
                dst[0] = Clamp(yy);
                dst[1] = Clamp((b - yy) / (2 - 2 * 0.114) + 128);
                dst[2] = Clamp((r - yy) / (2 - 2 * 0.299) + 128);
            }
        } else {
            for (int x = 0; x < page.width; ++x, src += 3, dst += 3) {
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
            }
        }
    } else if (l.greyFromPalette) {
        for (int x = 0; x < page.width; ++x)
            dst[x] = l.grey[src[x]];
    } else {
        const size_t packed = (size_t(page.width) * size_t(page.bpp) + 7) / 8;
        std::memcpy(dst, src, packed);
        if (l.invertBits) {
            for (size_t i = 0; i < packed; ++i)
                dst[i] = uint8_t(~dst[i]);
        }
        // Bits past the last pixel are written as 0.
        int tail = int(size_t(page.width) * size_t(page.bpp) % 8);
        if (tail)
            dst[packed - 1] &= uint8_t(0xff << (8 - tail));
    }
}

bool WriteDirectory(TIFF *tif, const Dib &page, const WriteParams &params, const PageTags &tags) {
    const Layout l = PlanPage(page, params);
    if (!SetTags(tif, page, params, tags, l))
        return false;
    const tmsize_t lineSize = TIFFScanlineSize(tif);
    if (lineSize <= 0)
        return false;
    std::vector<uint8_t> line(size_t(lineSize), 0);
    for (int y = 0; y < page.height; ++y) {
        MakeLine(page, l, y, line.data());
        if (TIFFWriteScanline(tif, line.data(), uint32_t(y), 0) < 0)
            return false;
    }
    return TIFFWriteDirectory(tif) != 0;
}

Status Acceptable(const Dib &page) {
    if (!page.IsValid() || (page.bpp != 1 && page.bpp != 4 && page.bpp != 8 && page.bpp != 24))
        return Status::Fail("TIFF takes 1, 4, 8 or 24-bit pages");
    return Status::Ok();
}

// The stream's own message for a failed step, or `fallback`, with the
// failed write's errno.
Status StreamFailure(const Stream &s, const std::string &fallback) {
    const std::string &message = s.message.empty() ? fallback : s.message;
    return s.err != 0 ? Status::SystemFail(s.err, message) : Status::Fail(message);
}

} // namespace

Status WriteTiff(const Dib &page, const std::string &path, const WriteParams &params) {
    if (Status acceptable = Acceptable(page); !acceptable)
        return acceptable;
    OutputFile out(path);
    if (!out.IsOpen())
        return out.OpenStatus();
    Stream s;
    s.fd = out.Fd();
    TIFF *tif = OpenStream(s, path, "w");
    if (!tif)
        return StreamFailure(s, "Cannot create " + path);
    bool ok = WriteDirectory(tif, page, params, PageTags{0, 0});
    if (!ok)
        s.frozen = true;
    TIFFClose(tif);
    if (!ok || s.err != 0)
        return StreamFailure(s, "Cannot write " + path);
    return out.Commit();
}

struct TiffMultiPageWriter::Impl {
    std::unique_ptr<OutputFile> out; // the hidden sibling being built
    std::string path;
    Stream stream;
    TIFF *tif = nullptr;
    int count = 0;
    Status failure = Status::Ok(); // the first page that could not be written

    // Drops the file being built (the sibling goes with `out`).
    void Reset() {
        if (tif) {
            stream.frozen = true;
            TIFFClose(tif);
        }
        tif = nullptr;
        out.reset();
        path.clear();
        stream = Stream{};
        count = 0;
        failure = Status::Ok();
    }

    Status Fail(Status status) {
        if (failure)
            failure = status;
        stream.frozen = true;
        return failure;
    }
};

TiffMultiPageWriter::TiffMultiPageWriter() : impl_(std::make_unique<Impl>()) {}

TiffMultiPageWriter::~TiffMultiPageWriter() {
    Close();
}

Status TiffMultiPageWriter::Append(const std::string &path, const Dib &page,
                                   const WriteParams &params) {
    Impl &m = *impl_;
    if (!m.failure)
        return m.failure;
    if (m.out && path != m.path)
        return m.Fail(Status::Fail("One multi-page file at a time: " + m.path));
    if (Status acceptable = Acceptable(page); !acceptable)
        return m.Fail(acceptable);
    if (!m.out) {
        m.out = std::make_unique<OutputFile>(path);
        m.path = path;
        if (!m.out->IsOpen())
            return m.Fail(m.out->OpenStatus());
        m.stream = Stream{};
        m.stream.fd = m.out->Fd();
        m.tif = OpenStream(m.stream, path, "w");
        if (!m.tif)
            return m.Fail(StreamFailure(m.stream, "Cannot create " + path));
    }
    PageTags tags{FILETYPE_PAGE, m.count + 1};
    if (!m.tif || !WriteDirectory(m.tif, page, params, tags))
        return m.Fail(StreamFailure(m.stream, "Cannot write " + path));
    ++m.count;
    return Status::Ok();
}

Status TiffMultiPageWriter::Finish() {
    Impl &m = *impl_;
    Status result = Status::Ok();
    if (!m.failure)
        result = m.failure;
    else if (!m.out || !m.tif || m.count == 0)
        result = Status::Fail("No page was written");
    else if (TIFFFlush(m.tif) != 1)
        result = StreamFailure(m.stream, "Cannot write " + m.path);
    if (result) {
        TIFFClose(m.tif);
        m.tif = nullptr;
        result = m.stream.err != 0 ? StreamFailure(m.stream, "Cannot write " + m.path)
                                   : m.out->Commit();
    }
    m.Reset();
    return result;
}

void TiffMultiPageWriter::Close() {
    impl_->Reset();
}

int TiffMultiPageWriter::PageCount() const {
    return impl_->count;
}

} // namespace imageconv
