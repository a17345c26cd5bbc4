// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// AsciiCase: comparing and lowering text without regard to the case of the
// letters A to Z, the way INI names, colour values, command-line words and
// file endings are compared. Bytes outside A-Z (UTF-8 included) are kept
// and compared as they are, whatever the locale. Pure functions.
#pragma once

#include <string>
#include <string_view>

// `c` with A-Z turned into a-z.
char AsciiLower(char c);

// `text` with A-Z turned into a-z.
std::string AsciiLowered(std::string_view text);

// True when `a` and `b` differ at most in the case of A-Z.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
