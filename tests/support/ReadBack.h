// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Independent readers for what a run writes: qpdf and poppler for PDF,
// libjpeg, libtiff, libpng and giflib for images, magic bytes for the rest.
#pragma once

#include <string>
#include <vector>

namespace readback {

struct PdfFacts {
    bool ok = false; // qpdf opened it
    std::string error;
    int pages = 0;
    bool encrypted = false;
    int R = 0, P = 0, V = 0;
    int keyLength = 0; // bits
    std::string title, author, subject, keywords, creator, producer;
};

// Open with qpdf using `password` (may be empty).
PdfFacts ReadPdf(const std::string &path, const std::string &password = "");

// The document's XMP packet through qpdf; empty when it has none or the file
// does not open with `password`.
std::string PdfXmp(const std::string &path, const std::string &password = "");

// Text of every page through poppler, pages joined with "\f".
std::string PdfText(const std::string &path, const std::string &password = "");
// Text of page `page` (from 0) through poppler; empty when the file does not
// open with `password` or has no such page.
std::string PdfPageText(const std::string &path, int page, const std::string &password = "");

// A word as poppler finds it: its box in the displayed page (origin top
// left, in points) and its rotation in quarter turns.
struct Word {
    std::string text;
    double x = 0, y = 0, w = 0, h = 0;
    int rotation = 0;
};

// The words of page `page` (from 0) with their places, through poppler;
// `pageWidth` and `pageHeight` (either may be null) receive the size of the
// displayed page (its crop box, turned as the page is).
std::vector<Word> PdfWords(const std::string &path, int page, double *pageWidth = nullptr,
                           double *pageHeight = nullptr, const std::string &password = "");

// The fonts of every page as poppler lists them (pdffonts' view).
struct FontFacts {
    std::string name;
    bool embedded = false;
    bool subset = false;
};
std::vector<FontFacts> PdfFonts(const std::string &path, const std::string &password = "");

// An independent command-line reader (qpdf, pdfimages) run over `argv`
// (argv[0] found on PATH): its exit status (-1 when it did not run or
// exit) and what it wrote to stdout and stderr.
struct ToolResult {
    int status = -1;
    std::string output;
};
ToolResult RunReader(const std::vector<std::string> &argv);

struct ImageFacts {
    bool ok = false;
    int width = 0;
    int height = 0;
    int pages = 0; // TIFF directories; 1 for other formats
    std::vector<int> pageWidths;
};

// A PNG decoded to 8-bit RGB by libpng; `rgb` is empty when it can't be read.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb; // rows from the top, three bytes a pixel
    // The pixel at x, y as 0xRRGGBB.
    unsigned At(int x, int y) const;
};
RgbImage ReadPngRgb(const std::string &path);

ImageFacts ReadJpeg(const std::string &path);
ImageFacts ReadTiff(const std::string &path);
ImageFacts ReadPng(const std::string &path);
ImageFacts ReadGif(const std::string &path);

// True when the file starts as a file of the image format code says
// (1 BMP ... 12 JPC).
bool HasImageSignature(const std::string &path, int formatCode);

} // namespace readback
