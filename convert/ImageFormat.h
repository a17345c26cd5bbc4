// ImageFormat: the image-format list and how a run picks its format code and
// output extension from the text of the chosen list item.
//
// The list texts are the main window's format list, in index order ("type");
// every item ends with its extension in the form "(*.jpg)". Constant data and
// pure functions; thread-safe.
#pragma once

#include <array>
#include <string>
#include <string_view>

inline constexpr std::array<const char *, 12> kImageFormatListItems = {
    "JPEG 文件(*.jpg)", "TIFF 文件(*.tif) ",    "BMP 文件(*.bmp)",      "PNG 文件(*.png)",
    "GIF 文件(*.gif)",  "PCX 文件(*.pcx)",      "WMF 文件(*.wmf)",      "EMF 文件(*.emf)",
    "TGA 文件(*.tga)",  "JPEG2000 文件(*.jp2)", "JPEG2000 文件(*.jpc)", "RAS 文件(*.ras)",
};

struct ImageFormatChoice {
    int code = 4;             // image converter format code (IC_FORMAT_*)
    std::string ext = ".jpg"; // extension of every output file, dot included
};

// Look for each known extension in `itemText`, in the fixed order .tif .jpg
// .bmp .gif .png .pcx .wmf .emf .tga .jp2 .ras .jpc; one counts only when
// found after the first character, and a later match replaces an earlier one.
// Without any match the choice stays JPEG (.jpg).
ImageFormatChoice ImageFormatFromItemText(std::string_view itemText);

// The list text of format index `index`, or the empty text for an index
// outside the list (nothing selected).
std::string ImageFormatItemText(int index);
