// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The text path end to end: a temporary PDF from the interpreter, the text
// from the extractor, the temporary PDF gone afterwards.
#include <gtest/gtest.h>

#include <algorithm>

#include "RunFixture.h"

using testsupport::Exists;
using testsupport::ReadFile;

class TextPath : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        s.m_nOutputKind = 2;
    }
};

// Two pages of two columns, the right column drawn first: txtmode 0 reads
// the columns side by side as they stand on the page, txtmode 1 reads them in
// the order they were drawn.
TEST_F(TextPath, BothModesAndPageBreakValues) {
    std::string in = dir.File("in/columns.ps");
    std::string ps = "%!PS\n/Helvetica findfont 20 scalefont setfont\n";
    for (const char *k : {"1", "2"})
        ps += std::string("320 700 moveto (RightTop") + k + ") show 320 670 moveto (RightBottom" +
              k + ") show\n72 700 moveto (LeftTop" + k + ") show 72 670 moveto (LeftBottom" + k +
              ") show showpage\n";
    testsupport::WriteFile(in, ps);
    for (int mode : {0, 1}) {
        for (int pageBreak : {0, 1}) {
            s.txt.nTextMode = mode;
            s.txt.bPageBreak = pageBreak;
            s.m_bNewIfExists = 0;
            Convert({in});
            ASSERT_EQ(view.Status(0), "Succeed") << mode << pageBreak;
            std::string text = ReadFile(Out("columns.txt"));
            const size_t leftTop = text.find("LeftTop1"), rightTop = text.find("RightTop1"),
                         leftBottom = text.find("LeftBottom1"),
                         rightBottom = text.find("RightBottom1");
            ASSERT_NE(leftBottom, std::string::npos) << text;
            ASSERT_NE(rightBottom, std::string::npos) << text;
            if (mode == 0) {
                EXPECT_LT(leftTop, rightTop) << text;
                EXPECT_LT(rightTop, leftBottom) << text;
            } else {
                EXPECT_LT(rightTop, rightBottom) << text;
                EXPECT_LT(rightBottom, leftTop) << text;
            }
            const size_t secondPage = text.find("LeftTop2");
            ASSERT_NE(secondPage, std::string::npos) << text;
            EXPECT_LT(std::max(leftBottom, rightBottom), secondPage) << text;
            EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), pageBreak) << mode;
        }
    }
}

TEST_F(TextPath, RowProtocolWithProgressBeforeTheWork) {
    Convert({Input("a.ps"), Input("b.ps"), Input("c.ps")});
    std::vector<std::string> ev = view.Events();
    std::vector<std::string> row1(ev.begin() + 8, ev.begin() + 15);
    EXPECT_EQ(row1, (std::vector<std::string>{"select 1", "progress 66", "status 1 Converting.",
                                              "status 1 Converting..", "status 1 Converting...",
                                              "status 1 Succeed", "finished 1"}));
    EXPECT_EQ(view.EventsMatching("progress"),
              (std::vector<std::string>{"progress 33", "progress 66", "progress 100"}));
}

TEST_F(TextPath, ModeZeroBesideTheSourceAndNumberedNames) {
    s.m_nOutputMode = 0;
    s.m_bNewIfExists = 1;
    std::string in = Input("100% n.ps");
    Convert({in, in});
    EXPECT_TRUE(Exists(dir.File("in/100% n.txt")));
    EXPECT_TRUE(Exists(dir.File("in/100% n-01.txt")));
    EXPECT_NE(ReadFile(dir.File("in/100% n-01.txt")).find("Page 1"), std::string::npos);
}

TEST_F(TextPath, BrokenInputFailsAndLeavesNoTemporaryPdf) {
    Convert({Input("bad.ps", {.broken = true}), Input("good.ps")});
    EXPECT_EQ(view.Status(0), "Failed");
    EXPECT_EQ(view.Status(1), "Succeed");
    EXPECT_FALSE(Exists(Out("bad.txt")));
    // TearDown checks the temporary folder is empty.
}

TEST_F(TextPath, ExtractionFailureIsFailedAndTheTemporaryPdfStillGoes) {
    // The output name is taken by a folder: the extractor can't write it.
    testsupport::CreateFolder(Out("blocked.txt/"));
    s.m_bNewIfExists = 0;
    Convert({Input("blocked.ps")});
    EXPECT_EQ(view.Status(0), "Failed");
    EXPECT_TRUE(view.EventsMatching("status 0 Succeed").empty());
}

TEST_F(TextPath, StopLetsTheRowFinishWithItsCleanUp) {
    view.onEvent = [&](const std::string &e) {
        if (e == "status 0 Converting.")
            run->RequestStop();
    };
    Convert({Input("a.ps"), Input("b.ps")});
    EXPECT_EQ(view.Status(0), "Succeed");
    EXPECT_TRUE(Exists(Out("a.txt")));
    EXPECT_EQ(view.Status(1), "");
}

// A document whose pages hold only drawings (text turned into outlines, a
// picture) succeeds with its empty text file, and the row says why it is
// empty; a row that found text says nothing more.
TEST_F(TextPath, NoTextFoundIsSaidOfARowThatSucceeds) {
    std::string outlines = dir.File("in/outlines.ps");
    testsupport::WriteFile(outlines, "%!PS\n/Helvetica findfont 40 scalefont setfont\n"
                                     "72 600 moveto (Outlined) true charpath fill\n"
                                     "0.5 setgray 72 300 200 100 rectfill showpage\n"
                                     "72 600 moveto 300 700 lineto stroke showpage\n");
    Convert({outlines, Input("words.ps")});
    ASSERT_EQ(view.Status(0), "Succeed") << view.Reason(0);
    EXPECT_EQ(view.Note(0), "no text found: the pages hold only drawings or images");
    EXPECT_EQ(view.Outputs(0), std::vector<std::string>{Out("outlines.txt")});
    EXPECT_EQ(ReadFile(Out("outlines.txt")).find_first_not_of(" \n\f"), std::string::npos);
    ASSERT_EQ(view.Status(1), "Succeed") << view.Reason(1);
    EXPECT_EQ(view.Note(1), "");
}
