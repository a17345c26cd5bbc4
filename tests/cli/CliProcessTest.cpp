// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// vantoria-cli run as a process: what it prints, its exit status, the
// settings it reads, parallel jobs, lists of inputs and the report, the
// progress line, and the stops: Ctrl+C, a hang-up, a reader gone.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "Files.h"
#include "PostScript.h"
#include "Process.h"
#include "ReadBack.h"
#include "TempFolder.h"
#include "modules/tessarin/Confine.h"

namespace {

using testsupport::Exists;
using testsupport::ListNames;
using testsupport::PsOptions;
using testsupport::ReadFile;
using testsupport::TempFolder;
using testsupport::WriteFile;

struct Result {
    int status = -1; // exit status, or 128 + signal
    std::string out;
    std::string err;
    std::vector<std::string> Lines() const { return testsupport::LinesOf(out); }
};

// How a CliProcess is connected besides its output pipes.
struct Connect {
    bool feedInput = false; // give it `input` on standard input, then end of file
    std::string input;
    int errorTerminal = -1; // standard error is this terminal, not a pipe
};

// A running vantoria-cli in a process group of its own, with HOME, the
// configuration folder and TMPDIR inside the test's folder.
class CliProcess {
public:
    CliProcess(const TempFolder &dir, const std::vector<std::string> &args,
               const Connect &connect = {}) {
        std::vector<std::string> argv = {std::string(VANTORIA_BIN_DIR) + "/vantoria-cli"};
        argv.insert(argv.end(), args.begin(), args.end());

        int out[2], err[2] = {-1, -1}, in[2] = {-1, -1};
        EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
        if (connect.errorTerminal < 0) {
            EXPECT_EQ(::pipe2(err, O_CLOEXEC), 0);
        }
        if (connect.feedInput) {
            EXPECT_EQ(::pipe2(in, O_CLOEXEC), 0);
        }
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        posix_spawn_file_actions_adddup2(
            &fa, connect.errorTerminal < 0 ? err[1] : connect.errorTerminal, 2);
        if (connect.feedInput)
            posix_spawn_file_actions_adddup2(&fa, in[0], 0);
        m_pid = testsupport::SpawnInOwnGroup(argv, testsupport::EnvironmentIn(dir), fa);
        EXPECT_GT(m_pid, 0);
        posix_spawn_file_actions_destroy(&fa);
        ::close(out[1]);
        if (err[1] >= 0)
            ::close(err[1]);
        m_out = out[0];
        m_err = err[0];
        if (connect.feedInput) {
            ::close(in[0]);
            EXPECT_EQ(::write(in[1], connect.input.data(), connect.input.size()),
                      static_cast<ssize_t>(connect.input.size()));
            ::close(in[1]);
        }
    }

    ~CliProcess() {
        if (m_pid > 0) {
            ::kill(-m_pid, SIGKILL);
            Finish();
        }
    }

    // Read what is there, waiting up to `ms` for more.
    void Pump(int ms) {
        pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
        if (::poll(fds, 2, ms) <= 0)
            return;
        char buf[4096];
        if (fds[0].revents) {
            ssize_t n = ::read(m_out, buf, sizeof buf);
            if (n > 0)
                m_result.out.append(buf, static_cast<std::size_t>(n));
        }
        if (fds[1].revents) {
            ssize_t n = ::read(m_err, buf, sizeof buf);
            if (n > 0)
                m_result.err.append(buf, static_cast<std::size_t>(n));
        }
    }

    // Wait until standard output holds `lines` lines (or the process ends).
    bool WaitForLines(std::size_t lines) {
        for (int i = 0; i < 6000; ++i) {
            if (m_result.Lines().size() >= lines)
                return true;
            if (!Running())
                return false;
            Pump(20);
        }
        return false;
    }

