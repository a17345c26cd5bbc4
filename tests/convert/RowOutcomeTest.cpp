// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// An image row is all or nothing, and says why it failed. Its outputs are
// published together only when every page is in and the engine succeeded;
// a row that fails (in the engine, in the converter, or while publishing)
// or is stopped leaves the files that were there byte for byte, and nothing
// new: no output, no temporary, no folder of its own. Names near the
// platform's limits are written whole; past them the row fails at once.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ReadBack.h"
#include "RunFixture.h"
#include "convert/ImageFormat.h"

using testsupport::Exists;
using testsupport::ListNames;
using testsupport::FormatIndex;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

// A document of `pages` pages that shows `mark` on each; with `failAt` the
// interpreter fails once the pages before it are out.
std::string Document(int pages, const std::string &mark, int failAt = 0) {
    std::string ps = "%!PS\n/Helvetica findfont 24 scalefont setfont\n";
    for (int k = 1; k <= pages; ++k) {
        if (k == failAt)
            ps += "this_is_not_an_operator\n";
        ps += "72 700 moveto (" + mark + " " + std::to_string(k) + ") show showpage\n";
    }
    return ps;
}

// One page of `width` x `height` points.
std::string PageOfSize(int width, int height) {
    return "%!PS\n<< /PageSize [" + std::to_string(width) + " " + std::to_string(height) +
           "] >> setpagedevice\n0 0 moveto 10 5 lineto stroke showpage\n";
}

class RowOutcomes : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        s.m_nOutputKind = 0;
        s.m_nFormat = FormatIndex(".png");
        s.m_bNewIfExists = 0; // overwrite
        run = std::make_unique<ConversionRun>(pageView, testsupport::Engine(),
                                              testsupport::Extractor(), dir.File("tmp/"),
                                              memory.Path());
    }

    // Every name in `folder` (hidden ones too) with its bytes.
    std::map<std::string, std::string> Snapshot(const std::string &folder) {
        std::map<std::string, std::string> files;
        for (const std::string &name : ListNames(folder))
            files[name] = std::filesystem::is_directory(folder + name) ? std::string("(folder)")
                                                                       : ReadFile(folder + name);
        return files;
    }

    testsupport::PageView pageView;
};

} // namespace

TEST_F(RowOutcomes, AFailedOrStoppedRowLeavesTheEarlierOutputsByteForByte) {
    const std::string input = dir.File("in/doc.ps");
    WriteFile(input, Document(3, "first"));
    Convert({input});
    ASSERT_EQ(pageView.Status(0), "Succeed");
    const std::vector<std::string> names = {Out("doc_001.png"), Out("doc_002.png"),
                                            Out("doc_003.png")};
    EXPECT_EQ(pageView.Outputs(0), names);
    const std::map<std::string, std::string> before = Snapshot(Out(""));
    ASSERT_EQ(before.size(), 3u);

    // The interpreter fails on page 3: pages 1 and 2 were encoded, none is
    // published.
    WriteFile(input, Document(3, "second", 3));
    Convert({input});
    EXPECT_EQ(pageView.Status(0), "Failed");
    EXPECT_EQ(pageView.Reason(0), "interpreter error: /undefined in this_is_not_an_operator");
    EXPECT_TRUE(pageView.Outputs(0).empty());
    EXPECT_EQ(Snapshot(Out("")), before);

    // A stop while page 2 of 6 is on its way.
    WriteFile(input, Document(6, "third"));
    pageView.onPage = [&](int, int page) {
        if (page == 2)
            run->RequestStop();
    };
    Convert({input});
    pageView.onPage = nullptr;
    EXPECT_EQ(pageView.Status(0), "Aborted");
    EXPECT_EQ(Snapshot(Out("")), before);

    // Page 3's name is taken by a folder: pages 1 and 2 had replaced their
    // files already, and are put back.
    ASSERT_EQ(::unlink(names[2].c_str()), 0);
    testsupport::CreateFolder(names[2] + "/");
    WriteFile(names[2] + "/keep", "x");
    WriteFile(input, Document(3, "fourth"));
    Convert({input});
    EXPECT_EQ(pageView.Status(0), "Failed");
    EXPECT_NE(pageView.Reason(0).find("can't write the output"), std::string::npos)
        << pageView.Reason(0);
    std::map<std::string, std::string> after = Snapshot(Out(""));
    EXPECT_EQ(after.size(), 3u);
    EXPECT_EQ(after["doc_001.png"], before.at("doc_001.png"));
    EXPECT_EQ(after["doc_002.png"], before.at("doc_002.png"));
}

