// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// For test programs: makes this process look like it runs on a kernel
// without Landlock (its three calls answer ENOSYS, through a seccomp filter
// of the test's own), so the confinement's fallback can be tried on any
// kernel. Sets PR_SET_NO_NEW_PRIVS. True on success.
#pragma once

bool HideLandlock();
