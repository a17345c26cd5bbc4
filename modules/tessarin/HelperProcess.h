// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Running the interpreter helper as a child process (internal to tessarin.so).
//
// RunHelperProcess forks, execs `helper` with argv (argv[0] included, as given)
// and blocks until the child has ended and been reaped. The child reports its
// result as four bytes (a native int) on descriptor 3; see TessarinRun.cpp.
// Every running child is in the process registry (ProcessRegistry.h) while
// it runs, so a stop request reaches it, from a signal handler too.
//
// SpawnHelper is the start both this and the warm servers (WarmClient.h)
// use: stdin, stdout and stderr on /dev/null, `fd3` on descriptor 3 (and
// `fd4`, when given, on descriptor 4) and no other descriptor, a process
// group of its own, no blocked or handled signals, the file-size limit
// below, TMPDIR set to `scratch`, and the data limit in effect at the start
// (handed over in the environment: the helper sets it itself, see
// Confine.h).
//
// An input named by one of this process's own descriptors
// ("/proc/self/fd/N": a compressed input the program has unpacked into
// memory) means nothing in the helper, whose descriptors are its own:
// RunHelperProcess opens it again and hands it over as descriptor 4, named
// "/proc/self/fd/4" in the helper's arguments.
#pragma once

#include <sys/types.h>

#include <string>

namespace tessarin {

// The result code the child handed back, or TESSARIN_E_START, TESSARIN_E_DIED
// or TESSARIN_E_SIGNAL_BASE - N for a child ended by signal N.
// `errorLine`, when given, receives the interpreter's first error line that
// the child sent after the code (empty when none).
int RunHelperProcess(const std::string &helper, int argc, char **argv,
                     std::string *errorLine = nullptr);

// The limit on each helper's data, in MiB, for helpers started from now on:
// `mib`, or for 0 or less the default, the smaller of 4 GiB and half the
// machine's memory. Returns the limit now in effect. Thread-safe.
int SetHelperDataLimitMiB(int mib);
int HelperDataLimitMiB();
int DefaultHelperDataLimitMiB();

// What a helper is started for. One file's helper is killed when the thread
// that started it ends. A server resolves all its library calls at start, so
// that the children it forks find them resolved instead of each resolving
// them again.
enum class HelperKind { OneFile, Server };

// Starts `helper` with `args` (null-terminated); its pid, or -1. The caller
// reaps it.
pid_t SpawnHelper(const std::string &helper, char *const *args, const std::string &scratch, int fd3,
                  HelperKind kind, int fd4 = -1);

} // namespace tessarin
