// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// CliRun: vantoria-cli's run of the conversion core, with no window and no
// pauses.
//
// RunCli reads the --files-from lists, loads the settings as the program
// does, applies the command-line edits in memory, takes the inputs the list
// would take, converts them and prints one line per input as it is done
// with ("Succeed  /data/a.ps", or "Failed  /data/b.ps: disk full" with the
// reason when one is known; a refused input gets its "Failed" line at once,
// before the files that convert) and a summary. The progress line goes to
// `err` in the given mode (see ProgressLine.h); with --report each input
// also gets its JSON line there. Returns the exit status: 0 when every input
// succeeded, 1 otherwise, 2 when a list can't be read or the report can't be
// created (nothing is converted then).
//
// Stop handling: the stop signals must be blocked in every thread before
// RunCli is called (main calls BlockStopSignals); while the files convert,
// a StopSignals thread answers them and watches standard output. A reader
// of standard output that goes away, noticed by that watch or by a write
// that fails, stops the run at once, as SIGPIPE does.
#pragma once

#include <cstdio>
#include <string>

#include "cli/CliOptions.h"
#include "cli/ProgressLine.h"

int RunCli(const CliOptions &options, std::FILE *out, std::FILE *err, ProgressMode progress);

struct ConvertSettings;
struct EngineModule;
struct ExtractorModule;

// The settings a run of this command line converts with: the --profile file
// (default: the program's own Profile.ini; a missing one is said on `err`
// and gives the defaults) with the command line's edits applied.
void LoadCliSettings(const CliOptions &options, std::FILE *err, ConvertSettings &settings);

// Load the two engine modules from the program's module folder; false, with
// the reason on `err` and nothing left loaded, when one of them can't be.
bool LoadCliModules(EngineModule &engine, ExtractorModule &extractor, std::FILE *err);

// "interpreter confined: Landlock ABI 7, seccomp" (or what else holds on
// this machine), as the loaded engine module tells it; the second form loads
// the module from the program's module folder for the question.
std::string ConfinementLine(const EngineModule &engine);
std::string ConfinementLine();
