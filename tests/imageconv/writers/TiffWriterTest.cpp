// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// TIFF writer: single and multi-page files read back with libtiff.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <tiffio.h>

#include "WriterTestSupport.h"
#include "imageconv/ImageConverter.h"
#include "imageconv/Writers.h"

using namespace imageconv;
using namespace wtest;

namespace {

struct TiffCloser {
    void operator()(TIFF *t) const { TIFFClose(t); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

TiffPtr Open(const std::string &path) {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    return TiffPtr(TIFFOpen(path.c_str(), "r"));
}

template <typename T> T Tag(TIFF *t, ttag_t tag, T fallback = T(-1)) {
    T v{};
    return TIFFGetField(t, tag, &v) ? v : fallback;
}

int Directories(const std::string &path) {
    TiffPtr t = Open(path);
    if (!t)
        return 0;
    int n = 0;
    do
        ++n;
    while (TIFFReadDirectory(t.get()));
    return n;
}

WriteParams Params(int depth, int compression, int gray = 0) {
    WriteParams p;
    p.reduceBpp = depth == 24 ? 0 : depth;
    p.workBpp = 24;
    p.tiffCompression = compression;
    p.gray = gray;
    p.quality = 90;
    return p;
}

const std::vector<RgbQuad> kBlackWhite = {Quad(0, 0, 0), Quad(255, 255, 255)};

std::vector<RgbQuad> Sixteen() {
    std::vector<RgbQuad> p;
    for (int i = 0; i < 16; ++i)
        p.push_back(Quad(uint8_t(i * 16), uint8_t(255 - i * 9), uint8_t(i * 5 + 3)));
    return p;
}

// Test pages of each depth, 27 x 19 and asymmetric.
Dib PageOfDepth(int depth, bool greyRamp = false) {
    auto idx = [](int x, int y) { return x * 3 + y * 7 + x * y; };
    switch (depth) {
    case 1:
        return PagePaletted(27, 19, 1, kBlackWhite,
                            [&](int x, int y) { return idx(x, y) % 5 == 0; });
    case 4:
        return PagePaletted(27, 19, 4, Sixteen(), [&](int x, int y) { return idx(x, y) % 16; });
    case 8: {
        std::vector<RgbQuad> pal = GreyRamp();
        if (!greyRamp)
            for (int i = 0; i < 256; ++i)
                pal[size_t(i)] = Quad(uint8_t(i), uint8_t(i / 2), uint8_t(255 - i));
        return PagePaletted(27, 19, 8, pal, [&](int x, int y) { return idx(x, y) % 256; });
    }
    default:
        return Page24(27, 19, Gradient);
    }
}

// Stored sample bytes expected for row yTop of a lossless page.
std::vector<uint8_t> ExpectedRow(const Dib &page, int yTop, bool invert1) {
    const uint8_t *src = page.Row(page.height - 1 - yTop);
    std::vector<uint8_t> out;
    if (page.bpp == 24) {
        for (int x = 0; x < page.width; ++x) {
            out.push_back(src[3 * x + 2]);
            out.push_back(src[3 * x + 1]);
            out.push_back(src[3 * x]);
        }
        return out;
    }
    size_t n = (size_t(page.width) * size_t(page.bpp) + 7) / 8;
    out.assign(src, src + n);
    if (invert1)
        for (auto &b : out)
            b = uint8_t(~b);
    int tail = int(page.width * page.bpp % 8);
    if (tail)
        out.back() &= uint8_t(0xff << (8 - tail));
    return out;
}

void ExpectRows(TIFF *t, const Dib &page, bool invert1) {
    std::vector<uint8_t> line(size_t(TIFFScanlineSize(t)));
    for (int y = 0; y < page.height; ++y) {
        ASSERT_EQ(TIFFReadScanline(t, line.data(), uint32_t(y), 0), 1) << y;
        std::vector<uint8_t> want = ExpectedRow(page, y, invert1);
        std::vector<uint8_t> got(line.begin(), line.begin() + long(want.size()));
        if (page.bpp < 8 && page.width * page.bpp % 8)
            got.back() &= uint8_t(0xff << (8 - page.width * page.bpp % 8));
        ASSERT_EQ(got, want) << "row " << y;
    }
}

// Row yTop of the current directory, read in order from the first row, as
// compressed strips only decode forwards.
std::vector<uint8_t> ReadRow(TIFF *t, int yTop) {
    std::vector<uint8_t> line(size_t(TIFFScanlineSize(t)));
    for (int y = 0; y <= yTop; ++y)
        if (TIFFReadScanline(t, line.data(), uint32_t(y), 0) != 1)
            return {};
    return line;
}

struct Row {
    int depth;
    int gray;
    uint16_t expected[8];
};

} // namespace

TEST(TiffWriter, CompressionTableByDepthAndChoice) {
    const Row table[] = {
        {1, 0, {1, 5, 4, 4, 4, 3, 2, 4}},      {4, 0, {1, 5, 5, 32773, 5, 5, 5, 5}},
        {8, 0, {1, 5, 5, 32773, 5, 5, 5, 5}},  {8, 1, {1, 5, 7, 32773, 5, 5, 5, 5}},
        {24, 0, {1, 5, 7, 32773, 7, 7, 7, 7}},
    };
    TempFolder dir;
    for (const Row &row : table) {
        Dib page = PageOfDepth(row.depth, row.gray == 1);
        for (int c = 0; c < 8; ++c) {
            SCOPED_TRACE("depth " + std::to_string(row.depth) + " gray " +
                         std::to_string(row.gray) + " choice " + std::to_string(c));
            std::string path = dir.File("t.tif");
            ASSERT_TRUE(WriteTiff(page, path, Params(row.depth, c, row.gray)));
            TiffPtr t = Open(path);
            ASSERT_TRUE(t);
            const uint16_t comp = Tag<uint16_t>(t.get(), TIFFTAG_COMPRESSION);
            EXPECT_EQ(comp, row.expected[c]);
            EXPECT_EQ(Tag<uint32_t>(t.get(), TIFFTAG_IMAGEWIDTH), 27u);
            EXPECT_EQ(Tag<uint32_t>(t.get(), TIFFTAG_IMAGELENGTH), 19u);
            EXPECT_EQ(Tag<uint16_t>(t.get(), TIFFTAG_SAMPLESPERPIXEL), row.depth == 24 ? 3 : 1);
            EXPECT_EQ(Tag<uint16_t>(t.get(), TIFFTAG_BITSPERSAMPLE),
                      row.depth == 24 ? 8 : row.depth);
            EXPECT_EQ(Tag<uint16_t>(t.get(), TIFFTAG_PLANARCONFIG), PLANARCONFIG_CONTIG);
            EXPECT_EQ(Tag<uint16_t>(t.get(), TIFFTAG_ORIENTATION), ORIENTATION_TOPLEFT);
            EXPECT_EQ(Tag<uint16_t>(t.get(), TIFFTAG_RESOLUTIONUNIT), RESUNIT_INCH);
            EXPECT_FLOAT_EQ(Tag<float>(t.get(), TIFFTAG_XRESOLUTION), 150.f);
            EXPECT_FLOAT_EQ(Tag<float>(t.get(), TIFFTAG_YRESOLUTION), 150.f);
            EXPECT_EQ(Tag<uint32_t>(t.get(), TIFFTAG_SUBFILETYPE, 0), 0u);
            EXPECT_GT(Tag<uint32_t>(t.get(), TIFFTAG_ROWSPERSTRIP, 0), 0u);
            const bool wide = row.depth >= 8;
            EXPECT_EQ(Tag<uint16_t>(t.get(), TIFFTAG_PREDICTOR, 1),
                      comp == COMPRESSION_LZW && wide ? PREDICTOR_HORIZONTAL : PREDICTOR_NONE);
            if (comp != COMPRESSION_JPEG)
                ExpectRows(t.get(), page, row.depth == 1);
        }
    }
}

TEST(TiffWriter, PhotometricFollowsDepthAndPalette) {
    TempFolder dir;
    std::string path = dir.File("p.tif");
    struct Case {
        Dib page;
        int compression;
        int gray;
        uint16_t photometric;
    };
    std::vector<RgbQuad> fullScale16;
    for (int i = 0; i < 16; ++i)
        fullScale16.push_back(Quad(uint8_t(i * 17), uint8_t(i * 17), uint8_t(i * 17)));
    std::vector<RgbQuad> dark16;
    for (int i = 0; i < 16; ++i)
        dark16.push_back(Quad(uint8_t(i), uint8_t(i), uint8_t(i)));
    auto idx = [](int x, int y) { return (x + y) % 16; };
    const Case cases[] = {
        {PageOfDepth(1), 0, 0, PHOTOMETRIC_MINISWHITE},
        {PageOfDepth(4), 0, 0, PHOTOMETRIC_PALETTE},
        {PagePaletted(9, 5, 4, fullScale16, idx), 1, 1, PHOTOMETRIC_MINISBLACK},
        // Levels 0..15 read as min-is-black would turn near-black into white.
        {PagePaletted(9, 5, 4, dark16, idx), 1, 1, PHOTOMETRIC_PALETTE},
        {PageOfDepth(8, true), 1, 1, PHOTOMETRIC_MINISBLACK},
        {PageOfDepth(8, false), 1, 0, PHOTOMETRIC_PALETTE},
        {PageOfDepth(24), 1, 0, PHOTOMETRIC_RGB},
        {PageOfDepth(24), 2, 0, PHOTOMETRIC_YCBCR},
        {PageOfDepth(8, true), 2, 1, PHOTOMETRIC_MINISBLACK},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE("case " + std::to_string(n++));
        ASSERT_TRUE(WriteTiff(c.page, path, Params(c.page.bpp, c.compression, c.gray)));
        TiffPtr t = Open(path);
        ASSERT_TRUE(t);
        EXPECT_EQ(Tag<uint16_t>(t.get(), TIFFTAG_PHOTOMETRIC), c.photometric);
    }
}

TEST(TiffWriter, BlackAndWhiteIsMinIsWhiteWithBlackAsOneBits) {
    TempFolder dir;
    // Entry 0 black (after a black-and-white reduction): bits are inverted.
    Dib page = PagePaletted(11, 3, 1, kBlackWhite, [](int x, int) { return x >= 4; });
    std::string path = dir.File("bw.tif");
    ASSERT_TRUE(WriteTiff(page, path, Params(1, IC_TIFF_NONE)));
    TiffPtr t = Open(path);
    ASSERT_TRUE(t);
    EXPECT_EQ(Tag<uint16_t>(t.get(), TIFFTAG_PHOTOMETRIC), PHOTOMETRIC_MINISWHITE);
    std::vector<uint8_t> line = ReadRow(t.get(), 0);
    ASSERT_FALSE(line.empty());
    // Pixels 0-3 black -> 1 bits, 4-10 white -> 0 bits, padding 0.
    EXPECT_EQ(line[0], 0xf0);
    EXPECT_EQ(line[1], 0x00);

    // Entry 0 already white: bits as they are.
    Dib whiteFirst = PagePaletted(11, 3, 1, {Quad(255, 255, 255), Quad(0, 0, 0)},
                                  [](int x, int) { return x < 4; });
    ASSERT_TRUE(WriteTiff(whiteFirst, path, Params(1, IC_TIFF_CCITT_G4)));
    t = Open(path);
    ASSERT_TRUE(t);
    EXPECT_EQ(Tag<uint16_t>(t.get(), TIFFTAG_COMPRESSION), COMPRESSION_CCITTFAX4);
    line = ReadRow(t.get(), 2);
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line[0], 0xf0);
    EXPECT_EQ(line[1] & 0xe0, 0x00);
}

TEST(TiffWriter, PaletteColourMapHoldsSixteenBitValues) {
    TempFolder dir;
    Dib page = PageOfDepth(4);
    std::string path = dir.File("pal.tif");
    ASSERT_TRUE(WriteTiff(page, path, Params(4, IC_TIFF_PACKBITS)));
    TiffPtr t = Open(path);
    ASSERT_TRUE(t);
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    ASSERT_TRUE(TIFFGetField(t.get(), TIFFTAG_COLORMAP, &r, &g, &b));
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(r[i], page.palette[size_t(i)].red * 257);
        EXPECT_EQ(g[i], page.palette[size_t(i)].green * 257);
        EXPECT_EQ(b[i], page.palette[size_t(i)].blue * 257);
    }
    ExpectRows(t.get(), page, false);
}

