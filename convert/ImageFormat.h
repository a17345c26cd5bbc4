// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// ImageFormat: the one table of image formats, and how a run picks its
// format code and output extension from the text of the chosen list item.
//
// kImageFormats is in list order: an entry's position is its index in the
// main window's format list (the "type" setting). Each entry gives the list
// text (ending with its extension in the form "(*.jpg)"), the short name of
// the command line's --format, the output extension and the image
// converter's format code. The window fills its list from it, the command
// line looks names up in it and the run derives the code from the list text.
// Constant data and pure functions; thread-safe.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "imageconv/ImageConverter.h"

struct ImageFormat {
    const char *listText; // the format list's item
    const char *cliName;  // the value of --format
    const char *ext;      // every output file's extension, dot included
    int code;             // image converter format code (IC_FORMAT_*)
};

// Marks a list text for the translation tools: the window shows its
// translation (context "ImageFormat"); the core reads the text as written.
#define VANTORIA_TRANSLATE_NOOP(context, text) text

inline constexpr std::array<ImageFormat, 12> kImageFormats = {{
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "JPEG 文件(*.jpg)"), "jpg", ".jpg", IC_FORMAT_JPEG},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "TIFF 文件(*.tif) "), "tif", ".tif",
     IC_FORMAT_TIFF}, // the item ends in one blank
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "BMP 文件(*.bmp)"), "bmp", ".bmp", IC_FORMAT_BMP},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "PNG 文件(*.png)"), "png", ".png", IC_FORMAT_PNG},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "GIF 文件(*.gif)"), "gif", ".gif", IC_FORMAT_GIF},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "PCX 文件(*.pcx)"), "pcx", ".pcx", IC_FORMAT_PCX},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "WMF 文件(*.wmf)"), "wmf", ".wmf", IC_FORMAT_WMF},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "EMF 文件(*.emf)"), "emf", ".emf", IC_FORMAT_EMF},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "TGA 文件(*.tga)"), "tga", ".tga", IC_FORMAT_TGA},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "JPEG2000 文件(*.jp2)"), "jp2", ".jp2", IC_FORMAT_JP2},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "JPEG2000 文件(*.jpc)"), "jpc", ".jpc", IC_FORMAT_JPC},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "RAS 文件(*.ras)"), "ras", ".ras", IC_FORMAT_RAS},
}};

struct ImageFormatChoice {
    int code = IC_FORMAT_JPEG; // image converter format code (IC_FORMAT_*)
    std::string ext = ".jpg";  // extension of every output file, dot included
};

// Look for each format's extension in `itemText`, in the fixed order .tif
// .jpg .bmp .gif .png .pcx .wmf .emf .tga .jp2 .ras .jpc; one counts only
// when found after the first character, and a later match replaces an
// earlier one. Without any match the choice stays JPEG (.jpg).
ImageFormatChoice ImageFormatFromItemText(std::string_view itemText);

// The list text of format index `index`, or the empty text for an index
// outside the list (nothing selected).
std::string ImageFormatItemText(int index);

// The list index of the format whose short name is `cliName` (exact, lower
// case), or -1 when there is none.
int ImageFormatIndexOfName(std::string_view cliName);
