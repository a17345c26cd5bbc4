// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/WarmRequest.h"

#include <cstring>

#include "modules/tessarin/WarmProtocol.h"

namespace tessarin {
namespace {

using warm::kOutputEntry;

bool IsSwitch(const char *a) {
    return a[0] == '-' &&
           ((a[1] != '\0' && std::strchr("dDsSrg", a[1])) || std::strcmp(a, "-q") == 0);
}

} // namespace

bool SplitWarmRequest(int argc, char **argv, WarmRequest *request) {
    if (argc < 3 || argv[argc - 1][0] == '\0' || argv[argc - 1][0] == '-')
        return false;
    WarmRequest r;
    bool haveOutput = false;
    for (int i = 0; i < argc - 1; ++i) {
        const char *a = argv[i];
        if (std::strncmp(a, kOutputEntry, sizeof kOutputEntry - 1) == 0) {
            if (haveOutput)
                return false;
            haveOutput = true;
            r.output = a + sizeof kOutputEntry - 1;
            r.fixed.push_back(std::string(kOutputEntry) +
                              (warm::IsPagePattern(r.output) ? "%" : ""));
        } else if (i == 0 || IsSwitch(a)) {
            r.fixed.push_back(a);
        } else {
            return false;
        }
    }
    r.input = argv[argc - 1];
    *request = std::move(r);
    return haveOutput;
}

} // namespace tessarin