TEST(TiffWriter, TrueColourJpegIsYCbCrWithoutSubsamplingConvertedByTheWriter) {
    TempFolder dir;
    // The settings' default choice (JPEG) on a true-colour page.
    Dib red = Page24(16, 16, [](int, int) { return Rgb{255, 0, 0}; });
    std::string path = dir.File("red.tif");
    ASSERT_TRUE(WriteTiff(red, path, Params(24, IC_TIFF_JPEG)));
    TiffPtr t = Open(path);
    ASSERT_TRUE(t);
    EXPECT_EQ(Tag<uint16_t>(t.get(), TIFFTAG_COMPRESSION), COMPRESSION_JPEG);
    EXPECT_EQ(Tag<uint16_t>(t.get(), TIFFTAG_PHOTOMETRIC), PHOTOMETRIC_YCBCR);
    uint16_t sh = 0, sv = 0;
    ASSERT_TRUE(TIFFGetField(t.get(), TIFFTAG_YCBCRSUBSAMPLING, &sh, &sv));
    EXPECT_EQ(sh, 1);
    EXPECT_EQ(sv, 1);
    EXPECT_EQ(Tag<uint16_t>(t.get(), TIFFTAG_YCBCRPOSITIONING), YCBCRPOSITION_CENTERED);
    float *coef = nullptr;
    ASSERT_TRUE(TIFFGetField(t.get(), TIFFTAG_YCBCRCOEFFICIENTS, &coef));
    EXPECT_FLOAT_EQ(coef[0], 0.299f);
    EXPECT_FLOAT_EQ(coef[1], 0.587f);
    EXPECT_FLOAT_EQ(coef[2], 0.114f);
    float *ref = nullptr;
    ASSERT_TRUE(TIFFGetField(t.get(), TIFFTAG_REFERENCEBLACKWHITE, &ref));
    const float want[6] = {0, 255, 128, 255, 128, 255};
    for (int i = 0; i < 6; ++i)
        EXPECT_FLOAT_EQ(ref[i], want[i]) << i;
    // Raw samples: Y = 0.299 * 255, Cb = 128 - Y / 1.772, Cr clipped at 255.
    std::vector<uint8_t> line = ReadRow(t.get(), 5);
    ASSERT_FALSE(line.empty());
    EXPECT_NEAR(line[3 * 7 + 0], 76, 2);
    EXPECT_NEAR(line[3 * 7 + 1], 85, 2);
    EXPECT_NEAR(line[3 * 7 + 2], 255, 2);
}

