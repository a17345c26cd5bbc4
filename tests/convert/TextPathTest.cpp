// The text path end to end: a temporary PDF from the interpreter, the text
// from the extractor, the temporary PDF gone afterwards.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "RunFixture.h"
#include "convert/TempFiles.h"

using testsupport::Exists;
using testsupport::ReadAll;

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
    std::string in = dir / "in/columns.ps";
    std::string ps = "%!PS\n/Helvetica findfont 20 scalefont setfont\n";
    for (const char *k : {"1", "2"})
        ps += std::string("320 700 moveto (RightTop") + k + ") show 320 670 moveto (RightBottom" +
              k + ") show\n72 700 moveto (LeftTop" + k + ") show 72 670 moveto (LeftBottom" + k +
              ") show showpage\n";
    testsupport::WriteAll(in, ps);
    for (int mode : {0, 1}) {
        for (int pageBreak : {0, 1}) {
            s.txt.nTextMode = mode;
            s.txt.bPageBreak = pageBreak;
            s.m_bNewIfExists = 0;
            Convert({in});
            ASSERT_EQ(view.Status(0), "Succeed") << mode << pageBreak;
            std::string text = ReadAll(Out("columns.txt"));
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
    EXPECT_TRUE(Exists(dir / "in/100% n.txt"));
    EXPECT_TRUE(Exists(dir / "in/100% n-01.txt"));
    EXPECT_NE(ReadAll(dir / "in/100% n-01.txt").find("Page 1"), std::string::npos);
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

TEST(TempFiles, NamesPreparedByOthersAreNeverReused) {
    testsupport::TempDir dir;
    // Somebody else's folder and link, under the names the clock would give.
    std::string victim = dir / "victim.txt";
    testsupport::WriteAll(victim, "not yours");
    testsupport::CreateFolder(dir / "mtmp_745/");
    testsupport::WriteAll(dir / "mtmp_745/d_001.bmp", "decoy");
    ::symlink(victim.c_str(), (dir / "msrc_745.pdf").c_str());
    ::symlink(victim.c_str(), (dir / "msrc_745-2.pdf").c_str());

    std::string folder = CreatePageFolder(dir.Path(), "745");
    EXPECT_EQ(folder, dir / "mtmp_745-2/");
    EXPECT_TRUE(testsupport::ListNames(folder).empty());
    std::string pdf = CreateTempPdf(dir.Path(), "745");
    EXPECT_EQ(pdf, dir / "msrc_745-3.pdf");
    EXPECT_EQ(testsupport::ReadAll(victim), "not yours");
    EXPECT_EQ(testsupport::ReadAll(dir / "mtmp_745/d_001.bmp"), "decoy");
    // A dangling link in the way is not followed: its target is not created.
    ::symlink((dir / "planted").c_str(), (dir / "msrc_9.pdf").c_str());
    EXPECT_EQ(CreateTempPdf(dir.Path(), "9"), dir / "msrc_9-2.pdf");
    EXPECT_FALSE(testsupport::Exists(dir / "planted"));
}

TEST(TempFiles, FreshOwnerOnlyNamesWithASuffixWhenTaken) {
    testsupport::TempDir dir;
    std::string a = CreateTempPdf(dir.Path());
    ASSERT_FALSE(a.empty());
    struct stat st {};
    ASSERT_EQ(::stat(a.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(a.rfind(dir.Path() + "msrc_", 0), 0u);

    std::string f = CreatePageFolder(dir.Path());
    ASSERT_FALSE(f.empty());
    ASSERT_EQ(::stat(f.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(f.back(), '/');

    // Many in a row within the same millisecond all differ.
    std::vector<std::string> names;
    for (int i = 0; i < 20; ++i)
        names.push_back(CreatePageFolder(dir.Path()));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::unique(names.begin(), names.end()), names.end());
    EXPECT_EQ(std::count(names.begin(), names.end(), std::string()), 0);
    // None is longer than the longest page folder the run checks names against.
    for (const std::string &n : names)
        EXPECT_LE(n.size(), LongestPageFolder(dir.Path()).size()) << n;
}
