// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The bitmap writer, read back byte by byte and by Qt's independent reader,
// and the bitmap reader against valid, damaged and hostile files.
#include <QImage>
#include <QImageReader>
#include <QString>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "PageSupport.h"
#include "imageconv/PageOps.h"
#include "imageconv/Writers.h"
#include "imageconv/ops/PageFile.h"

using namespace imageconv;
using namespace testsupport;

namespace {

Rgb Coord(int x, int y) {
    return Rgb{uint8_t(x * 9), uint8_t(y * 31), uint8_t(x ^ y)};
}

Dib PalettedPage(int w, int h, int depth) {
    Dib d;
    d.Allocate(w, h, depth);
    const int n = 1 << depth;
    for (int i = 0; i < n; ++i)
        d.palette.push_back(RgbQuad{uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 13), 0});
    d.colorsUsed = n;
    d.colorsImportant = n;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            Dib::SetIndex(d.Row(y), x, depth, (x + 2 * y + x * y) % n);
    return d;
}

QImage ReadWithQt(const std::string &path) {
    QImageReader reader(QString::fromStdString(path), "bmp");
    return reader.read();
}

// Qt's rows count from the top.
Rgb QtPixel(const QImage &img, int x, int yFromBottom) {
    const QRgb p = img.pixel(x, img.height() - 1 - yFromBottom);
    return Rgb{uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p))};
}

Rgb ToRgb(RgbQuad q) {
    return Rgb{q.red, q.green, q.blue};
}

} // namespace

TEST(BmpWriter, HeaderFieldsByteByByte) {
    TempFolder dir;
    Dib page = PalettedPage(13, 7, 4);
    SetResolution(page, 300, 150);
    const std::string path = dir.File("p.bmp");
    ASSERT_TRUE(WriteBmp(page, path));
    const std::vector<uint8_t> f = ReadBytes(path);
    const uint32_t stride = 8; // 13 pixels x 4 bits = 52 bits -> 8 bytes
    const uint32_t expectedSize = 14 + 40 + 16 * 4 + stride * 7;
    ASSERT_EQ(f.size(), expectedSize);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(Get32(f, 2), expectedSize);
    EXPECT_EQ(Get32(f, 6), 0u);
    EXPECT_EQ(Get32(f, 10), 14u + 40u + 64u);
    EXPECT_EQ(Get32(f, 14), 40u);
    EXPECT_EQ(Get32(f, 18), 13u);
    EXPECT_EQ(Get32(f, 22), 7u);
    EXPECT_EQ(Get16(f, 26), 1u);
    EXPECT_EQ(Get16(f, 28), 4u);
    EXPECT_EQ(Get32(f, 30), 0u);
    EXPECT_EQ(Get32(f, 34), stride * 7);
    EXPECT_EQ(Get32(f, 38), 11811u);
    EXPECT_EQ(Get32(f, 42), 5906u);
    EXPECT_EQ(Get32(f, 46), 16u);
    EXPECT_EQ(Get32(f, 50), 16u);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(f[54 + size_t(i) * 4 + 0], page.palette[size_t(i)].blue);
        EXPECT_EQ(f[54 + size_t(i) * 4 + 1], page.palette[size_t(i)].green);
        EXPECT_EQ(f[54 + size_t(i) * 4 + 2], page.palette[size_t(i)].red);
        EXPECT_EQ(f[54 + size_t(i) * 4 + 3], 0);
    }
    // First stored row is the bottom row; the padding and the spare nibble are zero.
    const size_t bottom = 54 + 64;
    EXPECT_EQ(f[bottom] >> 4, IndexAt(page, 0, 0));
    EXPECT_EQ(f[bottom] & 15, IndexAt(page, 1, 0));
    EXPECT_EQ(f[bottom + 6] & 15, 0);
    EXPECT_EQ(f[bottom + 7], 0);
    const size_t top = bottom + stride * 6;
    EXPECT_EQ(f[top] >> 4, IndexAt(page, 0, 6));
}

