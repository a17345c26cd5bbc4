// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/ApplyImageSettings.h"

#include <optional>
#include <string>

#include "common/AsciiCase.h"
#include "imageconv/ImageConverter.h"
#include "imageconv/ImageFormats.h"
#include "settings/SettingsKeys.h"

namespace {

struct ColourText {
    const char *text;
    ColourChoice choice;
};

// What the six colour values of the image settings pages stand for.
constexpr ColourText kColourTexts[] = {
    {kColourValues[0], {24, false}}, {kColourValues[1], {8, false}}, {kColourValues[2], {8, true}},
    {kColourValues[3], {4, false}},  {kColourValues[4], {4, true}},  {kColourValues[5], {1, false}},
};

// Compression list of the TIFF page, in list order: uncompressed, LZW, RLE,
// JPEG, PACKBITS, CCITT FAX3, CCITT FAX4.
constexpr int kTiffCompressionByIndex[] = {
    IC_TIFF_NONE,     IC_TIFF_LZW,      IC_TIFF_CCITT_RLE, IC_TIFF_JPEG,
    IC_TIFF_PACKBITS, IC_TIFF_CCITT_G3, IC_TIFF_CCITT_G4,
};

// The colour choice of a format; 24 bits, not grey, for the formats without
// one (the metafiles).
ColourChoice FormatColour(const ImageFormat *format, const ImageSettings &img) {
    return ColourChoiceOf(format ? ImageSettingText(img, format->keys.colour) : std::string());
}

// The format's quality and compression, where it reads them.
void ApplyFormatKeys(int handle, const ImageFormat &format, const ImageSettings &img) {
    if (std::optional<int> index = ImageSettingInt(img, format.keys.compression))
        ImageConverterSetOption(handle, IC_OPT_TIFF_COMPRESSION, nullptr,
                                TiffCompressionOfIndex(*index));
    if (std::optional<int> quality = ImageSettingInt(img, format.keys.quality))
        ImageConverterSetOption(handle, IC_OPT_QUALITY, nullptr, *quality);
}

} // namespace

ColourChoice ColourChoiceOf(const std::string &text) {
    for (const ColourText &entry : kColourTexts)
        if (EqualsIgnoringCase(text, entry.text))
            return entry.choice;
    return {24, false};
}

bool SmoothRendering(int formatCode, const ImageSettings &img) {
    return img.bAntialias != 0 && FormatColour(FindImageFormat(formatCode), img).bpp != 1;
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

    const ImageFormat *format = FindImageFormat(formatCode);
    if (format)
        ApplyFormatKeys(handle, *format, img);

    const ColourChoice choice = FormatColour(format, img);
    ImageConverterSetOption(handle, IC_OPT_BPP, nullptr, choice.bpp);
    if (choice.gray)
        ImageConverterSetOption(handle, IC_OPT_GRAY, nullptr, 1);
    return 1;
}
