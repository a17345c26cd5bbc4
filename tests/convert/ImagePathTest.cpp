// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The image path end to end: pages rendered by the interpreter, converted by
// the image converter, read back by independent readers.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

#include "ReadBack.h"
#include "RunFixture.h"
#include "convert/ImageFormat.h"
#include "convert/TempFiles.h"

using testsupport::Exists;
using testsupport::ListNames;

class ImagePath : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        s.m_nOutputKind = 0;
        s.m_nFormat = 0; // JPEG
    }
};

// ---------------------------------------------------------------------------
// Every format: one page gives base.ext, three pages base_001.ext ...

class EveryFormat : public ImagePath, public ::testing::WithParamInterface<int> {};

TEST_P(EveryFormat, OnePageAndThreePages) {
    s.m_nFormat = GetParam();
    ImageFormatChoice f = ImageFormatFromItemText(ImageFormatItemText(GetParam()));
    Convert({Input("one.ps"), Input("three.ps", {.pages = 3})});
    EXPECT_EQ(view.Status(0), "Succeed");
    EXPECT_EQ(view.Status(1), "Succeed");
    std::vector<std::string> expected = {"one" + f.ext, "three_001" + f.ext, "three_002" + f.ext,
                                         "three_003" + f.ext};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ListNames(dir.File("out/")), expected);
    for (const std::string &name : expected)
        EXPECT_TRUE(readback::HasImageSignature(Out(name), f.code)) << name;

    // Pages rendered at 72 dpi from US Letter: 612 x 792 pixels.
    readback::ImageFacts facts;
    if (f.code == 4)
        facts = readback::ReadJpeg(Out("one.jpg"));
    else if (f.code == 5)
        facts = readback::ReadPng(Out("one.png"));
    else if (f.code == 6)
        facts = readback::ReadGif(Out("one.gif"));
    else if (f.code == 7)
        facts = readback::ReadTiff(Out("one.tif"));
    else
        return;
    ASSERT_TRUE(facts.ok);
    EXPECT_EQ(facts.width, 612);
    EXPECT_EQ(facts.height, 792);
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryFormat,
                         ::testing::Range(0, static_cast<int>(kImageFormats.size())));

// ---------------------------------------------------------------------------

TEST_F(ImagePath, RowProtocolWithProgressBeforeTheWork) {
    Convert({Input("a.ps"), Input("b.ps", {.pages = 2})});
    std::vector<std::string> ev = view.Events();
    EXPECT_EQ(
        std::vector<std::string>(ev.begin(), ev.begin() + 8),
        (std::vector<std::string>{"selected Selected: 1", "select 0", "progress 50",
                                  "status 0 Converting.", "status 0 Converting..",
                                  "status 0 Converting...", "status 0 Succeed", "finished 0"}));
    EXPECT_EQ(ev.back(), "select 0");
}

TEST_F(ImagePath, ResolutionComesFromTheSettings) {
    s.img.nXDpi = 144;
    s.img.nYDpi = 144;
    Convert({Input("hi.ps")});
    readback::ImageFacts f = readback::ReadJpeg(Out("hi.jpg"));
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.width, 1224);
    EXPECT_EQ(f.height, 1584);
}

TEST_F(ImagePath, MultiPageTiffHoldsThePagesInOrder) {
    s.m_nFormat = 1;
    s.img.bTifMultipage = 1;
    s.img.nTifCompression = 1; // LZW
    Convert({Input("report.ps", {.pages = 3, .widthStep = 50}), Input("single.ps")});
    EXPECT_EQ(ListNames(dir.File("out/")), (std::vector<std::string>{"report.tif", "single.tif"}));
    readback::ImageFacts f = readback::ReadTiff(Out("report.tif"));
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.pages, 3);
    EXPECT_EQ(f.pageWidths, (std::vector<int>{250, 300, 350}));
    EXPECT_EQ(readback::ReadTiff(Out("single.tif")).pages, 1);
}

