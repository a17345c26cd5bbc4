// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// EMF and WMF writers: the record streams walked here record by record.
#include <gtest/gtest.h>

#include <cstring>

#include "WriterTestSupport.h"
#include "imageconv/Writers.h"

using namespace imageconv;
using namespace wtest;

namespace {

struct Record {
    uint32_t type;
    size_t offset;
    size_t size;
};

// EMF: every record is (type, size in bytes), sizes multiples of 4, the
// last one EMR_EOF ending exactly at the end of the file.
std::vector<Record> EmfRecords(const std::vector<uint8_t> &b) {
    std::vector<Record> out;
    size_t at = 0;
    while (at + 8 <= b.size()) {
        Record r{Le32(b, at), at, Le32(b, at + 4)};
        if (r.size < 8 || r.size % 4 || at + r.size > b.size())
            return {};
        out.push_back(r);
        at += r.size;
        if (r.type == 14)
            break;
    }
    if (at != b.size())
        return {};
    return out;
}

std::vector<uint32_t> Types(const std::vector<Record> &rs) {
    std::vector<uint32_t> t;
    for (const Record &r : rs)
        t.push_back(r.type);
    return t;
}

const Record *Find(const std::vector<Record> &rs, uint32_t type) {
    for (const Record &r : rs)
        if (r.type == type)
            return &r;
    return nullptr;
}

// WMF: an 18-byte header, then records of (size in 16-bit words, function).
struct Wmf {
    bool ok = false;
    std::vector<Record> records;
};

Wmf WmfRecords(const std::vector<uint8_t> &b) {
    Wmf w;
    if (b.size() < 18 || Le16(b, 0) != 1 || Le16(b, 2) != 9)
        return w;
    if (Le32(b, 6) * 2 != b.size())
        return w;
    size_t at = 18;
    while (at + 6 <= b.size()) {
        Record r{Le16(b, at + 4), at, size_t(Le32(b, at)) * 2};
        if (r.size < 6 || at + r.size > b.size())
            return w;
        w.records.push_back(r);
        at += r.size;
        if (r.type == 0)
            break;
    }
    w.ok = at == b.size();
    return w;
}

int16_t S16(const std::vector<uint8_t> &b, size_t at) {
    return int16_t(Le16(b, at));
}

Dib TestPage() {
    return Page24(37, 23, Gradient);
}

} // namespace

