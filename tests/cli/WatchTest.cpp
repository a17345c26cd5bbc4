// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// vantoria-cli --watch run as a process over a real folder: files written
// slowly, held open, moved in, a burst, broken and odd files, a file past
// its time limit, the folder removed, SIGTERM in the middle of a conversion, and folders on another
// file system.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "Files.h"
#include "PostScript.h"
#include "Process.h"
#include "ReadBack.h"
#include "TempFolder.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Exists;
using testsupport::LinesOf;
using testsupport::ListNames;
using testsupport::PsOptions;
using testsupport::ReadFile;
using testsupport::TempFolder;
using testsupport::WriteFile;

// Wait until `done` holds, checking every 20 ms, for up to `limit`.
bool WaitUntil(const std::function<bool()> &done, std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// A running `vantoria-cli --watch`, its standard output and error going to
// files in the test's folder; HOME, the configuration folder and TMPDIR are
// in there too.
class WatchProcess {
public:
    // Standard output goes to `outFd` when one is given.
    WatchProcess(const TempFolder &dir, const std::vector<std::string> &args, int outFd = -1)
        : m_outPath(dir.File("watch.out")), m_errPath(dir.File("watch.err")) {
        std::vector<std::string> argv = {std::string(VANTORIA_BIN_DIR) + "/vantoria-cli"};
        argv.insert(argv.end(), args.begin(), args.end());
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        if (outFd >= 0)
            posix_spawn_file_actions_adddup2(&fa, outFd, 1);
        else
            posix_spawn_file_actions_addopen(&fa, 1, m_outPath.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&fa, 2, m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        m_pid = testsupport::SpawnInOwnGroup(argv, testsupport::EnvironmentIn(dir), fa);
        EXPECT_GT(m_pid, 0);
        posix_spawn_file_actions_destroy(&fa);
    }

    ~WatchProcess() {
        if (m_pid > 0) {
            ::kill(-m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    std::string Out() const { return Exists(m_outPath) ? ReadFile(m_outPath) : ""; }
    std::string Err() const { return Exists(m_errPath) ? ReadFile(m_errPath) : ""; }

    // The watch is set up once it says what it watches.
    bool WaitUntilWatching() {
        return WaitUntil([this] { return Err().find("watching") != std::string::npos || Ended(); },
                         20s) &&
               !Ended();
    }

    void Signal(int sig) { ::kill(m_pid, sig); }

    bool Ended() {
        if (m_pid <= 0)
            return true;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) != m_pid)
            return false;
        m_status = testsupport::ExitStatus(status);
        m_pid = -1;
        return true;
    }

    // The exit status once it has ended within `limit`, else -1.
    int WaitForExit(std::chrono::milliseconds limit) {
        return WaitUntil([this] { return Ended(); }, limit) ? m_status : -1;
    }

private:
    std::string m_outPath, m_errPath;
    pid_t m_pid = -1;
    int m_status = -1;
};

class Watch : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char *d : {"home/", "config/", "tmp/", "in/", "out/", "stage/"})
            testsupport::CreateFolder(dir.File(d));
        WriteFile(profile, "[Set]\notype=1\nexists=1\n");
    }
    void TearDown() override {
        EXPECT_TRUE(ListNames(dir.File("tmp/")).empty()) << "temporary files left";
        EXPECT_FALSE(Exists(dir.File("config/Quorvane"))) << "the user's settings were written";
    }

    // A PostScript file written elsewhere and moved into IN in one step.
    void DropIn(const std::string &name, const PsOptions &o = {}) {
        testsupport::WritePs(dir.File("stage/" + name), o);
        ASSERT_EQ(::rename((dir.File("stage/" + name)).c_str(), (in + name).c_str()), 0);
    }

    std::vector<std::string> Args(std::vector<std::string> more = {}) {
        std::vector<std::string> args = {"--profile", profile, "--watch", in, "--output", out};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    TempFolder dir;
    std::string profile = dir.File("Profile.ini");
    std::string in = dir.File("in/");
    std::string out = dir.File("out/");
};

} // namespace

