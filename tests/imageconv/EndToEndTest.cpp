// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Conversions through the handle interface into the real format writers,
// read back by independent readers: libtiff for the multi-page file, Qt for
// JPEG and GIF.
#include <QImage>
#include <QImageReader>
#include <QString>
#include <gtest/gtest.h>
#include <tiffio.h>

#include "PageSupport.h"
#include "imageconv/ImageConverter.h"

using namespace testsupport;

namespace {

Rgb Colour(int x, int y) {
    return Rgb{uint8_t(x * 17), uint8_t(y * 23), uint8_t(90 + x - y)};
}

std::string Input(const TempFolder &dir, const std::string &name, int w, int h) {
    return WriteBmp24(dir.File(name), w, h, Colour);
}

struct Converter {
    int h = ImageConverterCreate();
    ~Converter() {
        if (h)
            ImageConverterDestroy(h);
    }
    void Set(int option, int value) { ImageConverterSetOption(h, option, nullptr, value); }
};

void SilenceTiff() {
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
}

} // namespace

TEST(EndToEnd, MultiPageTiffHoldsEveryPageInTheOrderAdded) {
    SilenceTiff();
    TempFolder dir;
    const std::string out = dir.File("doc.tif");
    Converter c;
    ImageConverterSetOption(c.h, IC_OPT_MULTIPAGE_PATH, out.c_str(), 0);
    c.Set(IC_OPT_MULTIPAGE, 1);
    // Five pages told apart by their widths.
    for (int k = 1; k <= 5; ++k)
        ImageConverterAddFile(c.h, Input(dir, "p" + std::to_string(k) + ".bmp", 10 + k, 6).c_str(),
                              IC_INPUT_BMP);
    c.Set(IC_OPT_FORMAT, IC_FORMAT_TIFF);
    c.Set(IC_OPT_TIFF_COMPRESSION, IC_TIFF_LZW);
    c.Set(IC_OPT_BPP, 24);
    EXPECT_EQ(ImageConverterConvert(c.h), 1);
    EXPECT_EQ(ImageConverterDestroy(c.h), 1);
    c.h = 0;

    TIFF *tif = TIFFOpen(out.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    int pages = 0;
    do {
        ++pages;
        uint32_t width = 0, height = 0;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
        EXPECT_EQ(width, uint32_t(10 + pages));
        EXPECT_EQ(height, 6u);
        uint16_t number = 0, total = 0;
        ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_PAGENUMBER, &number, &total));
        EXPECT_EQ(number, uint16_t(pages));
        // The top row of the file is the page's top row, at full colour.
        std::vector<uint8_t> row(size_t(TIFFScanlineSize(tif)));
        ASSERT_EQ(TIFFReadScanline(tif, row.data(), 0), 1);
        EXPECT_EQ((Rgb{row[3], row[4], row[5]}), Colour(1, 5));
    } while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    EXPECT_EQ(pages, 5);
}

TEST(EndToEnd, MultiPageTiffSkipsPagesThatCannotBeRead) {
    SilenceTiff();
    TempFolder dir;
    const std::string out = dir.File("gaps.tif");
    {
        Converter c;
        ImageConverterSetOption(c.h, IC_OPT_MULTIPAGE_PATH, out.c_str(), 0);
        c.Set(IC_OPT_MULTIPAGE, 1);
        ImageConverterAddFile(c.h, Input(dir, "a.bmp", 7, 3).c_str(), IC_INPUT_BMP);
        ImageConverterAddFile(c.h, dir.File("missing.bmp").c_str(), IC_INPUT_BMP);
        ImageConverterAddFile(c.h, Input(dir, "b.bmp", 8, 3).c_str(), IC_INPUT_BMP);
        c.Set(IC_OPT_FORMAT, IC_FORMAT_TIFF);
        c.Set(IC_OPT_BPP, 1);
        ImageConverterConvert(c.h);
    }
    TIFF *tif = TIFFOpen(out.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    std::vector<uint32_t> widths;
    do {
        uint32_t w = 0;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
        widths.push_back(w);
    } while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    EXPECT_EQ(widths, (std::vector<uint32_t>{7, 8}));
}

TEST(EndToEnd, JpegWith256ColoursIsGreyAndWith16ColoursIsColour) {
    TempFolder dir;
    const std::string in = Input(dir, "in.bmp", 12, 8);
    for (int bpp : {8, 4}) {
        SCOPED_TRACE(bpp);
        const std::string out = dir.File("o" + std::to_string(bpp) + ".jpg");
        Converter c;
        ImageConverterSetOption(c.h, IC_OPT_OUTPUT_PATH, out.c_str(), 0);
        ImageConverterAddFile(c.h, in.c_str(), IC_INPUT_BMP);
        c.Set(IC_OPT_FORMAT, IC_FORMAT_JPEG);
        c.Set(IC_OPT_BPP, bpp);
        ImageConverterConvert(c.h);
        QImage img = QImageReader(QString::fromStdString(out)).read();
        ASSERT_FALSE(img.isNull());
        EXPECT_EQ(img.width(), 12);
        EXPECT_EQ(img.isGrayscale(), bpp == 8);
    }
}

TEST(EndToEnd, GifOfATrueColourRequestHasAPaletteOfTheOctreeColours) {
    TempFolder dir;
    const std::string out = dir.File("o.gif");
    Converter c;
    ImageConverterSetOption(c.h, IC_OPT_OUTPUT_PATH, out.c_str(), 0);
    ImageConverterAddFile(c.h, Input(dir, "in.bmp", 12, 8).c_str(), IC_INPUT_BMP);
    c.Set(IC_OPT_FORMAT, IC_FORMAT_GIF);
    c.Set(IC_OPT_ROTATE, 90);
    ImageConverterConvert(c.h);
    QImage img = QImageReader(QString::fromStdString(out)).read();
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.width(), 8);
    EXPECT_EQ(img.height(), 12);
    // 96 distinct colours, all within one depth-7 leaf of the original pixel.
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 8; ++x) {
            const QRgb p = img.pixel(x, 11 - y);
            const Rgb want = Colour(11 - y, x); // clockwise: new(X, Y) = old(W - 1 - Y, X)
            EXPECT_LE(std::abs(qRed(p) - want.r), 1);
            EXPECT_LE(std::abs(qGreen(p) - want.g), 1);
            EXPECT_LE(std::abs(qBlue(p) - want.b), 1);
        }
}
