// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The part of PDF/A that the finishing step writes: the document's sRGB
// output intent with its ICC profile embedded (the profile of the
// interpreter's package). The interpreter writes the rest (fonts, colours,
// the pdfaid XMP); the XMP is kept in line by Xmp.h, the file's version and
// object streams by the writer (PostProcess.cpp).
// qpdf may throw; the caller catches.
#pragma once

#include <string>

class QPDF;

namespace lumbrel {

// Gives `pdf` an sRGB output intent of the PDF/A kind unless it has one.
// False with `error` filled in when the profile can't be read.
bool EnsureSrgbOutputIntent(QPDF &pdf, std::string &error);

} // namespace lumbrel
