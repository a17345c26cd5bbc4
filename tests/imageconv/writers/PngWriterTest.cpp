// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PNG writer: files read back with libpng.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>

#include <png.h>

#include "WriterTestSupport.h"
#include "imageconv/Writers.h"

using namespace imageconv;
using namespace wtest;

namespace {

struct PngFile {
    bool ok = false;
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = -1, interlace = -1;
    std::vector<png_color> plte;
    bool hasBkgd = false;
    png_color_16 bkgd{};
    bool hasPhys = false;
    png_uint_32 xppm = 0, yppm = 0;
    int physUnit = -1;
    std::vector<std::vector<uint8_t>> rows; // as stored (packed), from the top
};

void ReadInto(PngFile &f, std::FILE *fp, png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png)))
        return;
    png_init_io(png, fp);
    png_read_info(png, info);
    png_get_IHDR(png, info, &f.width, &f.height, &f.depth, &f.colorType, &f.interlace, nullptr,
                 nullptr);
    png_colorp plte = nullptr;
    int n = 0;
    if (png_get_PLTE(png, info, &plte, &n) & PNG_INFO_PLTE)
        f.plte.assign(plte, plte + n);
    png_color_16p bkgd = nullptr;
    if (png_get_bKGD(png, info, &bkgd) & PNG_INFO_bKGD) {
        f.hasBkgd = true;
        f.bkgd = *bkgd;
    }
    f.hasPhys = png_get_pHYs(png, info, &f.xppm, &f.yppm, &f.physUnit) & PNG_INFO_pHYs;
    size_t rowBytes = png_get_rowbytes(png, info);
    f.rows.assign(f.height, std::vector<uint8_t>(rowBytes));
    for (auto &r : f.rows)
        png_read_row(png, r.data(), nullptr);
    png_read_end(png, nullptr);
    f.ok = true;
}

PngFile Read(const std::string &path) {
    PngFile f;
    std::FILE *fp = std::fopen(path.c_str(), "rb");
    if (!fp)
        return f;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    ReadInto(f, fp, png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(fp);
    return f;
}

int StoredIndex(const PngFile &f, int x, int y) {
    return Dib::IndexAt(f.rows[size_t(y)].data(), x, f.depth);
}

} // namespace

TEST(PngWriter, TrueColourPageIsRgbWithWhiteBackgroundAndMetricDensity) {
    TempFolder dir;
    Dib page = Page24(37, 23, Gradient, 300);
    std::string path = dir.File("c.png");
    ASSERT_TRUE(WritePng(page, path));
    PngFile f = Read(path);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.width, 37u);
    EXPECT_EQ(f.height, 23u);
    EXPECT_EQ(f.colorType, PNG_COLOR_TYPE_RGB);
    EXPECT_EQ(f.depth, 8);
    EXPECT_EQ(f.interlace, PNG_INTERLACE_NONE);
    EXPECT_TRUE(f.plte.empty());
    ASSERT_TRUE(f.hasBkgd);
    EXPECT_EQ(f.bkgd.red, 255);
    EXPECT_EQ(f.bkgd.green, 255);
    EXPECT_EQ(f.bkgd.blue, 255);
    ASSERT_TRUE(f.hasPhys);
    EXPECT_EQ(f.physUnit, PNG_RESOLUTION_METER);
    EXPECT_EQ(f.xppm, 11811u);
    EXPECT_EQ(f.yppm, 11811u);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            Rgb want = Gradient(x, y);
            const uint8_t *p = f.rows[size_t(y)].data() + 3 * x;
            ASSERT_EQ(Rgb(p[0], p[1], p[2]), want) << x << "," << y;
        }
}

