// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// confine-setup-bench: the time the interpreter helper spends confining
// itself, per helper start.
//
//   confine-setup-bench [RUNS]        (default 200)
//
// Each run forks a child that makes the plan a PDF conversion has (a scratch
// folder, an input to read, an output file to write, the result pipe kept)
// and applies PrepareProcess and RestrictSelf as tessarin-run does, timing
// the two calls with the monotonic clock; the child hands its time back and
// exits. Prints the layers that hold, then the minimum, median and maximum
// in milliseconds. Nothing outside a temporary folder is written.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "modules/tessarin/Confine.h"

namespace {

using Clock = std::chrono::steady_clock;

double TimeOneSetUp(const tessarin::ConfinePlan &base) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        tessarin::ConfinePlan plan = base;
        plan.keepFds = {fds[1]};
        const auto start = Clock::now();
        int rc = tessarin::PrepareProcess(plan);
        if (rc == 0)
            rc = tessarin::RestrictSelf(plan, false);
        double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (rc != 0)
            ms = -1;
        ssize_t n = write(fds[1], &ms, sizeof ms);
        _exit(n == sizeof ms ? 0 : 1);
    }
    close(fds[1]);
    double ms = -1;
    if (pid < 0 || read(fds[0], &ms, sizeof ms) != sizeof ms)
        ms = -1;
    close(fds[0]);
    if (pid > 0)
        waitpid(pid, nullptr, 0);
    return ms;
}

} // namespace

int main(int argc, char **argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/confine-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const fs::path root = pattern;
    fs::create_directory(root / "scratch");
    std::ofstream(root / "in.ps") << "%!PS\nshowpage\n";
    std::ofstream(root / "out.pdf");

    tessarin::ConfinePlan plan;
    plan.scratchDir = (root / "scratch").string();
    plan.readTargets = {(root / "in.ps").string()};
    plan.writeTargets = {(root / "out.pdf").string()};

    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        double ms = TimeOneSetUp(plan);
        if (ms < 0) {
            std::fprintf(stderr, "confine-setup-bench: the set-up failed\n");
            fs::remove_all(root);
            return 1;
        }
        times.push_back(ms);
    }
    fs::remove_all(root);
    std::sort(times.begin(), times.end());
    std::printf("interpreter confined: %s\n", tessarin::ConfinementLayers().c_str());
    std::printf("set-up per helper start over %d runs: min %.3f ms, median %.3f ms, max %.3f ms\n",
                runs, times.front(), times[times.size() / 2], times.back());
    return 0;
}
