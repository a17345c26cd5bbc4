// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The converter record behind one handle, and the internal entry points the
// handle interface is built from.
//
// A record is created by ImageConverterCreate and lives in the handle table
// until ImageConverterDestroy; callers inside the library reach it through
// LookupConverter, which keeps it alive for as long as they hold the pointer.
// One record is used by one thread at a time.
#pragma once

#include <climits>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "imageconv/Writers.h"

namespace imageconv {

// Longest resolved paths kept, in characters: input files and output files.
// A longer path is refused, never cut. An output path is held to the
// platform's limits (common/FileRules.h: FitsPlatformLimits), of which this
// is the whole length's.
constexpr size_t kMaxInputPath = 511;
constexpr size_t kMaxOutputPath = PATH_MAX - 1;

struct ImageConverter {
    std::vector<std::string> m_files; // absolute input paths, in the order added
    std::string m_szOutput;           // single-file output (option 1)
    std::string m_szMultiOutput;      // multi-page TIFF output (option 2)
    int m_nFormatCode = 4;
    int m_nBpp = 24;
    int m_bMultiPage = 0;
    int m_nWorkBpp = 0;
    int m_nTiffCompression = 2;
    int m_bGray = 0;
    int m_nQuality = 75;
    int m_nRotate = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nXDpi = 150;
    int m_nYDpi = 150;
    int m_nReduceBpp = 0;
    std::unique_ptr<TiffMultiPageWriter> m_pTiffImage;
    int m_nInputType = 1;
    int m_nJpegMode = 0;
    std::string m_lastError; // the last failed page's reason ("" when none)

    ImageConverter();
    ~ImageConverter();
    ImageConverter(const ImageConverter &) = delete;
    ImageConverter &operator=(const ImageConverter &) = delete;

    // Finishes the multi-page TIFF file, if one is still being built: it
    // takes its name only when every page went in.
    void CloseMultiPage();
};

std::shared_ptr<ImageConverter> LookupConverter(int handle);

// An absolute, lexically normalised form of `path`, or empty when it is
// empty, can't be resolved or is longer than maxLength.
std::string ResolvePath(const char *path, size_t maxLength);

// Option handling: stores one option into the record. Returns 0 only when a
// path option's text can't be resolved within the length limit.
int SetConverterOption(ImageConverter &ic, int option, const char *text, int value);

// The depths a page is reduced to through a palette: 1, 4 and 8 bits.
inline bool IsPaletteDepth(int bpp) {
    return bpp == 1 || bpp == 4 || bpp == 8;
}

// Computes m_nWorkBpp and m_nReduceBpp (and, for JPEG, m_bGray) by the
// format's depth rule.
void DecideDepth(ImageConverter &ic);

// The page routines: every added page through the format's steps to its writer.
void ConvertPages(ImageConverter &ic);

// Reads one page file and runs the format's steps on it (the depth fields
// must have been decided); `page` then holds what the format's writer gets.
// False, with `page` untouched and the reason in m_lastError, when the read
// or a step failed.
bool PreparePage(ImageConverter &ic, const std::string &file, Dib &page);

// The writer parameters carried by the record.
WriteParams MakeWriteParams(const ImageConverter &ic);

} // namespace imageconv
