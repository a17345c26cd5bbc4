// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// JPEG writer: files decoded with libjpeg.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "WriterTestSupport.h"
#include "imageconv/Writers.h"

using namespace imageconv;
using namespace wtest;

namespace {

struct Decoded {
    bool ok = false;
    int width = 0, height = 0, components = 0;
    bool progressive = false;
    J_COLOR_SPACE colorSpace = JCS_UNKNOWN;
    int hSamp[3] = {}, vSamp[3] = {};
    int densityUnit = -1, xDensity = 0, yDensity = 0;
    std::vector<uint16_t> lumaQuant;
    std::vector<uint8_t> pixels; // rows from the top, RGB or grey
};

struct Err {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void Fail(j_common_ptr c) {
    std::longjmp(reinterpret_cast<Err *>(c->err)->jump, 1);
}

void DecodeInto(Decoded &d, std::FILE *f, jpeg_decompress_struct &cinfo, Err &err) {
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = Fail;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        d.ok = false;
        return;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    d.width = int(cinfo.image_width);
    d.height = int(cinfo.image_height);
    d.components = cinfo.num_components;
    d.progressive = cinfo.progressive_mode;
    d.colorSpace = cinfo.jpeg_color_space;
    for (int c = 0; c < cinfo.num_components && c < 3; ++c) {
        d.hSamp[c] = cinfo.comp_info[c].h_samp_factor;
        d.vSamp[c] = cinfo.comp_info[c].v_samp_factor;
    }
    d.densityUnit = cinfo.density_unit;
    d.xDensity = cinfo.X_density;
    d.yDensity = cinfo.Y_density;
    if (cinfo.quant_tbl_ptrs[0])
        d.lumaQuant.assign(cinfo.quant_tbl_ptrs[0]->quantval,
                           cinfo.quant_tbl_ptrs[0]->quantval + 64);
    cinfo.out_color_space = d.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&cinfo);
    size_t rowBytes = size_t(cinfo.output_width) * size_t(cinfo.output_components);
    d.pixels.resize(rowBytes * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = d.pixels.data() + rowBytes * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    d.ok = true;
}

Decoded Decode(const std::string &path) {
    Decoded d;
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return d;
    jpeg_decompress_struct cinfo{};
    Err err{};
    DecodeInto(d, f, cinfo, err);
    std::fclose(f);
    return d;
}

// The frame marker of the file: 0xC0 baseline, 0xC1 extended, 0xC2 progressive.
int FrameMarker(const std::vector<uint8_t> &b) {
    for (size_t i = 2; i + 1 < b.size(); ++i)
        if (b[i] == 0xff && b[i + 1] >= 0xc0 && b[i + 1] <= 0xc2)
            return b[i + 1];
    return -1;
}

std::vector<uint8_t> HuffmanSegments(const std::vector<uint8_t> &b) {
    std::vector<uint8_t> out;
    size_t i = 2;
    while (i + 4 <= b.size() && b[i] == 0xff && b[i + 1] != 0xda) {
        size_t len = (size_t(b[i + 2]) << 8) | b[i + 3];
        if (b[i + 1] == 0xc4)
            out.insert(out.end(), b.begin() + long(i), b.begin() + long(i + 2 + len));
        i += 2 + len;
    }
    return out;
}

double MeanError(const Decoded &d, const Dib &page) {
    double sum = 0;
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x) {
            Rgb want = PixelOf(page, x, y);
            const uint8_t *got = d.pixels.data() + (size_t(y) * size_t(d.width) + size_t(x)) * 3;
            sum +=
                std::abs(got[0] - want.r) + std::abs(got[1] - want.g) + std::abs(got[2] - want.b);
        }
    return sum / (3.0 * page.width * page.height);
}

WriteParams Params(int quality, int mode) {
    WriteParams p;
    p.quality = quality;
    p.jpegMode = mode;
    return p;
}

} // namespace

TEST(JpegWriter, TrueColourPageIsYCbCrWithTwoByTwoLumaAndTheDensity) {
    TempFolder dir;
    Dib page = Page24(37, 23, Gradient, 300);
    page.yDpi = 200;
    std::string path = dir.File("colour.jpg");
    ASSERT_TRUE(WriteJpeg(page, path, Params(90, 0)));
    Decoded d = Decode(path);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.width, 37);
    EXPECT_EQ(d.height, 23);
    EXPECT_EQ(d.components, 3);
    EXPECT_EQ(d.colorSpace, JCS_YCbCr);
    EXPECT_EQ(d.hSamp[0], 2);
    EXPECT_EQ(d.vSamp[0], 2);
    EXPECT_EQ(d.hSamp[1], 1);
    EXPECT_EQ(d.vSamp[1], 1);
    EXPECT_EQ(d.hSamp[2], 1);
    EXPECT_EQ(d.vSamp[2], 1);
    EXPECT_EQ(d.densityUnit, 1);
    EXPECT_EQ(d.xDensity, 300);
    EXPECT_EQ(d.yDensity, 200);
    // Orientation and channel order survive: the error stays small.
    EXPECT_LT(MeanError(d, page), 4.0);
}

