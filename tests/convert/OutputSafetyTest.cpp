// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// What a run does with the names and files around its outputs when things
// go wrong: a full disk, a planted link, a second process taking the same
// numbered names, names that can't take a number, a backslash in a name, a
// finishing step that fails, an empty input, and what the interpreter left
// that is not its output. Every case uses the real modules; a full disk is a
// file-size limit on a child process.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ReadBack.h"
#include "RunFixture.h"
#include "convert/RunFiles.h"
#include "imageconv/Dib.h"

using testsupport::ListNames;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

bool IsLink(const std::string &path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

} // namespace

class OutputSafety : public RunFixture {
protected:
    void MultiPageTiff() {
        s.m_nOutputKind = 0;
        s.m_nFormat = 1;
        s.img.bTifMultipage = 1;
        s.img.nTifCompression = 0; // none: each page's size is known
    }
};

TEST_F(OutputSafety, AFullDiskFailsTheMultiPageTiffAndKeepsTheOldFileByteForByte) {
    MultiPageTiff();
    Convert({Input("doc.ps", {.pages = 2})});
    ASSERT_EQ(view.Status(0), "Succeed");
    const std::string old = ReadFile(Out("doc.tif"));
    ASSERT_EQ(readback::ReadTiff(Out("doc.tif")).pages, 2);

    // Each 72-dpi page file (about 1.5 MB) fits under the limit, the
    // uncompressed three-page TIFF (about 4.4 MB) does not.
    std::string input = Input("doc.ps", {.pages = 3});
    EXPECT_EQ(ConvertInChild({input}, 2'000'000).substr(0, 7), "Failed|");
    EXPECT_EQ(ReadFile(Out("doc.tif")), old);
    EXPECT_EQ(ListNames(dir.File("out/")), std::vector<std::string>{"doc.tif"});
}

TEST_F(OutputSafety, APlantedLinkIsReplacedNeverWrittenThrough) {
    testsupport::CreateFolder(dir.File("out/"));
    WriteFile(dir.File("victim-text"), "precious text");
    WriteFile(dir.File("victim-tiff"), "precious tiff");
    std::filesystem::create_symlink(dir.File("victim-text"), Out("good.txt"));
    std::filesystem::create_symlink(dir.File("victim-tiff"), Out("good.tif"));
    std::string input = Input("good.ps", {.pages = 2});

    s.m_nOutputKind = 2;
    Convert({input});
    MultiPageTiff();
    Convert({input});

    EXPECT_EQ(view.EventsMatching("status 0 Succeed").size(), 2u);
    EXPECT_EQ(ReadFile(dir.File("victim-text")), "precious text");
    EXPECT_EQ(ReadFile(dir.File("victim-tiff")), "precious tiff");
    EXPECT_FALSE(IsLink(Out("good.txt")));
    EXPECT_FALSE(IsLink(Out("good.tif")));
    EXPECT_NE(ReadFile(Out("good.txt")).find("Page 2 of good.ps"), std::string::npos);
    EXPECT_EQ(readback::ReadTiff(Out("good.tif")).pages, 2);
}

TEST_F(OutputSafety, TwoProcessesTakingNewNamesKeepEveryOutput) {
    s.m_nOutputKind = 1;
    s.m_bNewIfExists = 1;
    std::vector<std::string> rows;
    for (int k = 0; k < 12; ++k)
        rows.push_back(Input("n" + std::to_string(k) + ".ps"));
    run->SetJobs(2);

    std::fflush(nullptr);
    pid_t first = ::fork();
    ASSERT_GE(first, 0);
    if (first == 0) {
        run->Start(s, rows);
        run->Wait();
        testsupport::AbandonServers();
        ::_exit(0);
    }
    Convert(rows);
    int status = 0;
    ASSERT_EQ(::waitpid(first, &status, 0), first);

    std::vector<std::string> names = ListNames(dir.File("out/"));
    ASSERT_EQ(names.size(), 24u);
    for (int k = 0; k < 12; ++k) {
        std::string base = "n" + std::to_string(k);
        EXPECT_TRUE(testsupport::Exists(Out(base + ".pdf"))) << base;
        EXPECT_TRUE(testsupport::Exists(Out(base + "-01.pdf"))) << base;
    }
}

