// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PCX, TGA and Sun raster writers: files decoded here field by field,
// independently of the writers' code.
#include <gtest/gtest.h>

#include "WriterTestSupport.h"
#include "imageconv/Writers.h"

using namespace imageconv;
using namespace wtest;

namespace {

struct Pcx {
    bool ok = false;
    int bitsPerPlane = 0, planes = 0, bytesPerLine = 0, width = 0, height = 0;
    int hdpi = 0, vdpi = 0;
    std::vector<Rgb> headerPalette, tailPalette;
    std::vector<std::vector<uint8_t>> lines; // decoded scan lines, all planes
    bool runsCrossLines = false;
};

Pcx DecodePcx(const std::vector<uint8_t> &b) {
    Pcx p;
    if (b.size() < 128 || b[0] != 10 || b[1] != 5 || b[2] != 1)
        return p;
    p.bitsPerPlane = b[3];
    p.width = int(Le16(b, 8)) - int(Le16(b, 4)) + 1;
    p.height = int(Le16(b, 10)) - int(Le16(b, 6)) + 1;
    p.hdpi = int(Le16(b, 12));
    p.vdpi = int(Le16(b, 14));
    for (int i = 0; i < 16; ++i)
        p.headerPalette.push_back(Rgb{b[16 + 3 * i], b[17 + 3 * i], b[18 + 3 * i]});
    p.planes = b[65];
    p.bytesPerLine = int(Le16(b, 66));
    size_t at = 128;
    const size_t lineTotal = size_t(p.planes) * size_t(p.bytesPerLine);
    for (int y = 0; y < p.height; ++y) {
        std::vector<uint8_t> line;
        while (line.size() < lineTotal) {
            if (at >= b.size())
                return p;
            uint8_t v = b[at++];
            size_t count = 1;
            if ((v & 0xc0) == 0xc0) {
                count = v & 0x3f;
                v = b.at(at++);
            }
            line.insert(line.end(), count, v);
        }
        if (line.size() > lineTotal)
            p.runsCrossLines = true;
        line.resize(lineTotal);
        p.lines.push_back(line);
    }
    if (p.bitsPerPlane == 8 && p.planes == 1) {
        if (b.size() != at + 769 || b[at] != 12)
            return p;
        for (int i = 0; i < 256; ++i)
            p.tailPalette.push_back(Rgb{b[at + 1 + 3 * i], b[at + 2 + 3 * i], b[at + 3 + 3 * i]});
    } else if (at != b.size()) {
        return p;
    }
    p.ok = true;
    return p;
}

int PcxIndex(const Pcx &p, int x, int y) {
    const std::vector<uint8_t> &l = p.lines[size_t(y)];
    if (p.bitsPerPlane == 8)
        return l[size_t(x)];
    int v = 0;
    for (int plane = 0; plane < p.planes; ++plane)
        if (l[size_t(plane * p.bytesPerLine + x / 8)] & (0x80 >> (x % 8)))
            v |= 1 << plane;
    return v;
}

std::vector<RgbQuad> Sixteen() {
    std::vector<RgbQuad> p;
    for (int i = 0; i < 16; ++i)
        p.push_back(Quad(uint8_t(i * 15), uint8_t(100 + i), uint8_t(250 - i * 3)));
    return p;
}

std::vector<RgbQuad> Colours256() {
    std::vector<RgbQuad> p;
    for (int i = 0; i < 256; ++i)
        p.push_back(Quad(uint8_t(i), uint8_t(i * 3), uint8_t(255 - i)));
    return p;
}

auto kIdx = [](int x, int y) { return x * 5 + y * 3 + (x * y) % 7; };

} // namespace

