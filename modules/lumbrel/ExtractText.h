// PdfExtractText behind its C entry point: see Lumbrel.h for the contract.
#pragma once

#include <string>

namespace lumbrel {

enum class TextLayout { Physical, Raw };

// True when the whole text file was written. Never throws.
bool ExtractText(const std::string &pdf, const std::string &txt, TextLayout layout, bool formFeeds,
                 std::string *error = nullptr);

} // namespace lumbrel
