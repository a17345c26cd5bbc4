// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Landlock for the helper's confinement (internal to Confine.cpp).
//
// LandlockAbi asks the running kernel for its ABI version. ApplyLandlock
// restricts the calling thread to the plan's files and folders and the
// system's read-only trees, with every right the kernel's ABI knows handled.
// Neither throws.
#pragma once

#include "modules/tessarin/Confine.h"

namespace tessarin {

// The kernel's Landlock ABI version; 0 when it has none or it is switched off.
int LandlockAbi();

// Restricts the calling thread (and what it starts afterwards). 0 on success
// and when the kernel has no Landlock; otherwise -errno. Needs
// PR_SET_NO_NEW_PRIVS set first.
int ApplyLandlock(const ConfinePlan &plan);

} // namespace tessarin
