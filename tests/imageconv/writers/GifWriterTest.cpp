// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// GIF writer: header bytes checked directly, images decoded with giflib.
#include <gtest/gtest.h>

#include <gif_lib.h>

#include "WriterTestSupport.h"
#include "imageconv/Writers.h"

using namespace imageconv;
using namespace wtest;

namespace {

struct GifImage {
    bool ok = false;
    int width = 0, height = 0;
    int colourCount = 0;
    std::vector<Rgb> colours;
    std::vector<uint8_t> raster; // indices, rows from the top
    int imageCount = 0;
    bool interlaced = true;
    bool hasGce = false;
    int transparent = -2;
};

GifImage Decode(const std::string &path) {
    GifImage g;
    int error = 0;
    GifFileType *gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif)
        return g;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount >= 1) {
        g.ok = true;
        g.width = gif->SWidth;
        g.height = gif->SHeight;
        g.imageCount = gif->ImageCount;
        if (gif->SColorMap) {
            g.colourCount = gif->SColorMap->ColorCount;
            for (int i = 0; i < g.colourCount; ++i) {
                GifColorType c = gif->SColorMap->Colors[i];
                g.colours.push_back(Rgb{c.Red, c.Green, c.Blue});
            }
        }
        const SavedImage &im = gif->SavedImages[0];
        g.interlaced = im.ImageDesc.Interlace;
        g.raster.assign(im.RasterBits,
                        im.RasterBits + size_t(im.ImageDesc.Width) * size_t(im.ImageDesc.Height));
        GraphicsControlBlock gcb;
        if (DGifSavedExtensionToGCB(gif, 0, &gcb) == GIF_OK) {
            g.hasGce = true;
            g.transparent = gcb.TransparentColor;
        }
    }
    DGifCloseFile(gif, &error);
    return g;
}

// A busy page: indices from a linear congruential sequence, so runs are
// short and the string table fills up many times over.
Dib BusyPage(int w, int h, int bpp) {
    std::vector<RgbQuad> pal;
    for (int i = 0; i < (1 << bpp); ++i)
        pal.push_back(Quad(uint8_t(i * 37), uint8_t(255 - i), uint8_t(i * 11)));
    uint32_t state = 12345;
    return PagePaletted(w, h, bpp, pal, [&state, bpp](int x, int) {
        state = state * 1103515245u + 12345u;
        // Mix random pixels with stretches of one colour, so codes of every
        // length are used.
        if ((x / 13) % 3 == 0)
            return 1;
        return int((state >> 16) & ((1u << bpp) - 1));
    });
}

void ExpectSameIndices(const GifImage &g, const Dib &page) {
    ASSERT_EQ(g.raster.size(), size_t(page.width) * size_t(page.height));
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x)
            ASSERT_EQ(g.raster[size_t(y) * size_t(page.width) + size_t(x)], IndexOf(page, x, y))
                << x << "," << y;
}

} // namespace

TEST(GifWriter, BlackAndWhitePageHasTwoColoursPacked0x80AndCodeSize2) {
    TempFolder dir;
    Dib page = PagePaletted(13, 7, 1, {Quad(0, 0, 0), Quad(255, 255, 255)},
                            [](int x, int y) { return (x + 2 * y) % 3 == 0; });
    std::string path = dir.File("bw.gif");
    ASSERT_TRUE(WriteGif(page, path));
    std::vector<uint8_t> b = ReadBytes(path);
    ASSERT_GT(b.size(), 40u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "GIF89a");
    EXPECT_EQ(Le16(b, 6), 13u);
    EXPECT_EQ(Le16(b, 8), 7u);
    EXPECT_EQ(b[10], 0x80);
    EXPECT_EQ(b[11], 0);
    EXPECT_EQ(b[12], 0);
    // Colour table: black, white.
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 13, b.begin() + 19),
              (std::vector<uint8_t>{0, 0, 0, 255, 255, 255}));
    // Graphic control extension.
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 19, b.begin() + 27),
              (std::vector<uint8_t>{0x21, 0xf9, 4, 0, 0, 0, 255, 0}));
    // Image descriptor and LZW minimum code size.
    EXPECT_EQ(b[27], 0x2c);
    EXPECT_EQ(Le16(b, 28), 0u);
    EXPECT_EQ(Le16(b, 30), 0u);
    EXPECT_EQ(Le16(b, 32), 13u);
    EXPECT_EQ(Le16(b, 34), 7u);
    EXPECT_EQ(b[36], 0);
    EXPECT_EQ(b[37], 2);
    EXPECT_EQ(b.back(), 0x3b);

    GifImage g = Decode(path);
    ASSERT_TRUE(g.ok);
    EXPECT_EQ(g.colourCount, 2);
    EXPECT_FALSE(g.interlaced);
    EXPECT_EQ(g.imageCount, 1);
    ExpectSameIndices(g, page);
}

