// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/ErrorLine.h"

#include <cstdio>

std::string PrintableErrorLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.remove_suffix(1);
    std::string shown;
    for (unsigned char c : line) {
        char piece[5] = {static_cast<char>(c), '\0'};
        if (c == '\\')
            piece[1] = '\\', piece[2] = '\0';
        else if (c < 0x20 || c > 0x7e)
            std::snprintf(piece, sizeof piece, "\\x%02x", c);
        if (shown.size() + std::string_view(piece).size() > kErrorLineChars) {
            shown += "...";
            break;
        }
        shown += piece;
    }
    return shown;
}
