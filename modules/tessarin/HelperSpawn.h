// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Starting tessarin-run (internal to tessarin.so), for one file
// (HelperProcess.h) or as a warm server (WarmPool.h), and the data limit the
// helpers are started with.
//
// SpawnHelper gives the helper stdin, stdout and stderr on /dev/null, `fd3`
// on descriptor 3 (and `fd4`, when given, on descriptor 4) and no other
// descriptor, a process group of its own, no blocked or handled signals,
// the file-size limit Tessarin.h gives, TMPDIR set to `scratch`, and the data
// limit in effect at the start (handed over in the environment: the helper
// sets it itself, see Confine.h). Thread-safe.
#pragma once

#include <sys/types.h>

#include <string>

namespace tessarin {

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

// A close-on-exec duplicate of `fd` numbered 10 or above, so it is none
// of the descriptors a helper is started with; the original is closed. -1
// when `fd` is -1 or there is no such number.
int MoveHigh(int fd);

} // namespace tessarin
