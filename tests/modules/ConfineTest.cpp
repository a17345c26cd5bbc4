// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The helper's confinement: the probe program (ConfineProbe.cpp) applies it
// and tries every way out; the helper's plan as read from its arguments.
#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Files.h"
#include "TempFolder.h"
#include "modules/tessarin/ConfineLandlock.h"
#include "modules/tessarin/HelperPlan.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempFolder;
using testsupport::WriteFile;

extern char **environ;

namespace {

// What the probe tries to read from this process's memory.
const char kParentText[] = "parent-memory-token";

// Escapes the seccomp filter stops on any kernel, and those that need Landlock.
const std::vector<std::string> kFilterCovered = {"truncate-outside",
                                                 "symlink-to-secret",
                                                 "hardlink-to-secret",
                                                 "fifo-in-scratch",
                                                 "inet-socket",
                                                 "udp-sendto",
                                                 "unix-connect",
                                                 "io-uring",
                                                 "signal-parent",
                                                 "process-vm-read",
                                                 "ptrace-parent",
                                                 "type-into-terminal",
                                                 "new-namespace",
                                                 "fork",
                                                 "execve"};
const std::vector<std::string> kLandlockCovered = {"read-secret", "create-outside", "parent-memory",
                                                   "open-terminal"};

// A listening Unix socket, like an agent's or the session bus's.
class Listener {
public:
    explicit Listener(const std::string &path) {
        m_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
        if (bind(m_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
            listen(m_fd, 4) != 0) {
            close(m_fd);
            m_fd = -1;
        }
    }
    ~Listener() {
        if (m_fd >= 0)
            close(m_fd);
    }
    bool ok() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

class ConfineProbeTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::canonical(dir.Path()).string();
        scratch = root + "/scratch";
        outside = root + "/outside";
        secret = root + "/home/.ssh/id_rsa";
        fs::create_directories(scratch);
        fs::create_directories(outside);
        fs::create_directories(root + "/home/.ssh");
        WriteFile(secret, "s3cretKey-4242");
        WriteFile(outside + "/victim", "keep me");
        listener = std::make_unique<Listener>(outside + "/agent.sock");
        ASSERT_TRUE(listener->ok());
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0 && ptsname(master))
            terminal = ptsname(master);
    }
    void TearDown() override {
        if (master >= 0)
            close(master);
    }

    // Runs the probe in `mode`; its lines by attempt name ("blocked ..." or
    // "escaped"), plus "state" and "layers".
    std::map<std::string, std::string> Probe(const std::string &mode) {
        // A descriptor and variables of the caller's that must not reach it.
        int leaked = open(secret.c_str(), O_RDONLY);
        std::vector<std::string> envText = {"SSH_AUTH_SOCK=" + outside + "/agent.sock",
                                            "GS_OPTIONS=-dNOSAFER", "HOME=" + root + "/home"};
        char address[32];
        std::snprintf(address, sizeof address, "%lx", reinterpret_cast<unsigned long>(kParentText));
        std::vector<std::string> argText = {PROBE_PROGRAM,
                                            mode,
                                            scratch,
                                            secret,
                                            outside,
                                            outside + "/agent.sock",
                                            terminal.empty() ? "-" : terminal,
                                            address};
        std::vector<char *> args, env;
        for (std::string &a : argText)
            args.push_back(a.data());
        args.push_back(nullptr);
        for (std::string &e : envText)
            env.push_back(e.data());
        env.push_back(nullptr);

        int out[2];
        EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, PROBE_PROGRAM, &actions, nullptr, args.data(), env.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(leaked);
        std::string text;
        char buffer[4096];
        for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<size_t>(n));
        close(out[0]);
        int status = 0;
        waitpid(pid, &status, 0);

        std::map<std::string, std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            size_t space = line.find(' ');
            lines[line.substr(0, space)] = space == std::string::npos ? "" : line.substr(space + 1);
        }
        return lines;
    }

    // Every attempt in `names` was blocked (those needing a terminal only
    // when there is one).
    void ExpectBlocked(std::map<std::string, std::string> &lines,
                       const std::vector<std::string> &names) {
        for (const std::string &name : names) {
            if (terminal.empty() && name.find("terminal") != std::string::npos)
                continue;
            EXPECT_EQ(lines[name].rfind("blocked", 0), 0u) << name << ": " << lines[name];
        }
    }
    // Nothing outside the scratch folder was created, removed or changed, and
    // nothing was linked into it.
    void ExpectNothingTouched() {
        EXPECT_EQ(ReadFile(outside + "/victim"), "keep me");
        std::set<std::string> names;
        for (const auto &e : fs::directory_iterator(outside))
            names.insert(e.path().filename().string());
        EXPECT_EQ(names, (std::set<std::string>{"agent.sock", "victim"}));
        EXPECT_TRUE(fs::is_empty(scratch));
    }

    TempFolder dir;
    std::string root, scratch, outside, secret, terminal;
    std::unique_ptr<Listener> listener;
    int master = -1;
};

} // namespace

TEST_F(ConfineProbeTest, EveryEscapeWorksUnconfined) {
    auto lines = Probe("off");
    // These depend on the machine's settings (io_uring, terminal typing,
    // user namespaces, ptrace policy), so only the rest is held to it.
    const std::set<std::string> maybe = {"io-uring", "type-into-terminal", "new-namespace",
                                         "ptrace-parent"};
    for (const auto *list : {&kFilterCovered, &kLandlockCovered}) {
        for (const std::string &name : *list) {
            if (maybe.count(name) || (terminal.empty() && name.find("terminal") != name.npos))
                continue;
            if (name == "execve")
                EXPECT_EQ(lines["execve"], "trying") << "the probe became /bin/true";
            else
                EXPECT_EQ(lines[name], "escaped") << name;
        }
    }
    EXPECT_EQ(ReadFile(outside + "/victim"), "") << "truncated";
    EXPECT_TRUE(fs::exists(outside + "/created"));
}

