// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// What a batch does with the names and folders of its outputs: two inputs of
// one base name into one folder both keep their output, files added with a
// folder keep its tree under the output folder, a resumed batch knows which
// inputs are up to date, and the end of a run says how it went.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "ReadBack.h"
#include "RunFixture.h"
#include "convert/RunSummary.h"
#include "convert/UpToDate.h"

using testsupport::ListNames;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

// Sets the modification time of `path` `seconds` from now.
void Touch(const std::string &path, int seconds) {
    struct timespec times[2];
    clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec += seconds;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

} // namespace

class BatchOutputs : public RunFixture {
protected:
    // report.ps in two folders, a and b, of the input folder.
    std::vector<std::string> TwoReports() {
        testsupport::CreateFolder(dir.File("in/a/"));
        testsupport::CreateFolder(dir.File("in/b/"));
        return {Input("a/report.ps", {.pages = 1}), Input("b/report.ps", {.pages = 2})};
    }
};

// Overwriting, the second report.ps takes the numbered name rather than
// replacing the first one's output, also when both convert at once; an
// output that was there before the run is still replaced.
TEST_F(BatchOutputs, TwoInputsOfOneNameKeepBothOutputsAndTellWhich) {
    const std::vector<std::string> rows = TwoReports();
    s.m_bNewIfExists = 0;
    s.m_nOutputKind = 1;
    testsupport::CreateFolder(Out(""));
    WriteFile(Out("report.pdf"), "an output of an earlier run");
    Convert(rows);
    ASSERT_EQ(view.Status(0), "Succeed");
    ASSERT_EQ(view.Status(1), "Succeed");
    EXPECT_EQ(view.Outputs(0), std::vector<std::string>{Out("report.pdf")});
    EXPECT_EQ(view.Outputs(1), std::vector<std::string>{Out("report-01.pdf")});
    EXPECT_EQ(readback::ReadPdf(Out("report.pdf")).pages, 1);
    EXPECT_EQ(readback::ReadPdf(Out("report-01.pdf")).pages, 2);

    // Images, two at once: each page name is held by one row only.
    s.m_nOutputKind = 0;
    s.m_nFormat = 3;
    run->SetJobs(2);
    Convert({rows[1], rows[1]});
    std::vector<std::string> all = view.Outputs(0);
    const std::vector<std::string> second = view.Outputs(1);
    all.insert(all.end(), second.begin(), second.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, (std::vector<std::string>{Out("report_001-01.png"), Out("report_001.png"),
                                             Out("report_002-01.png"), Out("report_002.png")}));
}

TEST_F(BatchOutputs, ATreeKeepsItsShapeUnderTheOutputFolder) {
    testsupport::CreateFolder(dir.File("in/2019/q1/"));
    const std::vector<RunRow> rows = {{Input("top.ps"), ""},
                                      {Input("2019/a.ps"), "2019/"},
                                      {Input("2019/q1/b.ps"), "2019/q1/"},
                                      {Input("2019/q1/bad.ps", {.broken = true}), "2019/q1/x/"}};
    s.m_nOutputKind = 1;
    ASSERT_TRUE(run->Start(s, rows));
    run->Wait();
    EXPECT_EQ(view.Status(3), "Failed");
    EXPECT_EQ(ListNames(Out("")), (std::vector<std::string>{"2019", "top.pdf"}));
    EXPECT_EQ(ListNames(Out("2019/")), (std::vector<std::string>{"a.pdf", "q1"}));
    // The failed row's folder went again.
    EXPECT_EQ(ListNames(Out("2019/q1/")), std::vector<std::string>{"b.pdf"});

    // A folder per input goes inside the file's subfolder.
    s.m_nOutputKind = 0;
    s.m_nFormat = 3;
    s.img.bFolderPerFile = 1;
    ASSERT_TRUE(run->Start(s, std::vector<RunRow>(rows.begin() + 2, rows.begin() + 3)));
    run->Wait();
    EXPECT_EQ(view.Outputs(0), std::vector<std::string>{Out("2019/q1/b/b.png")});

    // Without "keeptree", or with a subfolder that leads out, to the top.
    s.m_bKeepTree = 0;
    ASSERT_TRUE(run->Start(s, std::vector<RunRow>{{rows[1].path, "2019/"}}));
    run->Wait();
    s.m_bKeepTree = 1;
    s.m_bNewIfExists = 1;
    ASSERT_TRUE(run->Start(s, std::vector<RunRow>{{rows[1].path, "../../escaped/"}}));
    run->Wait();
    EXPECT_EQ(view.Outputs(0), std::vector<std::string>{Out("a/a-01.png")});
    EXPECT_EQ(ListNames(Out("a/")), (std::vector<std::string>{"a-01.png", "a.png"}));
    EXPECT_FALSE(testsupport::Exists(dir.File("escaped")));
}

// Up to date: every output there and newer than the input, the page images
// for as long as they go on.
TEST_F(BatchOutputs, AnInputIsUpToDateWhenEachOutputIsNewer) {
    const RunRow row{Input("doc.ps", {.pages = 2}), "sub/"};
    s.m_nOutputKind = 0;
    s.m_nFormat = 3;
    EXPECT_TRUE(UpToDateOutputs(s, row).empty());
    ASSERT_TRUE(run->Start(s, std::vector<RunRow>{row}));
    run->Wait();
    ASSERT_EQ(view.Outputs(0).size(), 2u);
    Touch(row.path, -10);
    EXPECT_EQ(UpToDateOutputs(s, row), view.Outputs(0));

    Touch(Out("sub/doc_002.png"), -20); // older than the input
    EXPECT_TRUE(UpToDateOutputs(s, row).empty());
    s.m_nOutputKind = 1; // no PDF was made
    EXPECT_TRUE(UpToDateOutputs(s, row).empty());
}

TEST(RunSummary, CountsAndTimeAsTheEndOfARunSaysThem) {
    using std::chrono::seconds;
    EXPECT_EQ(RunSummaryText({12, 1, 0, 0}, seconds(80)),
              "12 succeeded, 1 failed, 0 stopped in 1 min 20 s");
    EXPECT_EQ(RunSummaryText({0, 0, 3, 0}, std::chrono::duration<double>(44.6)),
              "0 succeeded, 0 failed, 3 stopped in 45 s");
    EXPECT_EQ(RunSummaryText({1, 0, 0, 5}, seconds(7500), true),
              "1 succeeded, 0 failed, 0 stopped, 5 skipped in 2 h 5 min");
    EXPECT_EQ(DurationText(seconds(60)), "1 min 0 s");
}
