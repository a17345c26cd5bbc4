// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// EMF and WMF files made through the handle interface, compared byte for
// byte with the files kept in golden/: every record, handle, size, header
// count, bound and frame of a metafile stays as it was when they were made.
//
// VANTORIA_GOLDEN_WRITE=FOLDER writes the files into FOLDER instead of
// comparing, for a deliberate change of the format.
#include <gtest/gtest.h>

#include <cstdlib>

#include "PageSupport.h"
#include "imageconv/ImageConverter.h"

using namespace testsupport;

namespace {

// Odd, asymmetric pages: a flip, a swapped channel or a padding byte shows.
Rgb Colour(int x, int y) {
    return Rgb{uint8_t(x * 19), uint8_t(y * 37), uint8_t(200 - x * 5 - y * 3)};
}

Rgb Grey(int x, int y) {
    const uint8_t v = uint8_t(x * 21 + y * 9);
    return Rgb{v, v, v};
}

struct Case {
    const char *name;
    int width, height; // of the page file
    Rgb (*colour)(int, int);
    int32_t pelsPerMetre;
    int gray, rotate, targetWidth, targetHeight; // options 12, 15, 13, 14
};

const Case kCases[] = {
    {"colour", 13, 7, Colour, 2835, 0, 0, 0, 0},
    {"grey", 10, 5, Grey, 3780, 1, 0, 0, 0},
    {"rotated", 11, 6, Colour, 2835, 0, 90, 0, 0},
    {"target", 9, 5, Colour, 11811, 0, 0, 31, 17},
};

std::vector<uint8_t> Convert(const TempFolder &dir, const Case &c, int format,
                             const std::string &out) {
    const std::string in = dir.File(std::string(c.name) + ".bmp");
    WriteBytes(in, EncodeBmp(
                       c.width, c.height, 24, {},
                       [&](int x, int y) {
                           Rgb p = c.colour(x, y);
                           return (uint32_t(p.r) << 16) | (uint32_t(p.g) << 8) | p.b;
                       },
                       false, c.pelsPerMetre, c.pelsPerMetre));
    const int h = ImageConverterCreate();
    ImageConverterSetOption(h, IC_OPT_OUTPUT_PATH, out.c_str(), 0);
    ImageConverterAddFile(h, in.c_str(), IC_INPUT_BMP);
    ImageConverterSetOption(h, IC_OPT_FORMAT, nullptr, format);
    ImageConverterSetOption(h, IC_OPT_GRAY, nullptr, c.gray);
    ImageConverterSetOption(h, IC_OPT_ROTATE, nullptr, c.rotate);
    if (c.targetWidth > 0) {
        ImageConverterSetOption(h, IC_OPT_WIDTH, nullptr, c.targetWidth);
        ImageConverterSetOption(h, IC_OPT_HEIGHT, nullptr, c.targetHeight);
    }
    ImageConverterConvert(h);
    char why[256] = {};
    ImageConverterLastError(h, why, int(sizeof why));
    ImageConverterDestroy(h);
    EXPECT_STREQ(why, "");
    return ReadBytes(out);
}

} // namespace

TEST(MetafileGolden, EmfAndWmfFilesAreTheKeptOnesByteForByte) {
    const char *write = std::getenv("VANTORIA_GOLDEN_WRITE");
    TempFolder dir;
    for (const Case &c : kCases)
        for (auto [format, ext] : {std::pair{IC_FORMAT_EMF, ".emf"}, {IC_FORMAT_WMF, ".wmf"}}) {
            const std::string name = std::string(c.name) + ext;
            SCOPED_TRACE(name);
            const std::string out = write ? std::string(write) + "/" + name : dir.File(name);
            const std::vector<uint8_t> made = Convert(dir, c, format, out);
            ASSERT_FALSE(made.empty());
            if (write)
                continue;
            const std::vector<uint8_t> kept = ReadBytes(VANTORIA_GOLDEN_DIR "/" + name);
            ASSERT_FALSE(kept.empty()) << "no golden file " << name;
            ASSERT_EQ(made.size(), kept.size());
            for (size_t i = 0; i < made.size(); ++i)
                ASSERT_EQ(int(made[i]), int(kept[i])) << "first difference at byte " << i;
        }
}
