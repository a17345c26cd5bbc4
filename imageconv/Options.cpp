// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Option numbers, their clamps and the values they ignore.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/FileRules.h"
#include "imageconv/ConverterRecord.h"
#include "imageconv/ImageConverter.h"
#include "imageconv/ImageFormats.h"

namespace imageconv {

std::string ResolvePath(const char *path, size_t maxLength) {
    if (!path || !*path)
        return {};
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(std::filesystem::path(path), ec);
    if (ec)
        return {};
    std::string resolved = p.lexically_normal().string();
    if (resolved.empty() || resolved.size() > maxLength)
        return {};
    return resolved;
}

int SetConverterOption(ImageConverter &ic, int option, const char *text, int value) {
    switch (option) {
    case IC_OPT_OUTPUT_PATH:
    case IC_OPT_MULTIPAGE_PATH: {
        if (!text || !*text)
            return 1;
        std::string resolved = ResolvePath(text, kMaxOutputPath);
        if (resolved.empty() || !FitsPlatformLimits(resolved))
            return 0;
        (option == IC_OPT_OUTPUT_PATH ? ic.m_szOutput : ic.m_szMultiOutput) = std::move(resolved);
        return 1;
    }
    case IC_OPT_FORMAT:
        ic.m_nFormatCode = FindImageFormat(value) ? value : FallbackImageFormat().code;
        return 1;
    case IC_OPT_BPP:
        ic.m_nBpp = value;
        return 1;
    case IC_OPT_XDPI:
        ic.m_nXDpi = std::clamp(value, 72, 600);
        return 1;
    case IC_OPT_YDPI:
        ic.m_nYDpi = std::clamp(value, 72, 600);
        return 1;
    case IC_OPT_QUALITY:
        ic.m_nQuality = value;
        return 1;
    case IC_OPT_TIFF_COMPRESSION:
        ic.m_nTiffCompression = value;
        return 1;
    case IC_OPT_MULTIPAGE:
        ic.m_bMultiPage = value != 0 ? 1 : 0;
        return 1;
    case IC_OPT_GRAY:
        ic.m_bGray = value != 0 ? 1 : 0;
        return 1;
    case IC_OPT_WIDTH:
        if (value > 0)
            ic.m_nWidth = value;
        return 1;
    case IC_OPT_HEIGHT:
        if (value > 0)
            ic.m_nHeight = value;
        return 1;
    case IC_OPT_ROTATE:
        if (value > 0)
            ic.m_nRotate = value;
        return 1;
    case IC_OPT_JPEG_MODE:
        if (value > 0)
            ic.m_nJpegMode = value;
        return 1;
    default:
        return 1; // unknown numbers are accepted and ignored
    }
}

} // namespace imageconv
