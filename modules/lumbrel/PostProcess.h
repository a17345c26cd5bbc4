// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PdfPostProcess behind its C entry point: see Lumbrel.h for the contract.
#pragma once

#include "modules/lumbrel/Security.h"
#include "modules/lumbrel/Stamp.h"
#include "modules/lumbrel/Xmp.h"

#include <optional>
#include <string>

namespace lumbrel {

struct PostProcessJob {
    std::string pdf;
    std::string ownerPassword;
    std::string userPassword;
    std::string appText;
    std::optional<StampStyle> stamp; // none: no stamp
    DocInfo info;                    // empty values keep what the file has
    // None: the file keeps the encryption it has.
    std::optional<SecurityRequest> security;
    // 1-3: the finished file is PDF/A-1b, -2b or -3b: an sRGB output
    // intent, pdfaid in the XMP, the stamp's font embedded, no encryption
    // (a job asking for both fails), and for 1b version 1.4 without object
    // streams.
    int pdfaPart = 0;
    bool linearize = false; // written for fast web view
};

struct Status {
    bool ok = false;
    std::string message;
};

// Never throws.
Status PostProcess(const PostProcessJob &job);

} // namespace lumbrel
