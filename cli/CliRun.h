// CliRun: vantoria-cli's run of the conversion core, with no window and no
// pauses.
//
// RunCli loads the settings as the program does, applies the command-line
// edits in memory, takes the inputs the list would take (reporting the
// others on `err`), converts the rest and prints one line per input as it
// finishes ("Succeed  /data/a.ps") and a summary. The progress bar goes to
// `err` only when `progressBar` is set. Returns the exit status: 0 when every
// input succeeded, 1 otherwise.
//
// Stop handling: SIGINT and SIGTERM must be blocked in every thread before
// RunCli is called (main does this); RunCli waits for them on a thread of its
// own. The first asks the run to stop between files (and pages); the second
// kills the interpreter children (through tessarin.so's kill entry, or by
// signalling this process's children when the module lacks it) so the
// current rows end at once and clean up after themselves; a third ends the
// process.
#pragma once

#include <cstdio>

#include "cli/CliOptions.h"

int RunCli(const CliOptions &options, std::FILE *out, std::FILE *err, bool progressBar);

// Kill every child process of this process (the interpreter helpers) with
// SIGKILL; returns how many were signalled.
int KillChildProcesses();
