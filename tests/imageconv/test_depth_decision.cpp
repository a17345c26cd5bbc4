// The depth decision for every format, requested depth and grey choice,
// checked against the per-format behaviour a user sees.
#include <gtest/gtest.h>

#include "imageconv/ConverterRecord.h"
#include "imageconv/ImageConverter.h"

namespace {

struct Expect {
    int reduce;
    int gray;
};

// What each format does with a requested depth and grey choice.
Expect Behaviour(int format, int bpp, int gray) {
    const bool palette = bpp == 1 || bpp == 4 || bpp == 8;
    switch (format) {
    case IC_FORMAT_GIF:
        return {palette ? bpp : 8, gray};
    case IC_FORMAT_JPEG: {
        const int g = (gray || bpp == 8) ? 1 : 0;
        return {g ? 8 : 0, g};
    }
    case IC_FORMAT_TGA:
        return {bpp == 8 ? 8 : 0, gray};
    case IC_FORMAT_JP2:
    case IC_FORMAT_RAS:
    case IC_FORMAT_JPC:
        return {gray ? 8 : 0, gray};
    default:
        return {palette ? bpp : 0, gray}; // BMP PNG PCX TIFF, and the metafiles
    }
}

} // namespace

TEST(DepthDecision, EveryFormatDepthAndGreyChoice) {
    for (int format = IC_FORMAT_BMP; format <= IC_FORMAT_JPC; ++format)
        for (int bpp : {1, 4, 8, 24, 16, 32, 0, -1})
            for (int gray : {0, 1}) {
                imageconv::ImageConverter ic;
                ic.m_nFormatCode = format;
                ic.m_nBpp = bpp;
                ic.m_bGray = gray;
                imageconv::DecideDepth(ic);
                const Expect e = Behaviour(format, bpp, gray);
                SCOPED_TRACE(testing::Message()
                             << "format " << format << " bpp " << bpp << " gray " << gray);
                EXPECT_EQ(ic.m_nWorkBpp, 24);
                EXPECT_EQ(ic.m_nReduceBpp, e.reduce);
                EXPECT_EQ(ic.m_bGray, e.gray);
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
