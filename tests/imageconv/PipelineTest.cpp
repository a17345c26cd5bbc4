// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Whole conversions through the handle interface, from an input bitmap on
// disk to the output file, read back by Qt.
#include <QImage>
#include <QImageReader>
#include <QString>
#include <gtest/gtest.h>

#include <filesystem>

#include "PageSupport.h"
#include "imageconv/ConverterRecord.h"
#include "imageconv/ImageConverter.h"

using namespace testsupport;

namespace {

Rgb Colour(int x, int y) {
    if (x == 0 && y == 0)
        return {10, 200, 30};
    return Rgb{uint8_t(x * 20), uint8_t(y * 40), uint8_t(255 - x * 10)};
}

// A 24-bit input page of 9 x 5, written by the test's own encoder.
std::string MakeInput(const TempFolder &dir, const std::string &name = "in.bmp", int w = 9,
                      int h = 5) {
    return WriteBmp24(dir.File(name), w, h, Colour);
}

struct Converter {
    int h = ImageConverterCreate();
    ~Converter() { ImageConverterDestroy(h); }
    void Set(int option, int value) { ImageConverterSetOption(h, option, nullptr, value); }
    void Output(const std::string &p) {
        ImageConverterSetOption(h, IC_OPT_OUTPUT_PATH, p.c_str(), 0);
    }
};

QImage Read(const std::string &path) {
    return QImageReader(QString::fromStdString(path)).read();
}

Rgb Pixel(const QImage &img, int x, int yFromBottom) {
    QRgb p = img.pixel(x, img.height() - 1 - yFromBottom);
    return Rgb{uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p))};
}

} // namespace

