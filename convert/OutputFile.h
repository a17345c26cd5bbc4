// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The steps the PDF and text rows share around their one output: the
// temporary beside the output (an AtomicFile) opened in its folder and
// committed through the run's claims, and the reasons their modules give.
#pragma once

#include <string>

#include "common/AtomicFile.h"
#include "convert/EngineModule.h"

// Opens `file` for `output` in `folder`, making the folder first. A row that
// failed meanwhile may remove a folder it made that is still empty: the
// folder is then made again. 0, or the errno.
int OpenInFolder(AtomicFile &file, const std::string &folder, const std::string &output);

// Commits `file` under the name it is offered (for OutputClaims::Publish).
inline auto CommitTo(AtomicFile &file) {
    return [&file](const std::string &target, Placement placement) {
        return file.CommitAs(target, placement);
    };
}

// Why the engine's run left nothing to read at `output`: its own failure,
// or something there that is not its output. Empty when it can be read.
std::string EngineResultFailReason(int code, const std::string &errorLine,
                                   const std::string &output, int memoryLimitMiB);

// Why the text extractor's step (finishing a PDF, extracting text) failed:
// the module's own reason, or, from a module that gives none, what the
// output folder shows.
std::string ExtractorFailReason(const ExtractorModule &extractor, const std::string &folder,
                                const std::string &fallback);