TEST(PcxWriter, EveryDepthDecodesToThePageWithEvenLines) {
    TempFolder dir;
    struct Case {
        Dib page;
        int bitsPerPlane, planes;
    };
    std::vector<Case> cases;
    cases.push_back({PagePaletted(21, 9, 1, {Quad(0, 0, 0), Quad(255, 255, 255)},
                                  [](int x, int y) { return kIdx(x, y) % 3 == 0; }),
                     1, 1});
    cases.push_back(
        {PagePaletted(21, 9, 4, Sixteen(), [](int x, int y) { return kIdx(x, y) % 16; }), 1, 4});
    cases.push_back(
        {PagePaletted(21, 9, 8, Colours256(), [](int x, int y) { return kIdx(x, y) % 256; }), 8,
         1});
    cases.push_back({Page24(21, 9, Gradient), 8, 3});
    for (const Case &c : cases) {
        SCOPED_TRACE("depth " + std::to_string(c.page.bpp));
        std::string path = dir.File("p.pcx");
        ASSERT_TRUE(WritePcx(c.page, path));
        Pcx p = DecodePcx(ReadBytes(path));
        ASSERT_TRUE(p.ok);
        EXPECT_FALSE(p.runsCrossLines);
        EXPECT_EQ(p.width, 21);
        EXPECT_EQ(p.height, 9);
        EXPECT_EQ(p.hdpi, 150);
        EXPECT_EQ(p.vdpi, 150);
        EXPECT_EQ(p.bitsPerPlane, c.bitsPerPlane);
        EXPECT_EQ(p.planes, c.planes);
        EXPECT_EQ(p.bytesPerLine % 2, 0);
        EXPECT_EQ(p.bytesPerLine, c.bitsPerPlane == 1 ? 4 : 22);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 21; ++x) {
                if (c.page.bpp == 24) {
                    const auto &l = p.lines[size_t(y)];
                    Rgb got{l[size_t(x)], l[size_t(22 + x)], l[size_t(44 + x)]};
                    ASSERT_EQ(got, Gradient(x, y)) << x << "," << y;
                } else {
                    ASSERT_EQ(PcxIndex(p, x, y), IndexOf(c.page, x, y)) << x << "," << y;
                }
            }
        if (c.page.bpp == 1) {
            EXPECT_EQ(p.headerPalette[0], (Rgb{0, 0, 0}));
            EXPECT_EQ(p.headerPalette[1], (Rgb{255, 255, 255}));
        }
        if (c.page.bpp == 4) {
            EXPECT_EQ(p.headerPalette[7], (Rgb{105, 107, 229}));
        }
        if (c.page.bpp == 8) {
            ASSERT_EQ(p.tailPalette.size(), 256u);
            EXPECT_EQ(p.tailPalette[200], (Rgb{200, uint8_t(600 % 256), 55}));
        }
    }
}

TEST(PcxWriter, BlackAndWhiteWithWhiteFirstIsInvertedSoZeroIsBlack) {
    TempFolder dir;
    Dib page = PagePaletted(10, 2, 1, {Quad(255, 255, 255), Quad(0, 0, 0)},
                            [](int x, int) { return x < 3 ? 1 : 0; });
    std::string path = dir.File("inv.pcx");
    ASSERT_TRUE(WritePcx(page, path));
    Pcx p = DecodePcx(ReadBytes(path));
    ASSERT_TRUE(p.ok);
    // Pixels 0-2 black -> 0 bits, the rest white -> 1 bits.
    EXPECT_EQ(p.lines[0][0], 0x1f);
    EXPECT_EQ(p.lines[0][1] & 0xc0, 0xc0);
}

TEST(PcxWriter, BytesOfC0AndAboveAreAlwaysRunCoded) {
    TempFolder dir;
    // 0xC5 is a single byte that must not be taken for a run count.
    Dib page = PagePaletted(6, 1, 8, Colours256(), [](int x, int) { return x == 2 ? 0xc5 : x; });
    std::string path = dir.File("c0.pcx");
    ASSERT_TRUE(WritePcx(page, path));
    Pcx p = DecodePcx(ReadBytes(path));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.lines[0][2], 0xc5);
    EXPECT_EQ(p.lines[0][3], 3);
}

