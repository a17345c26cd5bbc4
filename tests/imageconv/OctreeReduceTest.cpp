// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Octree palettes and palette reduction, against pages whose palettes and
// indices are worked out by hand.
#include <gtest/gtest.h>
#include <random>
#include <set>

#include "PageSupport.h"
#include "imageconv/PageOps.h"
#include "imageconv/ops/NearestColour.h"

using namespace imageconv;
using testsupport::Page24;
using testsupport::Quad;
using testsupport::Rgb;

namespace {

// A one-row page holding the given colours left to right.
Dib Row(const std::vector<Rgb> &colours) {
    return Page24(int(colours.size()), 1, [&](int x, int) { return colours[size_t(x)]; });
}

} // namespace

TEST(Octree, PaletteIsDepthFirstByChildIndex) {
    // Level-0 child index = (red bit 7, green bit 7, blue bit 7): red 4, green
    // 2, blue 1, the dark colour 0. Depth-first order lists them 0, 1, 2, 4.
    Dib page = Row({{255, 0, 0}, {0, 255, 0}, {255, 0, 0}, {0, 0, 255}, {10, 20, 30}});
    std::vector<RgbQuad> pal = BuildOctreePalette(page, 16, 8);
    ASSERT_EQ(pal.size(), 4u);
    EXPECT_EQ(pal[0], Quad(10, 20, 30));
    EXPECT_EQ(pal[1], Quad(0, 0, 255));
    EXPECT_EQ(pal[2], Quad(0, 255, 0));
    EXPECT_EQ(pal[3], Quad(255, 0, 0));
}

TEST(Octree, NewestNodeOfTheLevelIsFoldedFirst) {
    // Depth 2, at most 3 colours. Pixels: (0,0,0) and (64,0,0) share level-1
    // node A (index 0); (255,255,255) creates node B (index 7) after A;
    // (128,128,128) adds a fourth leaf under B. B, the newest node of level
    // 1, is folded: (128 + 255) / 2 = 191. A keeps both of its leaves.
    Dib page = Row({{0, 0, 0}, {64, 0, 0}, {255, 255, 255}, {128, 128, 128}});
    std::vector<RgbQuad> pal = BuildOctreePalette(page, 3, 2);
    ASSERT_EQ(pal.size(), 3u);
    EXPECT_EQ(pal[0], Quad(0, 0, 0));
    EXPECT_EQ(pal[1], Quad(64, 0, 0));
    EXPECT_EQ(pal[2], Quad(191, 191, 191));
}

TEST(Octree, DeepestLevelIsFoldedBeforeShallowerOnesWithTruncatedMeans) {
    // Depth 3, at most 2 colours. (0,0,0) and (33,1,0) differ first in bit 5
    // (a level-2 choice); white comes last. Three leaves: level 2 is reduced
    // first, newest first: white's level-2 node (one child, no gain), then the
    // node holding the first two, whose mean (16.5, 0.5, 0) truncates to (16, 0, 0).
    Dib page = Row({{0, 0, 0}, {33, 1, 0}, {255, 255, 255}});
    std::vector<RgbQuad> pal = BuildOctreePalette(page, 2, 3);
    ASSERT_EQ(pal.size(), 2u);
    EXPECT_EQ(pal[0], Quad(16, 0, 0));
    EXPECT_EQ(pal[1], Quad(255, 255, 255));
}

TEST(Octree, RootIsFoldedLastIntoOneColour) {
    // Depth 2, at most 2 colours. Level-1 nodes A (index 0) and B (index 7)
    // are folded as the third leaf appears; a fifth pixel, (128,0,0), makes a
    // third level-1 node C, which folds without gain, so the root absorbs
    // everything: sums (702, 510, 510) over 5 pixels.
    Dib page = Row({{0, 0, 0}, {255, 255, 255}, {64, 0, 0}, {255, 255, 255}, {128, 0, 0}});
    std::vector<RgbQuad> pal = BuildOctreePalette(page, 2, 2);
    ASSERT_EQ(pal.size(), 1u);
    EXPECT_EQ(pal[0], Quad(140, 102, 102));
}

TEST(Octree, MeansArePixelWeighted) {
    // Depth 2, one colour: three black pixels and (202,101,7) end in the
    // root: (202 / 4, 101 / 4, 7 / 4) = (50, 25, 1).
    Dib page = Row({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {202, 101, 7}});
    std::vector<RgbQuad> pal = BuildOctreePalette(page, 1, 2);
    ASSERT_EQ(pal.size(), 1u);
    EXPECT_EQ(pal[0], Quad(50, 25, 1));
    // Depth 7: a leaf holding only odd greys keeps the odd value.
    Dib odd = Row({{11, 11, 11}, {11, 11, 11}});
    ASSERT_EQ(BuildOctreePalette(odd, 256, 7).size(), 1u);
    EXPECT_EQ(BuildOctreePalette(odd, 256, 7)[0], Quad(11, 11, 11));
}

