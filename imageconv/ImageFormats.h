// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// ImageFormats: the one table of image formats. Each row holds everything
// about one format: where it stands in the main window's format list, its
// caption, extension and converter code, the steps a page takes on its way
// to the writer, the depth rule, the writer, the Profile.ini keys it reads
// and the page of the "Image Settings" sheet that edits them.
//
// kImageFormats is in list order: a row's position is its index in the
// format list (the "type" setting). The converter reads the pipeline half,
// the run and the command line the list half, the image settings the keys
// and the sheet the page. Adding a format is adding a row here and a writer
// in writers/. Constant data; thread-safe.
#pragma once

#include <span>
#include <string>

#include "imageconv/ImageConverter.h"

namespace imageconv {
class Status;
struct Dib;
struct WriteParams;
} // namespace imageconv

// Marks a text for the translation tools: the window shows its translation
// under `context`; the core reads the text as written.
#define VANTORIA_TRANSLATE_NOOP(context, text) text

// What a page goes through for its colours before the geometry steps.
enum class ColourStep {
    Reduce,     // grey first when asked (not for 1 bit), then down to the palette depth
    TiffReduce, // as Reduce, but an 8-bit grey page with compression 7 stays the grey ramp
    TgaReduce,  // 8 bits only: the grey ramp when grey, else a 256-colour palette
    Grey,       // the grey ramp when grey is asked for
    None,       // the colours stay as read
};

// The geometry steps.
enum class GeometryStep {
    Page,       // resolution, quarter rotation, resize
    FreeRotate, // any rotation angle, nothing else (the metafiles)
};

// How the asked-for depth becomes the working depth (palette depths 1, 4, 8
// are reduced to from 24 bits).
enum class DepthRule {
    PaletteOr24,   // a palette depth as asked, anything else 24
    PaletteOr8,    // a palette depth as asked, anything else 8
    GreyFromEight, // 8 bits turns grey on; grey is 8 bits, the rest 24
    EightOr24,     // 8 stays 8, the rest 24
    GreyOr24,      // grey is 8 bits, the rest 24
};

// The sheet page that edits a format's keys.
enum class SheetPage {
    None,   // no page of its own (the Common page stands for it)
    Colour, // a colour list and the description
    Jpeg,   // colour and quality
    Tiff,   // colour, compression, quality and multi-page
};

using PageWriter = imageconv::Status (*)(const imageconv::Dib &page, const std::string &path,
                                         const imageconv::WriteParams &params);

struct ImageFormat {
    // The format list and the run.
    const char *listText; // the format list's item, ending in "(*<ext>)"
    const char *cliName;  // the value of the command line's --format
    const char *ext;      // every output file's extension, dot included
    int code;             // image converter format code (IC_FORMAT_*)
    const char *name;     // the format's name in a page's failure ("PCX: ...")
    int scanRank;         // when the list text's extensions are looked for (0 first)

    // The converter.
    struct Pipeline {
        ColourStep colour;
        GeometryStep geometry;
        DepthRule depth;
        bool multiPage; // pages may gather into one file (IC_OPT_MULTIPAGE)
        PageWriter write;
    } pipeline;

    // The "Img" keys the format reads; nullptr for none.
    struct Keys {
        const char *colour;      // its colour choice
        const char *quality;     // its quality (IC_OPT_QUALITY)
        const char *compression; // its compression list index (IC_OPT_TIFF_COMPRESSION)
        const char *multiPage;   // one file for all pages
    } keys;

    // Its page of the "Image Settings" sheet.
    struct Page {
        SheetPage kind;
        int tab;                 // tab position, 1 after Common; 0 with no page
        int templateId;          // the page's dialog template
        int colourList;          // the colour list's control id
        const char *description; // the text under "介绍：" (context "CImagePage")
    } page;
};

// Every format, in list order.
extern const std::span<const ImageFormat> kImageFormats;

// The row of format code `code`, or nullptr for a code no format has.
const ImageFormat *FindImageFormat(int code);

// The format taken when none is named, or an unknown code is (JPEG).
const ImageFormat &FallbackImageFormat();