TEST(TiffWriter, TrueColourJpegDecodesBackToThePage) {
    TempFolder dir;
    Dib page = Page24(41, 29, Gradient);
    std::string path = dir.File("photo.tif");
    WriteParams p = Params(24, IC_TIFF_JPEG);
    p.quality = 95;
    ASSERT_TRUE(WriteTiff(page, path, p));
    TiffPtr t = Open(path);
    ASSERT_TRUE(t);
    std::vector<uint32_t> rgba(41 * 29);
    ASSERT_TRUE(TIFFReadRGBAImageOriented(t.get(), 41, 29, rgba.data(), ORIENTATION_TOPLEFT, 0));
    double err = 0;
    for (int y = 0; y < 29; ++y)
        for (int x = 0; x < 41; ++x) {
            uint32_t v = rgba[size_t(y) * 41 + size_t(x)];
            Rgb want = Gradient(x, y);
            err += std::abs(int(TIFFGetR(v)) - want.r) + std::abs(int(TIFFGetG(v)) - want.g) +
                   std::abs(int(TIFFGetB(v)) - want.b);
        }
    EXPECT_LT(err / (41 * 29 * 3), 4.0);
}

TEST(TiffWriter, QualityReachesTheJpegCodecAsItsLowEightBits) {
    TempFolder dir;
    Dib page = Page24(64, 64, [](int x, int y) {
        return Rgb{uint8_t(x * y), uint8_t(x * 4), uint8_t(y * 4)};
    });
    auto size = [&](int quality) {
        WriteParams p = Params(24, IC_TIFF_JPEG);
        p.quality = quality;
        std::string path = dir.File("q" + std::to_string(quality) + ".tif");
        EXPECT_TRUE(WriteTiff(page, path, p));
        return ReadBytes(path);
    };
    std::vector<uint8_t> q300 = size(300), q44 = size(44), q100 = size(100);
    EXPECT_EQ(q300.size(), q44.size());
    EXPECT_LT(q44.size(), q100.size());
}

