// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Grey conversion, resolution, rotation and resize on small asymmetric pages.
#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "PageSupport.h"
#include "imageconv/PageOps.h"

using namespace imageconv;
using testsupport::At24;
using testsupport::IndexAt;
using testsupport::Page24;
using testsupport::Rgb;

namespace {

// Every pixel a different colour: red = x, green = y, blue marks the page.
Rgb Coord(int x, int y) {
    return Rgb{uint8_t(x), uint8_t(y), 77};
}

// A paletted page of the given depth whose index pattern is asymmetric.
Dib Paletted(int w, int h, int depth) {
    Dib d;
    d.Allocate(w, h, depth);
    const int n = 1 << depth;
    for (int i = 0; i < n; ++i)
        d.palette.push_back(RgbQuad{uint8_t(i), uint8_t(255 - i), uint8_t(i * 3), 0});
    d.colorsUsed = n;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            Dib::SetIndex(d.Row(y), x, depth, (x * 3 + y * 5 + x * y) % n);
    return d;
}

bool SamePixels(const Dib &a, const Dib &b) {
    if (a.width != b.width || a.height != b.height || a.bpp != b.bpp)
        return false;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (!(PixelColour(a, x, y) == PixelColour(b, x, y)))
                return false;
    return true;
}

} // namespace

TEST(Grey, WeightedSumShiftedByTen) {
    const std::pair<Rgb, int> cases[] = {
        {{255, 0, 0}, 76}, {{0, 255, 0}, 149},     {{0, 0, 255}, 29}, {{255, 255, 255}, 255},
        {{0, 0, 0}, 0},    {{100, 150, 200}, 140}, {{1, 1, 1}, 1},    {{3, 2, 1}, 2},
    };
    Dib page = Page24(8, 2, [&](int x, int) { return cases[x].first; });
    page.xDpi = 300;
    ASSERT_TRUE(ConvertToGrey(page));
    EXPECT_EQ(page.bpp, 8);
    ASSERT_EQ(page.palette.size(), 256u);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(page.palette[size_t(i)], (RgbQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0}));
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(IndexAt(page, x, 0), cases[x].second) << x;
        EXPECT_EQ(IndexAt(page, x, 1), cases[x].second) << x;
    }
    EXPECT_EQ(page.xDpi, 300);
}

TEST(Grey, PalettedPageUsesItsPaletteColours) {
    Dib page = Paletted(5, 3, 4);
    Dib before = page;
    ASSERT_TRUE(ConvertToGrey(page));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            RgbQuad c = PixelColour(before, x, y);
            EXPECT_EQ(IndexAt(page, x, y), (306 * c.red + 601 * c.green + 117 * c.blue) >> 10);
        }
}

TEST(Resolution, DotsPerInchToPixelsPerMetre) {
    EXPECT_EQ(PelsPerMeter(300), 11811);
    EXPECT_EQ(PelsPerMeter(72), 2835);
    EXPECT_EQ(PelsPerMeter(150), 5906);
    EXPECT_EQ(PelsPerMeter(600), 23622);
    EXPECT_EQ(PelsPerMeter(96), 3780);
    Dib page = Page24(2, 2, Coord);
    SetResolution(page, 300, 72);
    EXPECT_EQ(page.xDpi, 300);
    EXPECT_EQ(page.yDpi, 72);
    EXPECT_EQ(page.xPelsPerMeter, 11811);
    EXPECT_EQ(page.yPelsPerMeter, 2835);
}

TEST(Resolution, EveryStepThatBuildsANewPageKeepsIt) {
    // Pixels per metre that do not match the dots per inch: they are carried
    // over as they are, not worked out again.
    auto stamp = [](Dib d) {
        d.xDpi = 300;
        d.yDpi = 72;
        d.xPelsPerMeter = 1234;
        d.yPelsPerMeter = 5678;
        return d;
    };
    const std::pair<const char *, std::function<Status(Dib &)>> steps[] = {
        {"grey", ConvertToGrey},
        {"reduce 8", [](Dib &d) { return ReduceColors(d, 8); }},
        {"reduce 4", [](Dib &d) { return ReduceColors(d, 4); }},
        {"reduce 1", [](Dib &d) { return ReduceColors(d, 1); }},
        {"quarter turn", RotateQuarterClockwise},
        {"free turn", [](Dib &d) { return RotateFree(d, 30.0); }},
        {"resize", [](Dib &d) { return ResizeNearest(d, 5, 4); }},
    };
    for (const auto &[name, step] : steps) {
        SCOPED_TRACE(name);
        Dib page = stamp(Page24(7, 3, Coord));
        ASSERT_TRUE(step(page));
        EXPECT_EQ(page.xDpi, 300);
        EXPECT_EQ(page.yDpi, 72);
        EXPECT_EQ(page.xPelsPerMeter, 1234);
        EXPECT_EQ(page.yPelsPerMeter, 5678);
    }
    Dib paletted = stamp(Paletted(7, 3, 4));
    ASSERT_TRUE(ExpandToTrueColour(paletted));
    EXPECT_EQ(paletted.bpp, 24);
    EXPECT_EQ(paletted.xDpi, 300);
    EXPECT_EQ(paletted.yDpi, 72);
    EXPECT_EQ(paletted.xPelsPerMeter, 1234);
    EXPECT_EQ(paletted.yPelsPerMeter, 5678);
}

