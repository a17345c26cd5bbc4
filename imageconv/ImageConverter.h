// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The image converter: turns rendered page bitmaps into one output image file.
//
// A plain handle interface taking and returning integers and C strings; no
// exception leaves it. One converter is created for one output file (a single
// image, or one multi-page TIFF gathering every page of a document):
//
//   create -> set options (1, or 2 and 11 = 1) -> add page file(s)
//          -> set the remaining options -> convert -> destroy
//
// Handles are positive integers; 0 and negative handles are refused with 0.
// Every call returns 1 on success. Convert returns 1 whatever happened to the
// pages: a page that can't be read or written leaves no output file, and
// ImageConverterLastError says why. Convert finishes a multi-page TIFF file
// once its pages are all appended; Destroy finishes one that Convert did not
// (a conversion cut short) and then ends the handle.
// Different handles may be used from different threads at the same time; one
// handle is used by one thread at a time.
#pragma once

enum {
    IC_OPT_OUTPUT_PATH = 1,
    IC_OPT_MULTIPAGE_PATH = 2,
    IC_OPT_FORMAT = 5,
    IC_OPT_BPP = 6,
    IC_OPT_XDPI = 7,
    IC_OPT_YDPI = 8,
    IC_OPT_QUALITY = 9,
    IC_OPT_TIFF_COMPRESSION = 10,
    IC_OPT_MULTIPAGE = 11,
    IC_OPT_GRAY = 12,
    IC_OPT_WIDTH = 13,
    IC_OPT_HEIGHT = 14,
    IC_OPT_ROTATE = 15,
    IC_OPT_JPEG_MODE = 30,
};

// Format codes taken by IC_OPT_FORMAT.
enum {
    IC_FORMAT_BMP = 1,
    IC_FORMAT_EMF = 2,
    IC_FORMAT_WMF = 3,
    IC_FORMAT_JPEG = 4,
    IC_FORMAT_PNG = 5,
    IC_FORMAT_GIF = 6,
    IC_FORMAT_TIFF = 7,
    IC_FORMAT_PCX = 8,
    IC_FORMAT_TGA = 9,
    IC_FORMAT_JP2 = 10,
    IC_FORMAT_RAS = 11,
    IC_FORMAT_JPC = 12,
};

// Values of IC_OPT_TIFF_COMPRESSION.
enum {
    IC_TIFF_NONE = 0,
    IC_TIFF_LZW = 1,
    IC_TIFF_JPEG = 2,
    IC_TIFF_PACKBITS = 3,
    IC_TIFF_CCITT_G4 = 4,
    IC_TIFF_CCITT_G3 = 5,
    IC_TIFF_CCITT_RLE = 6,
    IC_TIFF_GRAY8 = 7,
};

// Input type of ImageConverterAddFile.
enum { IC_INPUT_BMP = 1 };

int ImageConverterCreate();
int ImageConverterAddFile(int handle, const char *path, int inputType);
int ImageConverterSetOption(int handle, int option, const char *text, int value,
                            const char *reserved = nullptr);
int ImageConverterConvert(int handle);
int ImageConverterDestroy(int handle);

// Why the last page of `handle`'s last Convert that failed did so, for a
// user: "<FORMAT>: <cause>", where the cause of a failed system call is the
// shared text of its errno (common/FileErrors.h: "PNG: disk full", "JPEG:
// output folder is read-only"), a page a format can't hold says so ("PCX:
// page too large for the format (70000 x 42 pixels, at most 65536)") and a
// page file that can't be read says "damaged page file: " and the reader's
// message. The multi-page file's own failure (its finishing) is among them,
// since Convert finishes it. Copies the text, cut to fit and NUL-terminated,
// into `buffer` of `size` bytes; returns its full length, 0 when no page
// failed (buffer then holds ""), or -1 for an unknown handle. Our own
// addition beside the five, which keep their contracts; call it before
// Destroy.
int ImageConverterLastError(int handle, char *buffer, int size);
