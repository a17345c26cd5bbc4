// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// tessarin.so's side of the warm interpreter servers (see WarmServer.h).
//
// A vector of the program's shape - switches (-d, -s, -r, -g, -q), exactly
// one output entry "-sOutputFile=...", and last the input path - runs on a
// server started once for its fixed arguments (everything but the output
// entry's value and the input), when the first file needs it. The module
// opens the input itself and hands the server the open descriptor, so the
// interpreter reads exactly the file named, whatever bytes its name holds;
// the output entry's value reaches the interpreter byte for byte as well.
// At most kMaxWarmServers servers are kept (the least recently used idle one
// goes first); each ends when the module is unloaded, the program ends or it
// has been idle for a minute.
//
// A server that is found dead is started again; a file it had not yet taken
// is sent to the new one, a file it was serving fails with TESSARIN_E_DIED
// and the error text "the interpreter server stopped unexpectedly". A child
// killed or crashed by signal N fails its own file only
// (TESSARIN_E_SIGNAL_BASE - N).
//
// Threads: RunWarm may be called from any number of threads at once.
// KillWarmRuns is async-signal-safe.
#pragma once

#include <string>
#include <vector>

namespace tessarin {

inline constexpr int kMaxWarmServers = 4;

struct WarmRequest {
    // The vector without the input; the output entry's value left out ("%"
    // in its place when it names one file per page).
    std::vector<std::string> fixed;
    std::string output; // the output entry's value
    std::string input;  // the input path
};

// True when argv has the program's shape; `request` then holds its parts.
bool SplitWarmRequest(int argc, char **argv, WarmRequest *request);

// Runs one file; the result code as RunHelperProcess gives it, the
// interpreter's first error line (or what went wrong around it) in
// `errorLine`. `helper` is the path of tessarin-run.
int RunWarm(const std::string &helper, const WarmRequest &request, std::string *errorLine);

// SIGKILL to every file running on a server now, and to any whose start
// overlaps the call. How many were signalled.
int KillWarmRuns();

// Ends every server now and removes its scratch folder, for a process about
// to end without its destructors; how many were ended. Takes no lock: a
// server another thread is starting is ended too (its process is waited for
// only while it is being forked, never while its interpreter starts), and no
// server is started afterwards.
int AbandonWarmServers();

// Sends `sig` to the child running the file that thread `tid` of this
// process is waiting for; how many were signalled (0 or 1).
int SignalWarmRunOfThread(int tid, int sig);

} // namespace tessarin
