// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// ApplyImageSettings: the user's image settings as options of one image
// converter, for one output format.
//
// Sets, in this order: the target size (when resizing is on), the rotation
// (when positive), the two resolutions, the format code, the compression
// and quality of the keys the format's row names (imageconv/ImageFormats.h),
// and the colour depth with grey for the format's colour key. Grey is only
// ever switched on here. Safe to call from any thread for a handle that
// thread owns.
#pragma once

#include "settings/ConvertSettings.h"

// `formatCode` is an image format code (IC_FORMAT_*). Returns 1, or 0 for a
// handle the converter refuses.
int ApplyImageSettings(int handle, int formatCode, const ImageSettings &img);

// The depth and grey flag of a colour-choice text, compared without regard
// to case; any other text is 24 bits, not grey.
struct ColourChoice {
    int bpp;
    bool gray;
};
ColourChoice ColourChoiceOf(const std::string &text);

// True when pages for format `formatCode` are rendered with text and
// graphics anti-aliasing: "antialias" is not 0 and the format's colour
// choice is not black and white (a 1-bit page can't carry grey edges, and
// thresholding them thickens every stroke).
bool SmoothRendering(int formatCode, const ImageSettings &img);

// The TIFF compression value (IC_TIFF_*) of an index into the TIFF page's
// compression list.
int TiffCompressionOfIndex(int index);