    // True while the process has not ended.
    bool Running() {
        if (m_exited)
            return false;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) != m_pid)
            return true;
        m_exited = true;
        m_result.status = testsupport::ExitStatus(status);
        return false;
    }

    // Ctrl+C at the terminal: SIGINT to the whole process group.
    void Interrupt() { ::kill(-m_pid, SIGINT); }
    // A signal to the program alone.
    void Signal(int sig) { ::kill(m_pid, sig); }
    // The reader of standard output goes away.
    void CloseOutput() {
        ::close(m_out);
        m_out = -1;
    }

    Result Finish() {
        while (m_out >= 0 || m_err >= 0) {
            pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
            if (::poll(fds, 2, 60000) <= 0)
                break;
            char buf[4096];
            bool open = false;
            for (int k = 0; k < 2; ++k) {
                if (!fds[k].revents)
                    continue;
                ssize_t n = ::read(fds[k].fd, buf, sizeof buf);
                if (n > 0) {
                    (k == 0 ? m_result.out : m_result.err).append(buf, static_cast<std::size_t>(n));
                    open = true;
                } else if (n < 0) {
                    open = true;
                }
            }
            if (!open)
                break;
        }
        ::close(m_out);
        ::close(m_err);
        if (!m_exited) {
            int status = 0;
            ::waitpid(m_pid, &status, 0);
            m_result.status = testsupport::ExitStatus(status);
        }
        m_pid = -1;
        return m_result;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1, m_err = -1;
    bool m_exited = false;
    Result m_result;
};

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char *d : {"home/", "config/", "tmp/", "in/", "out/"})
            testsupport::CreateFolder(dir.File(d));
        WriteFile(profile, "[Set]\notype=1\nmode=1\noutput=" + dir.File("out/") + "\n");
    }
    void TearDown() override {
        std::string left;
        for (const std::string &name : ListNames(dir.File("tmp/")))
            left += " " + name;
        EXPECT_TRUE(left.empty()) << "temporary files left:" << left;
        // The user's own settings file was never created.
        EXPECT_FALSE(Exists(dir.File("config/Quorvane")));
    }

    std::string Input(const std::string &name, const PsOptions &o = {}) {
        std::string path = dir.File("in/" + name);
        testsupport::WritePs(path, o);
        return path;
    }

    Result Run(std::vector<std::string> args) {
        CliProcess p(dir, args);
        return p.Finish();
    }

    // In memory, so the page folders go into its tmp/ (TMPDIR).
    TempFolder dir{testsupport::MemoryFolderParent()};
    std::string profile = dir.File("Profile.ini");
};

} // namespace

TEST_F(Cli, OneLinePerInputAndASummary) {
    std::string a = Input("a.ps"), b = Input("b.ps", {.pages = 2});
    Result r = Run({"--profile", profile, a, b});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines = r.Lines();
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[0], "Succeed  " + a + " -> " + dir.File("out/a.pdf"));
    EXPECT_EQ(lines[1], "Succeed  " + b + " -> " + dir.File("out/b.pdf"));
    // The time the run took ends the summary.
    EXPECT_EQ(lines[2].rfind("2 succeeded, 0 failed, 0 stopped in ", 0), 0u) << lines[2];
    EXPECT_EQ(lines[2].back(), 's');
    EXPECT_EQ(readback::ReadPdf(dir.File("out/b.pdf")).pages, 2);
    // Standard error is no terminal: the progress comes as plain lines.
    EXPECT_EQ(r.err,
              "vantoria-cli: file 1 of 2: " + a + "\nvantoria-cli: file 2 of 2: " + b + "\n");

    Result quiet = Run({"--profile", profile, "-q", a});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, "");
}

TEST_F(Cli, FailedAndRefusedInputsGiveExitStatusOne) {
    std::string good = Input("good.ps"), bad = Input("bad.ps", {.broken = true});
    std::string notes = dir.File("in/notes.txt"), missing = dir.File("in/missing.ps");
    std::string fifo = dir.File("in/fifo.ps");
    WriteFile(notes, "text");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Result r = Run({"--profile", profile, notes, missing, bad, fifo, good});
    EXPECT_EQ(r.status, 1);
    std::vector<std::string> lines = r.Lines();
    ASSERT_EQ(lines.size(), 6u) << r.out;
    // Each refused input gets its line at once, in the order given, before
    // the files that convert; the Failed lines say why.
    EXPECT_EQ(lines[0], "Failed  " + notes + ": is not a .ps or .eps file");
    EXPECT_EQ(lines[1], "Failed  " + missing + ": input file is missing");
    EXPECT_EQ(lines[2], "Failed  " + fifo + ": not a regular file");
    EXPECT_EQ(lines[3].rfind("Failed  " + bad + ": interpreter error", 0), 0u) << lines[3];
    EXPECT_EQ(lines[4], "Succeed  " + good + " -> " + dir.File("out/good.pdf"));
    EXPECT_EQ(lines[5].rfind("1 succeeded, 4 failed, 0 stopped in ", 0), 0u) << lines[5];

    // Quiet: the lines of the inputs that did not succeed, on standard error,
    // and nothing else.
    Result quiet = Run({"--profile", profile, "-q", notes, bad, good});
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(quiet.out, "");
    std::vector<std::string> errors = testsupport::LinesOf(quiet.err);
    ASSERT_EQ(errors.size(), 2u) << quiet.err;
    EXPECT_EQ(errors[0], lines[0]);
    EXPECT_EQ(errors[1], lines[3]);
}

