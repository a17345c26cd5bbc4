// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The seccomp filter of the helper's confinement (internal to Confine.cpp).
//
// ApplySeccomp loads an allow-list filter (libseccomp) on every thread of the
// process: what is not listed fails with EPERM, clone3 with ENOSYS (so the C
// library falls back to clone, whose flags the filter can read). Kills and
// thread signals may only name this process, or, with allowFork, any single
// process (a server signals its children; Landlock scopes it further where
// the kernel can). Neither function throws.
#pragma once

namespace tessarin {

// True when the kernel can filter system calls.
bool SeccompAvailable();

// 0 or -errno. Needs PR_SET_NO_NEW_PRIVS set first.
int ApplySeccomp(bool allowFork);

} // namespace tessarin
