// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The operations of the page pipeline, one per source file in ops/.
//
// Each works on one in-memory page (Dib). An operation that builds a new page
// (reduction, rotation, resize, grey) builds it beside the source and only
// replaces the source when it succeeded; a failing operation leaves the
// source page as it was and returns a failed Status. None of them throws:
// an allocation that fails is a failed Status.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imageconv/Dib.h"
#include "imageconv/Status.h"

namespace imageconv {

// Reads an uncompressed 1, 4, 8 or 24-bit Windows bitmap (bottom-up or
// top-down, 12-byte core or 40-byte and later information headers). Anything
// else, and any file whose header promises more than the file holds, is
// refused; the page is then left empty.
Status ReadBmp(const std::string &path, Dib &page);

// Brings a 1, 4 or 8-bit page to 24 bits through its palette; a 24-bit page
// is left as it is.
Status ExpandToTrueColour(Dib &page);

// Turns the page into an 8-bit page with the grey ramp palette, each pixel
// (306 R + 601 G + 117 B) >> 10 of its colour.
Status ConvertToGrey(Dib &page);

// The octree palette over every pixel of the page (bottom row first, left to
// right), at most maxColours entries, tree depth treeDepth (1..8) bits per
// channel. The result has one entry per leaf, in depth-first order.
std::vector<RgbQuad> BuildOctreePalette(const Dib &page, int maxColours, int treeDepth);

// Maps every pixel to the nearest of the first `important` palette entries
// (all when 0) and makes the page a `depth`-bit page with that palette.
Status ReduceToPalette(Dib &page, int depth, const std::vector<RgbQuad> &palette, int important);

// The converter's palette reduction for a reduce depth of 1, 4 or 8. A grey
// ramp page (ConvertToGrey's result) keeps its exact levels at 8 bits and
// takes the nearest of the 16-level ramp at 4 bits; other pages go through
// the octree.
Status ReduceColors(Dib &page, int reduceBpp);

// Sets the page's resolution in dots per inch and pixels per metre.
void SetResolution(Dib &page, int xDpi, int yDpi);
int32_t PelsPerMeter(int dpi);

// Gives `to` the resolution of `from` (dots per inch and pixels per metre as
// they are), for an operation that builds a new page from an old one.
void CopyResolution(Dib &to, const Dib &from);

// Exact quarter turns, any depth: width and height swap, pixels move as they are.
Status RotateQuarterClockwise(Dib &page);
Status RotateQuarterCounterClockwise(Dib &page);

// Rotation by any angle in degrees, positive clockwise, filling what the
// source does not cover with the colour of the bottom-left pixel.
Status RotateFree(Dib &page, double degrees);

// The converter's rotation step: 0 nothing, 90/180/270 exact, else free.
Status RotatePage(Dib &page, int rotate);

// Nearest-neighbour resampling to newWidth x newHeight; an unchanged size
// leaves the page as it is.
Status ResizeNearest(Dib &page, int64_t newWidth, int64_t newHeight);

// The palette colour (or the 24-bit colour) of pixel x in row y.
RgbQuad PixelColour(const Dib &page, int x, int y);

} // namespace imageconv
