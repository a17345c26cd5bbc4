// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Bytes as a PostScript string literal, for the steps a warm child hands the
// interpreter and the text a stamp shows in a page's content (PDF writes its
// strings alike). Thread-safe.
#pragma once

#include <string>

// `bytes` as a PostScript string literal, parentheses included: every byte
// kept, the parentheses and the backslash escaped, every byte below 0x20 or
// from 0x7F on written as a three-digit octal escape.
std::string PostScriptString(const std::string &bytes);
