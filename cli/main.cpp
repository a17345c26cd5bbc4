// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// vantoria-cli: the conversion core for scripts and servers.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliRun.h"
#include "cli/StopSignals.h"
#include "cli/WatchMode.h"
#include "common/Licence.h"

int main(int argc, char **argv) {
    // Stop requests are taken by a thread of the run (sigwait); every thread,
    // and the interpreter children, start with them blocked, so a Ctrl+C at
    // the terminal reaches only that thread.
    BlockStopSignals();

    std::vector<std::string> args(argv + 1, argv + argc);
    CliOptions options;
    std::string error;
    if (!ParseCliArguments(args, options, error)) {
        std::fprintf(stderr, "vantoria-cli: %s\nTry 'vantoria-cli --help'.\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("vantoria-cli %s\n%s\n%s\n%s\n", VANTORIA_VERSION, kCopyrightLine, kLicenceLine,
                    ConfinementLine().c_str());
        return 0;
    }
    if (!options.watchFolder.empty())
        return RunWatch(options, stdout, stderr);
    ProgressMode progress =
        ::isatty(STDERR_FILENO) == 1 ? ProgressMode::Terminal : ProgressMode::Lines;
    return RunCli(options, stdout, stderr, progress);
}
