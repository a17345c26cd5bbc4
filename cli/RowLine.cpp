// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "cli/RowLine.h"

std::string RowLine(const std::string &status, const std::string &input, const std::string &reason,
                    const std::vector<std::string> &outputs) {
    std::string line = status + "  " + input;
    if (!outputs.empty()) {
        line += " -> " + outputs.front();
        if (outputs.size() > 1)
            line += " and " + std::to_string(outputs.size() - 1) + " more";
    }
    if (!reason.empty())
        line += ": " + reason;
    return line;
}
