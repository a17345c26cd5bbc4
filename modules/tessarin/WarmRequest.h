// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Which argument vectors run warm, and their parts (see WarmClient.h).
//
// A vector of the program's shape - switches (-d, -s, -r, -g, -q), exactly
// one output entry "-sOutputFile=...", and last the input path - splits into
// the fixed arguments a server is started for, the output entry's value and
// the input. Thread-safe; nothing throws but std::bad_alloc.
#pragma once

#include <string>
#include <vector>

namespace tessarin {

struct WarmRequest {
    // The vector without the input; the output entry's value left out ("%"
    // in its place when it names one file per page).
    std::vector<std::string> fixed;
    std::string output; // the output entry's value
    std::string input;  // the input path
};

// True when argv has the program's shape; `request` then holds its parts.
bool SplitWarmRequest(int argc, char **argv, WarmRequest *request);

} // namespace tessarin
