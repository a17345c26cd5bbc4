// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/lumbrel/Stamp.h"

#include "modules/lumbrel/LatinText.h"
#include "modules/lumbrel/StampFonts.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <utility>

namespace lumbrel {
namespace {

// Number in PDF syntax, independent of the C locale.
std::string Num(double value) {
    if (std::fabs(value) < 0.00005)
        return "0";
    char buffer[64];
    auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    if (ec != std::errc())
        return "0";
    std::string s(buffer, end);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
    }
    return s;
}

char32_t Printable(char32_t c) {
    return (c < 0x20 || c == 0x7F) ? U' ' : c;
}

} // namespace

Stamper::Stamper(QPDF &pdf, const StampStyle &style) : m_pdf(pdf), m_style(style) {
    std::u32string text = DecodeUtf8(style.text);
    for (char32_t &c : text)
        c = Printable(c);
    StampFont font = MakeStampFont(pdf, text, style.embedFont);
    if (style.requireEmbedded && !font.embedded)
        throw std::runtime_error("no installed font holds every character of the stamp");
    const double scale = style.size / 1000.0;
    m_cjk = font.cjk;
    m_width = font.width * scale;
    m_ascent = font.ascent * scale;
    m_descent = font.descent * scale;
    m_shown = std::move(font.shown);
    m_font = font.font;
}

std::string Stamper::ContentFor(double w, double h, int rotate, double llx, double lly) const {
    const bool sideways = rotate == 90 || rotate == 270;
    const double shownW = sideways ? h : w;
    const double shownH = sideways ? w : h;

    // Column and row of each position, clockwise from the top-left corner.
    static constexpr int kColumn[9] = {0, 1, 2, 2, 2, 1, 0, 0, 1}; // left, centre, right
    static constexpr int kRow[9] = {0, 0, 0, 1, 2, 2, 2, 1, 1};    // top, middle, bottom
    const int column = kColumn[m_style.position];
    const int row = kRow[m_style.position];

    double u = column == 0 ? kStampMargin : column == 1 ? shownW / 2 : shownW - kStampMargin;
    double v = row == 0 ? shownH - kStampMargin : row == 1 ? shownH / 2 : kStampMargin;
    const double dx = column == 0 ? 0 : column == 1 ? -m_width / 2 : -m_width;
    const double dy = row == 0 ? -m_ascent : row == 1 ? -(m_ascent - m_descent) / 2 : m_descent;
    u += m_style.offsetX;
    v -= m_style.offsetY;

    // From the displayed orientation back to the page's own coordinates.
    double x = u, y = v;
    switch (rotate) {
    case 90:
        x = w - v;
        y = u;
        break;
    case 180:
        x = w - u;
        y = h - v;
        break;
    case 270:
        x = v;
        y = h - u;
        break;
    default:
        break;
    }
    x += llx;
    y += lly;

    const double angle = (m_style.rotation + rotate) * std::numbers::pi / 180.0;
    const double c = std::cos(angle), s = std::sin(angle);
    const double r = (m_style.color & 0xFF) / 255.0;
    const double g = ((m_style.color >> 8) & 0xFF) / 255.0;
    const double b = ((m_style.color >> 16) & 0xFF) / 255.0;

    std::string out = "q\n";
    out += Num(r) + " " + Num(g) + " " + Num(b) + " rg\n";
    out += Num(c) + " " + Num(s) + " " + Num(-s) + " " + Num(c) + " " + Num(x) + " " + Num(y) +
           " cm\n";
    out += "BT\n" + m_fontName + " " + Num(m_style.size) + " Tf\n";
    out += Num(dx) + " " + Num(dy) + " Td\n";
    out += m_shown + " Tj\nET\nQ\n";
    return out;
}

void Stamper::Apply(QPDFPageObjectHelper &page) {
    QPDFObjectHandle pageObject = page.getObjectHandle();

    // The visible area: the crop box, else the media box, else US Letter.
    double llx = 0, lly = 0, urx = 612, ury = 792;
    QPDFObjectHandle box = page.getCropBox();
    if (box.isRectangle()) {
        QPDFObjectHandle::Rectangle rect = box.getArrayAsRectangle();
        llx = std::min(rect.llx, rect.urx);
        urx = std::max(rect.llx, rect.urx);
        lly = std::min(rect.lly, rect.ury);
        ury = std::max(rect.lly, rect.ury);
    }

    int rotate = 0;
    QPDFObjectHandle rotateObject = page.getAttribute("/Rotate", false);
    if (rotateObject.isInteger()) {
        long long value = rotateObject.getIntValue() % 360;
        if (value < 0)
            value += 360;
        rotate = static_cast<int>(value - value % 90);
    }

    QPDFObjectHandle resources = page.getAttribute("/Resources", true);
    if (!resources.isDictionary()) {
        resources = QPDFObjectHandle::newDictionary();
        pageObject.replaceKey("/Resources", resources);
    }
    QPDFObjectHandle fonts = resources.getKey("/Font");
    if (!fonts.isDictionary()) {
        fonts = QPDFObjectHandle::newDictionary();
        resources.replaceKey("/Font", fonts);
    }
    for (int n = 1;; ++n) {
        std::string name = "/LbStamp" + std::to_string(n);
        if (!fonts.hasKey(name)) {
            fonts.replaceKey(name, m_font);
            m_fontName = name;
            break;
        }
        QPDFObjectHandle existing = fonts.getKey(name);
        if (existing.isIndirect() && existing.getObjGen() == m_font.getObjGen()) {
            m_fontName = name;
            break;
        }
    }

    std::string content = ContentFor(urx - llx, ury - lly, rotate, llx, lly);
    if (m_style.under) {
        page.addPageContents(QPDFObjectHandle::newStream(&m_pdf, content), true);
    } else {
        // The page's own content runs inside q/Q, so whatever state it leaves
        // behind does not reach the stamp.
        page.addPageContents(QPDFObjectHandle::newStream(&m_pdf, "q\n"), true);
        page.addPageContents(QPDFObjectHandle::newStream(&m_pdf, "Q\n" + content), false);
    }
}

} // namespace lumbrel