// A folder stands for the PostScript files of its tree, whose outputs keep
// its shape; --skip-existing then converts nothing that is up to date.
TEST_F(Cli, AFolderKeepsItsTreeAndSkipExistingConvertsNothingTheSecondTime) {
    testsupport::CreateFolder(dir.File("in/tree/2019/q1/"));
    const std::string tree = dir.File("in/tree");
    Input("tree/top.ps");
    Input("tree/2019/a.ps");
    Input("tree/2019/q1/b.ps", {.pages = 2});
    WriteFile(dir.File("in/tree/2019/notes.txt"), "not asked for");
    Result first = Run({"--profile", profile, tree});
    EXPECT_EQ(first.status, 0) << first.out << first.err;
    EXPECT_EQ(ListNames(dir.File("out/")), (std::vector<std::string>{"2019", "top.pdf"}));
    EXPECT_EQ(ListNames(dir.File("out/2019/")), (std::vector<std::string>{"a.pdf", "q1"}));
    EXPECT_EQ(readback::ReadPdf(dir.File("out/2019/q1/b.pdf")).pages, 2);
    const std::string before = ReadFile(dir.File("out/2019/q1/b.pdf"));

    const std::string report = dir.File("report.jsonl");
    Result again = Run({"--profile", profile, "--skip-existing", "--report", report, tree});
    EXPECT_EQ(again.status, 0) << again.err;
    std::vector<std::string> lines = again.Lines();
    ASSERT_EQ(lines.size(), 4u) << again.out;
    EXPECT_EQ(lines[0], "Skipped  " + dir.File("in/tree/2019/a.ps") + ": up to date");
    EXPECT_EQ(lines[3].rfind("0 succeeded, 0 failed, 0 stopped, 3 skipped in ", 0), 0u);
    std::vector<std::string> entries = testsupport::LinesOf(ReadFile(report));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_NE(entries[0].find("\"status\":\"skipped\",\"reason\":\"up to date\""),
              std::string::npos)
        << entries[0];
    EXPECT_EQ(ReadFile(dir.File("out/2019/q1/b.pdf")), before);
    EXPECT_EQ(ListNames(dir.File("out/2019/q1/")), std::vector<std::string>{"b.pdf"});
}

TEST_F(Cli, UsageErrorsGiveExitStatusTwo) {
    std::string a = Input("a.ps");
    EXPECT_EQ(Run({}).status, 2);
    EXPECT_EQ(Run({"--kind", "movie", a}).status, 2);
    Result r = Run({"--set", "Pdf.nosuch=1", a});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Pdf.nosuch"), std::string::npos);
    EXPECT_FALSE(Exists(dir.File("out/a.pdf")));

    Result v = Run({"--version"});
    EXPECT_EQ(v.status, 0);
    std::vector<std::string> version = v.Lines();
    ASSERT_EQ(version.size(), 4u) << v.out;
    EXPECT_EQ(version[0], "vantoria-cli 8.6.7");
    // One line names the licence and where its full text is.
    EXPECT_NE(version[2].find("AGPL-3.0-or-later"), std::string::npos);
    EXPECT_NE(version[2].find("/usr/share/doc/vantoria/copyright"), std::string::npos);
    EXPECT_EQ(version[3], "interpreter confined: " + tessarin::ConfinementLayers())
        << "the layers that hold on this machine, as the engine module finds them";
    Result h = Run({"--help"});
    EXPECT_EQ(h.status, 0);
    EXPECT_NE(h.out.find("--jobs N"), std::string::npos);
}

TEST_F(Cli, SetChangesASettingInMemoryOnly) {
    WriteFile(profile, "[Set]\notype=0\ntype=0\nmode=1\noutput=" + dir.File("out/") +
                           "\n[Img]\nxdpi=72\nydpi=72\n");
    std::string before = ReadFile(profile);
    std::string a = Input("a.ps");
    Result r = Run({"--profile", profile, "--format", "png", "--set", "Img.xdpi=144", "--set",
                    "img.YDPI=144", a});
    EXPECT_EQ(r.status, 0) << r.err;
    readback::ImageFacts f = readback::ReadPng(dir.File("out/a.png"));
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.width, 1224);
    EXPECT_EQ(f.height, 1584);
    EXPECT_EQ(ReadFile(profile), before);
}

