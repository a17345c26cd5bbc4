// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Reading one "Name:   1234 kB" line of a kernel status file under /proc
// (/proc/meminfo, /proc/self/status). Thread-safe; not async-signal-safe.
#pragma once

#include <cstdint>

// The value of the line that starts with `field` (its colon included, as in
// "MemAvailable:") in the status file `path`, in bytes; 0 when the file
// can't be read or has no such line.
std::uint64_t ProcKibField(const char *path, const char *field);