TEST_F(ImagePath, TiffWithoutMultiPageIsOneFilePerPage) {
    s.m_nFormat = 1;
    s.img.bTifMultipage = 0;
    Convert({Input("r.ps", {.pages = 2})});
    EXPECT_EQ(ListNames(dir.File("out/")), (std::vector<std::string>{"r_001.tif", "r_002.tif"}));
}

TEST_F(ImagePath, AFolderPerInputFile) {
    s.img.bFolderPerFile = 1;
    Convert({Input("report.ps", {.pages = 2}), Input("memo.ps")});
    EXPECT_EQ(ListNames(dir.File("out/")), (std::vector<std::string>{"memo", "report"}));
    EXPECT_EQ(ListNames(dir.File("out/report/")),
              (std::vector<std::string>{"report_001.jpg", "report_002.jpg"}));
    EXPECT_EQ(ListNames(dir.File("out/memo/")), std::vector<std::string>{"memo.jpg"});
}

TEST_F(ImagePath, NumberedNamesWhenOutputsExist) {
    testsupport::CreateFolder(dir.File("out/"));
    testsupport::WriteFile(Out("a.jpg"), "old");
    testsupport::WriteFile(Out("report_002.jpg"), "old");
    s.m_bNewIfExists = 1;
    std::string a = Input("a.ps");
    Convert({a, a, Input("report.ps", {.pages = 3})});
    EXPECT_EQ(ListNames(dir.File("out/")),
              (std::vector<std::string>{"a-01.jpg", "a-02.jpg", "a.jpg", "report_001.jpg",
                                        "report_002-01.jpg", "report_002.jpg", "report_003.jpg"}));
    EXPECT_EQ(testsupport::ReadFile(Out("report_002.jpg")), "old");
    EXPECT_TRUE(readback::ReadJpeg(Out("report_002-01.jpg")).ok);
}

TEST_F(ImagePath, ModeZeroWritesBesideTheSource) {
    s.m_nOutputMode = 0;
    Convert({Input("100% a b.ps", {.pages = 2})});
    EXPECT_EQ(view.Status(0), "Succeed");
    EXPECT_TRUE(readback::ReadJpeg(dir.File("in/100% a b_001.jpg")).ok);
    EXPECT_TRUE(readback::ReadJpeg(dir.File("in/100% a b_002.jpg")).ok);
}

// The broken file stops the interpreter before its page is shown: no page
// file, so the row fails.
TEST_F(ImagePath, BrokenInputFailsAndTheRunGoesOn) {
    Convert({Input("bad.ps", {.broken = true}), Input("good.ps")});
    EXPECT_EQ(view.Status(0), "Failed");
    EXPECT_EQ(view.Status(1), "Succeed");
    EXPECT_EQ(ListNames(dir.File("out/")), std::vector<std::string>{"good.jpg"});
}

// An interpreter error on page 3 of 5: the two pages that exist were
// converted, but the row is not a success, so none of them is published.
TEST_F(ImagePath, AnEngineErrorAfterTwoPagesFailsTheRowAndPublishesNothing) {
    std::string late = dir.File("in/late.ps");
    std::string page = "/Helvetica findfont 24 scalefont setfont 72 700 moveto (shown) show "
                       "showpage\n";
    testsupport::WriteFile(late,
                           "%!PS\n" + page + page + "this_is_not_an_operator\n" + page + page);
    Convert({late});
    EXPECT_EQ(view.Status(0), "Failed");
    EXPECT_EQ(view.Reason(0), "interpreter error: /undefined in this_is_not_an_operator");
    EXPECT_TRUE(ListNames(dir.File("out/")).empty());
}

TEST_F(ImagePath, AnOutputThatCannotBeWrittenIsFailed) {
    testsupport::CreateFolder(Out("blocked.jpg/"));
    Convert({Input("blocked.ps")});
    EXPECT_EQ(view.Status(0), "Failed");
}

