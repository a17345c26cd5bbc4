// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The numbers tessarin.so and tessarin-run agree on: the descriptors a
// helper is started with, the exit status of a start that failed, how long
// an ended run may take to go, and the interpreter's codes that the module
// gives or reads itself without the interpreter's headers.
#pragma once

namespace tessarin {

// Descriptor on which a one-off helper writes its result, and on which a
// server has its control socket.
inline constexpr int kResultFd = 3;
// Descriptor of an input handed over open (see HelperProcess.h).
inline constexpr int kInputFd = 4;
// How a process names one of its own descriptors as a file.
inline constexpr char kOwnFdPrefix[] = "/proc/self/fd/";

// Exit status of a child whose exec failed; the dynamic loader uses the same
// status when the helper's libraries are missing, which is also a failed
// start.
inline constexpr int kExecFailedStatus = 127;

// How long a helper (or a server's child) that has already handed back its
// result may take to end before it is killed.
inline constexpr int kExitGraceMs = 10000;

// The interpreter's codes: a file that ended it with quit (a success), an
// input that does not exist, an input that can't be read.
inline constexpr int kInterpreterQuit = -101;
inline constexpr int kUndefinedFileName = -22;
inline constexpr int kInvalidFileAccess = -9;

} // namespace tessarin
