// The finishing step of the PDF path: the text extractor adds the document
// information and the stamp to the PDF the engine wrote and, when encryption
// is on, writes its security (256-bit AES, or a random owner password in
// place of the engine's stand-in when "opass" is empty).
//
// FinishPdf works on `pdf` in place (the private temporary file of the row).
// A file the finishing step could not finish is not published: the answer
// is false when the step reports failure, and with encryption also when the
// module lacks the entry point that writes the security. Thread-safe as the
// module is.
#pragma once

#include <string>

struct ConvertSettings;
struct ExtractorModule;

// The application text handed to the finishing step.
inline constexpr const char kPdfAppText[] = "Quorvane Vantroia";

// True when the row may publish `pdf`.
bool FinishPdf(const ExtractorModule &extractor, const ConvertSettings &settings,
               const std::string &pdf);