TEST(EmfWriter, RecordsHeaderFrameAndStretchedPage) {
    TempFolder dir;
    Dib page = TestPage();
    std::string path = dir.File("a.emf");
    ASSERT_TRUE(WriteEmf(page, path, 594, 842));
    std::vector<uint8_t> b = ReadBytes(path);
    std::vector<Record> rs = EmfRecords(b);
    ASSERT_FALSE(rs.empty());
    EXPECT_EQ(Types(rs),
              (std::vector<uint32_t>{1, 38, 39, 37, 37, 43, 37, 37, 40, 40, 21, 81, 14}));

    // Header.
    const Record &h = rs[0];
    EXPECT_EQ(Le32(b, 40), 0x464d4520u);
    EXPECT_EQ(LeS32(b, 24), 0);
    EXPECT_EQ(LeS32(b, 28), 0);
    EXPECT_EQ(LeS32(b, 32), 508 * 594 * 100 / 1920);
    EXPECT_EQ(LeS32(b, 36), 286 * 842 * 100 / 1080);
    EXPECT_EQ(Le32(b, 48), b.size());
    EXPECT_EQ(Le32(b, 52), rs.size());
    EXPECT_EQ(LeS32(b, 72), 1920);
    EXPECT_EQ(LeS32(b, 76), 1080);
    EXPECT_EQ(LeS32(b, 80), 508);
    EXPECT_EQ(LeS32(b, 84), 286);
    uint32_t nDesc = Le32(b, 60), offDesc = Le32(b, 64);
    ASSERT_LE(offDesc + nDesc * 2, h.size);
    std::string desc;
    for (uint32_t i = 0; i < nDesc; ++i)
        if (uint16_t c = uint16_t(Le16(b, offDesc + i * 2)))
            desc.push_back(char(c));
    EXPECT_EQ(desc, "www");

    // White pen and brush, the rectangle (0, 0) - (W, H).
    const Record *pen = Find(rs, 38);
    EXPECT_EQ(Le32(b, pen->offset + 12), 0u);        // solid
    EXPECT_EQ(Le32(b, pen->offset + 16), 1u);        // width
    EXPECT_EQ(Le32(b, pen->offset + 24), 0xffffffu); // white
    const Record *brush = Find(rs, 39);
    EXPECT_EQ(Le32(b, brush->offset + 12), 0u);
    EXPECT_EQ(Le32(b, brush->offset + 16), 0xffffffu);
    const Record *rect = Find(rs, 43);
    EXPECT_EQ(LeS32(b, rect->offset + 8), 0);
    EXPECT_EQ(LeS32(b, rect->offset + 12), 0);
    EXPECT_EQ(LeS32(b, rect->offset + 16), 594);
    EXPECT_EQ(LeS32(b, rect->offset + 20), 842);
    // The stock objects are selected back before the two are deleted.
    EXPECT_EQ(Le32(b, rs[6].offset + 8), 0x80000007u);
    EXPECT_EQ(Le32(b, rs[7].offset + 8), 0x80000000u);

    EXPECT_EQ(Le32(b, Find(rs, 21)->offset + 8), 3u); // COLORONCOLOR

    // StretchDIBits into 594 x 842 from the whole 37 x 23 page.
    const size_t s = Find(rs, 81)->offset;
    EXPECT_EQ(LeS32(b, s + 24), 0);
    EXPECT_EQ(LeS32(b, s + 28), 0);
    EXPECT_EQ(LeS32(b, s + 32), 0);
    EXPECT_EQ(LeS32(b, s + 36), 0);
    EXPECT_EQ(LeS32(b, s + 40), 37);
    EXPECT_EQ(LeS32(b, s + 44), 23);
    EXPECT_EQ(Le32(b, s + 64), 0u);          // DIB_RGB_COLORS
    EXPECT_EQ(Le32(b, s + 68), 0x00cc0020u); // SRCCOPY
    EXPECT_EQ(LeS32(b, s + 72), 594);
    EXPECT_EQ(LeS32(b, s + 76), 842);
    const size_t bmi = s + Le32(b, s + 48);
    EXPECT_EQ(LeS32(b, bmi + 4), 37);
    EXPECT_EQ(LeS32(b, bmi + 8), 23);
    EXPECT_EQ(Le16(b, bmi + 14), 24u);
    const size_t bits = s + Le32(b, s + 56);
    ASSERT_EQ(Le32(b, s + 60), page.bits.size());
    EXPECT_EQ(std::memcmp(b.data() + bits, page.bits.data(), page.bits.size()), 0);
}

TEST(EmfWriter, TargetSizeDecidesTheDestinationWhateverThePageSize) {
    TempFolder dir;
    for (int w : {5, 300}) {
        Dib page = Page24(w, w / 2 + 1, Gradient);
        std::string path = dir.File("p.emf");
        ASSERT_TRUE(WriteEmf(page, path, 594, 842));
        std::vector<uint8_t> b = ReadBytes(path);
        std::vector<Record> rs = EmfRecords(b);
        ASSERT_NE(Find(rs, 81), nullptr);
        EXPECT_EQ(LeS32(b, Find(rs, 81)->offset + 72), 594);
        EXPECT_EQ(LeS32(b, Find(rs, 81)->offset + 76), 842);
    }
}

TEST(EmfWriter, NoTargetSizeDrawsAtThePagesOwnSize) {
    TempFolder dir;
    std::string path = dir.File("own.emf");
    ASSERT_TRUE(WriteEmf(TestPage(), path, 0, 0));
    std::vector<uint8_t> b = ReadBytes(path);
    std::vector<Record> rs = EmfRecords(b);
    ASSERT_NE(Find(rs, 81), nullptr);
    EXPECT_EQ(LeS32(b, Find(rs, 81)->offset + 72), 37);
    EXPECT_EQ(LeS32(b, Find(rs, 81)->offset + 76), 23);
    EXPECT_EQ(LeS32(b, 32), 508 * 37 * 100 / 1920);
    EXPECT_EQ(LeS32(b, 36), 286 * 23 * 100 / 1080);
}

