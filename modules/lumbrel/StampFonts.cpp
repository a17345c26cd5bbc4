// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/lumbrel/StampFonts.h"

#include "modules/lumbrel/FontSubset.h"
#include "modules/lumbrel/LatinText.h"

#include "common/PostScriptString.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace lumbrel {
namespace {

// The installed fonts the embedded stamp is subset from: the interpreter's
// own sans-serif (fonts-urw-base35) and the CJK font the program depends on
// (fonts-wqy-microhei), face 0 of its collection.
constexpr const char kLatinFontFile[] =
    "/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf";
constexpr const char kCjkFontFile[] = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

// Widths and extent of the standard CJK font, 1/1000 em: ASCII half width,
// the rest full.
constexpr int kCjkAsciiWidth = 500;
constexpr int kCjkWidth = 1000;
constexpr int kCjkAscent = 880;
constexpr int kCjkDescent = 120;

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

// A ToUnicode map from the codes of `pairs` (hex digits) to their text
// (UTF-16BE hex digits), over the given code space ranges.
std::string ToUnicodeCMap(const std::string &codespace, int ranges,
                          const std::map<std::string, std::string> &pairs) {
    std::string cmap = "/CIDInit /ProcSet findresource begin\n"
                       "12 dict begin\nbegincmap\n"
                       "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                       "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n" +
                       std::to_string(ranges) + " begincodespacerange\n" + codespace +
                       "endcodespacerange\n";
    std::vector<std::pair<std::string, std::string>> list(pairs.begin(), pairs.end());
    for (size_t i = 0; i < list.size(); i += 100) {
        size_t n = std::min<size_t>(100, list.size() - i);
        cmap += std::to_string(n) + " beginbfchar\n";
        for (size_t k = i; k < i + n; ++k)
            cmap += "<" + list[k].first + "> <" + list[k].second + ">\n";
        cmap += "endbfchar\n";
    }
    cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return cmap;
}

// Six capital letters naming a subset, from the glyphs it holds.
std::string SubsetTag(const FontSubset &subset) {
    unsigned long long h = 1469598103934665603ull;
    for (const auto &[c, g] : subset.glyphs)
        h = (h ^ (static_cast<unsigned long long>(c) << 20 ^ g.gid)) * 1099511628211ull;
    std::string tag;
    for (int i = 0; i < 6; ++i, h /= 26)
        tag += static_cast<char>('A' + h % 26);
    return tag;
}

QPDFObjectHandle Descriptor(const FontSubset &subset, const std::string &name, int flags) {
    const auto &b = subset.bbox;
    QPDFObjectHandle d = QPDFObjectHandle::parse(
        "<< /Type /FontDescriptor /FontName /" + name + " /Flags " + std::to_string(flags) +
        " /FontBBox [" + std::to_string(b[0]) + " " + std::to_string(b[1]) + " " +
        std::to_string(b[2]) + " " + std::to_string(b[3]) + "] /ItalicAngle 0 /Ascent " +
        std::to_string(subset.ascent) + " /Descent " + std::to_string(subset.descent) +
        " /CapHeight " + std::to_string(subset.capHeight) + " /StemV 80 >>");
    return d;
}

StampFont StandardLatin(QPDF &pdf, const std::string &latin) {
    StampFont f;
    for (unsigned char b : latin)
        f.width += LatinWidth(b);
    f.ascent = kLatinAscent;
    f.descent = kLatinDescent;
    f.shown = PostScriptString(latin);
    f.font = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
    return f;
}

StampFont StandardCjk(QPDF &pdf, const std::u32string &text) {
    StampFont f;
    f.cjk = true;
    f.shown.assign(1, '<');
    std::map<std::string, std::string> toUnicode;
    for (char32_t c : text) {
        f.width += c >= 0x20 && c < 0x7F ? kCjkAsciiWidth : kCjkWidth;
        f.shown += Utf16Hex(c);
        // The codes of the UTF-16 encoding are the UTF-16 code units.
        toUnicode[Utf16Hex(c)] = Utf16Hex(c);
    }
    f.shown += ">";
    f.ascent = kCjkAscent;
    f.descent = kCjkDescent;

    QPDFObjectHandle descriptor = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /FontDescriptor /FontName /STSong-Light /Flags 6"
        " /FontBBox [-25 -254 1000 880] /ItalicAngle 0 /Ascent 880 /Descent -120"
        " /CapHeight 880 /StemV 93 >>"));
    QPDFObjectHandle cidFont = QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /STSong-Light"
        " /CIDSystemInfo << /Registry (Adobe) /Ordering (GB1) /Supplement 4 >>"
        " /DW 1000 /W [1 95 500] >>");
    cidFont.replaceKey("/FontDescriptor", descriptor);
    QPDFObjectHandle type0 = QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type0 /BaseFont /STSong-Light-UniGB-UTF16-H"
        " /Encoding /UniGB-UTF16-H >>");
    type0.replaceKey("/DescendantFonts",
                     QPDFObjectHandle::newArray({pdf.makeIndirectObject(cidFont)}));
    type0.replaceKey(
        "/ToUnicode",
        QPDFObjectHandle::newStream(
            &pdf,
            ToUnicodeCMap("<0000> <D7FF>\n<D800DC00> <DBFFDFFF>\n<E000> <FFFF>\n", 3, toUnicode)));
    f.font = pdf.makeIndirectObject(type0);
    return f;
}

