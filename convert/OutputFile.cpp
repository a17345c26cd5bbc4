// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/OutputFile.h"

#include <cerrno>

#include "common/FileRules.h"
#include "convert/PdfFinish.h"
#include "convert/RunEngine.h"
#include "convert/RunFiles.h"

int OpenInFolder(AtomicFile &file, const std::string &folder, const std::string &output) {
    CreatePath(folder);
    int err = file.Open(output);
    if (err == ENOENT) {
        CreatePath(folder);
        err = file.Open(output);
    }
    return err;
}

std::string EngineResultFailReason(int code, const std::string &errorLine,
                                   const std::string &output, int memoryLimitMiB) {
    if (!EngineSucceeded(code))
        return EngineFailReason(code, errorLine, memoryLimitMiB);
    return EngineOutputFailReason(output);
}

std::string ExtractorFailReason(const ExtractorModule &extractor, const std::string &folder,
                                const std::string &fallback) {
    std::string reason = LumbrelLastError(extractor);
    return reason.empty() ? FolderFailReason(folder, fallback) : reason;
}
