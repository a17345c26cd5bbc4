// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/lumbrel/LatinText.h"

namespace lumbrel {
namespace {

// WinAnsi codes 0x80-0x9F that differ from Latin-1; 0 where the code is unused.
constexpr char32_t kWinAnsiHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Advance widths of codes 0x20-0xFF, sixteen a row.
constexpr short kWidths[224] = {
    278,  278, 355, 556, 556, 889,  667,  191,  333, 333,  389, 584, 278,  333, 278, 278, // 20
    556,  556, 556, 556, 556, 556,  556,  556,  556, 556,  278, 278, 584,  584, 584, 556, // 30
    1015, 667, 667, 722, 722, 667,  611,  778,  722, 278,  500, 667, 556,  833, 722, 778, // 40
    667,  778, 722, 667, 611, 722,  667,  944,  667, 667,  611, 278, 278,  278, 469, 556, // 50
    333,  556, 556, 500, 556, 556,  278,  556,  556, 222,  222, 500, 222,  833, 556, 556, // 60
    556,  556, 333, 500, 278, 556,  500,  722,  500, 500,  500, 334, 260,  334, 584, 278, // 70
    556,  278, 222, 556, 333, 1000, 556,  556,  333, 1000, 667, 333, 1000, 278, 611, 278, // 80
    278,  222, 222, 333, 333, 350,  556,  1000, 333, 1000, 500, 333, 944,  278, 500, 667, // 90
    278,  333, 556, 556, 556, 556,  260,  556,  333, 737,  370, 556, 584,  333, 737, 333, // A0
    400,  584, 333, 333, 333, 556,  537,  278,  333, 333,  365, 556, 834,  834, 834, 611, // B0
    667,  667, 667, 667, 667, 667,  1000, 722,  667, 667,  667, 667, 278,  278, 278, 278, // C0
    722,  722, 778, 778, 778, 778,  778,  584,  778, 722,  722, 722, 722,  667, 667, 611, // D0
    556,  556, 556, 556, 556, 556,  889,  500,  556, 556,  556, 556, 278,  278, 278, 278, // E0
    556,  556, 556, 556, 556, 556,  556,  584,  611, 556,  556, 556, 556,  500, 556, 500, // F0
};

} // namespace

std::u32string DecodeUtf8(const std::string &text) {
    std::u32string out;
    out.reserve(text.size());
    const auto *s = reinterpret_cast<const unsigned char *>(text.data());
    size_t n = text.size();
    for (size_t i = 0; i < n;) {
        unsigned char b = s[i];
        int extra = (b >= 0xC2 && b <= 0xDF)   ? 1
                    : (b >= 0xE0 && b <= 0xEF) ? 2
                    : (b >= 0xF0 && b <= 0xF4) ? 3
                                               : 0;
        if (extra == 0 || i + static_cast<size_t>(extra) >= n) {
            out.push_back(b);
            ++i;
            continue;
        }
        char32_t c = b & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            unsigned char t = s[i + static_cast<size_t>(k)];
            if ((t & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (t & 0x3F);
        }
        // Reject overlong forms, surrogates and values past U+10FFFF.
        static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
        if (ok && (c < kMin[extra] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF))
            ok = false;
        if (!ok) {
            out.push_back(b);
            ++i;
            continue;
        }
        out.push_back(c);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

std::string EncodeUtf8(const std::u32string &text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string CleanUtf8(const std::string &text) {
    return EncodeUtf8(DecodeUtf8(text));
}

std::optional<unsigned char> WinAnsiByte(char32_t c) {
    if (c < 0x20 || c == 0x7F)
        return static_cast<unsigned char>(' ');
    if (c < 0x7F || (c >= 0xA0 && c <= 0xFF))
        return static_cast<unsigned char>(c);
    for (int i = 0; i < 32; ++i) {
        if (kWinAnsiHigh[i] != 0 && kWinAnsiHigh[i] == c)
            return static_cast<unsigned char>(0x80 + i);
    }
    return std::nullopt;
}

int LatinWidth(unsigned char code) {
    return code < 0x20 ? kWidths[0] : kWidths[code - 0x20];
}

} // namespace lumbrel