// A simple font on the CFF subset, WinAnsi codes as the standard font has.
std::optional<StampFont> EmbeddedLatin(QPDF &pdf, const std::u32string &text,
                                       const std::string &latin) {
    FontSubset subset = SubsetFont(kLatinFontFile, 0, text);
    if (!subset.ok || !subset.cff)
        return std::nullopt;
    StampFont f;
    f.embedded = true;
    f.ascent = subset.ascent;
    f.descent = -subset.descent;
    f.shown = PostScriptString(latin);
    std::map<unsigned char, int> widths;
    std::string charset;
    for (size_t i = 0; i < text.size(); ++i) {
        const SubsetGlyph &g = subset.glyphs.at(text[i]);
        if (g.name.empty())
            return std::nullopt; // a simple font finds its glyphs by name
        f.width += g.width;
        if (!widths.contains(static_cast<unsigned char>(latin[i])))
            charset += "/" + g.name;
        widths[static_cast<unsigned char>(latin[i])] = g.width;
    }
    const int first = widths.begin()->first;
    const int last = widths.rbegin()->first;
    std::vector<QPDFObjectHandle> widthArray;
    for (int code = first; code <= last; ++code) {
        auto it = widths.find(static_cast<unsigned char>(code));
        widthArray.push_back(QPDFObjectHandle::newInteger(it != widths.end() ? it->second : 0));
    }

    const std::string name = SubsetTag(subset) + "+" + subset.postScriptName;
    QPDFObjectHandle program = QPDFObjectHandle::newStream(&pdf, subset.program);
    program.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Type1C"));
    QPDFObjectHandle descriptor = Descriptor(subset, name, 32); // non-symbolic
    descriptor.replaceKey("/CharSet", QPDFObjectHandle::newString(charset));
    descriptor.replaceKey("/FontFile3", program);
    QPDFObjectHandle font =
        QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /" + name +
                                " /FirstChar " + std::to_string(first) + " /LastChar " +
                                std::to_string(last) + " /Encoding /WinAnsiEncoding >>");
    font.replaceKey("/Widths", QPDFObjectHandle::newArray(widthArray));
    font.replaceKey("/FontDescriptor", pdf.makeIndirectObject(descriptor));
    f.font = pdf.makeIndirectObject(font);
    return f;
}

// The CIDSet of a subset: one bit per glyph, every glyph present.
std::string CidSet(unsigned glyphCount) {
    std::string bits((glyphCount + 7) / 8, '\0');
    for (unsigned gid = 0; gid < glyphCount; ++gid)
        bits[gid / 8] = static_cast<char>(bits[gid / 8] | (0x80 >> (gid % 8)));
    return bits;
}

// A CID font on the TrueType subset: two-byte codes that are its glyph ids.
std::optional<StampFont> EmbeddedCjk(QPDF &pdf, const std::u32string &text) {
    FontSubset subset = SubsetFont(kCjkFontFile, 0, text);
    if (!subset.ok || subset.cff)
        return std::nullopt;
    StampFont f;
    f.embedded = true;
    f.cjk = true;
    f.ascent = subset.ascent;
    f.descent = -subset.descent;
    f.shown.assign(1, '<');
    std::map<unsigned, int> widths;
    std::map<std::string, std::string> toUnicode;
    for (char32_t c : text) {
        const SubsetGlyph &g = subset.glyphs.at(c);
        std::string code;
        AppendHex16(code, g.gid);
        f.shown += code;
        f.width += g.width;
        widths[g.gid] = g.width;
        toUnicode[code] = Utf16Hex(c);
    }
    f.shown += ">";

    std::vector<QPDFObjectHandle> w;
    for (const auto &[gid, width] : widths) {
        w.push_back(QPDFObjectHandle::newInteger(gid));
        w.push_back(QPDFObjectHandle::newArray({QPDFObjectHandle::newInteger(width)}));
    }
    const std::string name = SubsetTag(subset) + "+" + subset.postScriptName;
    QPDFObjectHandle program = QPDFObjectHandle::newStream(&pdf, subset.program);
    program.getDict().replaceKey(
        "/Length1", QPDFObjectHandle::newInteger(static_cast<long long>(subset.program.size())));
    QPDFObjectHandle descriptor = Descriptor(subset, name, 4); // symbolic
    descriptor.replaceKey("/FontFile2", program);
    descriptor.replaceKey("/CIDSet", QPDFObjectHandle::newStream(&pdf, CidSet(subset.glyphCount)));
    QPDFObjectHandle cidFont = QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
        " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
        " /DW 1000 /CIDToGIDMap /Identity >>");
    cidFont.replaceKey("/W", QPDFObjectHandle::newArray(w));
    cidFont.replaceKey("/FontDescriptor", pdf.makeIndirectObject(descriptor));
    QPDFObjectHandle type0 = QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type0 /BaseFont /" +
                                                     name + " /Encoding /Identity-H >>");
    type0.replaceKey("/DescendantFonts",
                     QPDFObjectHandle::newArray({pdf.makeIndirectObject(cidFont)}));
    type0.replaceKey("/ToUnicode", QPDFObjectHandle::newStream(
                                       &pdf, ToUnicodeCMap("<0000> <FFFF>\n", 1, toUnicode)));
    f.font = pdf.makeIndirectObject(type0);
    return f;
}

} // namespace

StampFont MakeStampFont(QPDF &pdf, const std::u32string &text, bool embed) {
    std::string latin;
    for (char32_t c : text) {
        auto byte = WinAnsiByte(c);
        if (!byte) {
            std::optional<StampFont> cjk = embed ? EmbeddedCjk(pdf, text) : std::nullopt;
            return cjk ? std::move(*cjk) : StandardCjk(pdf, text);
        }
        latin.push_back(static_cast<char>(*byte));
    }
    std::optional<StampFont> embedded = embed ? EmbeddedLatin(pdf, text, latin) : std::nullopt;
    return embedded ? std::move(*embedded) : StandardLatin(pdf, latin);
}

} // namespace lumbrel