// The multi-page TIFF is one output: the same holds for it.
// PDF and text rows report the pages the engine has written as it writes
// them: the document pauses after each page long enough to be seen.
TEST_F(RowOutcomes, PdfAndTextRowsReportTheirPagesAsTheyAreWritten) {
    std::string ps = "%!PS\n/Helvetica findfont 24 scalefont setfont\n";
    for (int k = 1; k <= 3; ++k)
        ps += "72 700 moveto (page " + std::to_string(k) +
              ") show showpage usertime 300 add { usertime 1 index ge { exit } if } loop pop\n";
    const std::string input = dir.File("in/doc.ps");
    WriteFile(input, ps);
    for (int kind : {1, 2}) {
        SCOPED_TRACE(kind);
        s.m_nOutputKind = kind;
        std::vector<int> pages;
        pageView.onPage = [&](int, int page) { pages.push_back(page); };
        Convert({input});
        EXPECT_EQ(pageView.Status(0), "Succeed") << pageView.Reason(0);
        EXPECT_EQ(pages, (std::vector<int>{1, 2, 3}));
        if (kind == 1) {
            EXPECT_EQ(readback::ReadPdf(Out("doc.pdf")).pages, 3);
        }
    }
}

TEST_F(RowOutcomes, AFailedMultiPageTiffLeavesTheOldFile) {
    s.m_nFormat = FormatIndex(".tif");
    s.img.bTifMultipage = 1;
    const std::string input = dir.File("in/doc.ps");
    WriteFile(input, Document(2, "first"));
    Convert({input});
    ASSERT_EQ(pageView.Status(0), "Succeed");
    EXPECT_EQ(pageView.Outputs(0), std::vector<std::string>{Out("doc.tif")});
    const std::map<std::string, std::string> before = Snapshot(Out(""));

    WriteFile(input, Document(3, "second", 3));
    Convert({input});
    EXPECT_EQ(pageView.Status(0), "Failed");
    EXPECT_EQ(Snapshot(Out("")), before);
}

TEST_F(RowOutcomes, AFailedRowRemovesTheFolderItMade) {
    s.img.bFolderPerFile = 1;
    WriteFile(dir.File("in/late.ps"), Document(3, "late", 3));
    testsupport::CreateFolder(Out("kept/"));
    WriteFile(dir.File("in/kept.ps"), Document(3, "kept", 3));
    Convert({dir.File("in/late.ps"), dir.File("in/kept.ps"), Input("good.ps", {.pages = 2})});
    EXPECT_EQ(pageView.Status(0), "Failed");
    EXPECT_EQ(pageView.Status(1), "Failed");
    EXPECT_EQ(pageView.Status(2), "Succeed");
    // The folder that was there before stays, empty.
    EXPECT_EQ(ListNames(Out("")), (std::vector<std::string>{"good", "kept"}));
    EXPECT_TRUE(ListNames(Out("kept/")).empty());
    EXPECT_EQ(ListNames(Out("good/")), (std::vector<std::string>{"good_001.png", "good_002.png"}));
}