TEST(WmfWriter, StandardMetafileWithRectangleAndStretchedPage) {
    TempFolder dir;
    Dib page = TestPage();
    std::string path = dir.File("a.wmf");
    ASSERT_TRUE(WriteWmf(page, path, 594, 842));
    std::vector<uint8_t> b = ReadBytes(path);
    ASSERT_GE(b.size(), 18u);
    EXPECT_NE(Le32(b, 0), 0x9ac6cdd7u) << "not placeable";
    Wmf w = WmfRecords(b);
    ASSERT_TRUE(w.ok);
    std::vector<uint32_t> types = Types(w.records);
    EXPECT_EQ(types, (std::vector<uint32_t>{0x02fa, 0x02fc, 0x012d, 0x012d, 0x041b, 0x0107, 0x0f43,
                                            0x01f0, 0x01f0, 0x0000}));
    EXPECT_EQ(Le16(b, 10), 2u) << "two objects";
    // No mapping mode or extent records.
    for (uint32_t t : {0x0103u, 0x020bu, 0x020cu, 0x020du, 0x020eu})
        EXPECT_EQ(std::count(types.begin(), types.end(), t), 0);

    const size_t r = w.records[4].offset + 6; // bottom, right, top, left
    EXPECT_EQ(S16(b, r), 842);
    EXPECT_EQ(S16(b, r + 2), 594);
    EXPECT_EQ(S16(b, r + 4), 0);
    EXPECT_EQ(S16(b, r + 6), 0);
    EXPECT_EQ(Le16(b, w.records[5].offset + 6), 3u); // COLORONCOLOR

    const size_t s = w.records[6].offset + 6;
    EXPECT_EQ(Le32(b, s), 0x00cc0020u); // SRCCOPY
    EXPECT_EQ(Le16(b, s + 4), 0u);      // DIB_RGB_COLORS
    EXPECT_EQ(S16(b, s + 6), 23);       // source height
    EXPECT_EQ(S16(b, s + 8), 37);       // source width
    EXPECT_EQ(S16(b, s + 10), 0);
    EXPECT_EQ(S16(b, s + 12), 0);
    EXPECT_EQ(S16(b, s + 14), 842); // destination height
    EXPECT_EQ(S16(b, s + 16), 594); // destination width
    EXPECT_EQ(S16(b, s + 18), 0);
    EXPECT_EQ(S16(b, s + 20), 0);
    const size_t dib = s + 22;
    EXPECT_EQ(LeS32(b, dib + 4), 37);
    EXPECT_EQ(LeS32(b, dib + 8), 23);
    EXPECT_EQ(std::memcmp(b.data() + dib + 40, page.bits.data(), page.bits.size()), 0);
}

TEST(WmfWriter, NoTargetSizeDrawsAtThePagesOwnSizeAndHugeSizesAreRefused) {
    TempFolder dir;
    std::string path = dir.File("own.wmf");
    ASSERT_TRUE(WriteWmf(TestPage(), path, 0, 0));
    std::vector<uint8_t> b = ReadBytes(path);
    Wmf w = WmfRecords(b);
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(S16(b, w.records[6].offset + 6 + 14), 23);
    EXPECT_EQ(S16(b, w.records[6].offset + 6 + 16), 37);

    EXPECT_FALSE(WriteWmf(TestPage(), dir.File("big.wmf"), 40000, 10));
    // A frame in 0.01 mm that would not fit its 32-bit field.
    EXPECT_FALSE(WriteEmf(TestPage(), dir.File("big.emf"), 2000000000, 10));
    EXPECT_FALSE(
        WriteEmf(PagePaletted(4, 4, 8, {}, [](int, int) { return 0; }), dir.File("p.emf"), 1, 1));
    EXPECT_EQ(ListNames(dir.Path()).size(), 1u);
}