TEST(JpegWriter, GreyPageHasOneComponentCarryingThePaletteLevels) {
    TempFolder dir;
    Dib page = PagePaletted(31, 17, 8, GreyRamp(), [](int x, int y) { return (x * 8 + y) % 256; });
    std::string path = dir.File("grey.jpg");
    ASSERT_TRUE(WriteJpeg(page, path, Params(95, 2)));
    Decoded d = Decode(path);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.components, 1);
    EXPECT_EQ(d.colorSpace, JCS_GRAYSCALE);
    double sum = 0;
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 31; ++x)
            sum += std::abs(int(d.pixels[size_t(y) * 31 + size_t(x)]) - IndexOf(page, x, y));
    EXPECT_LT(sum / (31 * 17), 4.0);
}

TEST(JpegWriter, GreyPaletteThatIsNotTheRampIsWrittenByLevel) {
    TempFolder dir;
    // Index i holds level 255 - i: the written levels must follow the palette.
    std::vector<RgbQuad> pal;
    for (int i = 0; i < 256; ++i)
        pal.push_back(Quad(uint8_t(255 - i), uint8_t(255 - i), uint8_t(255 - i)));
    Dib page = PagePaletted(16, 16, 8, pal, [](int x, int) { return x < 8 ? 0 : 255; });
    std::string path = dir.File("inverse.jpg");
    ASSERT_TRUE(WriteJpeg(page, path, Params(95, 0)));
    Decoded d = Decode(path);
    ASSERT_TRUE(d.ok);
    EXPECT_GT(d.pixels[2], 240);
    EXPECT_LT(d.pixels[13], 15);
}

TEST(JpegWriter, ModesChooseProgressiveBaselineAndOptimisedTables) {
    TempFolder dir;
    Dib page = Page24(64, 48, Gradient);
    std::string prog = dir.File("p.jpg"), base = dir.File("b.jpg"), opt = dir.File("o.jpg");
    ASSERT_TRUE(WriteJpeg(page, prog, Params(75, 0)));
    ASSERT_TRUE(WriteJpeg(page, base, Params(75, 2)));
    ASSERT_TRUE(WriteJpeg(page, opt, Params(75, 3)));
    EXPECT_TRUE(Decode(prog).progressive);
    EXPECT_FALSE(Decode(base).progressive);
    EXPECT_FALSE(Decode(opt).progressive);
    EXPECT_EQ(FrameMarker(ReadBytes(prog)), 0xc2);
    EXPECT_EQ(FrameMarker(ReadBytes(base)), 0xc0);
    EXPECT_EQ(FrameMarker(ReadBytes(opt)), 0xc0);
    // Optimised tables replace the standard ones and make the file smaller.
    EXPECT_NE(HuffmanSegments(ReadBytes(base)), HuffmanSegments(ReadBytes(opt)));
    EXPECT_LT(ReadBytes(opt).size(), ReadBytes(base).size());
    // Other mode values are progressive too.
    std::string other = dir.File("x.jpg");
    ASSERT_TRUE(WriteJpeg(page, other, Params(75, 7)));
    EXPECT_TRUE(Decode(other).progressive);
}

TEST(JpegWriter, QualityUsesItsLowEightBits) {
    TempFolder dir;
    Dib page = Page24(40, 40, Gradient);
    std::string q300 = dir.File("300.jpg"), q44 = dir.File("44.jpg"), q100 = dir.File("100.jpg");
    ASSERT_TRUE(WriteJpeg(page, q300, Params(300, 2)));
    ASSERT_TRUE(WriteJpeg(page, q44, Params(44, 2)));
    ASSERT_TRUE(WriteJpeg(page, q100, Params(100, 2)));
    EXPECT_EQ(Decode(q300).lumaQuant, Decode(q44).lumaQuant);
    EXPECT_NE(Decode(q300).lumaQuant, Decode(q100).lumaQuant);
}

TEST(JpegWriter, RefusesPagesItCannotCarryAndLeavesNoFile) {
    TempFolder dir;
    std::string path = dir.File("no.jpg");
    Dib bw = PagePaletted(9, 9, 1, {Quad(0, 0, 0), Quad(255, 255, 255)},
                          [](int x, int) { return x & 1; });
    EXPECT_FALSE(WriteJpeg(bw, path, Params(75, 0)));
    std::vector<RgbQuad> coloured = GreyRamp();
    coloured[3] = Quad(200, 10, 10);
    Dib colourPalette = PagePaletted(9, 9, 8, coloured, [](int, int) { return 3; });
    EXPECT_FALSE(WriteJpeg(colourPalette, path, Params(75, 0)));
    EXPECT_FALSE(WriteJpeg(Dib{}, path, Params(75, 0)));
    EXPECT_FALSE(Exists(path));
    EXPECT_TRUE(ListNames(dir.Path()).empty());
}