// Temporaries take short names of our own, so an output name close to the
// limit of a name (255 bytes) is written in every kind; one past it fails
// before any work and writes nothing.
TEST_F(RowOutcomes, NamesNearThePlatformLimit) {
    const std::string longBase(240, 'l');
    const std::string input = Input(longBase + ".ps", {.pages = 2});
    Convert({input});
    EXPECT_EQ(pageView.Status(0), "Succeed") << pageView.Reason(0);
    EXPECT_TRUE(readback::ReadPng(Out(longBase + "_002.png")).ok);

    s.m_nFormat = FormatIndex(".tif");
    s.img.bTifMultipage = 1;
    Convert({input});
    EXPECT_EQ(pageView.Status(0), "Succeed") << pageView.Reason(0);
    EXPECT_EQ(readback::ReadTiff(Out(longBase + ".tif")).pages, 2);

    for (int kind : {1, 2}) {
        s.m_nOutputKind = kind;
        Convert({input});
        EXPECT_EQ(pageView.Status(0), "Succeed") << kind << ": " << pageView.Reason(0);
    }
    EXPECT_TRUE(Exists(Out(longBase + ".pdf")));
    EXPECT_TRUE(Exists(Out(longBase + ".txt")));
    EXPECT_EQ(ListNames(Out("")).size(), 5u);

    std::filesystem::remove_all(Out(""));
    const std::string tooLong = Input(std::string(252, 't') + ".ps"); // .png: 256 bytes
    for (int kind : {0, 1, 2}) {
        s.m_nOutputKind = kind;
        s.m_nFormat = FormatIndex(".png");
        Convert({tooLong});
        EXPECT_EQ(pageView.Status(0), "Failed") << kind;
        EXPECT_EQ(pageView.Reason(0), "name too long") << kind;
    }
    EXPECT_TRUE(ListNames(Out("")).empty());

    // A multi-page TIFF carries no page number: base.tif is written where
    // base_001.tif would pass the limit.
    const std::string nearBase(249, 'n');
    s.m_nOutputKind = 0;
    s.m_nFormat = FormatIndex(".tif");
    Convert({Input(nearBase + ".ps", {.pages = 2})});
    EXPECT_EQ(pageView.Status(0), "Succeed") << pageView.Reason(0);
    EXPECT_EQ(readback::ReadTiff(Out(nearBase + ".tif")).pages, 2);
}

// ---------------------------------------------------------------------------
// Why an image row failed, as the converter or the run met it.

class RowReasons : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        s.m_nOutputKind = 0;
    }
};

TEST_F(RowReasons, AReadOnlyFolderAFullDiskAndAPageTooLargeForTheFormat) {
    s.m_nFormat = FormatIndex(".png");
    testsupport::CreateFolder(Out("ro/"));
    ASSERT_EQ(::chmod(Out("ro/").c_str(), 0555), 0);
    s.m_szOutputDir = Out("ro/");
    EXPECT_EQ(ConvertInChild({Input("a.ps")}, 0, /*honourPermissions=*/true),
              "Failed|output folder is read-only");
    EXPECT_TRUE(ListNames(Out("ro/")).empty());

    // A 72-dpi Letter page file (612 x 792 at 24 bits, 1454166 bytes) fits
    // under the limit; the same pixels as an uncompressed TIFF, with its
    // header and directory, do not.
    s.m_szOutputDir = Out("full/");
    s.m_nFormat = FormatIndex(".tif");
    s.img.bTifMultipage = 0;
    s.img.nTifCompression = 0;
    s.img.szTifColor = "True Color";
    std::string full =
        ConvertInChild({Input("b.ps")}, 1454166 + 32, /*honourPermissions=*/true);
    EXPECT_EQ(full.rfind("Failed|", 0), 0u) << full;
    EXPECT_NE(full.find("disk full"), std::string::npos) << full;
    EXPECT_TRUE(ListNames(Out("full/")).empty());

    // 20000 x 10 points at 300 dpi: 83334 pixels wide, past what these
    // formats can hold (65535).
    s.m_szOutputDir = Out("wide/");
    s.img.nXDpi = s.img.nYDpi = 300;
    const std::string wide = dir.File("in/wide.ps");
    WriteFile(wide, PageOfSize(20000, 10));
    for (const char *ext : {".pcx", ".tga", ".gif"}) {
        s.m_nFormat = FormatIndex(ext);
        Convert({wide});
        EXPECT_EQ(view.Status(0), "Failed") << ext;
        EXPECT_NE(view.Reason(0).find("too large"), std::string::npos)
            << ext << ": " << view.Reason(0);
    }
    EXPECT_TRUE(ListNames(Out("wide/")).empty());
}
