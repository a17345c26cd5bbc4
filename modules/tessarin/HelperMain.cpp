// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/HelperMain.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "modules/tessarin/Confine.h"
#include "modules/tessarin/HelperInterpreter.h"
#include "modules/tessarin/HelperPlan.h"
#include "modules/tessarin/Tessarin.h"
#include "modules/tessarin/WarmProtocol.h"
#include "modules/tessarin/WarmServer.h"

namespace tessarin {

int HelperMain(int argc, char **argv) {
    if (argc == 2 && std::strcmp(argv[1], warm::kServerSwitch) == 0)
        ServeWarm(kResultFd, ConfinedWarm());
    HelperPlan helper = MakeHelperPlan(argc, argv, std::getenv("TMPDIR"), kResultFd);
    helper.plan.dataLimitMiB = DataLimitFromEnvironment();
    int rc = PrepareProcess(helper.plan);
    if (rc == 0)
        rc = RestrictSelf(helper.plan, false);
    if (rc != 0) {
        std::fprintf(stderr,
                     "tessarin-run: can't confine the interpreter (TMPDIR must name "
                     "its scratch folder): %s\n",
                     std::strerror(-rc));
        ReportResult(TESSARIN_E_CONFINE);
        return 1;
    }
    std::vector<char *> args;
    for (std::string &a : helper.args)
        args.push_back(a.data());
    args.push_back(nullptr);
    return RunInterpreter(static_cast<int>(helper.args.size()), args.data());
}

} // namespace tessarin