TEST(Octree, BottomRowIsWalkedFirst) {
    // Two rows: the bottom row's colours create the older nodes. Depth 2, at
    // most 3 colours: the top row's node (created last) is the one folded.
    Dib page = Page24(2, 2, [](int x, int y) {
        return y == 0 ? Rgb{uint8_t(x ? 64 : 0), 0, 0} : Rgb{uint8_t(x ? 255 : 128), 128, 128};
    });
    // bottom: (0,0,0), (64,0,0) under node 0; top: (128,128,128), (255,128,128)
    // under node 7 (red bit 6 differs) -> node 7 folds to (191, 128, 128).
    std::vector<RgbQuad> pal = BuildOctreePalette(page, 3, 2);
    ASSERT_EQ(pal.size(), 3u);
    EXPECT_EQ(pal[0], Quad(0, 0, 0));
    EXPECT_EQ(pal[1], Quad(64, 0, 0));
    EXPECT_EQ(pal[2], Quad(191, 128, 128));
}

TEST(ReduceColors, BlackAndWhiteSplitsMidGrey) {
    Dib page = Row({{0, 0, 0},
                    {255, 255, 255},
                    {128, 128, 128},
                    {127, 127, 127},
                    {200, 10, 10},
                    {90, 200, 200}});
    ASSERT_TRUE(ReduceColors(page, 1));
    EXPECT_EQ(page.bpp, 1);
    ASSERT_EQ(page.palette.size(), 2u);
    EXPECT_EQ(page.palette[0], Quad(0, 0, 0));
    EXPECT_EQ(page.palette[1], Quad(255, 255, 255));
    EXPECT_EQ(page.colorsUsed, 2);
    EXPECT_EQ(page.colorsImportant, 2);
    const int expected[] = {0, 1, 1, 0, 0, 1};
    // (200,10,10): 40000+100+100 to black, 3025+60025+60025 to white -> black.
    // (90,200,200): 8100+80000 to black, 27225+3025+3025 to white -> white.
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(testsupport::IndexAt(page, x, 0), expected[x]) << x;
}

TEST(ReduceColors, BlackAndWhitePageKeepsEveryPixel) {
    Dib page = Page24(13, 5, [](int x, int y) {
        return (x * 7 + y * 3) % 5 < 2 ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
    });
    Dib before = page;
    ASSERT_TRUE(ReduceColors(page, 1));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 13; ++x)
            EXPECT_EQ(testsupport::IndexAt(page, x, y),
                      testsupport::At24(before, x, y).r == 255 ? 1 : 0);
}

TEST(ReduceColors, SixteenColoursFillUnusedEntriesWithACopyThatNeverWins) {
    Dib page = Row({{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}, {0, 0, 255}});
    ASSERT_TRUE(ReduceColors(page, 4));
    EXPECT_EQ(page.bpp, 4);
    ASSERT_EQ(page.palette.size(), 16u);
    EXPECT_EQ(page.colorsUsed, 16);
    EXPECT_EQ(page.colorsImportant, 16);
    EXPECT_EQ(page.palette[0], Quad(10, 20, 30));
    EXPECT_EQ(page.palette[1], Quad(0, 0, 255));
    EXPECT_EQ(page.palette[2], Quad(0, 255, 0));
    EXPECT_EQ(page.palette[3], Quad(255, 0, 0));
    for (size_t i = 4; i < 16; ++i)
        EXPECT_EQ(page.palette[i], page.palette[0]) << i;
    const int expected[] = {3, 2, 1, 0, 1};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(testsupport::IndexAt(page, x, 0), expected[x]);
}

TEST(ReduceColors, SeventeenColoursFoldToSixteen) {
    // 17 greys 0, 16, ..., 240 and 255 at depth 8. 255 follows 240's path
    // down to level 4 and branches there. Every node of levels 7, 6 and 5 has
    // one child, so folding them gains nothing; then the newest level-4 node,
    // the one holding 240 and 255, merges them into (495 / 2) = 247.
    std::vector<Rgb> colours;
    for (int g = 0; g <= 240; g += 16)
        colours.push_back({uint8_t(g), uint8_t(g), uint8_t(g)});
    colours.push_back({255, 255, 255});
    Dib page = Row(colours);
    ASSERT_TRUE(ReduceColors(page, 4));
    for (int k = 0; k < 15; ++k)
        EXPECT_EQ(page.palette[size_t(k)], Quad(uint8_t(16 * k), uint8_t(16 * k), uint8_t(16 * k)));
    EXPECT_EQ(page.palette[15], Quad(247, 247, 247));
    EXPECT_EQ(testsupport::IndexAt(page, 15, 0), 15);
    EXPECT_EQ(testsupport::IndexAt(page, 16, 0), 15);
}