// A name whose output, or whose next numbered name, would not fit the
// platform's limits fails its row at once instead of searching for ever.
TEST_F(OutputSafety, ANameThatCannotTakeANumberFailsItsRow) {
    s.m_bNewIfExists = 1;
    std::string tooLong = Input(std::string(252, 'n') + ".ps"); // .pdf/.txt: 256 bytes
    std::string full = Input(std::string(250, 'f') + ".ps");    // .pdf fits, -01.pdf does not
    testsupport::CreateFolder(dir.File("out/"));
    WriteFile(Out(std::string(250, 'f') + ".pdf"), "taken");

    for (int kind : {1, 2}) {
        SCOPED_TRACE(kind);
        s.m_nOutputKind = kind;
        Convert({tooLong, full, Input("ok.ps")});
        EXPECT_EQ(view.Status(0), "Failed");
        EXPECT_EQ(view.Reason(0), "name too long");
        EXPECT_EQ(view.Status(2), "Succeed");
        if (kind == 1) {
            EXPECT_EQ(view.Status(1), "Failed");
            EXPECT_EQ(view.Reason(1), "name too long");
        }
    }
    EXPECT_EQ(ReadFile(Out(std::string(250, 'f') + ".pdf")), "taken");
}

TEST_F(OutputSafety, ABackslashIsPartOfTheNameNotASeparator) {
    s.m_nOutputKind = 1;
    Convert({Input("x\\r.ps"), Input("y\\r.ps")});
    EXPECT_EQ(ListNames(dir.File("out/")), (std::vector<std::string>{"x\\r.pdf", "y\\r.pdf"}));
}

TEST_F(OutputSafety, AFinishingStepThatFailsFailsTheRowAndKeepsTheOldPdf) {
    s.m_nOutputKind = 1;
    testsupport::CreateFolder(dir.File("out/"));
    WriteFile(Out("doc.pdf"), "old pdf");
    // The engine's PDF fits under the limit; finished with a title this long
    // (in the document information and in its XMP packet) it does not, and
    // the finishing step says why.
    s.pdf.szTitle = std::string(300'000, 'T');
    std::string result = ConvertInChild({Input("doc.ps")}, 150'000);
    EXPECT_EQ(result, "Failed|disk full");
    EXPECT_EQ(ReadFile(Out("doc.pdf")), "old pdf");
    EXPECT_EQ(ListNames(dir.File("out/")), std::vector<std::string>{"doc.pdf"});
}

// An empty input, and a picture renamed to .ps, fail in every kind before
// the interpreter runs; a PostScript file behind what a printer driver puts
// first (Ctrl-D, a printer-job header) is still PostScript.
TEST_F(OutputSafety, AnInputThatIsNotPostScriptFailsInEveryKind) {
    std::string empty = dir.File("in/empty.ps"), renamed = dir.File("in/photo.ps");
    WriteFile(empty, "");
    WriteFile(renamed, std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + std::string(400, '\x7f'));
    std::string driver = Input("driver.ps");
    WriteFile(driver,
              "\x04\x1b%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n" + ReadFile(driver));
    for (int kind : {0, 1, 2}) {
        SCOPED_TRACE(kind);
        s.m_nOutputKind = kind;
        Convert({empty, renamed});
        EXPECT_EQ(view.Status(0), "Failed");
        EXPECT_EQ(view.Reason(0), "empty input file");
        EXPECT_EQ(view.Status(1), "Failed");
        EXPECT_EQ(view.Reason(1), "is a PNG image, not PostScript");
    }
    EXPECT_TRUE(ListNames(dir.File("out/")).empty());
    s.m_nOutputKind = 1;
    Convert({driver});
    EXPECT_EQ(view.Status(0), "Succeed") << view.Reason(0);
}

// The interpreter is hostile: what it leaves in place of the temporary PDF
// is read only when it is a plain file of its own (no link, no other name)
// no larger than it could have written.
TEST(EngineOutput, OnlyAPlainFileOfItsOwnIsRead) {
    testsupport::TempFolder dir;
    const std::string pdf = dir.File("out.pdf");
    WriteFile(pdf, "%PDF-1.7\n");
    EXPECT_EQ(EngineOutputFailReason(pdf), "");

    const std::string link = dir.File("link.pdf");
    ASSERT_EQ(::symlink(pdf.c_str(), link.c_str()), 0);
    EXPECT_NE(EngineOutputFailReason(link), "");
    const std::string hard = dir.File("hard.pdf");
    ASSERT_EQ(::link(pdf.c_str(), hard.c_str()), 0);
    EXPECT_NE(EngineOutputFailReason(pdf), "") << "another name for the same file";
    ASSERT_EQ(::unlink(hard.c_str()), 0);
    const std::string fifo = dir.File("fifo.pdf");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_NE(EngineOutputFailReason(fifo), "");
    EXPECT_NE(EngineOutputFailReason(dir.File("missing.pdf")), "");

    ASSERT_EQ(::truncate(pdf.c_str(), off_t(imageconv::Dib::kMaxPageFileBytes)), 0);
    EXPECT_EQ(EngineOutputFailReason(pdf), "");
    ASSERT_EQ(::truncate(pdf.c_str(), off_t(imageconv::Dib::kMaxPageFileBytes + 1)), 0);
    EXPECT_NE(EngineOutputFailReason(pdf), "") << "larger than the helper can write";
}