TEST(BmpWriter, EveryDepthReadsBackWithQt) {
    TempFolder dir;
    for (int depth : {1, 4, 8, 24}) {
        SCOPED_TRACE(depth);
        Dib page = depth == 24 ? Page24(13, 7, Coord) : PalettedPage(13, 7, depth);
        SetResolution(page, 72, 600);
        const std::string path = dir.File("d" + std::to_string(depth) + ".bmp");
        ASSERT_TRUE(WriteBmp(page, path));
        QImage img = ReadWithQt(path);
        ASSERT_FALSE(img.isNull());
        ASSERT_EQ(img.width(), 13);
        ASSERT_EQ(img.height(), 7);
        EXPECT_EQ(img.dotsPerMeterX(), 2835);
        EXPECT_EQ(img.dotsPerMeterY(), 23622);
        if (depth <= 8) {
            EXPECT_EQ(img.colorCount(), 1 << depth);
        }
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(QtPixel(img, x, y), ToRgb(PixelColour(page, x, y))) << x << "," << y;
        // And the converter's own reader agrees.
        Dib back;
        ASSERT_TRUE(ReadBmp(path, back));
        EXPECT_EQ(back.bpp, depth);
        EXPECT_EQ(back.bits, page.bits);
    }
}

TEST(BmpWriter, PaletteHoldsOnlyTheColoursInUse) {
    TempFolder dir;
    Dib page = PalettedPage(5, 2, 1);
    page.palette.resize(256); // a longer palette than the page uses
    page.colorsUsed = 2;
    page.colorsImportant = 2;
    ASSERT_TRUE(WriteBmp(page, dir.File("bw.bmp")));
    const auto f = ReadBytes(dir.File("bw.bmp"));
    EXPECT_EQ(Get32(f, 46), 2u);
    EXPECT_EQ(Get32(f, 50), 2u);
    EXPECT_EQ(Get32(f, 10), 14u + 40u + 8u);
    EXPECT_EQ(f.size(), 14u + 40u + 8u + 4u * 2u);
}

