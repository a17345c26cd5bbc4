// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The fonts of the text stamp.
//
// MakeStampFont adds to the document the font that shows `text` (printable
// code points) and answers how to show it: the standard Latin font with
// WinAnsiEncoding when that encoding holds every character, otherwise a CJK
// font. With `embed` false these are the standard Helvetica and the
// STSong-Light CID font of the Adobe-GB1 collection (UTF-16 codes), both
// left for the reader to provide. With `embed` true the glyphs the text uses
// are subset from installed fonts and embedded: the Latin text from the
// interpreter's own Nimbus Sans (a CFF font, FontFile3 /Type1C, with its
// CharSet), the CJK text from WenQuanYi Micro Hei (TrueType, FontFile2, a
// CID font with Identity-H codes, its CIDSet and a ToUnicode map). When an
// installed font is missing or lacks a glyph, the standard font is used and
// `embedded` says so. qpdf may throw; the caller catches.
#pragma once

#include <string>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

namespace lumbrel {

struct StampFont {
    QPDFObjectHandle font; // indirect font dictionary
    std::string shown;     // the string operand of Tj, PDF syntax
    int width = 0;         // advance of the whole text, 1/1000 em
    int ascent = 0;        // 1/1000 em above the baseline
    int descent = 0;       // 1/1000 em below the baseline (positive)
    bool cjk = false;
    bool embedded = false;
};

StampFont MakeStampFont(QPDF &pdf, const std::u32string &text, bool embed);

} // namespace lumbrel
