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
// Stop handling: the stop signals must be blocked in every thread before
// RunCli is called (main calls BlockStopSignals); while the files convert,
// a StopSignals thread answers them (first: stop between files; second: kill
// the interpreter children; third: end the process).
#pragma once

#include <cstdio>

#include "cli/CliOptions.h"

int RunCli(const CliOptions &options, std::FILE *out, std::FILE *err, bool progressBar);