TEST(RotateExact, QuarterTurnClockwiseMovesTopLeftToTopRight) {
    // 3 x 2, rows from the bottom. Clockwise, the new page is 2 x 3 and
    // new(X, Y) = old(W - 1 - Y, X).
    Dib page = Page24(3, 2, Coord);
    ASSERT_TRUE(RotatePage(page, 90));
    ASSERT_EQ(page.width, 2);
    ASSERT_EQ(page.height, 3);
    EXPECT_EQ(At24(page, 1, 2), Coord(0, 1)); // old top-left -> new top-right
    EXPECT_EQ(At24(page, 0, 2), Coord(0, 0)); // old bottom-left -> new top-left
    EXPECT_EQ(At24(page, 1, 0), Coord(2, 1)); // old top-right -> new bottom-right
    EXPECT_EQ(At24(page, 0, 0), Coord(2, 0));
    EXPECT_EQ(At24(page, 0, 1), Coord(1, 0));
    EXPECT_EQ(At24(page, 1, 1), Coord(1, 1));
}

TEST(RotateExact, HalfAndCounterClockwiseTurns) {
    Dib half = Page24(3, 2, Coord);
    ASSERT_TRUE(RotatePage(half, 180));
    ASSERT_EQ(half.width, 3);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(At24(half, x, y), Coord(2 - x, 1 - y));
    Dib ccw = Page24(3, 2, Coord);
    ASSERT_TRUE(RotatePage(ccw, 270));
    ASSERT_EQ(ccw.width, 2);
    ASSERT_EQ(ccw.height, 3);
    EXPECT_EQ(At24(ccw, 0, 0), Coord(0, 1)); // old top-left -> new bottom-left
    EXPECT_EQ(At24(ccw, 1, 2), Coord(2, 0)); // old bottom-right -> new top-right
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(At24(ccw, x, y), Coord(y, 1 - x));
}

TEST(RotateExact, EveryDepthKeepsPaletteAndPixels) {
    for (int depth : {1, 4, 8}) {
        SCOPED_TRACE(depth);
        const Dib original = Paletted(13, 7, depth); // odd sizes cross byte boundaries
        Dib cw = original;
        ASSERT_TRUE(RotatePage(cw, 90));
        EXPECT_EQ(cw.bpp, depth);
        EXPECT_EQ(cw.palette, original.palette);
        ASSERT_EQ(cw.width, 7);
        ASSERT_EQ(cw.height, 13);
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(IndexAt(cw, x, y), IndexAt(original, 12 - y, x));
        Dib back = cw;
        ASSERT_TRUE(RotatePage(back, 270));
        EXPECT_TRUE(SamePixels(back, original));
        Dib twice = original;
        ASSERT_TRUE(RotatePage(twice, 180));
        Dib cw2 = cw;
        ASSERT_TRUE(RotatePage(cw2, 90));
        EXPECT_TRUE(SamePixels(twice, cw2));
        // Bits beyond the last pixel of a packed row stay clear.
        if (depth < 8) {
            for (int y = 0; y < cw.height; ++y)
                for (int x = cw.width; x < int(cw.stride * 8 / size_t(depth)); ++x)
                    ASSERT_EQ(Dib::IndexAt(cw.Row(y), x, depth), 0);
        }
    }
}

TEST(RotateFree, FortyFiveDegreesOnAHundredSquare) {
    const Rgb corner{1, 2, 250};
    Dib page =
        Page24(100, 100, [&](int x, int y) { return x == 0 && y == 0 ? corner : Coord(x, y); });
    ASSERT_TRUE(RotatePage(page, 45));
    ASSERT_EQ(page.width, 141);
    ASSERT_EQ(page.height, 141);
    EXPECT_EQ(At24(page, 0, 0), corner);
    EXPECT_EQ(At24(page, 140, 0), corner);
    EXPECT_EQ(At24(page, 0, 140), corner);
    EXPECT_EQ(At24(page, 140, 140), corner);
    // The centre: x = 70, y = 70 - 70 = 0 reads source
    // (trunc(70 cos 45 + 0.5), trunc(70 sin 45 + 0.5)) = (trunc(49.997), trunc(49.997)).
    EXPECT_EQ(At24(page, 70, 70), Coord(49, 49));
    // Source top-left (0, 99) turns to the top: x = 70, y = 70 reads (0, 99).
    EXPECT_EQ(At24(page, 70, 140), Coord(0, 99));
}

TEST(RotateFree, SizeIsTheRoundedExtentOfTheTurnedCorners) {
    // 10 x 20 turned 30 degrees: x from 0 to 18.66, y from -5 to 17.32.
    Dib page = Page24(10, 20, Coord);
    ASSERT_TRUE(RotatePage(page, 30));
    EXPECT_EQ(page.width, 19);
    EXPECT_EQ(page.height, 22);
    EXPECT_EQ(page.bpp, 24);
}

