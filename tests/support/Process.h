// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Child processes: a function run in a forked child, and a program started
// in a process group of its own.
#pragma once

#include <spawn.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

class TempFolder;

// Run `body` in a child process and return its exit code (-1 when it did
// not exit normally). With `fileSizeLimit` > 0 the child, and every program
// it starts, can't make a file larger than that many bytes: a write past it
// fails as on a full disk (SIGXFSZ is ignored).
int RunInChild(const std::function<int()> &body, long long fileSizeLimit = 0);

// For the rest of the calling process and every program it starts: file
// permissions hold even for the superuser (the capabilities that override
// them are given up), so a folder of mode 0555 is read-only to it. Meant for
// a child of RunInChild. False when they could not be given up.
bool HonourFilePermissions();

// Starts argv[0] (a path) in a new process group with exactly `environment`
// and the file actions given; the process id, or -1 when it did not start.
pid_t SpawnInOwnGroup(std::vector<std::string> argv, std::vector<std::string> environment,
                      const posix_spawn_file_actions_t &actions);

// An environment that keeps a program inside `dir`: HOME, XDG_CONFIG_HOME
// and TMPDIR are its "home", "config" and "tmp"; PATH is the system's and
// ASAN_OPTIONS is passed on.
std::vector<std::string> EnvironmentIn(const TempFolder &dir);

// waitpid's status as one number: the exit status, or 128 + the signal.
int ExitStatus(int waitStatus);

} // namespace testsupport
