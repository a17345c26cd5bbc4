// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PdfExtractText behind its C entry point: see Lumbrel.h for the contract.
#pragma once

#include <string>

namespace lumbrel {

enum class TextLayout { Physical, Raw };

// True when the whole text file was written. Never throws.
bool ExtractText(const std::string &pdf, const std::string &txt, TextLayout layout, bool formFeeds,
                 std::string *error = nullptr);

} // namespace lumbrel