TEST_F(ConfineProbeTest, PrepareLeavesOnlyItsOwnDescriptorsSessionAndEnvironment) {
    auto lines = Probe("on");
    const std::string &state = lines["state"];
    EXPECT_NE(state.find("session=own"), std::string::npos) << state;
    EXPECT_NE(state.find("core=0 nnp=1 cwd=" + scratch + " "), std::string::npos) << state;
    EXPECT_EQ(state.substr(state.find(" env=") + 5),
              "HOME=" + scratch + ";TMPDIR=" + scratch + ";PATH=/usr/bin:/bin")
        << "nothing of the caller's environment";
    std::string fds = state.substr(state.find("fds=") + 4);
    fds = fds.substr(0, fds.find(' '));
    EXPECT_TRUE(fds == "0,1,2" || fds.rfind("0,1,2,", 0) == 0) << fds;
    EXPECT_LE(std::count(fds.begin(), fds.end(), ','), terminal.empty() ? 2 : 3)
        << "only the kept terminal besides 0-2: " << fds;
}

TEST_F(ConfineProbeTest, TheFilterStopsEveryEscapeItCovers) {
    auto lines = Probe("on");
    ASSERT_EQ(lines.count("confine"), 0u) << lines["confine"];
    ExpectBlocked(lines, kFilterCovered);
    ExpectNothingTouched();
}

TEST_F(ConfineProbeTest, LandlockStopsFilesTheProcessAndTheTerminal) {
    if (tessarin::LandlockAbi() == 0)
        GTEST_SKIP() << "this kernel has no Landlock";
    auto lines = Probe("on");
    EXPECT_EQ(lines["layers"],
              "Landlock ABI " + std::to_string(tessarin::LandlockAbi()) + ", seccomp");
    ExpectBlocked(lines, kLandlockCovered);
    ExpectNothingTouched();
}

TEST_F(ConfineProbeTest, WithoutLandlockTheFilterStillHolds) {
    auto lines = Probe("on-without-landlock");
    ASSERT_EQ(lines.count("confine"), 0u) << lines["confine"];
    EXPECT_EQ(lines["layers"], "seccomp only (no Landlock in this kernel)");
    EXPECT_EQ(lines["read-secret"], "escaped") << "files are Landlock's to guard";
    ExpectBlocked(lines, kFilterCovered);
    EXPECT_EQ(ReadFile(outside + "/victim"), "keep me");
    EXPECT_TRUE(fs::is_empty(scratch));
}

// The plan tessarin-run makes of its arguments: the one output (a file made
// when missing, never through a link; the folder of a page pattern; nothing
// for the standard streams or a pipe), inputs made absolute, PostScript
// after -c never taken for a file.
TEST(HelperPlanTest, OutputAndInputsFromTheArguments) {
    TempFolder dir;
    const std::string root = fs::canonical(dir.Path()).string();
    fs::create_directory(root + "/pages");
    WriteFile(root + "/in.ps", "%!PS\n");
    fs::create_symlink(root + "/in.ps", root + "/link.pdf");
    const fs::path cwd = fs::current_path();
    fs::current_path(root);

    auto plan = [](std::vector<std::string> args) {
        std::vector<char *> argv;
        for (std::string &a : args)
            argv.push_back(a.data());
        return tessarin::MakeHelperPlan(static_cast<int>(argv.size()), argv.data(), "/s", 3);
    };
    using V = std::vector<std::string>;

    auto pdf = plan({"t", "-dSAFER", "-sOutputFile=out.pdf", "-c", "1", "in.ps", "-f", "in.ps"});
    EXPECT_EQ(pdf.plan.writeTargets, V{root + "/out.pdf"});
    EXPECT_TRUE(fs::is_regular_file(root + "/out.pdf")) << "made so it can be named";
    EXPECT_EQ(pdf.plan.readTargets, V{root + "/in.ps"}) << "\"in.ps\" after -c is PostScript";
    EXPECT_EQ(pdf.args, (V{"t", "-dSAFER", "-sOutputFile=" + root + "/out.pdf", "-c", "1", "in.ps",
                           "-f", root + "/in.ps"}));
    EXPECT_EQ(pdf.plan.scratchDir, "/s");
    EXPECT_EQ(pdf.plan.keepFds, std::vector<int>{3});

    EXPECT_EQ(plan({"t", "-sOutputFile=pages/_%03d.bmp", "in.ps"}).plan.writeTargets,
              V{root + "/pages"});
    EXPECT_EQ(plan({"t", "-o", root + "/o.pdf"}).plan.writeTargets, V{root + "/o.pdf"});
    EXPECT_EQ(plan({"t", "-o" + root + "/p.pdf"}).plan.writeTargets, V{root + "/p.pdf"});
    for (const char *device : {"-sOutputFile=%stdout", "-sOutputFile=%pipe%cat", "-sOutputFile=-",
                               "-sOutputFile=|cat", "-sOutputFile=nofolder/_%d.bmp"})
        EXPECT_TRUE(plan({"t", device}).plan.writeTargets.empty()) << device;
    EXPECT_EQ(plan({"t", "-sOutputFile=100%%.pdf"}).plan.writeTargets, V{root + "/100%%.pdf"});
    // A link in the output's place stays a link; RestrictSelf refuses it.
    EXPECT_EQ(plan({"t", "-sOutputFile=link.pdf"}).plan.writeTargets, V{root + "/link.pdf"});
    EXPECT_EQ(ReadFile(root + "/in.ps"), "%!PS\n");
    fs::current_path(cwd);
}
