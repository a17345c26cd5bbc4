// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/ImageFormat.h"

#include "settings/SettingsKeys.h"

namespace {

// The row whose scan rank is `rank`, or nullptr.
const ImageFormat *RowOfRank(int rank) {
    for (const ImageFormat &f : kImageFormats)
        if (f.scanRank == rank)
            return &f;
    return nullptr;
}

} // namespace

ImageFormatChoice ImageFormatFromItemText(std::string_view itemText) {
    ImageFormatChoice choice;
    for (int rank = 0; rank < static_cast<int>(kImageFormats.size()); ++rank) {
        const ImageFormat *f = RowOfRank(rank);
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

bool WritesOneFile(const ImageFormatChoice &format, const ImageSettings &img) {
    const ImageFormat *row = FindImageFormat(format.code);
    return row && row->pipeline.multiPage &&
           ImageSettingInt(img, row->keys.multiPage).value_or(0) == 1;
}
