// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PNG writer: files read back with libpng, and compared in size with what
// libpng's own writer makes of the same page at its defaults.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>

#include <png.h>

#include "WriterTestSupport.h"
#include "imageconv/PageOps.h"
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

// The page as libpng writes it with its default compression and filters
// (the colour type and depth chosen as the writer chooses them).
bool WriteWithLibpngDefaults(const Dib &page, const std::string &path) {
    std::FILE *fp = std::fopen(path.c_str(), "wb");
    if (!fp)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_color> plte;
    bool ok = false;
    if (!setjmp(png_jmpbuf(png))) {
        png_init_io(png, fp);
        int type = page.bpp == 24 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_PALETTE;
        if (page.bpp == 8 && page.palette == GreyRamp())
            type = PNG_COLOR_TYPE_GRAY;
        png_set_IHDR(png, info, png_uint_32(page.width), png_uint_32(page.height),
                     page.bpp == 24 ? 8 : page.bpp, type, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (type == PNG_COLOR_TYPE_PALETTE) {
            for (const RgbQuad &q : page.palette)
                plte.push_back(png_color{q.red, q.green, q.blue});
            png_set_PLTE(png, info, plte.data(), int(plte.size()));
        }
        png_write_info(png, info);
        if (page.bpp == 24)
            png_set_bgr(png);
        for (int y = page.height - 1; y >= 0; --y)
            png_write_row(png, page.Row(y));
        png_write_end(png, info);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(fp) == 0 && ok;
}

// A page as the interpreter renders a report: white paper, lines of
// anti-aliased dark glyphs, coloured headings, a photo and flat colour bars.
Dib ReportPage(int w, int h) {
    uint32_t seed = 12345;
    auto rnd = [&seed](uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    std::vector<Rgb> px(size_t(w) * size_t(h), Rgb{255, 255, 255});
    auto blend = [&](int x, int y, Rgb ink, int cover) { // cover 0..4
        Rgb &p = px[size_t(y) * size_t(w) + size_t(x)];
        auto mix = [cover](uint8_t a, uint8_t b) {
            return uint8_t((a * (4 - cover) + b * cover) / 4);
        };
        p = Rgb{mix(p.r, ink.r), mix(p.g, ink.g), mix(p.b, ink.b)};
    };
    for (int line = 0, top = 40; top + 30 < h * 2 / 3; ++line, top += 34) {
        const Rgb ink = line % 9 == 0 ? Rgb{150, 20, 30} : Rgb{20, 20, 20};
        for (int x = 60; x + 20 < w - 60; x += 14 + int(rnd(3))) {
            if (rnd(7) == 0) { // a space between words
                x += 10;
                continue;
            }
            const int glyphH = 14 + int(rnd(8)), strokes = 1 + int(rnd(3));
            for (int s = 0; s < strokes; ++s) {
                const int sx = x + int(rnd(10)), sy = top + 22 - glyphH + int(rnd(4));
                for (int y = sy; y < top + 22; ++y)
                    for (int dx = -1; dx <= 2; ++dx)
                        blend(sx + dx, y, ink, dx < 0 || dx > 1 ? 2 : 4);
                for (int dx = 0; dx < 8 && rnd(2); ++dx) // a bar across
                    blend(sx + dx, sy + int(rnd(unsigned(glyphH))), ink, 4);
            }
        }
    }
    const int photoTop = h * 2 / 3 + 20, photoW = w / 2;
    for (int y = photoTop; y < h - 40; ++y)
        for (int x = 60; x < 60 + photoW; ++x) {
            const int n = int(rnd(9)) - 4;
            px[size_t(y) * size_t(w) + size_t(x)] =
                Rgb{uint8_t(std::clamp(90 + x / 5 + n, 0, 255)),
                    uint8_t(std::clamp(160 - (y - photoTop) / 3 + n, 0, 255)),
                    uint8_t(std::clamp(60 + (x + y) % 97 + n, 0, 255))};
        }
    const Rgb bars[] = {{200, 40, 40}, {40, 150, 60}, {40, 70, 190}, {230, 200, 40}};
    for (int y = photoTop; y < h - 40; ++y)
        for (int x = 100 + photoW; x < w - 60; ++x)
            if ((h - 40 - y) < (1 + (x - photoW) / 40 % 4) * (h - 40 - photoTop) / 4)
                px[size_t(y) * size_t(w) + size_t(x)] = bars[(x - photoW) / 40 % 4];
    return Page24(w, h, [&](int x, int y) { return px[size_t(y) * size_t(w) + size_t(x)]; });
}

int CountChunks(const std::vector<uint8_t> &file, const char *type) {
    int count = 0;
    for (size_t at = 8; at + 12 <= file.size(); at += 12 + Be32(file, at))
        count += std::equal(type, type + 4, file.begin() + long(at) + 4);
    return count;
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

TEST(PngWriter, ReportPagesReadBackExactlyAndAreNoLargerThanLibpngMakesThem) {
    TempFolder dir;
    // An odd width: rows end within a byte at 1 and 4 bits, and within a pixel
    // of the filters' wide steps.
    const Dib colour = ReportPage(1001, 1100);
    Dib grey = colour;
    ASSERT_TRUE(ConvertToGrey(grey));
    std::vector<std::pair<const char *, Dib>> pages = {{"rgb", colour}, {"grey", grey}};
    for (int bpp : {8, 4, 1}) {
        Dib reduced = colour;
        ASSERT_TRUE(ReduceColors(reduced, bpp));
        pages.emplace_back(bpp == 8 ? "pal8" : bpp == 4 ? "pal4" : "pal1", reduced);
    }
    for (const auto &[name, page] : pages) {
        SCOPED_TRACE(name);
        const std::string ours = dir.File(std::string(name) + ".png");
        const std::string theirs = dir.File(std::string(name) + "-libpng.png");
        ASSERT_TRUE(WritePng(page, ours));
        ASSERT_TRUE(WriteWithLibpngDefaults(page, theirs));
        PngFile f = Read(ours);
        ASSERT_TRUE(f.ok);
        ASSERT_EQ(f.width, png_uint_32(page.width));
        ASSERT_EQ(f.height, png_uint_32(page.height));
        for (int y = 0; y < page.height; ++y) {
            const uint8_t *got = f.rows[size_t(y)].data();
            for (int x = 0; x < page.width; ++x) {
                if (page.bpp == 24) {
                    const Rgb want = PixelOf(page, x, y);
                    ASSERT_EQ(Rgb(got[3 * x], got[3 * x + 1], got[3 * x + 2]), want)
                        << x << "," << y;
                } else {
                    ASSERT_EQ(StoredIndex(f, x, y), IndexOf(page, x, y)) << x << "," << y;
                }
            }
        }
        const std::vector<uint8_t> file = ReadBytes(ours);
        const double reference = double(ReadBytes(theirs).size());
        EXPECT_LE(double(file.size()), reference * 1.05) << file.size() << " vs " << reference;
        // The compressed stream is split over several IDAT chunks.
        if (page.bpp == 24) {
            EXPECT_GT(CountChunks(file, "IDAT"), 1);
        }
    }
}

TEST(PngWriter, RefusedPageOrUnwritableDestinationFailsAndLeavesNoFile) {
    TempFolder dir;
    Dib page = Page24(5, 5, Gradient);
    EXPECT_FALSE(WritePng(page, dir.File("missing-folder/x.png")));
    EXPECT_FALSE(WritePng(Dib{}, dir.File("empty.png")));
    // Wider than libpng reads or writes by default.
    Dib wide = PagePaletted(1000001, 1, 1, {Quad(0, 0, 0), Quad(255, 255, 255)},
                            [](int, int) { return 0; });
    Status refused = WritePng(wide, dir.File("wide.png"));
    EXPECT_FALSE(refused);
    EXPECT_NE(refused.message().find("too large"), std::string::npos) << refused.message();
    EXPECT_TRUE(ListNames(dir.Path()).empty());
}