TEST(GifWriter, PackedByteAndCodeSizeFollowTheDepth) {
    TempFolder dir;
    for (int bpp : {4, 8}) {
        Dib page = BusyPage(21, 9, bpp);
        std::string path = dir.File("d" + std::to_string(bpp) + ".gif");
        ASSERT_TRUE(WriteGif(page, path));
        std::vector<uint8_t> b = ReadBytes(path);
        EXPECT_EQ(b[10], bpp == 4 ? 0xe3 : 0xe7);
        size_t table = 3u << bpp;
        EXPECT_EQ(b[13 + table + 18], bpp) << "LZW minimum code size";
        GifImage g = Decode(path);
        ASSERT_TRUE(g.ok);
        EXPECT_EQ(g.colourCount, 1 << bpp);
        EXPECT_EQ(g.colours[5], (Rgb{uint8_t(5 * 37), 250, 55}));
        ASSERT_TRUE(g.hasGce);
        EXPECT_EQ(g.transparent, NO_TRANSPARENT_COLOR);
        ExpectSameIndices(g, page);
    }
}

TEST(GifWriter, LargeBusyPagesSurviveStringTableResets) {
    TempFolder dir;
    for (int bpp : {1, 4, 8}) {
        Dib page = BusyPage(611, 403, bpp);
        std::string path = dir.File("busy" + std::to_string(bpp) + ".gif");
        ASSERT_TRUE(WriteGif(page, path));
        GifImage g = Decode(path);
        ASSERT_TRUE(g.ok) << bpp;
        ExpectSameIndices(g, page);
    }
}

TEST(GifWriter, LongRunsGrowCodesToTwelveBits) {
    TempFolder dir;
    // One colour over a large page: each code covers one more pixel than the
    // last, so the table fills with long strings before the first reset.
    Dib page = PagePaletted(1500, 1200, 8, GreyRamp(),
                            [](int x, int y) { return (x < 1400 || y % 2) ? 7 : (x + y) % 256; });
    std::string path = dir.File("runs.gif");
    ASSERT_TRUE(WriteGif(page, path));
    GifImage g = Decode(path);
    ASSERT_TRUE(g.ok);
    ExpectSameIndices(g, page);
}

TEST(GifWriter, ColoursInUseFillTheTableAndTheRestIsBlack) {
    TempFolder dir;
    Dib page = PagePaletted(5, 5, 8, {Quad(200, 100, 50), Quad(1, 2, 3), Quad(9, 8, 7)},
                            [](int x, int y) { return (x + y) % 3; });
    page.palette.resize(256, Quad(77, 77, 77));
    std::string path = dir.File("few.gif");
    ASSERT_TRUE(WriteGif(page, path));
    GifImage g = Decode(path);
    ASSERT_TRUE(g.ok);
    ASSERT_EQ(g.colourCount, 256);
    EXPECT_EQ(g.colours[0], (Rgb{200, 100, 50}));
    EXPECT_EQ(g.colours[2], (Rgb{9, 8, 7}));
    EXPECT_EQ(g.colours[3], (Rgb{0, 0, 0}));
    ExpectSameIndices(g, page);
}

TEST(GifWriter, RefusesTrueColourAndLeavesNoFile) {
    TempFolder dir;
    EXPECT_FALSE(WriteGif(Page24(4, 4, Gradient), dir.File("c.gif")));
    EXPECT_TRUE(ListNames(dir.Path()).empty());
}
