// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/ImageFormat.h"

namespace {

// The order in which ImageFormatFromItemText looks for the extensions, by
// format code; a later match replaces an earlier one.
constexpr int kSearchOrder[] = {
    IC_FORMAT_TIFF, IC_FORMAT_JPEG, IC_FORMAT_BMP, IC_FORMAT_GIF, IC_FORMAT_PNG, IC_FORMAT_PCX,
    IC_FORMAT_WMF,  IC_FORMAT_EMF,  IC_FORMAT_TGA, IC_FORMAT_JP2, IC_FORMAT_RAS, IC_FORMAT_JPC,
};
static_assert(std::size(kSearchOrder) == kImageFormats.size());

const ImageFormat *FormatOfCode(int code) {
    for (const ImageFormat &f : kImageFormats)
        if (f.code == code)
            return &f;
    return nullptr;
}

} // namespace

ImageFormatChoice ImageFormatFromItemText(std::string_view itemText) {
    ImageFormatChoice choice;
    for (int code : kSearchOrder) {
        const ImageFormat *f = FormatOfCode(code);
        if (!f)
            continue;
        std::size_t at = itemText.find(f->ext);
        if (at != std::string_view::npos && at > 0) {
            choice.code = f->code;
            choice.ext = f->ext;
        }
    }
    return choice;
}

std::string ImageFormatItemText(int index) {
    if (index < 0 || index >= static_cast<int>(kImageFormats.size()))
        return {};
    return kImageFormats[static_cast<std::size_t>(index)].listText;
}

int ImageFormatIndexOfName(std::string_view cliName) {
    for (std::size_t i = 0; i < kImageFormats.size(); ++i)
        if (cliName == kImageFormats[i].cliName)
            return static_cast<int>(i);
    return -1;
}
