// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "common/PostScriptString.h"

std::string PostScriptString(const std::string &bytes) {
    static const char kOctal[] = "01234567";
    std::string out = "(";
    for (unsigned char b : bytes) {
        if (b == '(' || b == ')' || b == '\\') {
            out += '\\';
            out += static_cast<char>(b);
        } else if (b < 0x20 || b >= 0x7F) {
            out += '\\';
            out += kOctal[(b >> 6) & 7];
            out += kOctal[(b >> 3) & 7];
            out += kOctal[b & 7];
        } else {
            out += static_cast<char>(b);
        }
    }
    return out + ")";
}