TEST(PngWriter, GreyRampPageIsGreyAndOtherPalettesCarryPlte) {
    TempFolder dir;
    auto idx = [](int x, int y) { return (x * 7 + y * 3) % 256; };
    Dib grey = PagePaletted(29, 13, 8, GreyRamp(), idx);
    std::string g = dir.File("g.png");
    ASSERT_TRUE(WritePng(grey, g));
    PngFile fg = Read(g);
    ASSERT_TRUE(fg.ok);
    EXPECT_EQ(fg.colorType, PNG_COLOR_TYPE_GRAY);
    EXPECT_EQ(fg.depth, 8);
    EXPECT_TRUE(fg.plte.empty());
    ASSERT_TRUE(fg.hasBkgd);
    EXPECT_EQ(fg.bkgd.gray, 255);
    EXPECT_EQ(StoredIndex(fg, 5, 2), idx(5, 2));

    // A grey palette in another order is not the ramp: palette type.
    std::vector<RgbQuad> reversed;
    for (int i = 0; i < 256; ++i)
        reversed.push_back(Quad(uint8_t(255 - i), uint8_t(255 - i), uint8_t(255 - i)));
    Dib notRamp = PagePaletted(29, 13, 8, reversed, idx);
    std::string r = dir.File("r.png");
    ASSERT_TRUE(WritePng(notRamp, r));
    PngFile fr = Read(r);
    ASSERT_TRUE(fr.ok);
    EXPECT_EQ(fr.colorType, PNG_COLOR_TYPE_PALETTE);
    ASSERT_EQ(fr.plte.size(), 256u);
    EXPECT_EQ(fr.plte[10].red, 245);
    // bKGD of a palette file points at its white entry.
    ASSERT_TRUE(fr.hasBkgd);
    EXPECT_EQ(fr.bkgd.index, 0);
}

TEST(PngWriter, PalettedDepthsKeepTheirDepthIndicesAndColours) {
    TempFolder dir;
    std::vector<RgbQuad> four = {
        Quad(0, 0, 0),       Quad(255, 0, 0),     Quad(0, 255, 0),     Quad(0, 0, 255),
        Quad(255, 255, 0),   Quad(0, 255, 255),   Quad(255, 0, 255),   Quad(90, 90, 90),
        Quad(10, 20, 30),    Quad(40, 50, 60),    Quad(70, 80, 90),    Quad(100, 110, 120),
        Quad(130, 140, 150), Quad(160, 170, 180), Quad(190, 200, 210), Quad(255, 255, 255)};
    for (int bpp : {1, 4, 8}) {
        std::vector<RgbQuad> pal;
        if (bpp == 1)
            pal = {Quad(255, 255, 255), Quad(0, 0, 128)};
        else if (bpp == 4)
            pal = four;
        else {
            pal = four;
            for (int i = 16; i < 200; ++i)
                pal.push_back(Quad(uint8_t(i), 3, uint8_t(255 - i)));
        }
        const int count = int(pal.size());
        auto idx = [count](int x, int y) { return (x * 5 + y * 11 + x * y) % count; };
        Dib page = PagePaletted(19, 11, bpp, pal, idx);
        std::string path = dir.File("p" + std::to_string(bpp) + ".png");
        ASSERT_TRUE(WritePng(page, path)) << bpp;
        PngFile f = Read(path);
        ASSERT_TRUE(f.ok) << bpp;
        EXPECT_EQ(f.colorType, PNG_COLOR_TYPE_PALETTE) << bpp;
        EXPECT_EQ(f.depth, bpp);
        ASSERT_EQ(f.plte.size(), size_t(count)) << bpp;
        EXPECT_EQ(f.plte[1].blue, pal[1].blue);
        EXPECT_EQ(f.plte[1].red, pal[1].red);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 19; ++x)
                ASSERT_EQ(StoredIndex(f, x, y), idx(x, y)) << bpp << " " << x << "," << y;
    }
}

TEST(PngWriter, PixelsBeyondTheColoursInUseStillHaveAPaletteEntry) {
    TempFolder dir;
    Dib page = PagePaletted(8, 3, 4, {Quad(1, 2, 3), Quad(4, 5, 6)}, [](int x, int) { return x; });
    page.palette.resize(16, Quad(9, 9, 9));
    std::string path = dir.File("p.png");
    ASSERT_TRUE(WritePng(page, path));
    PngFile f = Read(path);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.plte.size(), 8u);
    EXPECT_EQ(StoredIndex(f, 7, 0), 7);
}

TEST(PngWriter, UnwritableDestinationFailsAndLeavesNoFile) {
    TempFolder dir;
    Dib page = Page24(5, 5, Gradient);
    EXPECT_FALSE(WritePng(page, dir.File("missing-folder/x.png")));
    EXPECT_FALSE(WritePng(Dib{}, dir.File("empty.png")));
    EXPECT_TRUE(ListNames(dir.Path()).empty());
}