TEST_F(ImagePath, NameTooLongForThePlatformFailsWithoutCutting) {
    Convert({Input(std::string(250, 'n') + ".ps"), Input("ok.ps")});
    EXPECT_EQ(view.Status(0), "Failed");
    EXPECT_EQ(view.Status(1), "Succeed");
    EXPECT_EQ(ListNames(dir.File("out/")), std::vector<std::string>{"ok.jpg"});
}

// ---------------------------------------------------------------------------
// Smoothing, read back from lossless PNG: a page of black 14 pt text on white
// at 72 dpi.

namespace {

// The distinct colours of a page.
std::set<unsigned> ColoursOf(const readback::RgbImage &img) {
    std::set<unsigned> colours;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            colours.insert(img.At(x, y));
    return colours;
}

bool AllGrey(const std::set<unsigned> &colours) {
    return std::all_of(colours.begin(), colours.end(), [](unsigned c) {
        return (c >> 16) == ((c >> 8) & 0xFF) && ((c >> 8) & 0xFF) == (c & 0xFF);
    });
}

} // namespace

TEST_F(ImagePath, TextHasGreyEdgesUnlessSmoothingIsOff) {
    s.m_nFormat = 3; // PNG, true colour
    Convert({Input("smooth.ps", {.colour = false})});
    s.img.bAntialias = 0;
    Convert({Input("sharp.ps", {.colour = false})});

    std::set<unsigned> smooth = ColoursOf(readback::ReadPngRgb(Out("smooth.png")));
    EXPECT_GE(smooth.size(), 16u);
    EXPECT_TRUE(AllGrey(smooth));
    EXPECT_EQ(ColoursOf(readback::ReadPngRgb(Out("sharp.png"))),
              (std::set<unsigned>{0x000000, 0xFFFFFF}));
}

// Black and white is rendered without smoothing, whatever the key says: the
// two outputs are the same file.
TEST_F(ImagePath, BlackAndWhiteIsRenderedWithoutSmoothing) {
    s.m_nFormat = 3;
    s.img.szPngColor = "B&W";
    const std::string input = Input("bw.ps", {.colour = false});
    s.m_szOutputDir = dir.File("out/on/");
    Convert({input});
    s.img.bAntialias = 0;
    s.m_szOutputDir = dir.File("out/off/");
    Convert({input});
    EXPECT_EQ(ColoursOf(readback::ReadPngRgb(Out("on/bw.png"))),
              (std::set<unsigned>{0x000000, 0xFFFFFF}));
    EXPECT_EQ(testsupport::ReadFile(Out("on/bw.png")), testsupport::ReadFile(Out("off/bw.png")));
}

// ---------------------------------------------------------------------------

// A 120 x 80 pt figure placed at 100 200 on its page: one image of the box,
// named from the base name, with the box's corner at the image's corner.
TEST_F(ImagePath, AnEpsFigureIsAnImageOfItsBoundingBox) {
    s.m_nFormat = 3;
    s.img.nXDpi = s.img.nYDpi = 150;
    const std::string figure = dir.File("in/figure.eps");
    testsupport::WriteFile(figure, testsupport::EpsFigure(100, 200, 120, 80));
    Convert({figure});
    EXPECT_EQ(view.Status(0), "Succeed");
    ASSERT_EQ(ListNames(dir.File("out/")), std::vector<std::string>{"figure.png"});
    readback::RgbImage img = readback::ReadPngRgb(Out("figure.png"));
    EXPECT_EQ(img.width, 250);
    EXPECT_EQ(img.height, 167);
    ASSERT_FALSE(img.rgb.empty());
    EXPECT_EQ(img.At(2, 2), 0x0000FFu);
    EXPECT_EQ(img.At(247, 2), 0x0000FFu);
}

// ---------------------------------------------------------------------------
// Stops at each test point of the image path.

