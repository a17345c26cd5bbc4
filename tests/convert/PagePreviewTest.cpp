// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// A page's preview against what the interpreter and a run make of it.
#include "convert/PagePreview.h"
#include "ReadBack.h"
#include "RunFixture.h"
#include "convert/EngineArgs.h"
#include "convert/RunEngine.h"
#include "imageconv/ImageConverter.h"
#include "imageconv/PageOps.h"
#include "settings/SettingsKeys.h"

using namespace testsupport;

namespace {

// The page file as the preview's pixels should be: rows from the top, RGB.
std::vector<unsigned char> PixelsOf(const std::string &bmp, int *width, int *height) {
    imageconv::Dib dib;
    EXPECT_TRUE(imageconv::ReadBmp(bmp, dib)) << bmp;
    *width = dib.width;
    *height = dib.height;
    std::vector<unsigned char> rgb;
    for (int y = dib.height - 1; y >= 0; --y)
        for (int x = 0; x < dib.width; ++x) {
            const imageconv::RgbQuad c = imageconv::PixelColour(dib, x, y);
            rgb.insert(rgb.end(), {c.red, c.green, c.blue});
        }
    return rgb;
}

class PagePreview : public RunFixture {
protected:
    std::string Tmp() { return dir.File("tmp/"); }
};

} // namespace

// Page 2 of 3 is the interpreter's own page 2 of a full rendering, pixel for
// pixel; past the last page there is none, and nothing is left behind.
TEST_F(PagePreview, APageIsTheInterpretersRenderingOfThatPage) {
    const std::string input = Input("three.ps", {.pages = 3});
    s.img.nXDpi = s.img.nYDpi = 40;
    const std::string whole = dir.File("whole/");
    CreateFolder(whole);
    ASSERT_TRUE(RunEngine(Engine(), RenderArguments(whole, s.img, IC_FORMAT_PNG, input)));

    {
        PreviewPage page = RenderPreviewPage(Engine(), Tmp(), input, 2, s.img, IC_FORMAT_PNG);
        ASSERT_EQ(page.reason, "");
        std::string reason;
        const PreviewBitmap shown = PreviewPixels(page, &reason);
        EXPECT_EQ(reason, "");
        int width = 0, height = 0;
        EXPECT_EQ(shown.rgb, PixelsOf(whole + "p_002.bmp", &width, &height));
        EXPECT_EQ(shown.width, width);
        EXPECT_EQ(shown.height, height);
        EXPECT_NE(shown.rgb, PixelsOf(whole + "p_001.bmp", &width, &height));

        const PreviewPage past = RenderPreviewPage(Engine(), Tmp(), input, 4, s.img, IC_FORMAT_PNG);
        EXPECT_TRUE(past.pastEnd);
        EXPECT_EQ(past.reason, "");
    }
    EXPECT_TRUE(ListNames(Tmp()).empty());
}

// With 16 greys, a quarter turn and a new size, the preview is the PNG a
// run writes for the same page.
TEST_F(PagePreview, AsWrittenIsWhatTheRunWrites) {
    const std::string input = Input("one.ps");
    s.m_nOutputKind = static_cast<int>(OutputKind::Image);
    s.m_nFormat = FormatIndex(".png");
    s.img.nXDpi = s.img.nYDpi = 50;
    s.img.szPngColor = kColourValues[4];
    s.img.nAngle = 90;
    s.img.bResize = 1;
    s.img.nWidth = 301;
    s.img.nHeight = 203;
    Convert({input});
    ASSERT_EQ(view.Status(0), "Succeed") << view.Reason(0);
    const readback::RgbImage written = readback::ReadPngRgb(Out("one.png"));
    ASSERT_FALSE(written.rgb.empty());

    const PreviewPage page = RenderPreviewPage(Engine(), Tmp(), input, 1, s.img, IC_FORMAT_PNG);
    const WrittenPreview preview = PreviewAsWritten(page, s.img, IC_FORMAT_PNG);
    ASSERT_EQ(preview.reason, "");
    EXPECT_EQ(preview.bitmap.width, 301);
    EXPECT_EQ(preview.bitmap.height, 203);
    EXPECT_EQ(preview.bitmap.width, written.width);
    EXPECT_EQ(preview.bitmap.height, written.height);
    EXPECT_TRUE(preview.bitmap.rgb == written.rgb);
    EXPECT_EQ(preview.fileBytes, static_cast<long long>(ReadFile(Out("one.png")).size()));
}

// A file the run fails on gives the run's reason, in both views.
TEST_F(PagePreview, AFailingFileGivesTheRunsReason) {
    s.m_nOutputKind = static_cast<int>(OutputKind::Image);
    const std::string broken = Input("bad.ps", {.broken = true});
    const std::string missing = dir.File("in/missing.ps");
    Convert({broken, missing});
    ASSERT_EQ(view.Status(0), "Failed");
    ASSERT_EQ(view.Status(1), "Failed");
    const std::string inputs[] = {broken, missing};
    for (int row = 0; row < 2; ++row) {
        SCOPED_TRACE(inputs[row]);
        const PreviewPage page =
            RenderPreviewPage(Engine(), Tmp(), inputs[row], 1, s.img, IC_FORMAT_JPEG);
        EXPECT_EQ(page.reason, view.Reason(row));
        EXPECT_EQ(PreviewAsWritten(page, s.img, IC_FORMAT_JPEG).reason, view.Reason(row));
    }
}