TEST_F(Cli, KindBesideAndNewNames) {
    std::string a = Input("a.ps", {.pages = 2});
    Result r = Run({"--profile", profile, "--kind", "text", "--beside", "--new-if-exists", a, a});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadFile(dir.File("in/a.txt")).find("Page 2 of a.ps"), std::string::npos);
    EXPECT_TRUE(Exists(dir.File("in/a-01.txt")));
}

TEST_F(Cli, TwoJobsConvertEveryInputUnderItsOwnName) {
    testsupport::CreateFolder(dir.File("in/x/"));
    std::vector<std::string> inputs = {Input("a.ps"), Input("x/a.ps", {.pages = 2}),
                                       Input("b.ps", {.pages = 3}), Input("c.ps")};
    std::vector<std::string> args = {"--profile", profile, "--jobs", "2", "--new-if-exists"};
    args.insert(args.end(), inputs.begin(), inputs.end());
    Result r = Run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines = r.Lines();
    ASSERT_EQ(lines.size(), 5u);
    std::sort(lines.begin(), lines.begin() + 4);
    std::vector<std::string> expected;
    for (const std::string &in : inputs)
        expected.push_back("Succeed  " + in);
    std::sort(expected.begin(), expected.end());
    for (auto line = lines.begin(); line != lines.begin() + 4; ++line)
        line->resize(line->find(" -> "));
    std::sort(lines.begin(), lines.begin() + 4);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 4), expected);
    EXPECT_EQ(ListNames(dir.File("out/")),
              (std::vector<std::string>{"a-01.pdf", "a.pdf", "b.pdf", "c.pdf"}));
}

TEST_F(Cli, CtrlCStopsBetweenFiles) {
    std::vector<std::string> args = {"--profile", profile,        "--kind", "image",
                                     "--set",     "Img.xdpi=150", "--set",  "Img.ydpi=150"};
    for (int i = 0; i < 6; ++i)
        args.push_back(Input("p" + std::to_string(i) + ".ps", {.pages = 4}));
    CliProcess p(dir, args);
    ASSERT_TRUE(p.WaitForLines(1));
    p.Interrupt();
    Result r = p.Finish();
    EXPECT_EQ(r.status, 1) << r.err;
    std::vector<std::string> lines = r.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Succeed  " + dir.File("in/p0.ps") + " -> " + dir.File("out/p0_001.jpg") +
                            " and 3 more");
    // The file in hand when the stop came still finished (or was stopped
    // between its pages); nothing after it was started.
    EXPECT_LT(lines.size(), 6u);
    EXPECT_NE(lines.back().find("stopped"), std::string::npos);
    EXPECT_NE(r.err.find("stopping after the current file"), std::string::npos);
    EXPECT_FALSE(Exists(dir.File("out/p5_001.jpg")));
}

TEST_F(Cli, SecondCtrlCEndsAtOnceAndLeavesNoTemporaryFile) {
    std::string big = Input("big.ps", {.pages = 40});
    CliProcess p(dir, {"--profile", profile, "--kind", "image", "--set", "Img.xdpi=300", "--set",
                       "Img.ydpi=300", big, Input("after.ps")});
    // Wait until the interpreter is busy rendering.
    for (int i = 0; i < 500; ++i) {
        bool rendering = false;
        for (const std::string &n : ListNames(dir.File("tmp/")))
            if (n.rfind("mtmp_", 0) == 0 && !ListNames(dir.File("tmp/") + n).empty())
                rendering = true;
        if (rendering)
            break;
        p.Pump(20);
    }
    p.Interrupt();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    p.Interrupt();
    Result r = p.Finish();
    EXPECT_EQ(r.status, 1) << r.err;
    // The big file never got to its images; the next one never started.
    EXPECT_TRUE(ListNames(dir.File("out/")).empty());
    EXPECT_EQ(r.Lines().back().rfind("0 succeeded, 0 failed, 2 stopped in ", 0), 0u);
    // TearDown: the temporary folder is empty.
}

