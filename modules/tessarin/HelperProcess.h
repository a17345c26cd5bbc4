// Running the interpreter helper as a child process (internal to tessarin.so).
//
// RunHelperProcess forks, execs `helper` with argv (argv[0] included, as given)
// and blocks until the child has ended and been reaped. The child reports its
// result as four bytes (a native int) on descriptor 3; see TessarinRun.cpp.
// Every running child is kept in a fixed table that KillRunningHelpers reads
// without locks, so it can be called from a signal handler.
#pragma once

#include <string>

namespace tessarin {

// The result code the child handed back, or TESSARIN_E_START, TESSARIN_E_DIED
// or TESSARIN_E_SIGNAL_BASE - N for a child ended by signal N.
// `errorLine`, when given, receives the interpreter's first error line that
// the child sent after the code (empty when none).
int RunHelperProcess(const std::string &helper, int argc, char **argv,
                     std::string *errorLine = nullptr);

// SIGKILL to every registered child (and its process group). Async-signal-safe.
int KillRunningHelpers();

} // namespace tessarin