TEST(Pipeline, TrueColourBmpKeepsPixelsAndTakesTheResolution) {
    TempFolder dir;
    Converter r;
    ImageConverterAddFile(r.h, MakeInput(dir).c_str(), IC_INPUT_BMP);
    r.Output(dir.File("out.bmp"));
    r.Set(IC_OPT_FORMAT, IC_FORMAT_BMP);
    r.Set(IC_OPT_XDPI, 300);
    r.Set(IC_OPT_YDPI, 1200);
    EXPECT_EQ(ImageConverterConvert(r.h), 1);
    const auto bytes = ReadBytes(dir.File("out.bmp"));
    ASSERT_GE(bytes.size(), 54u);
    EXPECT_EQ(Get16(bytes, 28), 24u);
    EXPECT_EQ(Get32(bytes, 38), 11811u);
    EXPECT_EQ(Get32(bytes, 42), 23622u); // 1200 clamped to 600
    QImage img = Read(dir.File("out.bmp"));
    ASSERT_EQ(img.width(), 9);
    ASSERT_EQ(img.height(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(Pixel(img, x, y), Colour(x, y));
}

TEST(Pipeline, UnchangedBmpPageIsTheSameFileWhicheverWayItIsStored) {
    // Bottom-up rows are written from the page file as they lie, top-down
    // ones are read in first: the two files must not differ.
    TempFolder dir;
    std::string outputs[2];
    for (bool topDown : {false, true}) {
        const std::string in = dir.File(topDown ? "down.bmp" : "up.bmp");
        WriteBytes(in, EncodeBmp(
                           9, 5, 24, {},
                           [](int x, int y) {
                               Rgb c = Colour(x, y);
                               return (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
                           },
                           topDown));
        Converter r;
        ImageConverterAddFile(r.h, in.c_str(), IC_INPUT_BMP);
        outputs[topDown] = dir.File(topDown ? "down-out.bmp" : "up-out.bmp");
        r.Output(outputs[topDown]);
        r.Set(IC_OPT_FORMAT, IC_FORMAT_BMP);
        r.Set(IC_OPT_XDPI, 300);
        r.Set(IC_OPT_YDPI, 72);
        r.Set(IC_OPT_WIDTH, 9); // the page's own size: nothing to resize
        r.Set(IC_OPT_HEIGHT, 5);
        EXPECT_EQ(ImageConverterConvert(r.h), 1);
    }
    const auto straight = ReadBytes(outputs[0]);
    ASSERT_EQ(straight.size(), 54u + 28u * 5u);
    EXPECT_EQ(straight, ReadBytes(outputs[1]));
}

TEST(Pipeline, BmpHonoursRotationThenResize) {
    TempFolder dir;
    Converter r;
    ImageConverterAddFile(r.h, MakeInput(dir).c_str(), IC_INPUT_BMP);
    r.Output(dir.File("turned.bmp"));
    r.Set(IC_OPT_FORMAT, IC_FORMAT_BMP);
    r.Set(IC_OPT_ROTATE, 90);
    r.Set(IC_OPT_WIDTH, 10);
    r.Set(IC_OPT_HEIGHT, 18);
    ImageConverterConvert(r.h);
    QImage img = Read(dir.File("turned.bmp"));
    ASSERT_EQ(img.width(), 10);
    ASSERT_EQ(img.height(), 18);
    // The turned page is 5 x 9: turned(X, Y) = source(8 - Y, X); doubled.
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(Pixel(img, x, y), Colour(8 - y / 2, x / 2)) << x << "," << y;
}

TEST(Pipeline, SixteenGreysAndBlackAndWhite) {
    TempFolder dir;
    const std::string in = MakeInput(dir);
    {
        Converter r;
        ImageConverterAddFile(r.h, in.c_str(), IC_INPUT_BMP);
        r.Output(dir.File("g.bmp"));
        r.Set(IC_OPT_FORMAT, IC_FORMAT_BMP);
        r.Set(IC_OPT_BPP, 4);
        r.Set(IC_OPT_GRAY, 1);
        ImageConverterConvert(r.h);
        const auto bytes = ReadBytes(dir.File("g.bmp"));
        ASSERT_GE(bytes.size(), 54u);
        EXPECT_EQ(Get16(bytes, 28), 4u);
        EXPECT_EQ(Get32(bytes, 46), 16u);
        QImage img = Read(dir.File("g.bmp"));
        ASSERT_FALSE(img.isNull());
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 9; ++x) {
                Rgb p = Pixel(img, x, y);
                EXPECT_TRUE(p.r == p.g && p.g == p.b) << x << "," << y;
            }
    }
    {
        Converter r;
        ImageConverterAddFile(r.h, in.c_str(), IC_INPUT_BMP);
        r.Output(dir.File("bw.bmp"));
        r.Set(IC_OPT_FORMAT, IC_FORMAT_BMP);
        r.Set(IC_OPT_BPP, 1);
        r.Set(IC_OPT_GRAY, 1); // grey is not applied before a black-and-white reduction
        ImageConverterConvert(r.h);
        QImage img = Read(dir.File("bw.bmp"));
        ASSERT_FALSE(img.isNull());
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 9; ++x) {
                const Rgb c = Colour(x, y);
                const int toBlack = c.r * c.r + c.g * c.g + c.b * c.b;
                const int toWhite = (255 - c.r) * (255 - c.r) + (255 - c.g) * (255 - c.g) +
                                    (255 - c.b) * (255 - c.b);
                const uint8_t v = toWhite < toBlack ? 255 : 0;
                ASSERT_EQ(Pixel(img, x, y), (Rgb{v, v, v})) << x << "," << y;
            }
    }
}

TEST(Pipeline, OnlyTheFirstFileIsConvertedForSingleFileOutput) {
    TempFolder dir;
    Converter r;
    ImageConverterAddFile(r.h, MakeInput(dir, "a.bmp", 9, 5).c_str(), IC_INPUT_BMP);
    ImageConverterAddFile(r.h, MakeInput(dir, "b.bmp", 4, 4).c_str(), IC_INPUT_BMP);
    r.Output(dir.File("one.bmp"));
    r.Set(IC_OPT_FORMAT, IC_FORMAT_BMP);
    ImageConverterConvert(r.h);
    EXPECT_EQ(Read(dir.File("one.bmp")).width(), 9);
}

TEST(Pipeline, WidthWithoutHeightKeepsTheSize) {
    TempFolder dir;
    Converter r;
    ImageConverterAddFile(r.h, MakeInput(dir).c_str(), IC_INPUT_BMP);
    r.Output(dir.File("w.bmp"));
    r.Set(IC_OPT_FORMAT, IC_FORMAT_BMP);
    r.Set(IC_OPT_WIDTH, 600);
    ImageConverterConvert(r.h);
    QImage img = Read(dir.File("w.bmp"));
    EXPECT_EQ(img.width(), 9);
    EXPECT_EQ(img.height(), 5);
}

TEST(Pipeline, FailedPagesLeaveNoOutputAndKeepExistingFiles) {
    TempFolder dir;
    const std::string in = MakeInput(dir);
    const std::string existing = dir.File("existing.bmp");
    const std::vector<uint8_t> old{'k', 'e', 'e', 'p'};
    struct Case {
        const char *name;
        std::string input;
        int inputType;
        int width, height;
    } cases[] = {
        {"missing input", dir.File("nope.bmp"), IC_INPUT_BMP, 0, 0},
        {"not a bitmap", existing, IC_INPUT_BMP, 0, 0},
        {"other input type", in, 6, 0, 0},
        {"size too large", in, IC_INPUT_BMP, 100000, 100000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(existing, old);
        Converter r;
        ImageConverterAddFile(r.h, c.input.c_str(), c.inputType);
        r.Output(existing);
        r.Set(IC_OPT_FORMAT, IC_FORMAT_BMP);
        r.Set(IC_OPT_WIDTH, c.width);
        r.Set(IC_OPT_HEIGHT, c.height);
        EXPECT_EQ(ImageConverterConvert(r.h), 1);
        EXPECT_EQ(ReadBytes(existing), old);
        Converter fresh;
        ImageConverterAddFile(fresh.h, c.input.c_str(), c.inputType);
        fresh.Output(dir.File("fresh.bmp"));
        fresh.Set(IC_OPT_FORMAT, IC_FORMAT_BMP);
        fresh.Set(IC_OPT_WIDTH, c.width);
        fresh.Set(IC_OPT_HEIGHT, c.height);
        ImageConverterConvert(fresh.h);
        EXPECT_FALSE(std::filesystem::exists(dir.File("fresh.bmp")));
    }
}

TEST(Pipeline, NoOutputPathWritesNothing) {
    TempFolder dir;
    Converter r;
    ImageConverterAddFile(r.h, MakeInput(dir).c_str(), IC_INPUT_BMP);
    r.Set(IC_OPT_FORMAT, IC_FORMAT_BMP);
    EXPECT_EQ(ImageConverterConvert(r.h), 1);
    size_t n = 0;
    for (auto &e : std::filesystem::directory_iterator(dir.Path())) {
        (void)e;
        ++n;
    }
    EXPECT_EQ(n, 1u); // only the input
}

TEST(Pipeline, MultiPageFileIsOpenedByTheFirstReadablePageAndFinishedByConvert) {
    TempFolder dir;
    const std::string target = dir.File("doc.tif");
    const std::vector<uint8_t> old{'o', 'l', 'd'};
    WriteBytes(target, old);
    {
        // No page can be read: the existing file is not touched.
        Converter r;
        ImageConverterSetOption(r.h, IC_OPT_MULTIPAGE_PATH, target.c_str(), 0);
        r.Set(IC_OPT_MULTIPAGE, 1);
        r.Set(IC_OPT_FORMAT, IC_FORMAT_TIFF);
        ImageConverterAddFile(r.h, dir.File("missing1.bmp").c_str(), IC_INPUT_BMP);
        ImageConverterAddFile(r.h, dir.File("missing2.bmp").c_str(), IC_INPUT_BMP);
        ImageConverterConvert(r.h);
        EXPECT_EQ(imageconv::LookupConverter(r.h)->m_pTiffImage->PageCount(), 0);
        EXPECT_EQ(ReadBytes(target), old);
    }
    {
        Converter r;
        ImageConverterSetOption(r.h, IC_OPT_MULTIPAGE_PATH, target.c_str(), 0);
        r.Set(IC_OPT_MULTIPAGE, 1);
        r.Set(IC_OPT_FORMAT, IC_FORMAT_TIFF);
        ImageConverterAddFile(r.h, dir.File("missing.bmp").c_str(), IC_INPUT_BMP);
        ImageConverterAddFile(r.h, MakeInput(dir).c_str(), IC_INPUT_BMP);
        ImageConverterConvert(r.h);
        // The one readable page is in the finished file before Destroy.
        EXPECT_EQ(imageconv::LookupConverter(r.h)->m_pTiffImage->PageCount(), 0);
        EXPECT_NE(ReadBytes(target), old);
        EXPECT_EQ(ImageConverterDestroy(r.h), 1);
        r.h = 0;
        EXPECT_NE(ReadBytes(target), old);
    }
    // Multi-page without a TIFF format converts the first file only.
    Converter other;
    ImageConverterAddFile(other.h, MakeInput(dir).c_str(), IC_INPUT_BMP);
    other.Output(dir.File("single.bmp"));
    ImageConverterSetOption(other.h, IC_OPT_MULTIPAGE_PATH, dir.File("never.tif").c_str(), 0);
    other.Set(IC_OPT_MULTIPAGE, 1);
    other.Set(IC_OPT_FORMAT, IC_FORMAT_BMP);
    ImageConverterConvert(other.h);
    EXPECT_TRUE(std::filesystem::exists(dir.File("single.bmp")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("never.tif")));
}