namespace {

// The report's lines as jq reads them: input, status, reason, outputs joined
// by '|', and the type of "seconds", tab-separated; one entry per line.
std::vector<std::string> ReadReport(const std::string &path) {
    std::string command = "jq -e -r '[.input, .status, .reason, (.outputs | join(\"|\")), "
                          "(.seconds | type)] | @tsv' '" +
                          path + "'";
    std::vector<std::string> entries;
    std::FILE *jq = ::popen(command.c_str(), "r");
    if (!jq)
        return entries;
    std::string text;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, jq)) > 0;)
        text.append(buf, n);
    EXPECT_EQ(::pclose(jq), 0) << "jq refused " << path;
    entries = testsupport::LinesOf(text);
    std::sort(entries.begin(), entries.end());
    return entries;
}

} // namespace

TEST_F(Cli, FilesFromStandardInputWithNulAndAJsonReport) {
    // Names that a line list could not carry, a refused one and a broken one,
    // NUL-separated as find -print0 writes them, after a FILE argument.
    std::string spaced = Input("a b.ps"), newline = Input("two\nlines.ps", {.pages = 2});
    std::string bad = Input("bad.ps", {.broken = true}), first = Input("first.ps");
    std::string missing = dir.File("in/missing.ps");
    std::string list = spaced + '\0' + newline + '\0' + missing + '\0' + bad; // no final NUL
    std::string report = dir.File("report.jsonl");
    CliProcess p(
        dir,
        {"--profile", profile, "--jobs", "2", "--report", report, first, "--files-from", "-", "-0"},
        {.feedInput = true, .input = list});
    Result r = p.Finish();
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.out.find("3 succeeded, 2 failed, 0 stopped"), std::string::npos) << r.out;
    EXPECT_EQ(readback::ReadPdf(dir.File("out/two\nlines.pdf")).pages, 2);

    std::vector<std::string> entries = ReadReport(report);
    ASSERT_EQ(entries.size(), 5u);
    // jq's @tsv writes a newline inside a value as \n.
    std::vector<std::string> expected = {
        spaced + "\tSucceed\t\t" + dir.File("out/a b.pdf") + "\tnumber",
        first + "\tSucceed\t\t" + dir.File("out/first.pdf") + "\tnumber",
        missing + "\tFailed\tinput file is missing\t\tnumber",
        dir.File("in/two\\nlines.ps") + "\tSucceed\t\t" + dir.File("out/two\\nlines.pdf") +
            "\tnumber",
    };
    std::string badEntry;
    for (const std::string &e : entries)
        if (e.rfind(bad + "\tFailed\tinterpreter error", 0) == 0)
            badEntry = e;
    EXPECT_NE(badEntry, "") << "no Failed entry with its reason for " << bad;
    for (const std::string &e : expected)
        EXPECT_NE(std::find(entries.begin(), entries.end(), e), entries.end()) << e;

    // A line list holding a NUL is refused before anything is converted, as
    // is a report that can't be created; nothing was written either time.
    std::string lineList = dir.File("list.txt");
    WriteFile(lineList, first + "\n" + std::string("x\0y.ps\n", 7));
    Result nul = Run({"--profile", profile, "--overwrite", "--files-from", lineList});
    EXPECT_EQ(nul.status, 2);
    EXPECT_NE(nul.err.find("needs -0"), std::string::npos) << nul.err;
    Result noReport = Run({"--profile", profile, "--report", dir.File("no/such/r.jsonl"), first});
    EXPECT_EQ(noReport.status, 2);
    EXPECT_EQ(ListNames(dir.File("out/")).size(), 3u);
}

// An image row's reason reaches the report as the run gave it: a read-only
// output folder, a full disk, a page too large for the format. Each run is a
// child that honours file permissions and may be under a file-size limit.
// A text row that finds no text succeeds and says so on its line and in
// the report, where a failed row says why; a compressed input is named
// after the document inside it.
TEST_F(Cli, ATextRowWithoutTextSaysSoOnItsLineAndInTheReport) {
    const std::string drawing = dir.File("in/drawing.ps.gz");
    WriteFile(drawing, testsupport::Gzip("%!PS\n72 72 moveto 300 400 lineto stroke showpage\n"));
    const std::string report = dir.File("report.jsonl");
    Result r = Run({"--profile", profile, "--kind", "text", "--report", report, drawing});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string note = "no text found: the pages hold only drawings or images";
    const std::vector<std::string> lines = r.Lines();
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_EQ(lines[0], "Succeed  " + drawing + " -> " + dir.File("out/drawing.txt") + ": " + note);
    EXPECT_EQ(lines[1].rfind("1 succeeded, 0 failed, 0 stopped in ", 0), 0u) << lines[1];
    EXPECT_EQ(ReadReport(report),
              std::vector<std::string>{drawing + "\tSucceed\t" + note + "\t" +
                                       dir.File("out/drawing.txt") + "\tnumber"});
}

