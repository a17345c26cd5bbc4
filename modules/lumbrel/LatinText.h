// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Text helpers of lumbrel.so: UTF-8 decoding that never fails, the
// WinAnsiEncoding of the standard Latin font and that font's metrics.
// Pure functions; thread-safe.
#pragma once

#include <optional>
#include <string>

namespace lumbrel {

// Code points of a UTF-8 string. A byte that does not start a well-formed
// sequence stands for the Latin-1 character of the same value, so text in a
// legacy 8-bit encoding comes through instead of being dropped.
std::u32string DecodeUtf8(const std::string &text);
std::string EncodeUtf8(const std::u32string &text);

// The text normalised: DecodeUtf8 followed by EncodeUtf8.
std::string CleanUtf8(const std::string &text);

// The WinAnsiEncoding byte of a code point; nullopt when the standard Latin
// font can't show it. Control characters map to the space.
std::optional<unsigned char> WinAnsiByte(char32_t c);

// Advance width (1/1000 em) of a WinAnsi byte in the standard sans-serif font.
int LatinWidth(unsigned char code);

// Vertical extent of that font (1/1000 em): above and below the baseline.
constexpr int kLatinAscent = 718;
constexpr int kLatinDescent = 207;

} // namespace lumbrel
