// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The depth decision for every format, requested depth and grey choice,
// checked against the per-format behaviour a user sees.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "imageconv/ConverterRecord.h"
#include "imageconv/ImageConverter.h"

namespace {

struct Decision {
    int reduce;
    int gray;
    bool operator==(const Decision &) const = default;
};

Decision Decide(int format, int bpp, int gray) {
    imageconv::ImageConverter ic;
    ic.m_nFormatCode = format;
    ic.m_nBpp = bpp;
    ic.m_bGray = gray;
    imageconv::DecideDepth(ic);
    EXPECT_EQ(ic.m_nWorkBpp, 24) << "format " << format << " bpp " << bpp << " gray " << gray;
    return {ic.m_nReduceBpp, ic.m_bGray};
}

constexpr int kRequested[] = {1, 4, 8, 24};

// What a group of formats makes of each requested depth (1, 4, 8, 24) with
// one grey choice: the palette depth the page is reduced to (0 = none) and
// the grey choice afterwards.
struct Row {
    const char *what;
    std::vector<int> formats;
    int gray;
    std::array<int, 4> reduce;
    std::array<int, 4> grayAfter;
};

const std::vector<Row> &Table() {
    static const std::vector<int> paletteFormats = {IC_FORMAT_BMP,  IC_FORMAT_PNG, IC_FORMAT_PCX,
                                                    IC_FORMAT_TIFF, IC_FORMAT_EMF, IC_FORMAT_WMF};
    static const std::vector<int> greyOnly = {IC_FORMAT_JP2, IC_FORMAT_RAS, IC_FORMAT_JPC};
    static const std::vector<Row> rows = {
        {"palette formats keep the requested depth", paletteFormats, 0, {1, 4, 8, 0}, {0, 0, 0, 0}},
        {"palette formats keep it in grey too", paletteFormats, 1, {1, 4, 8, 0}, {1, 1, 1, 1}},
        {"GIF takes 256 colours for true colour", {IC_FORMAT_GIF}, 0, {1, 4, 8, 8}, {0, 0, 0, 0}},
        {"GIF in grey", {IC_FORMAT_GIF}, 1, {1, 4, 8, 8}, {1, 1, 1, 1}},
        {"JPEG: 256 colours means grey", {IC_FORMAT_JPEG}, 0, {0, 0, 8, 0}, {0, 0, 1, 0}},
        {"JPEG in grey is always 8-bit grey", {IC_FORMAT_JPEG}, 1, {8, 8, 8, 8}, {1, 1, 1, 1}},
        {"TGA maps only 256 colours", {IC_FORMAT_TGA}, 0, {0, 0, 8, 0}, {0, 0, 0, 0}},
        {"TGA in grey", {IC_FORMAT_TGA}, 1, {0, 0, 8, 0}, {1, 1, 1, 1}},
        {"JPEG 2000 and Sun raster ignore the colour count",
         greyOnly,
         0,
         {0, 0, 0, 0},
         {0, 0, 0, 0}},
        {"JPEG 2000 and Sun raster in grey", greyOnly, 1, {8, 8, 8, 8}, {1, 1, 1, 1}},
    };
    return rows;
}

} // namespace

TEST(DepthDecision, EveryFormatDepthAndGreyChoice) {
    int formatsCovered[2] = {0, 0};
    for (const Row &row : Table()) {
        SCOPED_TRACE(row.what);
        formatsCovered[row.gray] += int(row.formats.size());
        for (int format : row.formats)
            for (size_t i = 0; i < 4; ++i) {
                SCOPED_TRACE(testing::Message() << "format " << format << " bpp " << kRequested[i]);
                EXPECT_EQ(Decide(format, kRequested[i], row.gray),
                          (Decision{row.reduce[i], row.grayAfter[i]}));
            }
    }
    // Every format appears once for each grey choice.
    EXPECT_EQ(formatsCovered[0], IC_FORMAT_JPC - IC_FORMAT_BMP + 1);
    EXPECT_EQ(formatsCovered[1], IC_FORMAT_JPC - IC_FORMAT_BMP + 1);
}

TEST(DepthDecision, AnyOtherDepthActsAsTrueColour) {
    for (int format = IC_FORMAT_BMP; format <= IC_FORMAT_JPC; ++format)
        for (int gray : {0, 1})
            for (int bpp : {16, 32, 0, -1}) {
                SCOPED_TRACE(testing::Message()
                             << "format " << format << " bpp " << bpp << " gray " << gray);
                EXPECT_EQ(Decide(format, bpp, gray), Decide(format, 24, gray));
            }
}

TEST(DepthDecision, NamedCases) {
    auto decide = [](int format, int bpp, int gray) {
        imageconv::ImageConverter ic;
        ic.m_nFormatCode = format;
        ic.m_nBpp = bpp;
        ic.m_bGray = gray;
        imageconv::DecideDepth(ic);
        return std::pair{ic.m_nReduceBpp, ic.m_bGray};
    };
    // GIF of a true-colour request gets the 256-colour palette; 16 bits acts as 24.
    EXPECT_EQ(decide(IC_FORMAT_GIF, 24, 0), std::pair(8, 0));
    EXPECT_EQ(decide(IC_FORMAT_GIF, 16, 0), std::pair(8, 0));
    EXPECT_EQ(decide(IC_FORMAT_BMP, 16, 0), std::pair(0, 0));
    // JPEG: 256 colours means grey; 16 colours and black-and-white stay colour.
    EXPECT_EQ(decide(IC_FORMAT_JPEG, 8, 0), std::pair(8, 1));
    EXPECT_EQ(decide(IC_FORMAT_JPEG, 4, 0), std::pair(0, 0));
    EXPECT_EQ(decide(IC_FORMAT_JPEG, 1, 0), std::pair(0, 0));
    // TGA: 16 colours and black-and-white give a plain 24-bit page.
    EXPECT_EQ(decide(IC_FORMAT_TGA, 4, 1), std::pair(0, 1));
    EXPECT_EQ(decide(IC_FORMAT_TGA, 1, 0), std::pair(0, 0));
    // JPEG 2000 and Sun raster ignore the colour count.
    EXPECT_EQ(decide(IC_FORMAT_JP2, 1, 0), std::pair(0, 0));
    EXPECT_EQ(decide(IC_FORMAT_RAS, 8, 0), std::pair(0, 0));
    EXPECT_EQ(decide(IC_FORMAT_JPC, 24, 1), std::pair(8, 1));
}

TEST(DepthDecision, RecomputedByEveryConvert) {
    int h = ImageConverterCreate();
    ImageConverterAddFile(h, "/nonexistent/page.bmp", 1);
    ImageConverterSetOption(h, IC_OPT_FORMAT, nullptr, IC_FORMAT_BMP);
    ImageConverterSetOption(h, IC_OPT_BPP, nullptr, 4);
    ImageConverterConvert(h);
    EXPECT_EQ(imageconv::LookupConverter(h)->m_nReduceBpp, 4);
    ImageConverterSetOption(h, IC_OPT_BPP, nullptr, 24);
    ImageConverterConvert(h);
    EXPECT_EQ(imageconv::LookupConverter(h)->m_nReduceBpp, 0);
    EXPECT_EQ(imageconv::LookupConverter(h)->m_nWorkBpp, 24);
    ImageConverterDestroy(h);
}
