// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// What each format's page routine hands to its writer: depth, palette, grey,
// resolution, rotation and size, for every format and colour request.
#include <gtest/gtest.h>

#include "PageSupport.h"
#include "imageconv/ConverterRecord.h"
#include "imageconv/ImageConverter.h"
#include "imageconv/PageOps.h"

using namespace imageconv;
using namespace testsupport;

namespace {

Rgb Colour(int x, int y) {
    return Rgb{uint8_t(x * 25), uint8_t(200 - y * 30), uint8_t(x * y * 5)};
}

class PageRoutines : public testing::Test {
protected:
    void SetUp() override {
        input_ = dir_.File("page.bmp");
        WriteBytes(input_, EncodeBmp(9, 5, 24, {}, [](int x, int y) {
                       Rgb c = Colour(x, y);
                       return (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
                   }));
    }

    // The page the writer of `format` receives for the given request.
    Dib Prepared(int format, int bpp, int gray, int rotate = 0, int tiffCompression = 2) {
        ImageConverter ic;
        ic.m_nFormatCode = format;
        ic.m_nBpp = bpp;
        ic.m_bGray = gray;
        ic.m_nRotate = rotate;
        ic.m_nTiffCompression = tiffCompression;
        ic.m_nXDpi = 300;
        ic.m_nYDpi = 200;
        DecideDepth(ic);
        Dib page;
        EXPECT_TRUE(PreparePage(ic, input_, page));
        lastGray_ = ic.m_bGray;
        return page;
    }

    static bool IsGreyRamp(const Dib &d) {
        if (d.bpp != 8 || d.palette.size() != 256)
            return false;
        for (int i = 0; i < 256; ++i)
            if (!(d.palette[size_t(i)] == RgbQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0}))
                return false;
        return true;
    }
    static bool AllGrey(const Dib &d) {
        for (const RgbQuad &q : d.palette)
            if (q.red != q.green || q.green != q.blue)
                return false;
        return !d.palette.empty();
    }

    TempFolder dir_;
    std::string input_;
    int lastGray_ = 0;
};

} // namespace

TEST_F(PageRoutines, PaletteFormatsReduceWhenAsked) {
    for (int format : {IC_FORMAT_BMP, IC_FORMAT_PNG, IC_FORMAT_PCX, IC_FORMAT_TIFF}) {
        SCOPED_TRACE(format);
        EXPECT_EQ(Prepared(format, 24, 0).bpp, 24);
        EXPECT_EQ(Prepared(format, 16, 1).bpp, 24); // grey only comes with a palette depth
        Dib colour256 = Prepared(format, 8, 0);
        EXPECT_EQ(colour256.bpp, 8);
        EXPECT_EQ(colour256.palette.size(), 256u);
        EXPECT_FALSE(AllGrey(colour256));
        Dib grey16 = Prepared(format, 4, 1);
        EXPECT_EQ(grey16.bpp, 4);
        EXPECT_TRUE(AllGrey(grey16));
        Dib grey256 = Prepared(format, 8, 1);
        EXPECT_EQ(grey256.bpp, 8);
        EXPECT_TRUE(AllGrey(grey256));
        EXPECT_TRUE(IsGreyRamp(grey256)); // every grey level kept
        Dib bw = Prepared(format, 1, 1);
        EXPECT_EQ(bw.bpp, 1);
        ASSERT_EQ(bw.palette.size(), 2u);
        EXPECT_EQ(bw.palette[1], (RgbQuad{255, 255, 255, 0}));
    }
}

TEST_F(PageRoutines, GifAlwaysGetsAPalette) {
    EXPECT_EQ(Prepared(IC_FORMAT_GIF, 24, 0).bpp, 8);
    EXPECT_EQ(Prepared(IC_FORMAT_GIF, 16, 0).bpp, 8);
    EXPECT_EQ(Prepared(IC_FORMAT_GIF, 4, 0).bpp, 4);
    EXPECT_EQ(Prepared(IC_FORMAT_GIF, 1, 0).bpp, 1);
    EXPECT_TRUE(AllGrey(Prepared(IC_FORMAT_GIF, 24, 1)));
}

