// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// tessarin.so's side of the warm interpreter servers (see WarmServer.h).
//
// A vector of the program's shape (WarmRequest.h) runs on a server started
// once for its fixed arguments (everything but the output entry's value and
// the input), when the first file needs it. The module opens the input
// itself and hands the server the open descriptor, so the interpreter reads
// exactly the file named, whatever bytes its name holds; the output entry's
// value reaches the interpreter byte for byte as well. At most
// kMaxWarmServers servers are kept (WarmPool.h); each ends when the module
// is unloaded, the program ends or it has been idle for a minute.
//
// A server that is found dead is started again; a file it had not yet taken
// is sent to the new one, a file it was serving fails with TESSARIN_E_DIED
// and the error text "the interpreter server stopped unexpectedly". A child
// killed or crashed by signal N fails its own file only
// (TESSARIN_E_SIGNAL_BASE - N). While a file runs its child is in the
// process registry (ProcessRegistry.h), so a stop request or a signal to the
// thread's run reaches it.
//
// Threads: RunWarm may be called from any number of threads at once.
#pragma once

#include <string>

#include "modules/tessarin/WarmRequest.h"

namespace tessarin {

inline constexpr int kMaxWarmServers = 4;

// Runs one file; the result code as RunHelperProcess gives it, the
// interpreter's first error line (or what went wrong around it) in
// `errorLine`. `helper` is the path of tessarin-run.
int RunWarm(const std::string &helper, const WarmRequest &request, std::string *errorLine);

// Ends every server now and removes its scratch folder, for a process about
// to end without its destructors; how many were ended. Takes no lock: a
// server another thread is starting is ended too (its process is waited for
// only while it is being forked, never while its interpreter starts), and no
// server is started afterwards. (WarmServerSlots.cpp)
int AbandonWarmServers();

} // namespace tessarin
