// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// JPEG 2000 writer: JP2 files and J2K code streams decoded with OpenJPEG.
#include <gtest/gtest.h>

#include <openjpeg.h>

#include "WriterTestSupport.h"
#include "imageconv/Writers.h"
#include "imageconv/writers/WriterSupport.h"

using namespace imageconv;
using namespace wtest;

namespace {

struct J2k {
    bool ok = false;
    int comps = 0, width = 0, height = 0, prec = 0, sgnd = -1;
    OPJ_COLOR_SPACE space = OPJ_CLRSPC_UNKNOWN;
    int layers = 0, wavelet = -1, resolutions = 0;
    std::vector<std::vector<int>> planes;
};

void Quiet(const char *, void *) {}

J2k Decode(const std::string &path, bool codestream) {
    J2k r;
    opj_stream_t *stream = opj_stream_create_default_file_stream(path.c_str(), OPJ_TRUE);
    opj_codec_t *codec = opj_create_decompress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2);
    opj_set_error_handler(codec, Quiet, nullptr);
    opj_set_warning_handler(codec, Quiet, nullptr);
    opj_dparameters_t dp;
    opj_set_default_decoder_parameters(&dp);
    opj_image_t *image = nullptr;
    if (stream && opj_setup_decoder(codec, &dp) && opj_read_header(stream, codec, &image) &&
        opj_decode(codec, stream, image) && opj_end_decompress(codec, stream)) {
        r.ok = true;
        r.comps = int(image->numcomps);
        r.width = int(image->x1 - image->x0);
        r.height = int(image->y1 - image->y0);
        r.prec = int(image->comps[0].prec);
        r.sgnd = int(image->comps[0].sgnd);
        r.space = image->color_space;
        for (OPJ_UINT32 c = 0; c < image->numcomps; ++c)
            r.planes.emplace_back(image->comps[c].data,
                                  image->comps[c].data + size_t(r.width) * size_t(r.height));
        opj_codestream_info_v2_t *info = opj_get_cstr_info(codec);
        if (info) {
            r.layers = int(info->m_default_tile_info.numlayers);
            if (info->m_default_tile_info.tccp_info) {
                r.wavelet = int(info->m_default_tile_info.tccp_info[0].qmfbid);
                r.resolutions = int(info->m_default_tile_info.tccp_info[0].numresolutions);
            }
            opj_destroy_cstr_info(&info);
        }
    }
    if (image)
        opj_image_destroy(image);
    opj_destroy_codec(codec);
    if (stream)
        opj_stream_destroy(stream);
    return r;
}

} // namespace

TEST(Jpeg2000Writer, RateTextFromTheQualitysLowEightBits) {
    EXPECT_DOUBLE_EQ(Jpeg2000Rate(75), 0.75);
    EXPECT_DOUBLE_EQ(Jpeg2000Rate(90), 0.9);
    EXPECT_DOUBLE_EQ(Jpeg2000Rate(100), 1.0);
    EXPECT_DOUBLE_EQ(Jpeg2000Rate(300), 0.44);
    EXPECT_DOUBLE_EQ(Jpeg2000Rate(0), 0.0);
}

TEST(Jpeg2000Writer, QualityHundredIsALosslessRoundTripInBothContainers) {
    TempFolder dir;
    Dib page = Page24(37, 23, Gradient);
    for (bool cs : {false, true}) {
        SCOPED_TRACE(cs ? "jpc" : "jp2");
        std::string path = dir.File(cs ? "a.jpc" : "a.jp2");
        ASSERT_TRUE(WriteJpeg2000(page, path, cs, 100));
        J2k d = Decode(path, cs);
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.comps, 3);
        EXPECT_EQ(d.width, 37);
        EXPECT_EQ(d.height, 23);
        EXPECT_EQ(d.prec, 8);
        EXPECT_EQ(d.sgnd, 0);
        if (!cs) {
            EXPECT_EQ(d.space, OPJ_CLRSPC_SRGB);
        }
        EXPECT_EQ(d.layers, 1);
        EXPECT_EQ(d.wavelet, 1) << "reversible 5/3";
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x) {
                size_t i = size_t(y) * 37 + size_t(x);
                Rgb want = Gradient(x, y);
                ASSERT_EQ(d.planes[0][i], want.r) << x << "," << y;
                ASSERT_EQ(d.planes[1][i], want.g);
                ASSERT_EQ(d.planes[2][i], want.b);
            }
    }
}

TEST(Jpeg2000Writer, GreyPageIsOneGreyComponentOfItsLevels) {
    TempFolder dir;
    Dib page = PagePaletted(19, 13, 8, GreyRamp(), [](int x, int y) { return x * 13 + y; });
    std::string path = dir.File("g.jp2");
    ASSERT_TRUE(WriteJpeg2000(page, path, false, 100));
    J2k d = Decode(path, false);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.comps, 1);
    EXPECT_EQ(d.space, OPJ_CLRSPC_GRAY);
    EXPECT_EQ(d.planes[0][size_t(4) * 19 + 7], 7 * 13 + 4);
}

TEST(Jpeg2000Writer, RatesBelowOneCompressToThatShare) {
    TempFolder dir;
    uint32_t state = 7;
    Dib page = Page24(128, 96, [&state](int x, int y) {
        state = state * 1664525u + 1013904223u;
        return Rgb{uint8_t(x * 2 + (state >> 28)), uint8_t(y * 2), uint8_t(state >> 24)};
    });
    const double raw = 128.0 * 96 * 3;
    for (int quality : {75, 30, 300}) {
        SCOPED_TRACE(quality);
        std::string path = dir.File("q" + std::to_string(quality) + ".jpc");
        ASSERT_TRUE(WriteJpeg2000(page, path, true, quality));
        J2k d = Decode(path, true);
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.layers, 1);
        double size = double(ReadBytes(path).size());
        EXPECT_LT(size, raw * Jpeg2000Rate(quality) * 1.05 + 300);
        EXPECT_GT(size, raw * Jpeg2000Rate(quality) * 0.5);
    }
    // Quality 0 still gives a decodable picture.
    std::string zero = dir.File("q0.jpc");
    ASSERT_TRUE(WriteJpeg2000(page, zero, true, 0));
    EXPECT_TRUE(Decode(zero, true).ok);
}

TEST(Jpeg2000Writer, TinyPagesUseFewerResolutionLevels) {
    TempFolder dir;
    Dib page = Page24(3, 2, Gradient);
    std::string path = dir.File("tiny.jp2");
    ASSERT_TRUE(WriteJpeg2000(page, path, false, 100));
    J2k d = Decode(path, false);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.planes[0][5], Gradient(2, 1).r);
    EXPECT_LE(d.resolutions, 2);
}

TEST(Jpeg2000Writer, OtherDepthsAreRefusedWithTheMessage) {
    TempFolder dir;
    Dib page =
        PagePaletted(4, 4, 4, {Quad(0, 0, 0), Quad(9, 9, 9)}, [](int x, int) { return x & 1; });
    Status refused = WriteJpeg2000(page, dir.File("x.jp2"), false, 75);
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.message(), "JasPer can save only RGB or GrayScale images");
    EXPECT_TRUE(ListNames(dir.Path()).empty());
}
