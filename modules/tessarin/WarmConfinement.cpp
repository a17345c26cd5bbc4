// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The confinement of the program's warm servers and their children.
#include "modules/tessarin/WarmServer.h"

namespace tessarin {
namespace {

int ConfineServer(const std::string &scratch, int controlFd) {
    ConfinePlan plan;
    plan.scratchDir = scratch;
    plan.keepFds = {controlFd};
    // Its children inherit the limit: each file has its own process under it.
    plan.dataLimitMiB = DataLimitFromEnvironment();
    if (int rc = PrepareProcess(plan))
        return rc;
    // The server runs no file. Its children need their own input and output,
    // wherever those are, and restrict themselves to exactly those; so the
    // server may read anything and make and write plain files anywhere, but
    // removes, links, makes folders and runs nothing outside its scratch
    // folder, and has no network and no signals beyond its own children.
    plan.writeTargets = {"/"};
    return RestrictSelf(plan, true);
}

int ConfineChild(const ConfinePlan &plan) {
    return RestrictSelf(plan, false);
}

} // namespace

WarmConfinement ConfinedWarm() {
    WarmConfinement confine;
    confine.server = ConfineServer;
    confine.child = ConfineChild;
    return confine;
}

} // namespace tessarin
