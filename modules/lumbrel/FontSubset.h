// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// A subset of an installed font holding just the glyphs of a text, made with
// HarfBuzz's subsetter, for embedding in a PDF.
//
// SubsetFont reads the font file (face `faceIndex` of a collection), keeps
// the glyphs of the code points of `text` (and .notdef) and answers the
// subset's program and what a PDF font needs to describe it: per code point
// the glyph in the subset and its advance, and the face's metrics, all in
// 1/1000 em. A CFF-flavoured OpenType font gives its bare CFF table (to embed
// as FontFile3 /Type1C), a TrueType font the whole subset file (FontFile2).
// Empty (ok false) when the file can't be read or lacks a glyph for one of
// the code points. Pure apart from reading the file; thread-safe.
#pragma once

#include <map>
#include <string>

namespace lumbrel {

struct SubsetGlyph {
    unsigned gid = 0; // in the subset
    int width = 0;    // advance, 1/1000 em
    std::string name; // the glyph's name (CFF fonts; may be empty otherwise)
};

struct FontSubset {
    bool ok = false;
    bool cff = false;    // program is a bare CFF table; else a TrueType file
    std::string program; // the bytes to embed
    std::string postScriptName;
    std::map<char32_t, SubsetGlyph> glyphs;
    unsigned glyphCount = 0;                    // glyphs in the subset, .notdef included
    int ascent = 0, descent = 0, capHeight = 0; // descent negative
    int bbox[4] = {0, 0, 0, 0};                 // xMin yMin xMax yMax
};

FontSubset SubsetFont(const std::string &path, unsigned faceIndex, const std::u32string &text);

} // namespace lumbrel
