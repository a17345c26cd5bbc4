// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The "pages" setting through every output kind: only the range's pages are
// written, the same as the whole document's own pages, image files numbered
// by their page in the document, whatever the page shares; pages past the
// document's end noted, and a row with none of its pages failing clean.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "ReadBack.h"
#include "RunFixture.h"

using testsupport::FormatIndex;
using testsupport::ListNames;
using testsupport::ReadFile;

namespace {

class RowPages : public RunFixture {
protected:
    // The out folder's files, name to bytes, after a run of `input` with
    // the range `pages`; the folder is emptied first.
    std::map<std::string, std::string> Outputs(const std::string &input, const std::string &pages,
                                               int shares = 1) {
        std::filesystem::remove_all(dir.File("out/"));
        s.m_szPages = pages;
        run->SetPageWorkers(shares > 1 ? shares : 1);
        run->SetPageShares(shares);
        Convert({input});
        EXPECT_EQ(view.Status(0), "Succeed") << view.Reason(0);
        std::map<std::string, std::string> files;
        for (const std::string &name : ListNames(dir.File("out/")))
            files[name] = ReadFile(Out(name));
        return files;
    }
};

TEST_F(RowPages, TwoAndFourAreTheDocumentsOwnPagesInEveryKind) {
    const std::string input = Input("five.ps", {.pages = 5});
    s.m_nOutputKind = 0;
    s.m_nFormat = FormatIndex(".png");
    const std::map<std::string, std::string> every = Outputs(input, "");
    ASSERT_EQ(every.size(), 5u);
    const std::map<std::string, std::string> expected = {
        {"five_002.png", every.at("five_002.png")}, {"five_004.png", every.at("five_004.png")}};
    for (int shares : {1, 2, 3}) {
        SCOPED_TRACE(shares);
        EXPECT_TRUE(Outputs(input, "4, 2", shares) == expected);
        EXPECT_EQ(view.Note(0), "");
    }
    // One page is numbered too.
    EXPECT_EQ(Outputs(input, "3").begin()->first, "five_003.png");

    s.m_nFormat = FormatIndex(".tif");
    s.img.bTifMultipage = 1;
    Outputs(input, "2,4", 2);
    EXPECT_EQ(readback::ReadTiff(Out("five.tif")).pages, 2);
    s.img.bTifMultipage = 0;

    s.m_nOutputKind = 1;
    Outputs(input, "2,4");
    ASSERT_EQ(readback::ReadPdf(Out("five.pdf")).pages, 2);
    EXPECT_NE(readback::PdfPageText(Out("five.pdf"), 0).find("Page 2 of five.ps"),
              std::string::npos);
    EXPECT_NE(readback::PdfPageText(Out("five.pdf"), 1).find("Page 4 of five.ps"),
              std::string::npos);

    s.m_nOutputKind = 2;
    Outputs(input, "2,4");
    const std::string text = ReadFile(Out("five.txt"));
    EXPECT_NE(text.find("Page 2 of five.ps"), std::string::npos) << text;
    EXPECT_NE(text.find("Page 4 of five.ps"), std::string::npos) << text;
    for (const char *absent : {"Page 1 ", "Page 3 ", "Page 5 "})
        EXPECT_EQ(text.find(absent), std::string::npos) << text;
}

// "2,7" leaves the length open to the rendering (the count tells it);
// "4-7" shows it (page 5 came, page 6 did not).
TEST_F(RowPages, PagesPastTheEndAreNotedAndNoneThereFailsTheRow) {
    const std::string input = Input("five.ps", {.pages = 5});
    for (OutputKind kind : kKinds) {
        SCOPED_TRACE(KindName(kind));
        s.m_nOutputKind = OtypeOf(kind);
        s.m_nFormat = FormatIndex(".png");
        Outputs(input, "2,7");
        EXPECT_EQ(view.Note(0), "page 7 is past the document's end (5 pages)");
        Outputs(input, "4-7");
        EXPECT_EQ(view.Note(0), "pages 6-7 are past the document's end (5 pages)");
        if (kind == OutputKind::Image) {
            EXPECT_EQ(ListNames(dir.File("out/")),
                      (std::vector<std::string>{"five_004.png", "five_005.png"}));
        }

        std::filesystem::remove_all(dir.File("out/"));
        s.m_szPages = "9,12-";
        Convert({input});
        EXPECT_EQ(view.Status(0), "Failed");
        EXPECT_EQ(view.Reason(0), "pages 9,12- are past the document's end (5 pages)");
        EXPECT_TRUE(ListNames(dir.File("out/")).empty());
    }
    // TearDown: no temporary left by the counts.
}

} // namespace
