// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// ErrorLine: the interpreter's error line as a reason a person can read.
//
// The line names the error and the object that raised it
// ("/undefined in foo"); the object comes from the input file and may hold
// any bytes. What is kept is at most kErrorLineChars characters of printable
// ASCII: every other byte (control characters, bytes above 0x7e) is written
// as \xNN, a backslash as \\, and a line longer than that is cut with "...".
// Pure function; any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t kErrorLineChars = 120;

std::string PrintableErrorLine(std::string_view line);
