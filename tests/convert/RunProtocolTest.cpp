// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The run itself: start and end, the flags, dispatch, a worker that can't
// start, and one engine run per call.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "RunFixture.h"
#include "convert/OutputKind.h"
#include "convert/RunEngine.h"

namespace {

class UnstartableRun : public ConversionRun {
public:
    using ConversionRun::ConversionRun;

protected:
    void LaunchWorker(std::function<void()>) override {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
};

} // namespace

using RunProtocol = RunFixture;

TEST_F(RunProtocol, AWorkerThatCannotStartLeavesTheWindowIdle) {
    UnstartableRun r(view, testsupport::Engine(), testsupport::Extractor(), dir.File("tmp/"));
    EXPECT_FALSE(r.Start(s, {Input("a.ps")}));
    EXPECT_FALSE(r.Running());
    EXPECT_FALSE(r.StopRequested());
    EXPECT_EQ(view.Events(), std::vector<std::string>{"restore"});
    r.RequestStop(); // not running: nothing to stop
    EXPECT_FALSE(r.StopRequested());
}

TEST_F(RunProtocol, AnUnknownOutputKindConvertsNothing) {
    s.m_nOutputKind = 3;
    Convert({Input("a.ps")});
    EXPECT_EQ(view.Events(),
              (std::vector<std::string>{"selected Selected: 1", "restore", "select 0"}));
    EXPECT_FALSE(testsupport::Exists(dir.File("out")));
}

TEST_F(RunProtocol, FlagsWhileRunningAndASecondStartIsRefused) {
    s.m_nOutputKind = 1;
    std::atomic<int> runningSeen{-1};
    std::atomic<int> secondStart{-1};
    view.onEvent = [&](const std::string &e) {
        if (e == "status 0 Converting.") {
            runningSeen = run->Running();
            secondStart = run->Start(s, std::vector<std::string>{}) ? 1 : 0;
        }
    };
    Convert({Input("a.ps")});
    EXPECT_EQ(runningSeen.load(), 1);
    EXPECT_EQ(secondStart.load(), 0);
    EXPECT_EQ(view.Status(0), "Succeed");
}

TEST_F(RunProtocol, StopDuringTheLastRowStillEndsIdle) {
    s.m_nOutputKind = 1;
    view.onEvent = [&](const std::string &e) {
        if (e == "status 1 Converting.")
            run->RequestStop();
    };
    Convert({Input("a.ps"), Input("b.ps")});
    EXPECT_EQ(view.Status(1), "Succeed");
    std::vector<std::string> ev = view.Events();
    EXPECT_EQ(ev[ev.size() - 2], "restore");
    EXPECT_EQ(ev.back(), "select 0");
}

TEST_F(RunProtocol, ARunCanBeStartedAgainAfterItEnds) {
    s.m_nOutputKind = 2;
    std::string a = Input("a.ps");
    Convert({a});
    Convert({a});
    EXPECT_EQ(view.EventsMatching("restore").size(), 2u);
}

namespace {

// A Stop press once the first row is done, for each output kind with one
// and two jobs: no row is left converting, and nothing in the output folder
// changes once the run has ended.
struct StopCase {
    const char *name;
    OutputKind kind;
    bool multiPageTiff;
    int jobs;
};

class RunStop : public RunFixture, public ::testing::WithParamInterface<StopCase> {};

} // namespace

TEST_P(RunStop, EveryRowEndsWithAFinalStatusAndNothingIsWrittenAfterTheEnd) {
    const StopCase c = GetParam();
    s.m_nOutputKind = static_cast<int>(c.kind);
    s.m_nFormat = c.multiPageTiff ? 1 : 0; // TIFF or JPEG
    s.img.bTifMultipage = c.multiPageTiff ? 1 : 0;
    s.img.nXDpi = s.img.nYDpi = 150;
    run->SetJobs(c.jobs);
    view.onEvent = [&](const std::string &e) {
        if (e == "finished 0")
            run->RequestStop();
    };
    std::vector<std::string> rows;
    for (int i = 0; i < 4; ++i)
        rows.push_back(Input("s" + std::to_string(i) + ".ps", {.pages = 6}));
    Convert(rows);
    std::vector<std::string> ended = testsupport::FolderState(dir.File("out/"));
    for (int i = 0; i < 4; ++i) {
        std::string status = view.Status(i);
        EXPECT_TRUE(status.empty() || status == "Succeed" || status == "Aborted")
            << "row " << i << ": " << status;
    }
    EXPECT_EQ(view.Status(0), "Succeed");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(testsupport::FolderState(dir.File("out/")), ended);
}

INSTANTIATE_TEST_SUITE_P(Kinds, RunStop,
                         ::testing::Values(StopCase{"pdf1", OutputKind::Pdf, false, 1},
                                           StopCase{"pdf2", OutputKind::Pdf, false, 2},
                                           StopCase{"text1", OutputKind::Text, false, 1},
                                           StopCase{"text2", OutputKind::Text, false, 2},
                                           StopCase{"jpeg1", OutputKind::Image, false, 1},
                                           StopCase{"jpeg2", OutputKind::Image, false, 2},
                                           StopCase{"tiff1", OutputKind::Image, true, 1},
                                           StopCase{"tiff2", OutputKind::Image, true, 2}),
                         [](const ::testing::TestParamInfo<StopCase> &info) {
                             return std::string(info.param.name);
                         });

TEST(RunEngine, ResultCodesAndAFreshInstancePerRun) {
    testsupport::TempFolder dir;
    std::string ps = dir.File("q.ps");
    testsupport::WritePs(ps, {.quitAtEnd = true});
    ArgumentVector args = PdfArguments(PdfSettings{}, dir.File("q.pdf"), ps);
    ArgvView view(args);
    EXPECT_EQ(RunEngineCode(testsupport::Engine(), view.argc(), view.argv()), kEngineQuit);
    EXPECT_TRUE(RunEngine(testsupport::Engine(), args));

    std::string bad = dir.File("bad.ps");
    testsupport::WritePs(bad, {.broken = true});
    int code = RunEngineCode(testsupport::Engine(), 0, nullptr);
    EXPECT_NE(code, 0);
    EXPECT_FALSE(
        RunEngine(testsupport::Engine(), PdfArguments(PdfSettings{}, dir.File("b.pdf"), bad)));
    EXPECT_TRUE(
        RunEngine(testsupport::Engine(), PdfArguments(PdfSettings{}, dir.File("c.pdf"), ps)));

    EngineModule none;
    EXPECT_FALSE(RunEngine(none, args));
}