TEST(TiffWriter, GreyPaletteWithJpegGoesOutAsGreyLevels) {
    TempFolder dir;
    // A reduced 256-grey palette that is not the exact ramp.
    std::vector<RgbQuad> pal;
    for (int i = 0; i < 256; ++i) {
        uint8_t v = uint8_t(255 - i);
        pal.push_back(Quad(v, v, v));
    }
    Dib page = PagePaletted(24, 16, 8, pal, [](int x, int) { return x < 12 ? 0 : 255; });
    std::string path = dir.File("g.tif");
    ASSERT_TRUE(WriteTiff(page, path, Params(8, IC_TIFF_JPEG, 1)));
    TiffPtr t = Open(path);
    ASSERT_TRUE(t);
    EXPECT_EQ(Tag<uint16_t>(t.get(), TIFFTAG_COMPRESSION), COMPRESSION_JPEG);
    EXPECT_EQ(Tag<uint16_t>(t.get(), TIFFTAG_PHOTOMETRIC), PHOTOMETRIC_MINISBLACK);
    std::vector<uint8_t> line = ReadRow(t.get(), 8);
    ASSERT_FALSE(line.empty());
    EXPECT_GT(line[2], 240); // index 0 is white
    EXPECT_LT(line[21], 15); // index 255 is black
}

