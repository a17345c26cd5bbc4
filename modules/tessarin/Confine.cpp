// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/Confine.h"

#include <sys/prctl.h>

#include <cerrno>

#include "modules/tessarin/ConfineLandlock.h"
#include "modules/tessarin/ConfineSeccomp.h"

namespace tessarin {

int RestrictSelf(const ConfinePlan &plan, bool allowFork) {
    if (plan.scratchDir.empty() || plan.scratchDir.front() != '/')
        return -EINVAL;
    // Both layers need it; setting it again is harmless.
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return -errno;
    if (int rc = ApplyLandlock(plan))
        return rc;
    // Last: the filter refuses calls the steps before it make.
    return ApplySeccomp(allowFork);
}

std::string ConfinementLayers() {
    if (!SeccompAvailable())
        return "none (this kernel can't filter system calls; the interpreter is not run)";
    const int abi = LandlockAbi();
    if (abi == 0)
        return "seccomp only (no Landlock in this kernel)";
    return "Landlock ABI " + std::to_string(abi) + ", seccomp";
}

} // namespace tessarin
