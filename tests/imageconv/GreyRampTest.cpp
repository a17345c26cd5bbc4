// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// "256 Grays" and "16 Grays" through the handle interface into the real
// writers of the palette formats: a page holding every grey level once per
// row comes back, read by independent readers (Qt for BMP, libpng, giflib,
// libtiff, a PCX decoder written here), with each pixel at its exact grey
// level, or at the nearest of the 16-level ramp.
#include <QImage>
#include <QString>
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>

#include <set>

#include "PageSupport.h"
#include "imageconv/ImageConverter.h"

using namespace testsupport;

namespace {

constexpr int kWidth = 256;
constexpr int kHeight = 5;

// Row yTop (counted from the top) is the ramp shifted by 37 levels per row,
// so a flipped or shifted row shows.
int GreyAt(int x, int yTop) {
    return (x + 37 * yTop) % 256;
}

// The 16-level ramp 0, 17, ..., 255: 17 is odd, so no grey lies halfway.
int NearestOfSixteen(int grey) {
    return (grey + 8) / 17 * 17;
}

// A decoded output: one grey per pixel, rows from the top; empty when the
// file is unreadable or a pixel is not grey.
using Greys = std::vector<std::vector<int>>;

Greys FromRgb(int w, int h, const std::function<Rgb(int, int)> &at) {
    Greys g(static_cast<size_t>(h), std::vector<int>(static_cast<size_t>(w)));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = at(x, y);
            if (c.r != c.g || c.g != c.b)
                return {};
            g[size_t(y)][size_t(x)] = c.r;
        }
    return g;
}

Greys ReadWithQt(const std::string &path) {
    QImage img(QString::fromStdString(path));
    if (img.isNull())
        return {};
    return FromRgb(img.width(), img.height(), [&](int x, int y) {
        const QRgb p = img.pixel(x, y);
        return Rgb{uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p))};
    });
}

Greys ReadPng(const std::string &path) {
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, path.c_str()))
        return {};
    img.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> px(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, px.data(), 0, nullptr))
        return {};
    const int w = int(img.width);
    return FromRgb(w, int(img.height), [&](int x, int y) {
        const uint8_t *p = &px[(size_t(y) * size_t(w) + size_t(x)) * 3];
        return Rgb{p[0], p[1], p[2]};
    });
}

Greys ReadGif(const std::string &path) {
    int error = 0;
    GifFileType *gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif)
        return {};
    Greys out;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1 &&
        !gif->SavedImages[0].ImageDesc.Interlace) {
        const SavedImage &image = gif->SavedImages[0];
        const ColorMapObject *map =
            image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        const int w = image.ImageDesc.Width;
        if (map)
            out = FromRgb(w, image.ImageDesc.Height, [&](int x, int y) {
                const int index = image.RasterBits[size_t(y) * size_t(w) + size_t(x)];
                if (index >= map->ColorCount)
                    return Rgb{0, 1, 2}; // not grey: fails the read
                const GifColorType &c = map->Colors[index];
                return Rgb{c.Red, c.Green, c.Blue};
            });
    }
    DGifCloseFile(gif, &error);
    return out;
}

Greys ReadTiff(const std::string &path) {
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
    TIFF *tif = TIFFOpen(path.c_str(), "r");
    if (!tif)
        return {};
    uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    std::vector<uint32_t> rgba(size_t(w) * h);
    Greys out;
    if (w && h && TIFFReadRGBAImageOriented(tif, w, h, rgba.data(), ORIENTATION_TOPLEFT, 0))
        out = FromRgb(int(w), int(h), [&](int x, int y) {
            const uint32_t p = rgba[size_t(y) * w + size_t(x)];
            return Rgb{uint8_t(TIFFGetR(p)), uint8_t(TIFFGetG(p)), uint8_t(TIFFGetB(p))};
        });
    TIFFClose(tif);
    return out;
}