TEST(TiffWriter, EdgeChoicesPackBitsOnBlackAndWhiteAndRleOnTrueColour) {
    TempFolder dir;
    std::string path = dir.File("e.tif");
    ASSERT_TRUE(WriteTiff(PageOfDepth(1), path, Params(1, IC_TIFF_PACKBITS)));
    EXPECT_EQ(Tag<uint16_t>(Open(path).get(), TIFFTAG_COMPRESSION), COMPRESSION_CCITTFAX4);
    ASSERT_TRUE(WriteTiff(PageOfDepth(24), path, Params(24, IC_TIFF_CCITT_RLE)));
    EXPECT_EQ(Tag<uint16_t>(Open(path).get(), TIFFTAG_COMPRESSION), COMPRESSION_JPEG);
    // A choice outside the table behaves like the default.
    ASSERT_TRUE(WriteTiff(PageOfDepth(24), path, Params(24, 9)));
    EXPECT_EQ(Tag<uint16_t>(Open(path).get(), TIFFTAG_COMPRESSION), COMPRESSION_JPEG);
}

namespace {

void ExpectPage(TIFF *t, int n, int width) {
    EXPECT_EQ(Tag<uint32_t>(t, TIFFTAG_SUBFILETYPE, 0), uint32_t(FILETYPE_PAGE));
    uint16_t a = 0, b = 0;
    ASSERT_TRUE(TIFFGetField(t, TIFFTAG_PAGENUMBER, &a, &b));
    EXPECT_EQ(a, n);
    EXPECT_EQ(b, n);
    const char *name = nullptr;
    ASSERT_TRUE(TIFFGetField(t, TIFFTAG_PAGENAME, &name));
    EXPECT_STREQ(name, ("Page " + std::to_string(n)).c_str());
    EXPECT_EQ(Tag<uint32_t>(t, TIFFTAG_IMAGEWIDTH), uint32_t(width));
}

} // namespace