TEST_F(PageRoutines, JpegIsGreyFor256ColoursAndColourOtherwise) {
    EXPECT_TRUE(IsGreyRamp(Prepared(IC_FORMAT_JPEG, 8, 0)));
    EXPECT_EQ(lastGray_, 1);
    EXPECT_EQ(Prepared(IC_FORMAT_JPEG, 4, 0).bpp, 24);
    EXPECT_EQ(Prepared(IC_FORMAT_JPEG, 1, 0).bpp, 24);
    EXPECT_EQ(Prepared(IC_FORMAT_JPEG, 24, 0).bpp, 24);
    EXPECT_TRUE(IsGreyRamp(Prepared(IC_FORMAT_JPEG, 24, 1)));
}

TEST_F(PageRoutines, TgaIsEightOrTwentyFourBits) {
    Dib colour = Prepared(IC_FORMAT_TGA, 8, 0);
    EXPECT_EQ(colour.bpp, 8);
    EXPECT_FALSE(AllGrey(colour));
    EXPECT_TRUE(IsGreyRamp(Prepared(IC_FORMAT_TGA, 8, 1)));
    // 16 colours or black-and-white: a 24-bit page, without grey.
    Dib sixteen = Prepared(IC_FORMAT_TGA, 4, 1);
    EXPECT_EQ(sixteen.bpp, 24);
    EXPECT_EQ(At24(sixteen, 3, 2), Colour(3, 2));
    EXPECT_EQ(Prepared(IC_FORMAT_TGA, 1, 0).bpp, 24);
}

TEST_F(PageRoutines, JpegTwoThousandAndRasterHonourOnlyGrey) {
    for (int format : {IC_FORMAT_JP2, IC_FORMAT_RAS, IC_FORMAT_JPC}) {
        SCOPED_TRACE(format);
        EXPECT_EQ(Prepared(format, 1, 0).bpp, 24);
        EXPECT_EQ(Prepared(format, 8, 0).bpp, 24);
        EXPECT_TRUE(IsGreyRamp(Prepared(format, 4, 1)));
        EXPECT_TRUE(IsGreyRamp(Prepared(format, 24, 1)));
    }
}

TEST_F(PageRoutines, MetafilesGetThePageAsReadTurnedFreely) {
    for (int format : {IC_FORMAT_EMF, IC_FORMAT_WMF}) {
        SCOPED_TRACE(format);
        Dib page = Prepared(format, 1, 1);
        EXPECT_EQ(page.bpp, 24);
        EXPECT_EQ(page.xPelsPerMeter, 2835); // no resolution step: the file's own
        EXPECT_EQ(At24(page, 4, 4), Colour(4, 4));
        Dib turned = Prepared(format, 24, 0, 90);
        EXPECT_EQ(turned.width, 5);
        EXPECT_EQ(turned.height, 9);
    }
}

TEST_F(PageRoutines, RasterFormatsTakeResolutionAndRotation) {
    for (int format = IC_FORMAT_BMP; format <= IC_FORMAT_JPC; ++format) {
        if (format == IC_FORMAT_EMF || format == IC_FORMAT_WMF)
            continue;
        SCOPED_TRACE(format);
        Dib page = Prepared(format, 24, 0, 270);
        EXPECT_EQ(page.xDpi, 300);
        EXPECT_EQ(page.yDpi, 200);
        EXPECT_EQ(page.xPelsPerMeter, 11811);
        EXPECT_EQ(page.yPelsPerMeter, 7874);
        ASSERT_EQ(page.width, 5);
        ASSERT_EQ(page.height, 9);
        // counter-clockwise: new(X, Y) = old(Y, H - 1 - X)
        if (page.bpp == 24) {
            EXPECT_EQ(At24(page, 1, 7), Colour(7, 3));
        }
    }
}

TEST_F(PageRoutines, TiffGreyWithoutReductionKeepsTheGreyRamp) {
    Dib page = Prepared(IC_FORMAT_TIFF, 8, 0, 0, IC_TIFF_GRAY8);
    EXPECT_TRUE(IsGreyRamp(page));
    EXPECT_EQ(lastGray_, 1);
    // Other depths are reduced as usual with that compression value.
    EXPECT_EQ(Prepared(IC_FORMAT_TIFF, 1, 0, 0, IC_TIFF_GRAY8).bpp, 1);
    Dib sixteen = Prepared(IC_FORMAT_TIFF, 4, 0, 0, IC_TIFF_GRAY8);
    EXPECT_EQ(sixteen.bpp, 4);
    EXPECT_FALSE(AllGrey(sixteen));
}
