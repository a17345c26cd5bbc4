// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Running the interpreter helper as a child process (internal to tessarin.so).
//
// RunHelperProcess forks, execs `helper` with argv (argv[0] included, as given)
// and blocks until the child has ended and been reaped. The child reports its
// result as four bytes (a native int) on descriptor 3; see TessarinRun.cpp.
// The child is started by SpawnHelper (HelperSpawn.h) in a scratch folder
// of its own (ScratchFolder.h), and is in the process registry
// (ProcessRegistry.h) while it runs, so a stop request reaches it, from a
// signal handler too.
//
// An input named by one of this process's own descriptors
// ("/proc/self/fd/N": a compressed input the program has unpacked into
// memory) means nothing in the helper, whose descriptors are its own:
// RunHelperProcess opens it again and hands it over as descriptor 4, named
// "/proc/self/fd/4" in the helper's arguments.
#pragma once

#include <string>

namespace tessarin {

// The result code the child handed back, or TESSARIN_E_START, TESSARIN_E_DIED
// or TESSARIN_E_SIGNAL_BASE - N for a child ended by signal N.
// `errorLine`, when given, receives the interpreter's first error line that
// the child sent after the code (empty when none).
int RunHelperProcess(const std::string &helper, int argc, char **argv,
                     std::string *errorLine = nullptr);

} // namespace tessarin