TEST_F(ImagePath, StopDuringRenderingAbortsAndCleansThePageFolder) {
    view.onEvent = [&](const std::string &e) {
        if (e == "status 0 Converting..")
            run->RequestStop();
    };
    Convert({Input("a.ps", {.pages = 2}), Input("b.ps")});
    EXPECT_EQ(view.Status(0), "Aborted");
    EXPECT_EQ(view.Status(1), "");
    EXPECT_FALSE(Exists(dir.File("out")));
    // TearDown: no page folder left in the temporary folder.
}

TEST_F(ImagePath, StopBeforeTheMultiPageTiffIsBuiltWritesNothing) {
    s.m_nFormat = 1;
    s.img.bTifMultipage = 1;
    view.onEvent = [&](const std::string &e) {
        if (e == "status 0 Converting...")
            run->RequestStop();
    };
    Convert({Input("a.ps", {.pages = 3})});
    EXPECT_EQ(view.Status(0), "Aborted");
    EXPECT_TRUE(ListNames(dir.File("out/")).empty());
}

TEST_F(ImagePath, StopAfterTheLastTestWritesTheOutputAndReadsSucceed) {
    view.onEvent = [&](const std::string &e) {
        if (e == "status 0 Converting...")
            run->RequestStop();
    };
    Convert({Input("one.ps"), Input("next.ps")});
    // The row was complete: its status says so, never "Converting...".
    EXPECT_EQ(view.Status(0), "Succeed");
    EXPECT_TRUE(readback::ReadJpeg(Out("one.jpg")).ok);
    EXPECT_EQ(view.Status(1), "");
}

TEST_F(ImagePath, TwoJobsGiveDistinctNamesAndCleanUp) {
    testsupport::CreateFolder(dir.File("in/a/"));
    testsupport::CreateFolder(dir.File("in/b/"));
    s.m_bNewIfExists = 1;
    run->SetJobs(2);
    Convert({Input("a/x.ps", {.pages = 2}), Input("b/x.ps", {.pages = 2}), Input("y.ps")});
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(view.Status(i), "Succeed");
    std::vector<std::string> out = ListNames(dir.File("out/"));
    EXPECT_EQ(out.size(), 5u);
    for (const std::string &name : out)
        EXPECT_TRUE(readback::ReadJpeg(Out(name)).ok) << name;
}

// ---------------------------------------------------------------------------

TEST(ListPageFiles, PlainFilesOnlyInPageOrder) {
    testsupport::TempFolder dir;
    for (const char *name : {"p_010.bmp", "p_002.bmp", "p_1000.bmp", "p_999.bmp", "p_001.bmp"})
        testsupport::WriteFile(dir.File(name), "x");
    testsupport::CreateFolder(dir.File("sub/"));
    ::symlink("/etc/passwd", dir.File("link.bmp").c_str());
    std::vector<std::string> files = ListPageFiles(dir.Path());
    EXPECT_EQ(files, (std::vector<std::string>{dir.File("p_001.bmp"), dir.File("p_002.bmp"),
                                               dir.File("p_010.bmp"), dir.File("p_999.bmp"),
                                               dir.File("p_1000.bmp")}));
    // The folder path may lack its trailing separator.
    std::string noSlash = dir.Path().substr(0, dir.Path().size() - 1);
    EXPECT_EQ(ListPageFiles(noSlash).size(), 5u);
}

TEST(DeletePageFiles, DeletesTheListAndLeavesAFolderThatIsNotEmpty) {
    testsupport::TempFolder dir;
    std::string pages = dir.File("pages/");
    testsupport::CreateFolder(pages);
    testsupport::WriteFile(pages + "a_001.bmp", "x");
    testsupport::WriteFile(pages + "a_002.bmp", "x");
    std::vector<std::string> listed = ListPageFiles(pages);
    testsupport::WriteFile(pages + "late.bmp", "x"); // not listed: stays
    DeletePageFiles(pages, listed);
    EXPECT_EQ(ListNames(pages), std::vector<std::string>{"late.bmp"});
    ::unlink((pages + "late.bmp").c_str());
    DeletePageFiles(pages, {});
    EXPECT_FALSE(Exists(pages));
}