TEST(ReduceColors, TwoHundredFiftySixGreyColoursBecome128) {
    // A colour page that happens to be grey goes through the octree: the
    // depth-7 tree ignores bit 0, so greys 2k and 2k+1 share leaf k, whose
    // entry is their mean, (4k + 1) / 2 truncated to 2k.
    std::vector<Rgb> colours;
    for (int g = 0; g < 256; ++g)
        colours.push_back({uint8_t(g), uint8_t(g), uint8_t(g)});
    Dib page = Row(colours);
    ASSERT_TRUE(ReduceColors(page, 8));
    EXPECT_EQ(page.bpp, 8);
    ASSERT_EQ(page.palette.size(), 256u);
    for (int k = 0; k < 128; ++k)
        EXPECT_EQ(page.palette[size_t(k)], Quad(uint8_t(2 * k), uint8_t(2 * k), uint8_t(2 * k)))
            << k;
    for (int k = 128; k < 256; ++k)
        EXPECT_EQ(page.palette[size_t(k)], page.palette[0]);
    // Grey g lands on entry g / 2: exact for even g, a tie with the entry
    // above for odd g, which the lower index wins.
    for (int g = 0; g < 256; ++g)
        EXPECT_EQ(testsupport::IndexAt(page, g, 0), g / 2) << g;
    std::set<int> distinct;
    for (int x = 0; x < page.width; ++x)
        distinct.insert(page.palette[size_t(testsupport::IndexAt(page, x, 0))].red);
    EXPECT_EQ(distinct.size(), 128u);
}

TEST(ReduceToPalette, NearestRuleTiesImportantCountAndExactMatch) {
    const std::vector<RgbQuad> pal{Quad(0, 0, 0), Quad(10, 0, 0), Quad(10, 0, 0), Quad(5, 0, 0)};
    // (5,0,0): entries 0 and 1 tie at 25 within the first 3; entry 3 is not
    // searched. (10,0,0) matches 1 and 2 exactly; the first wins.
    Dib page = Row({{5, 0, 0}, {10, 0, 0}, {6, 0, 0}, {4, 0, 0}});
    Dib all = page;
    ASSERT_TRUE(ReduceToPalette(page, 8, pal, 3));
    EXPECT_EQ(testsupport::IndexAt(page, 0, 0), 0);
    EXPECT_EQ(testsupport::IndexAt(page, 1, 0), 1);
    EXPECT_EQ(testsupport::IndexAt(page, 2, 0), 1);
    EXPECT_EQ(testsupport::IndexAt(page, 3, 0), 0);
    EXPECT_EQ(page.colorsImportant, 3);
    EXPECT_EQ(page.colorsUsed, 4);
    // With every entry important, entry 3 is an exact match for (5,0,0).
    ASSERT_TRUE(ReduceToPalette(all, 8, pal, 0));
    EXPECT_EQ(testsupport::IndexAt(all, 0, 0), 3);
    EXPECT_EQ(testsupport::IndexAt(all, 2, 0), 3);
    EXPECT_EQ(testsupport::IndexAt(all, 3, 0), 3);
}

TEST(ReduceToPalette, PalettedPageIsRemappedThroughItsColours) {
    Dib page = Row({{250, 250, 250}, {3, 3, 3}, {250, 250, 250}});
    ASSERT_TRUE(ReduceColors(page, 4)); // 2 colours, 4 bits
    ASSERT_TRUE(ReduceColors(page, 1)); // then black and white
    EXPECT_EQ(page.bpp, 1);
    EXPECT_EQ(testsupport::IndexAt(page, 0, 0), 1);
    EXPECT_EQ(testsupport::IndexAt(page, 1, 0), 0);
    EXPECT_EQ(testsupport::IndexAt(page, 2, 0), 1);
}

TEST(NearestColour, CachedAnswersEqualTheLinearRule) {
    std::mt19937 rng(12345);
    for (int trial = 0; trial < 20; ++trial) {
        std::vector<RgbQuad> pal(size_t(1 + rng() % 256));
        // Even trials: few distinct values, so ties and duplicates occur.
        for (auto &q : pal)
            q = trial % 2 == 0 ? Quad(uint8_t(rng() % 4 * 85), uint8_t(rng() % 4 * 85),
                                      uint8_t(rng() % 4 * 85))
                               : Quad(uint8_t(rng()), uint8_t(rng()), uint8_t(rng()));
        const int important = int(rng() % (pal.size() + 1));
        NearestColour nearest(pal, important);
        const size_t n = important == 0 ? pal.size() : size_t(important);
        for (int i = 0; i < 3000; ++i) {
            // Runs of nearby colours as well as scattered ones.
            const uint8_t r = uint8_t(rng()), g = uint8_t(rng()),
                          b = uint8_t(i % 3 ? rng() % 8 : rng());
            int best = 0, bestD = INT32_MAX;
            for (size_t k = 0; k < n; ++k) {
                int d = (r - pal[k].red) * (r - pal[k].red) +
                        (g - pal[k].green) * (g - pal[k].green) +
                        (b - pal[k].blue) * (b - pal[k].blue);
                if (d < bestD) {
                    bestD = d;
                    best = int(k);
                }
            }
            ASSERT_EQ(nearest.Find(r, g, b), best);
            ASSERT_EQ(nearest.Find(r, g, b), best); // again, from the cache
        }
    }
}