TEST_F(Watch, FilesCountOnlyOnceCompleteAndAreConvertedOnceInNameOrder) {
    // Already there at the start: converted first, in name order; the first
    // one's name is taken in done/, so it gets the numbered name.
    testsupport::WritePs(in + "b-early.ps");
    testsupport::WritePs(in + "a-early.ps", {.pages = 2});
    // Converted already: its output is newer than it.
    testsupport::WritePs(in + "c-done.ps");
    std::this_thread::sleep_for(10ms);
    WriteFile(out + "c-done.pdf", "the output of an earlier watch");
    testsupport::CreateFolder(in + "done/");
    WriteFile(in + "done/a-early.ps", "an older file of that name");
    // Complete but still held open for writing by its writer.
    testsupport::WritePs(dir.File("stage/held.ps"));
    std::string heldBytes = ReadFile(dir.File("stage/held.ps"));
    int held = ::open((in + "held.ps").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::write(held, heldBytes.data(), heldBytes.size()),
              static_cast<ssize_t>(heldBytes.size()));

    WatchProcess watch(dir, Args());
    ASSERT_TRUE(watch.WaitUntilWatching()) << watch.Err();
    EXPECT_NE(watch.Err().find("; interpreter confined: "), std::string::npos)
        << "the first notice tells how the interpreter is confined: " << watch.Err();

    // Written in four chunks with pauses, through one descriptor.
    testsupport::WritePs(dir.File("stage/slow.ps"), {.pages = 3});
    std::string slowBytes = ReadFile(dir.File("stage/slow.ps"));
    int slow = ::open((in + "slow.ps").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(slow, 0);
    std::size_t chunk = slowBytes.size() / 4 + 1;
    for (std::size_t at = 0; at < slowBytes.size(); at += chunk) {
        std::size_t n = std::min(chunk, slowBytes.size() - at);
        ASSERT_EQ(::write(slow, slowBytes.data() + at, n), static_cast<ssize_t>(n));
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(Exists(in + "slow.ps")) << "taken while being written";
        EXPECT_FALSE(Exists(out + "slow.pdf")) << "converted while being written";
    }
    ASSERT_TRUE(WaitUntil([&] { return Exists(in + "done/b-early.ps"); }, 30s)) << watch.Err();
    EXPECT_TRUE(Exists(in + "held.ps")) << "taken while held open for writing";
    EXPECT_FALSE(Exists(out + "held.pdf"));
    ::close(held);
    ::close(slow);

    // Moved in under a name with blanks, '%' and non-ASCII letters.
    const std::string odd = "Rapport 100% für Ærø.ps";
    DropIn(odd);

    ASSERT_TRUE(WaitUntil([&] { return ListNames(in + "done/").size() == 8; }, 30s))
        << watch.Out() << watch.Err();
    watch.Signal(SIGTERM);
    EXPECT_EQ(watch.WaitForExit(10s), 0) << watch.Err();

    EXPECT_EQ(ListNames(in + "done/"),
              (std::vector<std::string>{odd, "a-early-01.ps", "a-early.ps", "b-early.ps",
                                        "c-done.ps", "c-done.ps.reason", "held.ps", "slow.ps"}));
    EXPECT_EQ(ReadFile(in + "done/c-done.ps.reason"), "up to date\n");
    EXPECT_EQ(ReadFile(out + "c-done.pdf"), "the output of an earlier watch");
    EXPECT_EQ(ReadFile(in + "done/a-early.ps"), "an older file of that name");
    EXPECT_EQ(ReadFile(in + "done/slow.ps"), slowBytes);
    EXPECT_EQ(ListNames(in), (std::vector<std::string>{"done", "failed"}));
    EXPECT_EQ(readback::ReadPdf(out + "a-early.pdf").pages, 2);
    EXPECT_EQ(readback::ReadPdf(out + "slow.pdf").pages, 3);
    EXPECT_EQ(readback::ReadPdf(out + "held.pdf").pages, 1);
    EXPECT_EQ(readback::ReadPdf(out + "Rapport 100% für Ærø.pdf").pages, 1);
    // "exists" 1 and still one output each: nothing was converted twice.
    EXPECT_EQ(ListNames(out),
              (std::vector<std::string>{"Rapport 100% für Ærø.pdf", "a-early.pdf", "b-early.pdf",
                                        "c-done.pdf", "held.pdf", "slow.pdf"}));

    std::vector<std::string> lines = LinesOf(watch.Out());
    ASSERT_EQ(lines.size(), 6u) << watch.Out();
    EXPECT_EQ(lines[0], "Succeed  " + in + "a-early.ps -> " + out + "a-early.pdf");
    EXPECT_EQ(lines[1], "Succeed  " + in + "b-early.ps -> " + out + "b-early.pdf");
    EXPECT_EQ(lines[2], "Skipped  " + in + "c-done.ps: up to date");
}

TEST_F(Watch, ABurstOf200FilesAllEndInDoneWithAnOutputEach) {
    WatchProcess watch(dir, Args({"--jobs", "2", "--kind", "text"}));
    ASSERT_TRUE(watch.WaitUntilWatching()) << watch.Err();
    std::vector<std::string> names;
    for (int k = 0; k < 200; ++k)
        names.push_back("burst-" + std::to_string(1000 + k) + ".ps");
    for (const std::string &name : names)
        testsupport::WritePs(dir.File("stage/" + name), {.colour = false});
    for (const std::string &name : names)
        ASSERT_EQ(::rename((dir.File("stage/" + name)).c_str(), (in + name).c_str()), 0);

    EXPECT_TRUE(WaitUntil([&] { return ListNames(in + "done/").size() == 200; }, 120s))
        << ListNames(in + "done/").size() << " in done/\n"
        << watch.Err();
    watch.Signal(SIGTERM);
    EXPECT_EQ(watch.WaitForExit(10s), 0) << watch.Err();

    EXPECT_EQ(ListNames(in + "done/"), names);
    EXPECT_TRUE(ListNames(in + "failed/").empty());
    std::vector<std::string> outputs = ListNames(out);
    ASSERT_EQ(outputs.size(), 200u);
    for (const std::string &name : names) {
        std::string text = out + name.substr(0, name.size() - 3) + ".txt";
        ASSERT_TRUE(Exists(text)) << text;
        EXPECT_NE(ReadFile(text).find("Page 1 of"), std::string::npos) << text;
    }
    EXPECT_EQ(LinesOf(watch.Out()).size(), 200u);
}

TEST_F(Watch, BrokenFilesEndInFailedWithTheirReasonAndAVanishedFolderEndsTheWatch) {
    // The done and failed folders outside IN, so IN can go entirely.
    std::string done = dir.File("done/"), failed = dir.File("failed/");
    WatchProcess watch(dir, Args({"--done", done, "--failed", failed}));
    ASSERT_TRUE(watch.WaitUntilWatching()) << watch.Err();

    DropIn("broken.ps", {.broken = true});
    ASSERT_EQ(::mkfifo(dir.File("stage/pipe.ps").c_str(), 0644), 0);
    ASSERT_EQ(::rename(dir.File("stage/pipe.ps").c_str(), (in + "pipe.ps").c_str()), 0);
    WriteFile(in + "not-a-document.txt", "left alone");
    DropIn("good.ps");

    ASSERT_TRUE(WaitUntil([&] { return Exists(done + "good.ps"); }, 30s)) << watch.Err();
    ASSERT_TRUE(WaitUntil([&] { return ListNames(failed).size() == 4; }, 30s)) << watch.Err();
    EXPECT_EQ(ListNames(failed), (std::vector<std::string>{"broken.ps", "broken.ps.reason",
                                                           "pipe.ps", "pipe.ps.reason"}));
    EXPECT_EQ(ReadFile(failed + "pipe.ps.reason"), "not a regular file\n");
    std::string reason = ReadFile(failed + "broken.ps.reason");
    EXPECT_EQ(reason.rfind("interpreter error", 0), 0u) << reason;
    // The log line gives the same reason.
    EXPECT_NE(watch.Out().find("Failed  " + in + "broken.ps: " + reason), std::string::npos)
        << watch.Out();
    EXPECT_EQ(ListNames(out), (std::vector<std::string>{"good.pdf"}));

    // The watched folder itself goes: a clear error, status 1.
    std::filesystem::remove_all(in);
    EXPECT_EQ(watch.WaitForExit(10s), 1) << watch.Err();
    EXPECT_NE(watch.Err().find(in + ": the watched folder is gone"), std::string::npos)
        << watch.Err();
}

// One file that never ends holds up nothing: past the limit it fails and
// the file dropped with it converts.
TEST_F(Watch, ALoopingFileFailsAtItsTimeLimitAndTheFileDroppedWithItConverts) {
    WatchProcess watch(dir, Args({"--time-limit", "2"}));
    ASSERT_TRUE(watch.WaitUntilWatching()) << watch.Err();
    WriteFile(dir.File("stage/a-loop.ps"), "%!PS\n{} loop\n");
    ASSERT_EQ(::rename(dir.File("stage/a-loop.ps").c_str(), (in + "a-loop.ps").c_str()), 0);
    DropIn("b-good.ps");

    ASSERT_TRUE(WaitUntil([&] { return Exists(in + "done/b-good.ps"); }, 30s)) << watch.Err();
    ASSERT_TRUE(WaitUntil([&] { return Exists(in + "failed/a-loop.ps.reason"); }, 5s));
    EXPECT_EQ(ReadFile(in + "failed/a-loop.ps.reason"), "took longer than 2 s\n");
    EXPECT_EQ(ListNames(out), (std::vector<std::string>{"b-good.pdf"}));
    watch.Signal(SIGTERM);
    EXPECT_EQ(watch.WaitForExit(10s), 0) << watch.Err();
}

TEST_F(Watch, SigtermDuringAConversionStopsItAtOnceAndKeepsItsSource) {
    WriteFile(in + "loop.ps", "%!PS\n{} loop\n");
    WatchProcess watch(dir, Args());
    ASSERT_TRUE(watch.WaitUntilWatching()) << watch.Err();
    // The loop never ends: its conversion is under way from the moment its
    // temporary output is there (or surely a few seconds after the start).
    WaitUntil([&] { return !ListNames(out).empty(); }, 3s);
    DropIn("later.ps"); // waits behind the loop

    auto sent = std::chrono::steady_clock::now();
    watch.Signal(SIGTERM);
    EXPECT_EQ(watch.WaitForExit(5s), 0) << watch.Err();
    EXPECT_LT(std::chrono::steady_clock::now() - sent, 5s);

    EXPECT_EQ(ReadFile(in + "loop.ps"), "%!PS\n{} loop\n");
    EXPECT_TRUE(Exists(in + "later.ps")) << "started after the stop";
    EXPECT_TRUE(ListNames(out).empty()) << "something half-written is left";
    EXPECT_TRUE(ListNames(in + "done/").empty());
    EXPECT_TRUE(ListNames(in + "failed/").empty());
    EXPECT_EQ(watch.Out(), "Aborted  " + in + "loop.ps\n");
}

// The reader of the log goes away (`vantoria-cli --watch ... | head -1`)
// while a file converts and nothing is printed: noticed at once all the
// same, the conversion stops and the source stays.
TEST_F(Watch, AReaderThatGoesAwayStopsTheWatchAtOnce) {
    WriteFile(in + "loop.ps", "%!PS\n{} loop\n");
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    WatchProcess watch(dir, Args(), pipeFds[1]);
    ::close(pipeFds[1]);
    ASSERT_TRUE(watch.WaitUntilWatching()) << watch.Err();
    WaitUntil([&] { return !ListNames(out).empty(); }, 3s);

    ::close(pipeFds[0]);
    EXPECT_NE(watch.WaitForExit(5s), -1) << "the closed log went unnoticed";
    EXPECT_EQ(ReadFile(in + "loop.ps"), "%!PS\n{} loop\n");
    EXPECT_TRUE(ListNames(out).empty()) << "something half-written is left";
}

// Done and failed folders on another file system (a memory file system)
// take a copy of the source, which then goes from IN: the copy has the
// source's bytes and permissions and a free name, and no temporary is left
// beside it. A named pipe can't be copied: it stays in IN and the watch goes
// on. A file refused before its conversion (empty) fails with its reason.
TEST_F(Watch, FoldersOnAnotherFileSystemTakeACopyOfTheSource) {
    struct stat here {};
    struct stat there {};
    char shmTemplate[] = "/dev/shm/vantoria-watch-XXXXXX";
    if (::stat(dir.Path().c_str(), &here) != 0 || ::stat("/dev/shm", &there) != 0 ||
        here.st_dev == there.st_dev || !::mkdtemp(shmTemplate))
        GTEST_SKIP() << "no second file system to move across";
    struct Remove {
        std::string path;
        ~Remove() { std::filesystem::remove_all(path); }
    } other{std::string(shmTemplate) + "/"};
    std::string done = other.path + "done/", failed = other.path + "failed/";
    testsupport::CreateFolder(done);
    WriteFile(done + "good.ps", "an older file of that name");

    WatchProcess watch(dir, Args({"--done", done, "--failed", failed}));
    ASSERT_TRUE(watch.WaitUntilWatching()) << watch.Err();
    ASSERT_EQ(::mkfifo(dir.File("stage/pipe.ps").c_str(), 0644), 0);
    ASSERT_EQ(::rename(dir.File("stage/pipe.ps").c_str(), (in + "pipe.ps").c_str()), 0);
    WriteFile(dir.File("stage/empty.ps"), "");
    ASSERT_EQ(::rename(dir.File("stage/empty.ps").c_str(), (in + "empty.ps").c_str()), 0);
    testsupport::WritePs(dir.File("stage/good.ps"));
    ASSERT_EQ(::chmod(dir.File("stage/good.ps").c_str(), 0640), 0);
    const std::string bytes = ReadFile(dir.File("stage/good.ps"));
    DropIn("good.ps");

    ASSERT_TRUE(WaitUntil([&] { return Exists(done + "good-01.ps"); }, 30s)) << watch.Err();
    ASSERT_TRUE(WaitUntil([&] { return ListNames(failed).size() == 2; }, 10s)) << watch.Err();
    watch.Signal(SIGTERM);
    EXPECT_EQ(watch.WaitForExit(10s), 0) << watch.Err();

    EXPECT_EQ(ListNames(done), (std::vector<std::string>{"good-01.ps", "good.ps"}));
    EXPECT_EQ(ReadFile(done + "good.ps"), "an older file of that name");
    EXPECT_EQ(ReadFile(done + "good-01.ps"), bytes);
    struct stat copied {};
    ASSERT_EQ(::stat((done + "good-01.ps").c_str(), &copied), 0);
    EXPECT_EQ(copied.st_mode & 07777, 0640u);
    EXPECT_EQ(ListNames(failed), (std::vector<std::string>{"empty.ps", "empty.ps.reason"}));
    EXPECT_EQ(ReadFile(failed + "empty.ps.reason"), "empty input file\n");
    EXPECT_EQ(ListNames(in), (std::vector<std::string>{"pipe.ps"}));
    EXPECT_NE(watch.Err().find(in + "pipe.ps: can't move it to " + failed), std::string::npos)
        << watch.Err();
    EXPECT_EQ(ListNames(out), (std::vector<std::string>{"good.pdf"}));
}
