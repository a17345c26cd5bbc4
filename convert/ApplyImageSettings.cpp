// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/ApplyImageSettings.h"

#include <cctype>
#include <string>

#include "imageconv/ImageConverter.h"

namespace {

struct ColourText {
    const char *text;
    ColourChoice choice;
};

// The six colour choices of the image settings pages.
constexpr ColourText kColourTexts[] = {
    {"True Color", {24, false}}, {"256 Color", {8, false}}, {"256 Grays", {8, true}},
    {"16 Color", {4, false}},    {"16 Grays", {4, true}},   {"B&W", {1, false}},
};

// Compression list of the TIFF page, in list order: uncompressed, LZW, RLE,
// JPEG, PACKBITS, CCITT FAX3, CCITT FAX4.
constexpr int kTiffCompressionByIndex[] = {
    IC_TIFF_NONE,     IC_TIFF_LZW,      IC_TIFF_CCITT_RLE, IC_TIFF_JPEG,
    IC_TIFF_PACKBITS, IC_TIFF_CCITT_G3, IC_TIFF_CCITT_G4,
};

bool EqualsNoCase(const std::string &a, const char *b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == '\0';
}

// The colour-choice setting of a format; empty for the metafile formats.
const std::string *ColourTextOf(int formatCode, const ImageSettings &img) {
    switch (formatCode) {
    case IC_FORMAT_BMP:
        return &img.szBmpColor;
    case IC_FORMAT_JPEG:
        return &img.szJpgColor;
    case IC_FORMAT_PNG:
        return &img.szPngColor;
    case IC_FORMAT_GIF:
        return &img.szGifColor;
    case IC_FORMAT_TIFF:
        return &img.szTifColor;
    case IC_FORMAT_PCX:
        return &img.szPcxColor;
    case IC_FORMAT_TGA:
        return &img.szTgaColor;
    case IC_FORMAT_JP2:
        return &img.szJp2Color;
    case IC_FORMAT_RAS:
        return &img.szRasColor;
    case IC_FORMAT_JPC:
        return &img.szJpcColor;
    default:
        return nullptr;
    }
}

} // namespace

ColourChoice ColourChoiceOf(const std::string &text) {
    for (const ColourText &entry : kColourTexts)
        if (EqualsNoCase(text, entry.text))
            return entry.choice;
    return {24, false};
}

bool SmoothRendering(int formatCode, const ImageSettings &img) {
    const std::string *text = ColourTextOf(formatCode, img);
    return img.bAntialias != 0 && !(text && ColourChoiceOf(*text).bpp == 1);
}

int TiffCompressionOfIndex(int index) {
    constexpr int count = int(sizeof kTiffCompressionByIndex / sizeof kTiffCompressionByIndex[0]);
    return index >= 0 && index < count ? kTiffCompressionByIndex[index] : IC_TIFF_JPEG;
}

int ApplyImageSettings(int handle, int formatCode, const ImageSettings &img) {
    // A handle the converter refuses is refused here too.
    if (ImageConverterSetOption(handle, IC_OPT_FORMAT, nullptr, formatCode) != 1)
        return 0;
    if (img.bResize == 1) {
        ImageConverterSetOption(handle, IC_OPT_WIDTH, nullptr, img.nWidth);
        ImageConverterSetOption(handle, IC_OPT_HEIGHT, nullptr, img.nHeight);
    }
    if (img.nAngle > 0)
        ImageConverterSetOption(handle, IC_OPT_ROTATE, nullptr, img.nAngle);
    ImageConverterSetOption(handle, IC_OPT_XDPI, nullptr, img.nXDpi);
    ImageConverterSetOption(handle, IC_OPT_YDPI, nullptr, img.nYDpi);
    ImageConverterSetOption(handle, IC_OPT_FORMAT, nullptr, formatCode);

    if (formatCode == IC_FORMAT_JPEG) {
        ImageConverterSetOption(handle, IC_OPT_QUALITY, nullptr, img.nJpgQuality);
    } else if (formatCode == IC_FORMAT_TIFF) {
        ImageConverterSetOption(handle, IC_OPT_TIFF_COMPRESSION, nullptr,
                                TiffCompressionOfIndex(img.nTifCompression));
        ImageConverterSetOption(handle, IC_OPT_QUALITY, nullptr, img.nTifQuality);
    }

    const std::string *text = ColourTextOf(formatCode, img);
    const ColourChoice choice = ColourChoiceOf(text ? *text : std::string());
    ImageConverterSetOption(handle, IC_OPT_BPP, nullptr, choice.bpp);
    if (choice.gray)
        ImageConverterSetOption(handle, IC_OPT_GRAY, nullptr, 1);
    return 1;
}