TEST(TiffMultiPage, ThreePagesGiveThreeNumberedNamedDirectories) {
    TempFolder dir;
    std::string path = dir.File("multi.tif");
    TiffMultiPageWriter writer;
    Dib p1 = PageOfDepth(24), p2 = PageOfDepth(1), p3 = PageOfDepth(8, true);
    ASSERT_TRUE(writer.Append(path, p1, Params(24, IC_TIFF_LZW)));
    ASSERT_TRUE(writer.Append(path, p2, Params(1, IC_TIFF_CCITT_G4)));
    ASSERT_TRUE(writer.Append(path, p3, Params(8, IC_TIFF_JPEG, 1)));
    EXPECT_EQ(writer.PageCount(), 3);
    // Built beside the target: the name appears only once the file is done.
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_TRUE(writer.Finish());
    EXPECT_EQ(writer.PageCount(), 0);
    EXPECT_EQ(ListNames(dir.Path()), std::vector<std::string>{"multi.tif"});

    ASSERT_EQ(Directories(path), 3);
    TiffPtr t = Open(path);
    ASSERT_TRUE(t);
    ExpectPage(t.get(), 1, 27);
    ExpectRows(t.get(), p1, false);
    ASSERT_TRUE(TIFFReadDirectory(t.get()));
    ExpectPage(t.get(), 2, 27);
    EXPECT_EQ(Tag<uint16_t>(t.get(), TIFFTAG_COMPRESSION), COMPRESSION_CCITTFAX4);
    ExpectRows(t.get(), p2, true);
    ASSERT_TRUE(TIFFReadDirectory(t.get()));
    ExpectPage(t.get(), 3, 27);
    EXPECT_EQ(Tag<uint16_t>(t.get(), TIFFTAG_COMPRESSION), COMPRESSION_JPEG);
}

TEST(TiffMultiPage, AnUnfinishedOrSpoiledFileLeavesTheOldOneByteForByte) {
    TempFolder dir;
    std::string path = dir.File("doc.tif");
    const std::vector<uint8_t> old{'o', 'l', 'd', 0, 1, 2};
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(old.data()), std::streamsize(old.size()));
    {
        // Abandoned after two pages (a stop, a destroyed converter).
        TiffMultiPageWriter writer;
        ASSERT_TRUE(writer.Append(path, PageOfDepth(4), Params(4, IC_TIFF_LZW)));
        ASSERT_TRUE(writer.Append(path, PageOfDepth(24), Params(24, IC_TIFF_JPEG)));
        writer.Close();
        EXPECT_EQ(ReadBytes(path), old);
    }
    TiffMultiPageWriter writer;
    ASSERT_TRUE(writer.Append(path, PageOfDepth(24), Params(24, IC_TIFF_LZW)));
    // Wider than any JPEG frame: the JPEG codec refuses it mid-page.
    Dib wide = Page24(70000, 1, [](int x, int) { return Rgb{uint8_t(x), 0, 0}; });
    Status refused = writer.Append(path, wide, Params(24, IC_TIFF_JPEG));
    EXPECT_FALSE(refused);
    EXPECT_FALSE(refused.message().empty());
    // The file is spoiled: later pages are refused and nothing is published.
    EXPECT_FALSE(writer.Append(path, PageOfDepth(8, false), Params(8, IC_TIFF_PACKBITS)));
    EXPECT_FALSE(writer.Finish());
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(ListNames(dir.Path()), std::vector<std::string>{"doc.tif"});

    // Afterwards the writer starts afresh.
    ASSERT_TRUE(writer.Append(path, PageOfDepth(1), Params(1, IC_TIFF_CCITT_G3)));
    ASSERT_TRUE(writer.Finish());
    EXPECT_EQ(Directories(path), 1);
}

TEST(TiffMultiPage, NothingAppendedWritesNothing) {
    TempFolder dir;
    TiffMultiPageWriter writer;
    EXPECT_FALSE(writer.Finish());
    EXPECT_FALSE(writer.Append(dir.File("sub/"), PageOfDepth(24), Params(24, 0)));
    EXPECT_EQ(writer.PageCount(), 0);
    EXPECT_FALSE(writer.Finish());
    EXPECT_TRUE(ListNames(dir.Path()).empty());
}
