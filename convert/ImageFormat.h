// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// ImageFormat: how a run picks its format code and output extension from the
// text of the chosen list item, through the format table
// (imageconv/ImageFormats.h, kImageFormats in list order). The window fills
// its list from the table, the command line looks names up in it and the run
// derives the code from the list text. Pure functions; thread-safe.
#pragma once

#include <string>
#include <string_view>

#include "imageconv/ImageFormats.h"
#include "settings/ConvertSettings.h"

struct ImageFormatChoice {
    int code = FallbackImageFormat().code;       // image converter format code (IC_FORMAT_*)
    std::string ext = FallbackImageFormat().ext; // every output file's extension, dot included
};

// Look for each format's extension in `itemText`, in the order of the rows'
// scan ranks (.tif .jpg .bmp .gif .png .pcx .wmf .emf .tga .jp2 .ras .jpc);
// one counts only when found after the first character, and a later match
// replaces an earlier one. Without any match the choice stays the fallback
// format (JPEG, .jpg).
ImageFormatChoice ImageFormatFromItemText(std::string_view itemText);

// The list text of format index `index`, or the empty text for an index
// outside the list (nothing selected).
std::string ImageFormatItemText(int index);

// The list index of the format whose short name is `cliName` (exact, lower
// case), or -1 when there is none.
int ImageFormatIndexOfName(std::string_view cliName);

// True when a row of `format` puts every page into one file: its format
// gathers pages (the table's multiPage) and the multi-page key is set.
bool WritesOneFile(const ImageFormatChoice &format, const ImageSettings &img);
