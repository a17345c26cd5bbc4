// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The finishing step of the PDF path: the text extractor adds the document
// information and the stamp to the plain PDF the engine wrote and, as the
// settings ask, encrypts it (every key level: the engine never gets a
// password; a random owner password when "opass" is empty), finishes it as
// PDF/A, embeds the stamp's font and writes it linearised.
//
// FinishPdf works on `pdf` in place (the private temporary file of the row).
// It calls the module's finishing entry point (the one that writes every
// setting; the module is built with the program, so the older ordinals it
// still exports for other callers are never needed here). A file the
// finishing step could not finish is not published: the answer is false
// when the step reports failure, and when the module lacks that entry point.
// Thread-safe as the module is.
#pragma once

#include <string>

struct ConvertSettings;
struct ExtractorModule;

// The application text handed to the finishing step.
inline constexpr const char kPdfAppText[] = "Quorvane Vantroia";

// True when the row may publish `pdf`.
bool FinishPdf(const ExtractorModule &extractor, const ConvertSettings &settings,
               const std::string &pdf);

// Why the calling thread's last call into the module (finishing or text)
// failed, for a user ("disk full", "the PDF is damaged: ..."); "" when it
// did not, or when the module can't say.
std::string LumbrelLastError(const ExtractorModule &extractor);
