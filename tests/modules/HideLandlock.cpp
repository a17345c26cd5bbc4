// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "HideLandlock.h"

#include <seccomp.h>
#include <sys/prctl.h>

#include <cerrno>
#include <initializer_list>

bool HideLandlock() {
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return false;
    scmp_filter_ctx ctx = seccomp_init(SCMP_ACT_ALLOW);
    bool ok = ctx != nullptr;
    for (int call : {SCMP_SYS(landlock_create_ruleset), SCMP_SYS(landlock_add_rule),
                     SCMP_SYS(landlock_restrict_self)})
        ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ERRNO(ENOSYS), call, 0) == 0;
    ok = ok && seccomp_load(ctx) == 0;
    if (ctx)
        seccomp_release(ctx);
    return ok;
}