TEST_F(Cli, AnImageRowsReasonReachesTheReport) {
    const std::string report = dir.File("report.jsonl");
    auto run = [&](std::vector<std::string> args, long long fileSizeLimit) {
        std::vector<std::string> argv = {std::string(VANTORIA_BIN_DIR) + "/vantoria-cli",
                                         "--profile",
                                         profile,
                                         "-q",
                                         "--kind",
                                         "image",
                                         "--report",
                                         report};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<std::string> env = testsupport::EnvironmentIn(dir);
        return testsupport::RunInChild(
            [&] {
                std::vector<char *> a, e;
                for (std::string &x : argv)
                    a.push_back(x.data());
                for (std::string &x : env)
                    e.push_back(x.data());
                a.push_back(nullptr);
                e.push_back(nullptr);
                int null = ::open("/dev/null", O_WRONLY);
                if (null < 0 || ::dup2(null, 1) < 0 || ::dup2(null, 2) < 0 ||
                    !testsupport::HonourFilePermissions())
                    return 120;
                ::execve(a[0], a.data(), e.data());
                return 127;
            },
            fileSizeLimit);
    };

    const std::string a = Input("a.ps");
    testsupport::CreateFolder(dir.File("ro/"));
    ASSERT_EQ(::chmod(dir.File("ro/").c_str(), 0555), 0);
    EXPECT_EQ(run({"--format", "png", "--output", dir.File("ro/"), a}, 0), 1);
    EXPECT_EQ(ReadReport(report),
              std::vector<std::string>{a + "\tFailed\toutput folder is read-only\t\tnumber"});

    // 1454166 bytes: the 72-dpi page file; its uncompressed TIFF is larger.
    EXPECT_EQ(run({"--format", "tif", "--set", "Img.compress=0", "--set", "Img.multpage=0",
                   "--output", dir.File("full/"), a},
                  1454166 + 32),
              1);
    std::vector<std::string> full = ReadReport(report);
    ASSERT_EQ(full.size(), 1u);
    EXPECT_EQ(full[0].rfind(a + "\tFailed\t", 0), 0u) << full[0];
    EXPECT_NE(full[0].find("disk full"), std::string::npos) << full[0];

    const std::string wide = dir.File("in/wide.ps");
    WriteFile(wide, "%!PS\n<< /PageSize [20000 10] >> setpagedevice\nshowpage\n");
    EXPECT_EQ(run({"--format", "pcx", "--set", "Img.xdpi=300", "--set", "Img.ydpi=300", "--output",
                   dir.File("wide/"), wide},
                  0),
              1);
    std::vector<std::string> tooLarge = ReadReport(report);
    ASSERT_EQ(tooLarge.size(), 1u);
    EXPECT_EQ(tooLarge[0].rfind(wide + "\tFailed\t", 0), 0u) << tooLarge[0];
    EXPECT_NE(tooLarge[0].find("too large"), std::string::npos) << tooLarge[0];
}

TEST_F(Cli, ProgressLineOnATerminal) {
    int master = -1, slave = -1;
    winsize size{};
    size.ws_col = 60;
    size.ws_row = 24;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, &size), 0);
    std::string a = Input("a.ps", {.pages = 3});
    std::string b = Input("a-rather-long-name-that-does-not-fit-the-line.ps");
    Result r;
    {
        CliProcess p(dir, {"--profile", profile, "--kind", "image", "--format", "png", a, b},
                     {.feedInput = false, .input = {}, .errorTerminal = slave});
        ::close(slave);
        r = p.Finish();
    }
    std::string tty;
    char buf[4096];
    for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;)
        tty.append(buf, static_cast<std::size_t>(n));
    ::close(master);
    EXPECT_EQ(r.status, 0) << tty;
    // Standard output keeps its lines; the terminal gets one line rewritten
    // in place, file by file and page by page, cut to the width, and wiped
    // at the end.
    EXPECT_EQ(r.Lines().size(), 3u);
    const std::string redraw = "\r\033[K";
    for (int page = 1; page <= 3; ++page)
        EXPECT_NE(tty.find(redraw + "file 1 of 2, page " + std::to_string(page) + ": "),
                  std::string::npos)
            << tty;
    std::size_t second = tty.find(redraw + "file 2 of 2, page 1: ...");
    ASSERT_NE(second, std::string::npos) << tty;
    std::size_t end = tty.find('\r', second + 1);
    EXPECT_EQ(tty.substr(second + redraw.size(), end - second - redraw.size()).size(), 59u);
    EXPECT_EQ(tty.find('\n'), std::string::npos) << "the line was never rewritten in place";
    EXPECT_EQ(tty.substr(tty.size() - redraw.size()), redraw);
}