// PCX version 5, run-length coded: 8 bits in one plane with the 256-entry
// palette after the 0x0C marker at the end, or 1 bit in 4 planes with the
// 16-entry palette of the header.
Greys ReadPcx(const std::string &path) {
    const std::vector<uint8_t> b = ReadBytes(path);
    if (b.size() < 128 || b[0] != 10 || b[2] != 1)
        return {};
    const int bits = b[3], planes = b[65], lineBytes = int(Get16(b, 66));
    const int w = int(Get16(b, 8)) - int(Get16(b, 4)) + 1;
    const int h = int(Get16(b, 10)) - int(Get16(b, 6)) + 1;
    const bool eight = bits == 8 && planes == 1, sixteen = bits == 1 && planes == 4;
    if (!eight && !sixteen)
        return {};
    size_t at = 128;
    std::vector<std::vector<uint8_t>> lines;
    for (int y = 0; y < h; ++y) {
        std::vector<uint8_t> line;
        while (line.size() < size_t(planes * lineBytes)) {
            if (at >= b.size())
                return {};
            uint8_t v = b[at++];
            size_t count = 1;
            if ((v & 0xc0) == 0xc0) {
                count = v & 0x3f;
                if (at >= b.size())
                    return {};
                v = b[at++];
            }
            line.insert(line.end(), count, v);
        }
        lines.push_back(std::move(line));
    }
    size_t palette = 16;
    if (eight) {
        if (b.size() != at + 769 || b[at] != 12)
            return {};
        palette = at + 1;
    }
    return FromRgb(w, h, [&](int x, int y) {
        const std::vector<uint8_t> &l = lines[size_t(y)];
        int index = 0;
        if (eight)
            index = l[size_t(x)];
        else
            for (int p = 0; p < 4; ++p)
                if (l[size_t(p * lineBytes + x / 8)] & (0x80 >> (x % 8)))
                    index |= 1 << p;
        const size_t e = palette + 3 * size_t(index);
        return Rgb{b[e], b[e + 1], b[e + 2]};
    });
}

struct Format {
    int code;
    const char *extension;
    Greys (*read)(const std::string &);
};

const Format kFormats[] = {
    {IC_FORMAT_BMP, ".bmp", ReadWithQt}, {IC_FORMAT_PNG, ".png", ReadPng},
    {IC_FORMAT_GIF, ".gif", ReadGif},    {IC_FORMAT_PCX, ".pcx", ReadPcx},
    {IC_FORMAT_TIFF, ".tif", ReadTiff},
};

class GreyRamp : public testing::Test {
protected:
    void SetUp() override {
        input_ = dir_.File("ramp.bmp");
        // EncodeBmp counts rows from the bottom.
        WriteBytes(input_, EncodeBmp(kWidth, kHeight, 24, {}, [](int x, int y) {
                       const uint32_t g = uint32_t(GreyAt(x, kHeight - 1 - y));
                       return (g << 16) | (g << 8) | g;
                   }));
    }

    // Converts the ramp page to `format` with the colour request bpp + grey.
    Greys Convert(const Format &format, int bpp) {
        const std::string out = dir_.File("out" + std::to_string(bpp) + format.extension);
        const int h = ImageConverterCreate();
        EXPECT_NE(h, 0);
        ImageConverterAddFile(h, input_.c_str(), IC_INPUT_BMP);
        ImageConverterSetOption(h, IC_OPT_OUTPUT_PATH, out.c_str(), 0);
        ImageConverterSetOption(h, IC_OPT_FORMAT, nullptr, format.code);
        ImageConverterSetOption(h, IC_OPT_BPP, nullptr, bpp);
        ImageConverterSetOption(h, IC_OPT_GRAY, nullptr, 1);
        ImageConverterSetOption(h, IC_OPT_TIFF_COMPRESSION, nullptr, IC_TIFF_LZW);
        EXPECT_EQ(ImageConverterConvert(h), 1);
        ImageConverterDestroy(h);
        return format.read(out);
    }

    TempFolder dir_;
    std::string input_;
};

std::set<int> Distinct(const Greys &g) {
    std::set<int> levels;
    for (const auto &row : g)
        levels.insert(row.begin(), row.end());
    return levels;
}

} // namespace

TEST_F(GreyRamp, TwoHundredFiftySixGreysKeepEveryLevel) {
    for (const Format &f : kFormats) {
        SCOPED_TRACE(f.extension);
        const Greys g = Convert(f, 8);
        ASSERT_EQ(g.size(), size_t(kHeight));
        ASSERT_EQ(g[0].size(), size_t(kWidth));
        EXPECT_EQ(Distinct(g).size(), 256u);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                ASSERT_EQ(g[size_t(y)][size_t(x)], GreyAt(x, y)) << x << "," << y;
    }
}

TEST_F(GreyRamp, SixteenGreysTakeTheNearestOfTheSixteenLevelRamp) {
    std::set<int> ramp;
    for (int k = 0; k < 16; ++k)
        ramp.insert(17 * k);
    for (const Format &f : kFormats) {
        SCOPED_TRACE(f.extension);
        const Greys g = Convert(f, 4);
        ASSERT_EQ(g.size(), size_t(kHeight));
        ASSERT_EQ(g[0].size(), size_t(kWidth));
        EXPECT_EQ(Distinct(g), ramp);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                ASSERT_EQ(g[size_t(y)][size_t(x)], NearestOfSixteen(GreyAt(x, y))) << x << "," << y;
    }
}
