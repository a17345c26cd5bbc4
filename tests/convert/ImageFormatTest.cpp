// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The format table and how a run reads a format from a list item's text.
#include "convert/ImageFormat.h"
#include "settings/SettingsKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

namespace {

std::string Upper(std::string s) {
    for (char &c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

TEST(ImageFormat, EveryListItemGivesItsCodeAndExtension) {
    // List index -> converter code, the two numberings of the formats.
    const int expected[12] = {IC_FORMAT_JPEG, IC_FORMAT_TIFF, IC_FORMAT_BMP, IC_FORMAT_PNG,
                              IC_FORMAT_GIF,  IC_FORMAT_PCX,  IC_FORMAT_WMF, IC_FORMAT_EMF,
                              IC_FORMAT_TGA,  IC_FORMAT_JP2,  IC_FORMAT_JPC, IC_FORMAT_RAS};
    ASSERT_EQ(kImageFormats.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        const ImageFormat &f = kImageFormats[static_cast<std::size_t>(i)];
        EXPECT_EQ(f.code, expected[i]) << i;
        ImageFormatChoice c = ImageFormatFromItemText(ImageFormatItemText(i));
        EXPECT_EQ(c.code, f.code) << i;
        EXPECT_EQ(c.ext, f.ext) << i;
    }
}

TEST(ImageFormat, EachEntryNamesOneFormatThroughout) {
    std::set<int> codes;
    std::set<std::string> names;
    for (const ImageFormat &f : kImageFormats) {
        codes.insert(f.code);
        names.insert(f.cliName);
        // The short name is the extension without its dot.
        EXPECT_EQ(std::string(".") + f.cliName, f.ext);
        // "<NAME> 文件(*<ext>)": the list text ends with its extension, the
        // TIFF item with one blank after it.
        std::string label = f.code == IC_FORMAT_JPEG                             ? "JPEG"
                            : f.code == IC_FORMAT_TIFF                           ? "TIFF"
                            : f.code == IC_FORMAT_JP2 || f.code == IC_FORMAT_JPC ? "JPEG2000"
                                                                                 : Upper(f.cliName);
        std::string text = label + " 文件(*" + f.ext + ")" + (f.code == IC_FORMAT_TIFF ? " " : "");
        EXPECT_EQ(f.listText, text);
    }
    EXPECT_EQ(codes.size(), 12u);
    EXPECT_EQ(*codes.begin(), 1);
    EXPECT_EQ(*codes.rbegin(), 12);
    EXPECT_EQ(names.size(), 12u);
}

TEST(ImageFormat, MatchRules) {
    // Nothing selected, or no extension in the text: JPEG.
    EXPECT_EQ(ImageFormatFromItemText("").code, IC_FORMAT_JPEG);
    EXPECT_EQ(ImageFormatFromItemText("").ext, ".jpg");
    EXPECT_EQ(ImageFormatItemText(-1), "");
    EXPECT_EQ(ImageFormatItemText(12), "");
    // An extension at the very first character does not count.
    EXPECT_EQ(ImageFormatFromItemText(".png files").code, IC_FORMAT_JPEG);
    EXPECT_EQ(ImageFormatFromItemText("x.png").code, IC_FORMAT_PNG);
    // A later extension in the search order replaces an earlier one.
    EXPECT_EQ(ImageFormatFromItemText("x(*.tif) or (*.gif)").code, IC_FORMAT_GIF);
    EXPECT_EQ(ImageFormatFromItemText("x(*.gif) or (*.tif)").code, IC_FORMAT_GIF);
    EXPECT_EQ(ImageFormatFromItemText("x(*.jpc)(*.tif)").code, IC_FORMAT_JPC);
    EXPECT_EQ(ImageFormatFromItemText("x(*.jpc)(*.ras)").code, IC_FORMAT_JPC);
}

TEST(ImageFormat, ShortNamesGiveTheirListIndex) {
    for (std::size_t i = 0; i < kImageFormats.size(); ++i)
        EXPECT_EQ(ImageFormatIndexOfName(kImageFormats[i].cliName), static_cast<int>(i));
    EXPECT_EQ(ImageFormatIndexOfName("webp"), -1);
    EXPECT_EQ(ImageFormatIndexOfName(""), -1);
    EXPECT_EQ(ImageFormatIndexOfName(".jpg"), -1);
}

// What a new row must hold to: the keys it reads are keys of "Img", and its
// scan rank and sheet tab are its own, with no gap.
TEST(ImageFormat, EveryRowReadsKeysTheKeyTableHasAndHasItsOwnRankAndTab) {
    std::set<int> ranks, tabs;
    for (const ImageFormat &f : kImageFormats) {
        EXPECT_TRUE(ranks.insert(f.scanRank).second) << f.name;
        if (f.page.kind != SheetPage::None) {
            EXPECT_TRUE(tabs.insert(f.page.tab).second) << f.name;
        }
        for (const char *key :
             {f.keys.colour, f.keys.quality, f.keys.compression, f.keys.multiPage}) {
            if (key) {
                EXPECT_NE(FindSettingsKey(kSectionImage, key), nullptr) << f.name << " " << key;
            }
        }
        EXPECT_EQ(!f.keys.colour, f.page.kind == SheetPage::None) << f.name;
    }
    EXPECT_EQ(*ranks.begin(), 0);
    EXPECT_EQ(*ranks.rbegin(), static_cast<int>(kImageFormats.size()) - 1);
    EXPECT_EQ(tabs.empty() ? 0 : *tabs.begin(), 1);
    EXPECT_EQ(tabs.empty() ? 0 : *tabs.rbegin(), static_cast<int>(tabs.size()));
}

} // namespace
