#include "modules/lumbrel/Stamp.h"

#include "modules/lumbrel/LatinText.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <set>

namespace lumbrel {
namespace {

// Widths and extent of the CJK font, 1/1000 em: ASCII half width, the rest full.
constexpr int kCjkAsciiWidth = 500;
constexpr int kCjkWidth = 1000;
constexpr int kCjkAscent = 880;
constexpr int kCjkDescent = 120;

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

std::string LiteralString(const std::string &bytes) {
    static const char kOctal[] = "01234567";
    std::string out = "(";
    for (unsigned char b : bytes) {
        if (b == '(' || b == ')' || b == '\\') {
            out += '\\';
            out += static_cast<char>(b);
        } else if (b < 0x20 || b >= 0x7F) {
            out += '\\';
            out += kOctal[(b >> 6) & 7];
            out += kOctal[(b >> 3) & 7];
            out += kOctal[b & 7];
        } else {
            out += static_cast<char>(b);
        }
    }
    return out + ")";
}

void AppendHex16(std::string &out, unsigned value) {
    static const char kHex[] = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kHex[(value >> shift) & 0xF];
}

// UTF-16BE code units of one code point, as hex digits.
std::string Utf16Hex(char32_t c) {
    std::string out;
    if (c >= 0x10000) {
        char32_t v = c - 0x10000;
        AppendHex16(out, 0xD800 + (v >> 10));
        AppendHex16(out, 0xDC00 + (v & 0x3FF));
    } else {
        AppendHex16(out, c);
    }
    return out;
}

// ToUnicode map for the characters of the stamp. The character codes of the
// UTF-16 encoding are the UTF-16 code units, so each maps to itself.
std::string ToUnicodeCMap(const std::u32string &text) {
    std::set<char32_t> used(text.begin(), text.end());
    std::string cmap = "/CIDInit /ProcSet findresource begin\n"
                       "12 dict begin\nbegincmap\n"
                       "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                       "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                       "3 begincodespacerange\n<0000> <D7FF>\n<D800DC00> <DBFFDFFF>\n"
                       "<E000> <FFFF>\nendcodespacerange\n";
    std::vector<char32_t> chars(used.begin(), used.end());
    for (size_t i = 0; i < chars.size(); i += 100) {
        size_t n = std::min<size_t>(100, chars.size() - i);
        cmap += std::to_string(n) + " beginbfchar\n";
        for (size_t k = i; k < i + n; ++k) {
            std::string hex = Utf16Hex(chars[k]);
            cmap += "<" + hex + "> <" + hex + ">\n";
        }
        cmap += "endbfchar\n";
    }
    cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return cmap;
}

char32_t Printable(char32_t c) {
    return (c < 0x20 || c == 0x7F) ? U' ' : c;
}

} // namespace

Stamper::Stamper(QPDF &pdf, const StampStyle &style) : m_pdf(pdf), m_style(style) {
    std::u32string text = DecodeUtf8(style.text);
    for (char32_t &c : text)
        c = Printable(c);
    std::string latin;
    for (char32_t c : text) {
        auto byte = WinAnsiByte(c);
        if (!byte) {
            m_cjk = true;
            break;
        }
        latin.push_back(static_cast<char>(*byte));
    }

    double scale = style.size / 1000.0;
    if (!m_cjk) {
        for (unsigned char b : latin)
            m_width += LatinWidth(b) * scale;
        m_ascent = kLatinAscent * scale;
        m_descent = kLatinDescent * scale;
        m_shown = LiteralString(latin);
        m_font = pdf.makeIndirectObject(QPDFObjectHandle::parse(
            "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
        return;
    }

    m_shown.assign(1, '<');
    for (char32_t c : text) {
        m_width += (c >= 0x20 && c < 0x7F ? kCjkAsciiWidth : kCjkWidth) * scale;
        m_shown += Utf16Hex(c);
    }
    m_shown += ">";
    m_ascent = kCjkAscent * scale;
    m_descent = kCjkDescent * scale;

    QPDFObjectHandle descriptor = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /FontDescriptor /FontName /STSong-Light /Flags 6"
        " /FontBBox [-25 -254 1000 880] /ItalicAngle 0 /Ascent 880 /Descent -120"
        " /CapHeight 880 /StemV 93 >>"));
    QPDFObjectHandle cidFont = QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /STSong-Light"
        " /CIDSystemInfo << /Registry (Adobe) /Ordering (GB1) /Supplement 4 >>"
        " /DW 1000 /W [1 95 500] >>");
    cidFont.replaceKey("/FontDescriptor", descriptor);
    QPDFObjectHandle toUnicode = QPDFObjectHandle::newStream(&pdf, ToUnicodeCMap(text));
    QPDFObjectHandle type0 = QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type0 /BaseFont /STSong-Light-UniGB-UTF16-H"
        " /Encoding /UniGB-UTF16-H >>");
    type0.replaceKey("/DescendantFonts",
                     QPDFObjectHandle::newArray({pdf.makeIndirectObject(cidFont)}));
    type0.replaceKey("/ToUnicode", toUnicode);
    m_font = pdf.makeIndirectObject(type0);
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
