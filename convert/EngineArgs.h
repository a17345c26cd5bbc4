// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// EngineArgs: the argument vectors handed to the engine, and the vector's
// C form.
//
// Every vector has the shape "tessarin", "-dNOPAUSE", "-dBATCH", "-dSAFER",
// the device entry, the output entry, the extras of the output kind and, last,
// the input path. The output path given here is the file name the engine is
// to write, exactly as it should appear on disk: the builders escape its
// literal '%' characters themselves, and only the page-number field of the
// page pattern stays a field.
//
// An input that is an encapsulated figure (IsEpsFile: its first line says
// so, whatever its name) gets one more extra, "-dEPSCrop", so every page
// the engine makes of it is the size of its %%BoundingBox. The builders read
// that first line and nothing else; thread-safe.
#pragma once

#include <string>
#include <vector>

struct ConvertSettings;
struct ImageSettings;
struct PdfSettings;

using ArgumentVector = std::vector<std::string>;

// The key level of "level": 0 is 40-bit RC4, 2 is 256-bit AES, any other
// value 128-bit RC4. The numbers are the ones the finishing step takes.
enum class PdfKeyLevel { Rc4Bits40 = 0, Rc4Bits128 = 1, Aes256 = 2 };
PdfKeyLevel KeyLevelOf(const PdfSettings &pdf);

// The PDF/A part of "pdfa": 1, 2 or 3, and 0 (none) for any other value.
int PdfAPartOf(const PdfSettings &pdf);

// True when the settings ask for PDF/A and encryption at once, which exclude
// each other: such a row fails before anything is written.
bool PdfAWithEncryption(const PdfSettings &pdf);
inline constexpr const char kPdfAEncryptedReason[] = "PDF/A files can't be encrypted";

// Permission value P as the standard security handler (revision 3 and up)
// reads it: bits 1-2 clear, the reserved bits 7-8 and 13-32 set (so P is
// negative), and per key that is exactly 1: "print" bits 3 and 12 (printing
// at full quality), "change" bits 4 and 11 (modifying, assembling), "copy"
// bits 5 and 10 (extraction, also for accessibility), "add" bits 6 and 9
// (annotations, form filling). Nothing granted gives -3904.
int PdfPermissions(const PdfSettings &pdf);

// The PDF vector: the head, then the quality preset ("quality" 1-4 as the
// interpreter's distiller presets /screen, /ebook, /printer, /prepress;
// nothing for 0 or any other value), every font embedded and subset (with
// "embedfonts" 1 or PDF/A, the standard fonts included), the PDF/A entries
// (the part, colours converted to RGB, offending features dropped rather
// than failing), the page list when one is given (see below), and the input.
// No password ever appears: every key level is encrypted by the finishing
// step, so the engine writes a plain file.
ArgumentVector PdfArguments(const PdfSettings &pdf, const std::string &outputPath,
                            const std::string &inputPath, const std::string &pageList = {});

// The page-rendering vector for output format `formatCode` (IC_FORMAT_*):
// every page as a 24-bit BMP named PageFileName(pageFolder, k), at the
// settings' xdpi x ydpi (8 entries), and with text and graphics
// anti-aliasing of 4 bits each when SmoothRendering says so (2 more). With
// a `pageList` (the interpreter's page-list syntax, rising: see PageRange.h
// and PageShares.h) only the listed pages are rendered, numbered 1, 2, ...
// as they come (1 more, "-sPageList=...", in every vector that takes one).
ArgumentVector RenderArguments(const std::string &pageFolder, const ImageSettings &img,
                               int formatCode, const std::string &inputPath,
                               const std::string &pageList = {});

// The plain PDF vector of the text path (7 entries, never encrypted; 8 with
// a page list).
ArgumentVector TextPdfArguments(const std::string &tempPdfPath, const std::string &inputPath,
                                const std::string &pageList = {});

// The page-count vector: every page as a one-bit BMP of a few pixels (10
// dpi: the interpreter's default halftone refuses less) named
// PageFileName(pageFolder, k), so the files written are the interpreter's
// own count of the pages (8 entries).
ArgumentVector PageCountArguments(const std::string &pageFolder, const std::string &inputPath);

// A char* view of a vector for the engine's C interface. The strings must
// outlive the view; the array ends with a null entry not counted in argc.
class ArgvView {
public:
    explicit ArgvView(ArgumentVector &args);
    int argc() const { return static_cast<int>(m_ptrs.size()) - 1; }
    char **argv() { return m_ptrs.data(); }

private:
    std::vector<char *> m_ptrs;
};