TEST(TgaWriter, TrueColourAndColourMappedLayouts) {
    TempFolder dir;
    Dib colour = Page24(23, 11, Gradient);
    std::string c = dir.File("c.tga");
    ASSERT_TRUE(WriteTga(colour, c));
    std::vector<uint8_t> b = ReadBytes(c);
    ASSERT_EQ(b.size(), 18u + 23 * 11 * 3);
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(b[1], 0);
    EXPECT_EQ(b[2], 2);
    EXPECT_EQ(Le16(b, 12), 23u);
    EXPECT_EQ(Le16(b, 14), 11u);
    EXPECT_EQ(b[16], 24);
    EXPECT_EQ(b[17], 0);
    // First stored row is the bottom one, blue-green-red.
    Rgb bottomLeft = Gradient(0, 10);
    EXPECT_EQ((Rgb{b[20], b[19], b[18]}), bottomLeft);
    Rgb topRight = Gradient(22, 0);
    size_t last = 18 + (10 * 23 + 22) * 3;
    EXPECT_EQ((Rgb{b[last + 2], b[last + 1], b[last]}), topRight);

    Dib mapped =
        PagePaletted(23, 11, 8, Colours256(), [](int x, int y) { return kIdx(x, y) % 256; });
    std::string m = dir.File("m.tga");
    ASSERT_TRUE(WriteTga(mapped, m));
    b = ReadBytes(m);
    ASSERT_EQ(b.size(), 18u + 768 + 23 * 11);
    EXPECT_EQ(b[1], 1);
    EXPECT_EQ(b[2], 1);
    EXPECT_EQ(Le16(b, 3), 0u);
    EXPECT_EQ(Le16(b, 5), 256u);
    EXPECT_EQ(b[7], 24);
    EXPECT_EQ(b[16], 8);
    // Colour map entry 9: blue, green, red.
    EXPECT_EQ(b[18 + 27], 255 - 9);
    EXPECT_EQ(b[18 + 28], 27);
    EXPECT_EQ(b[18 + 29], 9);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 23; ++x)
            ASSERT_EQ(b[18 + 768 + size_t(y) * 23 + size_t(x)], IndexOf(mapped, x, 10 - y));
}

TEST(TgaWriter, OtherDepthsAreRefusedWithTheMessage) {
    TempFolder dir;
    Dib page = PagePaletted(8, 8, 4, Sixteen(), [](int x, int) { return x; });
    Status refused = WriteTga(page, dir.File("x.tga"));
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.message(), "Bit depth must be 8 or 24");
    EXPECT_TRUE(ListNames(dir.Path()).empty());
    Status written = WriteTga(Page24(3, 3, Gradient), dir.File("ok.tga"));
    ASSERT_TRUE(written);
    EXPECT_EQ(written.message(), "");
}

TEST(RasWriter, HeaderAndRowsPaddedToSixteenBits) {
    TempFolder dir;
    Dib colour = Page24(7, 5, Gradient);
    std::string c = dir.File("c.ras");
    ASSERT_TRUE(WriteRas(colour, c));
    std::vector<uint8_t> b = ReadBytes(c);
    const size_t row = 22; // 21 bytes padded to even
    ASSERT_EQ(b.size(), 32 + row * 5);
    EXPECT_EQ(Be32(b, 0), 0x59a66a95u);
    EXPECT_EQ(Be32(b, 4), 7u);
    EXPECT_EQ(Be32(b, 8), 5u);
    EXPECT_EQ(Be32(b, 12), 24u);
    EXPECT_EQ(Be32(b, 16), row * 5);
    EXPECT_EQ(Be32(b, 20), 1u);
    EXPECT_EQ(Be32(b, 24), 0u);
    EXPECT_EQ(Be32(b, 28), 0u);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const uint8_t *p = b.data() + 32 + size_t(y) * row + size_t(x) * 3;
            ASSERT_EQ((Rgb{p[2], p[1], p[0]}), Gradient(x, y)) << x << "," << y;
        }

    Dib grey = PagePaletted(5, 3, 8, GreyRamp(), [](int x, int y) { return x * 40 + y; });
    std::string g = dir.File("g.ras");
    ASSERT_TRUE(WriteRas(grey, g));
    b = ReadBytes(g);
    ASSERT_EQ(b.size(), 32u + 6 * 3);
    EXPECT_EQ(Be32(b, 12), 8u);
    EXPECT_EQ(Be32(b, 24), 0u);
    EXPECT_EQ(b[32 + 6 * 2 + 4], 4 * 40 + 2);
}

TEST(RasWriter, ColouredPalettesAreRefused) {
    TempFolder dir;
    Dib page = PagePaletted(4, 4, 8, Colours256(), [](int x, int) { return x; });
    Status refused = WriteRas(page, dir.File("x.ras"));
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.message(), "JasPer can save only RGB or GrayScale images");
    EXPECT_TRUE(ListNames(dir.Path()).empty());
}