TEST_F(Cli, AClosedOutputOrAHangUpStopsAtOnceAndLeavesNothing) {
    // The reader of standard output goes away after the first line, as with
    // `vantoria-cli ... | head -1`: no crash, the run stops at once.
    std::vector<std::string> args = {"--profile", profile,        "--kind", "image",
                                     "--set",     "Img.xdpi=150", "--set",  "Img.ydpi=150"};
    for (int i = 0; i < 6; ++i)
        args.push_back(Input("p" + std::to_string(i) + ".ps", {.pages = 4}));
    {
        CliProcess p(dir, args);
        ASSERT_TRUE(p.WaitForLines(1));
        p.CloseOutput();
        Result r = p.Finish();
        EXPECT_EQ(r.status, 1) << "ended by a signal or not stopped: " << r.err;
        EXPECT_FALSE(Exists(dir.File("out/p5_001.jpg")));
    }
    // One SIGTERM or a hang-up during a file that never ends stops it at
    // once, as does a SIGPIPE sent to the process.
    WriteFile(dir.File("in/loop.ps"), "%!PS\n{} loop\n");
    for (int sig : {SIGTERM, SIGHUP, SIGPIPE}) {
        CliProcess p(dir, {"--profile", profile, "--kind", "image", dir.File("in/loop.ps"),
                           dir.File("in/p0.ps")});
        // Wait until the engine runs the file.
        for (int i = 0; i < 500 && ListNames(dir.File("tmp/")).empty(); ++i)
            p.Pump(20);
        p.Signal(sig);
        Result r = p.Finish();
        EXPECT_EQ(r.status, 1) << sig;
        std::vector<std::string> lines = r.Lines();
        ASSERT_EQ(lines.size(), 2u) << sig << r.out;
        EXPECT_EQ(lines[0], "Aborted  " + dir.File("in/loop.ps") + ": stopped") << sig;
        EXPECT_EQ(lines[1].rfind("0 succeeded, 0 failed, 2 stopped in ", 0), 0u) << sig;
        EXPECT_TRUE(ListNames(dir.File("tmp/")).empty()) << sig;
    }
    // The reader goes away while that file converts and nothing is printed:
    // noticed all the same, `vantoria-cli loop.ps | head -1` ends.
    CliProcess p(dir, {"--profile", profile, "--kind", "image", dir.File("in/loop.ps")});
    for (int i = 0; i < 500 && ListNames(dir.File("tmp/")).empty(); ++i)
        p.Pump(20);
    p.CloseOutput();
    for (int i = 0; i < 600 && p.Running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(p.Running()) << "the closed output went unnoticed";
    EXPECT_EQ(p.Finish().status, 1);
    // TearDown: nothing is left in the temporary folder.
}

TEST_F(Cli, AStopAtOnceAbandonsAnEncoderThatCannotBeInterrupted) {
    // One large page to JPEG 2000: its encoding is one long step.
    std::string big = Input("big.ps", {.widthStep = 8000});
    CliProcess p(dir, {"--profile", profile, "--kind", "image", "--format", "jp2", "--set",
                       "Img.xdpi=200", "--set", "Img.ydpi=200", big});
    // Wait until the encoder writes its output's temporary file.
    for (int i = 0; i < 3000 && ListNames(dir.File("out/")).empty(); ++i)
        p.Pump(20);
    ASSERT_FALSE(ListNames(dir.File("out/")).empty()) << "the encoder never started";
    p.Signal(SIGTERM);
    // Far less than the encoding takes.
    for (int i = 0; i < 60 && p.Running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(p.Running()) << "still encoding";
    Result r = p.Finish();
    EXPECT_EQ(r.status, 1) << r.err;
    std::vector<std::string> lines = r.Lines();
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_EQ(lines[0], "Aborted  " + big + ": stopped");
    EXPECT_EQ(lines[1].rfind("0 succeeded, 0 failed, 1 stopped in ", 0), 0u);
    EXPECT_TRUE(ListNames(dir.File("out/")).empty());
    // TearDown: nothing is left in the temporary folder.
}

namespace {

// Every way a command-line run is stopped, each output kind, one and two
// jobs: every input ends with a final status in the report, a "Succeed"
// row's outputs are all there, every file in the output folder belongs to a
// row, and nothing is written once the process has ended.
enum class StopPath { CtrlC, SecondCtrlC, Term, HangUp, ClosedOutput };

struct StopCase {
    StopPath path;
    int jobs;
    const char *kind; // pdf, text, png or tiff (multi-page)
};

std::string StopCaseName(const ::testing::TestParamInfo<StopCase> &info) {
    static const char *const paths[] = {"CtrlC", "SecondCtrlC", "Term", "HangUp", "ClosedOutput"};
    return std::string(paths[static_cast<int>(info.param.path)]) + "_" + info.param.kind + "_" +
           std::to_string(info.param.jobs) + "jobs";
}

std::vector<std::string> KindArgs(const std::string &kind) {
    if (kind == "png")
        return {"--kind", "image", "--format", "png"};
    if (kind == "tiff")
        return {"--kind", "image", "--format", "tif", "--set", "Img.multpage=1"};
    return {"--kind", kind};
}

class CliStop : public Cli, public ::testing::WithParamInterface<StopCase> {};

} // namespace

TEST_P(CliStop, EveryRowEndsWithAFinalStatusAndNothingIsWrittenAfterwards) {
    const StopCase c = GetParam();
    std::string report = dir.File("report.jsonl");
    std::vector<std::string> args = {
        "--profile", profile,        "--report", report,        "--jobs", std::to_string(c.jobs),
        "--set",     "Img.xdpi=150", "--set",    "Img.ydpi=150"};
    for (const std::string &a : KindArgs(c.kind))
        args.push_back(a);
    std::vector<std::string> inputs;
    for (int i = 0; i < 4; ++i)
        inputs.push_back(Input("s" + std::to_string(i) + ".ps", {.pages = 5}));
    args.insert(args.end(), inputs.begin(), inputs.end());

    CliProcess p(dir, args);
    // Stop once the first row is done, while the next ones convert.
    for (int i = 0; i < 3000 && ReadFile(report).find('\n') == std::string::npos; ++i)
        p.Pump(20);
    switch (c.path) {
    case StopPath::CtrlC:
        p.Interrupt();
        break;
    case StopPath::SecondCtrlC:
        p.Interrupt();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        p.Interrupt();
        break;
    case StopPath::Term:
        p.Signal(SIGTERM);
        break;
    case StopPath::HangUp:
        p.Signal(SIGHUP);
        break;
    case StopPath::ClosedOutput:
        p.CloseOutput();
        break;
    }
    Result r = p.Finish();
    EXPECT_TRUE(r.status == 0 || r.status == 1) << r.status << " " << r.err;

    std::vector<std::string> before = testsupport::FolderState(dir.File("out/"));
    std::vector<std::string> written;
    std::vector<std::string> entries = ReadReport(report);
    ASSERT_EQ(entries.size(), inputs.size());
    for (const std::string &e : entries) {
        std::vector<std::string> f;
        for (std::size_t at = 0, tab; at <= e.size(); at = tab + 1) {
            tab = std::min(e.find('\t', at), e.size());
            f.push_back(e.substr(at, tab - at));
        }
        ASSERT_EQ(f.size(), 5u) << e;
        EXPECT_TRUE(f[1] == "Succeed" || f[1] == "Aborted" || f[1] == "Ready") << e;
        for (std::size_t at = 0, bar; !f[3].empty() && at <= f[3].size(); at = bar + 1) {
            bar = std::min(f[3].find('|', at), f[3].size());
            written.push_back(f[3].substr(at, bar - at));
            EXPECT_TRUE(Exists(written.back())) << e;
        }
    }
    for (const std::string &n : ListNames(dir.File("out/")))
        EXPECT_NE(std::find(written.begin(), written.end(), dir.File("out/" + n)), written.end())
            << n << " belongs to no row";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(testsupport::FolderState(dir.File("out/")), before)
        << "written after the process ended";
    // TearDown: the temporary folder is empty.
}

namespace {

std::vector<StopCase> AllStopCases() {
    std::vector<StopCase> cases;
    for (StopPath path : {StopPath::CtrlC, StopPath::SecondCtrlC, StopPath::Term, StopPath::HangUp,
                          StopPath::ClosedOutput})
        for (int jobs : {1, 2})
            for (const char *kind : {"pdf", "text", "png", "tiff"})
                cases.push_back({path, jobs, kind});
    return cases;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Stops, CliStop, ::testing::ValuesIn(AllStopCases()), StopCaseName);
