// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// A run whose engine step never ends is stopped by killing the interpreter
// helper; a helper killed from outside fails its row with the signal;
// inputs that are not files never reach the engine; the helper's file-size
// limit ends a page that would fill the disk.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "RunFixture.h"
#include "convert/OutputKind.h"
#include "convert/RunEngine.h"

namespace {

using Clock = std::chrono::steady_clock;

class EngineStopTest : public RunFixture {
protected:
    // Starts a run over `input` in `kind`, waits until its engine step has
    // begun, asks it to stop (at once when `now`) and waits for the run to
    // end; the time from the request to the end.
    Clock::duration StopWhileConverting(OutputKind kind, const std::string &input, bool now) {
        s.m_nOutputKind = static_cast<int>(kind);
        EXPECT_TRUE(run->Start(s, {input}));
        const auto started = Clock::now();
        while (view.Status(0) != "Converting.." && view.Status(0) != "Converting..." &&
               Clock::now() - started < std::chrono::seconds(60))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const auto asked = Clock::now();
        if (now)
            run->StopNow();
        else
            run->RequestStop();
        while (run->Running() && Clock::now() - asked < std::chrono::seconds(30))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        auto took = Clock::now() - asked;
        if (run->Running())
            run->StopNow(); // the test has failed; don't hang on it
        run->Wait();
        return took;
    }
};

TEST_F(EngineStopTest, ALoopingFileIsKilledSoonAfterAStopAndItsRowReadsAborted) {
    std::string loop = dir.File("in/loop.ps");
    testsupport::WriteFile(loop, kLoop);
    for (OutputKind kind : kKinds) {
        SCOPED_TRACE(KindName(kind));
        auto took = StopWhileConverting(kind, loop, false);
        EXPECT_LT(took, kEngineStopGrace + std::chrono::seconds(2));
        EXPECT_EQ(view.Status(0), "Aborted");
        EXPECT_TRUE(testsupport::ListNames(dir.File("out/")).empty())
            << "the output folder is clean";
        EXPECT_TRUE(testsupport::ListNames(dir.File("tmp/")).empty()) << "the page files are gone";
    }
}

TEST_F(EngineStopTest, StopNowKillsTheEngineWithoutTheGrace) {
    std::string loop = dir.File("in/loop.ps");
    testsupport::WriteFile(loop, kLoop);
    auto took = StopWhileConverting(OutputKind::Pdf, loop, true);
    EXPECT_LT(took, kEngineStopGrace);
    EXPECT_EQ(view.Status(0), "Aborted");
    EXPECT_TRUE(testsupport::ListNames(dir.File("out/")).empty());
}

// The interpreter process whose parent is `parent`, once it runs; 0 after a
// minute.
pid_t WaitForHelperOf(pid_t parent) {
    const auto until = Clock::now() + std::chrono::seconds(60);
    while (Clock::now() < until) {
        std::error_code ec;
        for (const auto &e : std::filesystem::directory_iterator("/proc", ec)) {
            std::string pid = e.path().filename().string();
            if (pid.find_first_not_of("0123456789") != std::string::npos)
                continue;
            std::string stat = testsupport::ReadFile(e.path().string() + "/stat");
            int ppid = 0;
            size_t close = stat.rfind(')');
            if (close == std::string::npos ||
                sscanf(stat.c_str() + close + 1, " %*c %d", &ppid) != 1 || ppid != parent)
                continue;
            if (testsupport::ReadFile(e.path().string() + "/comm") == "tessarin-run\n")
                return static_cast<pid_t>(std::stoi(pid));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

TEST_F(EngineStopTest, AHelperKilledFromOutsideFailsItsRowWithTheSignal) {
    std::string loop = dir.File("in/loop.ps");
    testsupport::WriteFile(loop, kLoop);
    s.m_nOutputKind = static_cast<int>(OutputKind::Pdf);
    ASSERT_TRUE(run->Start(s, {loop}));
    // The warm server this process started forks the process that runs the file.
    pid_t server = WaitForHelperOf(getpid());
    ASSERT_GT(server, 0);
    pid_t helper = WaitForHelperOf(server);
    ASSERT_GT(helper, 0);
    ASSERT_EQ(kill(helper, SIGKILL), 0);
    run->Wait();
    EXPECT_EQ(view.Status(0), "Failed");
    EXPECT_EQ(view.Reason(0), "the interpreter stopped unexpectedly (signal 9)");
}

// A named pipe that no one writes would block the interpreter for ever.
TEST_F(EngineStopTest, ANamedPipeInputFailsWithoutBlocking) {
    std::string pipe = dir.File("in/pipe.ps");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (OutputKind kind : kKinds) {
        SCOPED_TRACE(KindName(kind));
        s.m_nOutputKind = static_cast<int>(kind);
        Convert({pipe});
        EXPECT_EQ(view.Status(0), "Failed");
    }
}

// The helper never writes a file past its limit; a lower limit the program
// inherited stays, which lets a letter-size page at 300 dpi (about 25 MB of
// page file) stand for the 2 GiB page here.
TEST_F(EngineStopTest, APageFilePastTheFileSizeLimitFailsTheRowAndGoes) {
    std::string input = Input("big.ps");
    s.m_nOutputKind = static_cast<int>(OutputKind::Image);
    s.img.nXDpi = s.img.nYDpi = 300;
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct sigaction ignore = {}, old = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &old);
    rlimit low = saved;
    low.rlim_cur = 4 << 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &low), 0);
    Convert({input});
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &old, nullptr);
    EXPECT_EQ(view.Status(0), "Failed");
    EXPECT_TRUE(testsupport::ListNames(dir.File("out/")).empty());
}

} // namespace