TEST(BmpWriter, FailureKeepsTheExistingFileAndLeavesNoDebris) {
    TempFolder dir;
    const std::string path = dir.File("keep.bmp");
    WriteBytes(path, {'o', 'l', 'd'});
    Dib empty;
    EXPECT_FALSE(WriteBmp(empty, path));
    EXPECT_EQ(ReadBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_FALSE(WriteBmp(Page24(3, 3, Coord), dir.File("missing/sub/x.bmp")));
    size_t entries = 0;
    for (auto &e : std::filesystem::directory_iterator(dir.Path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
    // A name at the file-name limit still works: the temporary name is short.
    const std::string longName = dir.File(std::string(251, 'n') + ".bmp");
    EXPECT_TRUE(WriteBmp(Page24(3, 3, Coord), longName));
    EXPECT_FALSE(ReadWithQt(longName).isNull());
    std::filesystem::remove(longName);
    // A successful write replaces the old file.
    EXPECT_TRUE(WriteBmp(Page24(3, 3, Coord), path));
    EXPECT_FALSE(ReadWithQt(path).isNull());
}

TEST(BmpWriter, RowsStraightFromAPageFileMatchTheReadPage) {
    TempFolder dir;
    // Unpadded rows; 3 padding bytes a row; and rows that straddle the
    // writer's buffer, 1 padding byte each. The padding in the files is
    // dirty: the output's is zero all the same.
    for (const auto &[w, h] : {std::pair{12, 5}, std::pair{11, 6}, std::pair{1001, 100}}) {
        SCOPED_TRACE(w);
        std::vector<uint8_t> file = EncodeBmp(w, h, 24, {}, [](int x, int y) {
            return uint32_t(x * 2654435761u + y * 40503u) & 0xffffff;
        });
        const size_t stride = Dib::StrideFor(w, 24);
        for (int y = 0; y < h; ++y)
            for (size_t k = size_t(w) * 3; k < stride; ++k)
                file[54 + size_t(y) * stride + k] = 0xa5;
        const std::string in = dir.File("in.bmp");
        WriteBytes(in, file);

        Dib page;
        ASSERT_TRUE(ReadBmp(in, page));
        SetResolution(page, 300, 150);
        ASSERT_TRUE(WriteBmp(page, dir.File("read.bmp")));

        PageFile source;
        ASSERT_TRUE(source.Open(in));
        Dib layout = page;
        layout.bits.clear();
        bool readFailed = true;
        ASSERT_TRUE(WriteBmpFromFile(layout, source.Fd(), source.PixelOffset(),
                                     dir.File("straight.bmp"), &readFailed));
        EXPECT_FALSE(readFailed);
        EXPECT_EQ(ReadBytes(dir.File("straight.bmp")), ReadBytes(dir.File("read.bmp")));

        // A page file cut short after it was opened leaves no file, and says
        // it was the page file.
        ASSERT_EQ(::truncate(in.c_str(), off_t(file.size() - 1)), 0);
        EXPECT_FALSE(WriteBmpFromFile(layout, source.Fd(), source.PixelOffset(),
                                      dir.File("cut.bmp"), &readFailed));
        EXPECT_TRUE(readFailed);
        EXPECT_FALSE(std::filesystem::exists(dir.File("cut.bmp")));
    }
}

TEST(BmpReader, ReadsEveryDepthBottomUpAndTopDown) {
    TempFolder dir;
    Dib page; // reused: each read replaces whatever the page held before
    for (int depth : {1, 4, 8, 24})
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(testing::Message() << depth << (topDown ? " top-down" : " bottom-up"));
            std::vector<Rgb> pal;
            if (depth <= 8)
                for (int i = 0; i < (1 << depth); ++i)
                    pal.push_back({uint8_t(i * 3), uint8_t(i), uint8_t(255 - i)});
            auto pixel = [&](int x, int y) -> uint32_t {
                if (depth == 24) {
                    Rgb c = Coord(x, y);
                    return (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
                }
                return uint32_t((x * 5 + y * 3) % (1 << depth));
            };
            const std::string path = dir.File("in.bmp");
            WriteBytes(path, EncodeBmp(11, 6, depth, pal, pixel, topDown, 11811, 2835));
            ASSERT_TRUE(ReadBmp(path, page));
            ASSERT_EQ(page.width, 11);
            ASSERT_EQ(page.height, 6);
            EXPECT_EQ(page.bpp, depth);
            EXPECT_EQ(page.xPelsPerMeter, 11811);
            EXPECT_EQ(page.xDpi, 300);
            EXPECT_EQ(page.yDpi, 72);
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 11; ++x) {
                    const Rgb expect = depth == 24 ? Coord(x, y) : pal[pixel(x, y)];
                    ASSERT_EQ(ToRgb(PixelColour(page, x, y)), expect) << x << "," << y;
                }
            ASSERT_TRUE(ExpandToTrueColour(page));
            EXPECT_EQ(page.bpp, 24);
            EXPECT_EQ(At24(page, 10, 5), depth == 24 ? Coord(10, 5) : pal[pixel(10, 5)]);
        }
}

TEST(BmpReader, ShortPaletteLeavesMissingEntriesBlack) {
    TempFolder dir;
    // An 8-bit page with a 2-entry palette whose pixels use index 200.
    const std::string path = dir.File("short.bmp");
    WriteBytes(path, EncodeBmp(3, 1, 8, {{9, 9, 9}, {200, 100, 50}},
                               [](int x, int) { return x == 0 ? 1u : 200u; }));
    Dib page;
    ASSERT_TRUE(ReadBmp(path, page));
    EXPECT_EQ(ToRgb(PixelColour(page, 0, 0)), (Rgb{200, 100, 50}));
    EXPECT_EQ(ToRgb(PixelColour(page, 1, 0)), (Rgb{0, 0, 0}));
}

namespace {

struct Damage {
    const char *name;
    size_t at; // byte offset to overwrite
    uint32_t value;
    int width; // 1, 2 or 4 bytes
};

} // namespace

TEST(BmpReader, RefusesDamagedHeaders) {
    const std::vector<uint8_t> good = EncodeBmp(6, 4, 8, std::vector<Rgb>(256, Rgb{1, 2, 3}),
                                                [](int x, int) { return uint32_t(x); });
    const Damage cases[] = {
        {"signature", 0, 'X', 1},
        {"offset past end", 10, 0x7fffffff, 4},
        {"offset inside palette", 10, 60, 4},
        {"negative offset", 10, 0xfffffff0u, 4},
        {"header size 39", 14, 39, 4},
        {"header size huge", 14, 0xffffff00u, 4},
        {"zero width", 18, 0, 4},
        {"negative width", 18, 0xfffffffau, 4},
        {"huge width", 18, 0x7fffffff, 4},
        {"zero height", 22, 0, 4},
        {"min height", 22, 0x80000000u, 4},
        {"huge height", 22, 0x40000000, 4},
        {"planes 2", 26, 2, 2},
        {"depth 16", 28, 16, 2},
        {"depth 32", 28, 32, 2},
        {"depth 0", 28, 0, 2},
        {"rle8", 30, 1, 4},
        {"bitfields", 30, 3, 4},
        {"palette of 257", 46, 257, 4},
        {"palette of 2^31", 46, 0x80000000u, 4},
    };
    TempFolder dir;
    for (const Damage &d : cases) {
        SCOPED_TRACE(d.name);
        std::vector<uint8_t> bytes = good;
        for (int i = 0; i < d.width; ++i)
            bytes[d.at + size_t(i)] = uint8_t(d.value >> (8 * i));
        WriteBytes(dir.File("bad.bmp"), bytes);
        Dib page;
        EXPECT_FALSE(ReadBmp(dir.File("bad.bmp"), page));
        EXPECT_FALSE(page.IsValid());
    }
    Dib page;
    EXPECT_FALSE(ReadBmp(dir.File("does-not-exist.bmp"), page));
    EXPECT_FALSE(ReadBmp(dir.Path(), page)); // a folder
}

// A page file is read as what a hostile interpreter may have left: never
// through a link, never a file with another name (a hard link to some other
// file), never larger than any page file can be.
TEST(BmpReader, OnlyAPlainFileIsReadAndAFifoNeverBlocks) {
    TempFolder dir;
    const std::string good = dir.File("good.bmp");
    WriteBytes(good, EncodeBmp(3, 2, 24, {}, [](int x, int) { return uint32_t(x); }));
    Dib page;
    ASSERT_TRUE(ReadBmp(good, page));

    // Nobody writes to the FIFO: a reader that opened it blocking would hang here.
    const std::string fifo = dir.File("fifo.bmp");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadBmp(fifo, page));
    EXPECT_FALSE(page.IsValid());

    const std::string link = dir.File("link.bmp");
    ASSERT_EQ(::symlink(good.c_str(), link.c_str()), 0);
    EXPECT_FALSE(ReadBmp(link, page));

    const std::string hard = dir.File("hard.bmp");
    ASSERT_EQ(::link(good.c_str(), hard.c_str()), 0);
    EXPECT_FALSE(ReadBmp(hard, page));
    EXPECT_FALSE(ReadBmp(good, page));
    ASSERT_EQ(::unlink(hard.c_str()), 0);
    ASSERT_TRUE(ReadBmp(good, page));

    // A good header with more behind it than any page file holds (sparse).
    ASSERT_EQ(::truncate(good.c_str(), off_t(Dib::kMaxPageFileBytes)), 0);
    EXPECT_TRUE(ReadBmp(good, page));
    ASSERT_EQ(::truncate(good.c_str(), off_t(Dib::kMaxPageFileBytes + 1)), 0);
    EXPECT_FALSE(ReadBmp(good, page));
}

TEST(BmpReader, APageTooLargeToWorkOnIsRefusedFromItsHeader) {
    // Every page is worked on at 24 bits: the largest real page, A0 at
    // 600 dpi, fits; an 8-bit 46000 x 46000 page (2 GB as stored, 6 GB at
    // 24 bits) does not. The file is sparse and as long as its header
    // claims, so only the limit can refuse it.
    EXPECT_TRUE(Dib::FitsWorkingLimit(19866, 28087));
    EXPECT_FALSE(Dib::FitsWorkingLimit(46000, 46000));
    EXPECT_FALSE(Dib::FitsWorkingLimit(30000, 30000));

    std::vector<uint8_t> bytes =
        EncodeBmp(4, 4, 8, std::vector<Rgb>(256, Rgb{1, 2, 3}), [](int, int) { return 0u; });
    const uint32_t offBits = Get32(bytes, 10);
    bytes.resize(offBits);
    for (int i = 0; i < 4; ++i) {
        bytes[18 + size_t(i)] = uint8_t(46000u >> (8 * i)); // biWidth
        bytes[22 + size_t(i)] = uint8_t(46000u >> (8 * i)); // biHeight
    }
    TempFolder dir;
    const std::string path = dir.File("huge.bmp");
    WriteBytes(path, bytes);
    std::filesystem::resize_file(path, uint64_t(offBits) + uint64_t(46000) * 46000);
    Dib page;
    EXPECT_FALSE(ReadBmp(path, page));
    EXPECT_FALSE(page.IsValid());
    EXPECT_EQ(page.bits.capacity(), 0u);
}

TEST(BmpReader, PaletteLongerThanTheFileIsRefused) {
    // 4-bit page claiming 16 entries in a file cut inside the palette.
    std::vector<uint8_t> bytes =
        EncodeBmp(2, 1, 4, std::vector<Rgb>(16, Rgb{5, 5, 5}), [](int, int) { return 3u; });
    bytes.resize(14 + 40 + 20);
    TempFolder dir;
    WriteBytes(dir.File("p.bmp"), bytes);
    Dib page;
    EXPECT_FALSE(ReadBmp(dir.File("p.bmp"), page));
}

TEST(BmpReader, EveryTruncationIsRefusedWithoutReadingPastTheEnd) {
    TempFolder dir;
    const std::vector<uint8_t> good = EncodeBmp(
        5, 3, 24, {}, [](int x, int y) { return uint32_t(x * 1000 + y); }, false);
    for (size_t n = 0; n < good.size(); ++n) {
        WriteBytes(dir.File("t.bmp"), std::vector<uint8_t>(good.begin(), good.begin() + long(n)));
        Dib page;
        ASSERT_FALSE(ReadBmp(dir.File("t.bmp"), page)) << n;
    }
    WriteBytes(dir.File("t.bmp"), good);
    Dib page;
    EXPECT_TRUE(ReadBmp(dir.File("t.bmp"), page));
}

TEST(BmpReader, RandomCorruptionNeverCrashes) {
    TempFolder dir;
    std::mt19937 rng(20261209);
    const std::vector<uint8_t> seeds[] = {
        EncodeBmp(9, 5, 1, {{0, 0, 0}, {255, 255, 255}},
                  [](int x, int y) { return uint32_t(x ^ y) & 1; }),
        EncodeBmp(9, 5, 4, std::vector<Rgb>(16, Rgb{7, 8, 9}),
                  [](int x, int) { return uint32_t(x); }),
        EncodeBmp(9, 5, 8, std::vector<Rgb>(256, Rgb{7, 8, 9}),
                  [](int x, int y) { return uint32_t(x * y); }),
        EncodeBmp(
            9, 5, 24, {}, [](int x, int y) { return uint32_t(x << 16 | y); }, true),
    };
    int accepted = 0;
    for (int i = 0; i < 4000; ++i) {
        std::vector<uint8_t> bytes = seeds[size_t(i) % 4];
        const int flips = 1 + int(rng() % 6);
        for (int k = 0; k < flips; ++k) {
            // Mostly the headers, where damage matters.
            const size_t at = rng() % 4 ? rng() % 64 : rng() % bytes.size();
            bytes[at] = uint8_t(rng());
        }
        if (rng() % 5 == 0)
            bytes.resize(rng() % bytes.size());
        WriteBytes(dir.File("f.bmp"), bytes);
        Dib page;
        if (ReadBmp(dir.File("f.bmp"), page)) {
            ++accepted;
            ASSERT_TRUE(page.IsValid());
            // Whatever was accepted can be walked pixel by pixel.
            ASSERT_TRUE(ExpandToTrueColour(page));
        }
    }
    EXPECT_GT(accepted, 0);
}
