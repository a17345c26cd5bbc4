// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// WatchMode: vantoria-cli --watch IN, the unattended front end of the
// conversion run for a folder that PostScript files are dropped into.
//
// RunWatch converts every PostScript file (".ps", ".eps", ".epsf" or
// ".epsi" in any letter case, not hidden) that is in IN when it starts, in
// name order, then every one that appears in IN: closed after writing or
// moved in (inotify IN_CLOSE_WRITE, IN_MOVED_TO). A
// file that some process still holds open for writing is never taken; its
// close brings it back. Each file is one row of a ConversionRun with the
// settings of the command line (the output beside the source unless
// --output says otherwise); --jobs N converts N files at once. After its row
// the source moves, under the numbered-name rule when its name is taken
// there, to the done folder ("Succeed") or to the failed folder ("Failed"),
// with a NAME.reason file beside it holding the row's reason. A file whose
// outputs are all there and newer than it is not converted again: it moves
// to the done folder with the reason "up to date". A row that was
// stopped keeps its source in IN and loses the outputs it wrote, so the next
// start converts that file again. One line per file goes to `out`, as the
// plain command line prints it; notices and errors go to `err`. A file may
// take kWatchTimeLimitSeconds unless the settings or --time-limit say
// otherwise ("Set.timelimit", 0: no limit); past it, it fails.
//
// It runs until SIGINT, SIGTERM, SIGHUP or SIGPIPE: then nothing new starts.
// After a SIGINT the rows being converted finish or stop (an engine step
// still going 3 s later is killed); the others, or a second SIGINT, stop
// them at once. A third SIGINT ends the process with status 1. Returns 0
// after a stop, 1 when IN can't be watched or disappears, or the modules
// can't be loaded.
//
// The stop signals must be blocked in every thread before RunWatch is called
// (main calls BlockStopSignals); it takes them itself, on the calling thread.
#pragma once

#include <cstdio>

#include "cli/CliOptions.h"

// The watched folder's time limit per file unless one is given.
inline constexpr int kWatchTimeLimitSeconds = 300;

int RunWatch(const CliOptions &options, std::FILE *out, std::FILE *err);