TEST(RotateFree, PalettedPagesKeepDepthAndFillWithTheBottomLeftIndex) {
    Dib page = Paletted(9, 5, 4);
    const int corner = IndexAt(page, 0, 0);
    ASSERT_TRUE(RotatePage(page, 45));
    EXPECT_EQ(page.bpp, 4);
    EXPECT_EQ(page.palette.size(), 16u);
    EXPECT_EQ(IndexAt(page, 0, 0), corner);
    EXPECT_EQ(IndexAt(page, page.width - 1, page.height - 1), corner);
}

TEST(RotateFree, ThreeSixtyAndFourFiftyTakeTheFreePath) {
    for (int angle : {360, 450, 720}) {
        SCOPED_TRACE(angle);
        Dib viaPage = Page24(7, 4, Coord);
        Dib viaFree = viaPage;
        ASSERT_TRUE(RotatePage(viaPage, angle));
        ASSERT_TRUE(RotateFree(viaFree, angle));
        EXPECT_TRUE(SamePixels(viaPage, viaFree));
    }
    Dib full = Page24(7, 4, Coord);
    ASSERT_TRUE(RotatePage(full, 360));
    EXPECT_EQ(full.width, 7);
    EXPECT_EQ(full.height, 4);
    Dib quarter = Page24(7, 4, Coord);
    ASSERT_TRUE(RotatePage(quarter, 450));
    EXPECT_EQ(quarter.width, 4);
    EXPECT_EQ(quarter.height, 7);
    EXPECT_TRUE(RotatePage(quarter, 0)); // 0 leaves it alone
    EXPECT_EQ(quarter.width, 4);
}

TEST(Resize, NearestNeighbourWithSinglePrecisionScales) {
    // 5 x 3 -> 3 x 2: sx = 5/3, sy = 1.5; columns 0, 1, 3 and rows 0, 1.
    Dib down = Page24(5, 3, Coord);
    ASSERT_TRUE(ResizeNearest(down, 3, 2));
    ASSERT_EQ(down.width, 3);
    ASSERT_EQ(down.height, 2);
    const int cols[] = {0, 1, 3};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(At24(down, x, y), Coord(cols[x], y));
    // 2 x 2 -> 5 x 3: sx = 0.4 gives 0 0 0 1 1, sy = 2/3 gives 0 0 1.
    Dib up = Page24(2, 2, Coord);
    ASSERT_TRUE(ResizeNearest(up, 5, 3));
    const int upCols[] = {0, 0, 0, 1, 1}, upRows[] = {0, 0, 1};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(At24(up, x, y), Coord(upCols[x], upRows[y]));
}

TEST(Resize, PalettedPageKeepsPaletteAndColours) {
    Dib page = Paletted(11, 3, 1);
    Dib before = page;
    ASSERT_TRUE(ResizeNearest(page, 22, 6));
    EXPECT_EQ(page.bpp, 1);
    EXPECT_EQ(page.palette, before.palette);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 22; ++x)
            ASSERT_EQ(IndexAt(page, x, y), IndexAt(before, x / 2, y / 2));
}

TEST(Resize, RotationThenResizeWorksOnTheTurnedPage) {
    Dib page = Page24(40, 30, Coord);
    Dib turned = page;
    ASSERT_TRUE(RotatePage(turned, 90));
    ASSERT_TRUE(RotatePage(page, 90));
    ASSERT_TRUE(ResizeNearest(page, 60, 80));
    ASSERT_EQ(page.width, 60);
    ASSERT_EQ(page.height, 80);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(At24(page, x, y), At24(turned, x / 2, y / 2));
}

TEST(Resize, TooLargeTargetFailsAndKeepsThePage) {
    Dib page = Page24(4, 4, Coord);
    EXPECT_FALSE(ResizeNearest(page, 100000, 100000));
    EXPECT_FALSE(ResizeNearest(page, int64_t(INT32_MAX) + 1, 1));
    EXPECT_FALSE(ResizeNearest(page, 0, 5));
    ASSERT_EQ(page.width, 4);
    EXPECT_EQ(At24(page, 3, 3), Coord(3, 3));
    Dib same = Page24(4, 4, Coord);
    const uint8_t *bits = same.bits.data();
    ASSERT_TRUE(ResizeNearest(same, 4, 4));
    EXPECT_EQ(same.bits.data(), bits); // unchanged size: left as it is
}

TEST(RotateFree, RotatedSizeThatDoesNotFitFails) {
    // A thin strip turned 45 degrees becomes a square of more than 2^31 bytes.
    Dib strip = Page24(40000, 1, Coord);
    EXPECT_FALSE(RotatePage(strip, 45));
    EXPECT_EQ(strip.width, 40000); // the source is left as it was
    EXPECT_EQ(strip.height, 1);
    Dib bits;
    ASSERT_TRUE(bits.Allocate(200000, 1, 1));
    bits.palette = {RgbQuad{}, RgbQuad{255, 255, 255, 0}};
    EXPECT_FALSE(RotatePage(bits, 45));
    EXPECT_EQ(bits.width, 200000);
}
