// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The image settings as converter options, for every format code.
#include <gtest/gtest.h>

#include "convert/ApplyImageSettings.h"
#include "imageconv/ConverterRecord.h"
#include "imageconv/ImageConverter.h"

namespace {

ImageSettings Colours(const std::string &text) {
    ImageSettings s;
    s.nXDpi = 200;
    s.nYDpi = 300;
    s.szBmpColor = s.szPngColor = s.szPcxColor = s.szGifColor = s.szTgaColor = text;
    s.szJp2Color = s.szRasColor = s.szJpcColor = s.szJpgColor = s.szTifColor = text;
    s.nJpgQuality = 61;
    s.nTifQuality = 33;
    s.nTifCompression = 1;
    return s;
}

struct Applied {
    int h = ImageConverterCreate();
    ~Applied() { ImageConverterDestroy(h); }
    imageconv::ImageConverter &rec() { return *imageconv::LookupConverter(h); }
};

} // namespace

TEST(ApplyImageSettings, EveryFormatCodeSetsFormatResolutionAndItsOwnOptions) {
    for (int code = IC_FORMAT_BMP; code <= IC_FORMAT_JPC; ++code) {
        SCOPED_TRACE(code);
        Applied a;
        ImageSettings s = Colours("16 Grays");
        EXPECT_EQ(ApplyImageSettings(a.h, code, s), 1);
        const auto &r = a.rec();
        EXPECT_EQ(r.m_nFormatCode, code);
        EXPECT_EQ(r.m_nXDpi, 200);
        EXPECT_EQ(r.m_nYDpi, 300);
        EXPECT_EQ(r.m_nWidth, 0);
        EXPECT_EQ(r.m_nRotate, 0);
        EXPECT_EQ(r.m_nQuality, code == IC_FORMAT_JPEG ? 61 : code == IC_FORMAT_TIFF ? 33 : 75);
        EXPECT_EQ(r.m_nTiffCompression, code == IC_FORMAT_TIFF ? IC_TIFF_LZW : 2);
        const bool metafile = code == IC_FORMAT_EMF || code == IC_FORMAT_WMF;
        EXPECT_EQ(r.m_nBpp, metafile ? 24 : 4);
        EXPECT_EQ(r.m_bGray, metafile ? 0 : 1);
    }
}

TEST(ApplyImageSettings, EachFormatReadsItsOwnColourSetting) {
    const std::pair<int, std::string ImageSettings::*> fields[] = {
        {IC_FORMAT_BMP, &ImageSettings::szBmpColor},  {IC_FORMAT_JPEG, &ImageSettings::szJpgColor},
        {IC_FORMAT_PNG, &ImageSettings::szPngColor},  {IC_FORMAT_GIF, &ImageSettings::szGifColor},
        {IC_FORMAT_TIFF, &ImageSettings::szTifColor}, {IC_FORMAT_PCX, &ImageSettings::szPcxColor},
        {IC_FORMAT_TGA, &ImageSettings::szTgaColor},  {IC_FORMAT_JP2, &ImageSettings::szJp2Color},
        {IC_FORMAT_RAS, &ImageSettings::szRasColor},  {IC_FORMAT_JPC, &ImageSettings::szJpcColor},
    };
    for (auto [code, field] : fields) {
        SCOPED_TRACE(code);
        Applied a;
        ImageSettings s = Colours("True Color");
        s.*field = "B&W";
        ApplyImageSettings(a.h, code, s);
        EXPECT_EQ(a.rec().m_nBpp, 1);
    }
}

TEST(ApplyImageSettings, ColourTextsIgnoreCaseAndUnknownTextIsTrueColour) {
    const struct {
        const char *text;
        int bpp;
        int gray;
    } cases[] = {
        {"True Color", 24, 0}, {"256 Color", 8, 0}, {"256 Grays", 8, 1}, {"16 Color", 4, 0},
        {"16 Grays", 4, 1},    {"B&W", 1, 0},       {"b&w", 1, 0},       {"256 GRAYS", 8, 1},
        {"16 color", 4, 0},    {"", 24, 0},         {"Grays", 24, 0},    {"16 Grays ", 24, 0},
        {"2 Color", 24, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        Applied a;
        ApplyImageSettings(a.h, IC_FORMAT_PNG, Colours(c.text));
        EXPECT_EQ(a.rec().m_nBpp, c.bpp);
        EXPECT_EQ(a.rec().m_bGray, c.gray);
    }
}

TEST(ApplyImageSettings, GreyIsNeverSwitchedOff) {
    Applied a;
    ImageConverterSetOption(a.h, IC_OPT_GRAY, nullptr, 1);
    ApplyImageSettings(a.h, IC_FORMAT_BMP, Colours("True Color"));
    EXPECT_EQ(a.rec().m_bGray, 1);
}

TEST(ApplyImageSettings, TiffCompressionIndexMap) {
    const int expected[] = {0, 1, 6, 2, 3, 5, 4};
    for (int index = 0; index < 7; ++index) {
        Applied a;
        ImageSettings s = Colours("True Color");
        s.nTifCompression = index;
        ApplyImageSettings(a.h, IC_FORMAT_TIFF, s);
        EXPECT_EQ(a.rec().m_nTiffCompression, expected[index]) << index;
    }
    for (int index : {7, 9, -1, 100}) {
        Applied a;
        ImageSettings s = Colours("True Color");
        s.nTifCompression = index;
        ApplyImageSettings(a.h, IC_FORMAT_TIFF, s);
        EXPECT_EQ(a.rec().m_nTiffCompression, IC_TIFF_JPEG) << index;
    }
}

TEST(ApplyImageSettings, ResizeAndRotationOnlyWhenChosen) {
    {
        Applied a;
        ImageSettings s = Colours("");
        s.bResize = 0;
        s.nWidth = 600;
        s.nHeight = 800;
        s.nAngle = 0;
        ApplyImageSettings(a.h, IC_FORMAT_JPEG, s);
        EXPECT_EQ(a.rec().m_nWidth, 0);
        EXPECT_EQ(a.rec().m_nHeight, 0);
        EXPECT_EQ(a.rec().m_nRotate, 0);
    }
    {
        Applied a;
        ImageSettings s = Colours("");
        s.bResize = 1;
        s.nWidth = 600;
        s.nHeight = 800;
        s.nAngle = 270;
        ApplyImageSettings(a.h, IC_FORMAT_JPEG, s);
        EXPECT_EQ(a.rec().m_nWidth, 600);
        EXPECT_EQ(a.rec().m_nHeight, 800);
        EXPECT_EQ(a.rec().m_nRotate, 270);
    }
}

TEST(ApplyImageSettings, OutOfRangeFormatCodeFallsBackToJpegAndBadHandleIsRefused) {
    Applied a;
    ApplyImageSettings(a.h, 13, Colours("256 Color"));
    EXPECT_EQ(a.rec().m_nFormatCode, IC_FORMAT_JPEG);
    EXPECT_EQ(ApplyImageSettings(0, IC_FORMAT_BMP, Colours("")), 0);
    EXPECT_EQ(ApplyImageSettings(-3, IC_FORMAT_BMP, Colours("")), 0);
}
