// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The text stamp that PdfPostProcess puts on every page.
//
// A Stamper is made once per document: it chooses the font and adds it to
// the document (see StampFonts.h); with requireEmbedded it throws when the
// font can't be embedded. Apply then
// draws the stamp on one page, under or over the page's own content, placed
// and turned in the page's displayed orientation so that a page with /Rotate
// shows it upright. qpdf may throw from both; the caller catches.
#pragma once

#include <string>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

namespace lumbrel {

struct StampStyle {
    std::string text;             // UTF-8, not empty
    int color = 0;                // 0x00BBGGRR
    double size = 16;             // points, > 0
    int position = 0;             // 0-8: clockwise from the top-left corner, the centre last
    double offsetX = 0;           // points to the right
    double offsetY = 0;           // points down
    double rotation = 0;          // degrees counter-clockwise about the anchor
    bool under = false;           // under the page's content instead of over it
    bool embedFont = false;       // subset and embed the font (see StampFonts.h)
    bool requireEmbedded = false; // fail rather than fall back to a standard font
};

// Distance of an edge-anchored stamp from the page edges, in points.
constexpr double kStampMargin = 18;

class Stamper {
public:
    Stamper(QPDF &pdf, const StampStyle &style);

    void Apply(QPDFPageObjectHelper &page);

    bool usesCjkFont() const { return m_cjk; }

private:
    std::string ContentFor(double width, double height, int rotate, double llx, double lly) const;

    QPDF &m_pdf;
    StampStyle m_style;
    bool m_cjk = false;
    std::string m_shown;     // the string operand of Tj, PDF syntax
    double m_width = 0;      // text advance in points
    double m_ascent = 0;     // points above the baseline
    double m_descent = 0;    // points below the baseline
    QPDFObjectHandle m_font; // indirect font dictionary
    std::string m_fontName;  // resource name used on the last page
};

} // namespace lumbrel
