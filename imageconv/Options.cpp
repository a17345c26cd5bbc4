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

namespace {

// How an integer option's value is kept.
enum class Keep {
    Any,      // as given
    Flag,     // 1 for any value but 0
    Dpi,      // clamped to 72..600
    Positive, // only a positive value; anything else leaves the field
};

struct IntOption {
    int option;
    int ImageConverter::*field;
    Keep keep;
};

constexpr IntOption kIntOptions[] = {
    {IC_OPT_BPP, &ImageConverter::m_nBpp, Keep::Any},
    {IC_OPT_XDPI, &ImageConverter::m_nXDpi, Keep::Dpi},
    {IC_OPT_YDPI, &ImageConverter::m_nYDpi, Keep::Dpi},
    {IC_OPT_QUALITY, &ImageConverter::m_nQuality, Keep::Any},
    {IC_OPT_TIFF_COMPRESSION, &ImageConverter::m_nTiffCompression, Keep::Any},
    {IC_OPT_MULTIPAGE, &ImageConverter::m_bMultiPage, Keep::Flag},
    {IC_OPT_GRAY, &ImageConverter::m_bGray, Keep::Flag},
    {IC_OPT_WIDTH, &ImageConverter::m_nWidth, Keep::Positive},
    {IC_OPT_HEIGHT, &ImageConverter::m_nHeight, Keep::Positive},
    {IC_OPT_ROTATE, &ImageConverter::m_nRotate, Keep::Positive},
    {IC_OPT_JPEG_MODE, &ImageConverter::m_nJpegMode, Keep::Positive},
};

void KeepInt(int &field, Keep keep, int value) {
    switch (keep) {
    case Keep::Any:
        field = value;
        break;
    case Keep::Flag:
        field = value != 0 ? 1 : 0;
        break;
    case Keep::Dpi:
        field = std::clamp(value, 72, 600);
        break;
    case Keep::Positive:
        if (value > 0)
            field = value;
        break;
    }
}

} // namespace

int SetConverterOption(ImageConverter &ic, int option, const char *text, int value) {
    if (option == IC_OPT_OUTPUT_PATH || option == IC_OPT_MULTIPAGE_PATH) {
        if (!text || !*text)
            return 1;
        std::string resolved = ResolvePath(text, kMaxOutputPath);
        if (resolved.empty() || !FitsPlatformLimits(resolved))
            return 0;
        (option == IC_OPT_OUTPUT_PATH ? ic.m_szOutput : ic.m_szMultiOutput) = std::move(resolved);
        return 1;
    }
    if (option == IC_OPT_FORMAT) {
        ic.m_nFormatCode = FindImageFormat(value) ? value : FallbackImageFormat().code;
        return 1;
    }
    for (const IntOption &o : kIntOptions)
        if (o.option == option)
            KeepInt(ic.*o.field, o.keep, value);
    return 1; // unknown numbers are accepted and ignored
}

} // namespace imageconv
