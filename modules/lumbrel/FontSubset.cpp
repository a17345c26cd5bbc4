// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/lumbrel/FontSubset.h"

#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>

#include <memory>
#include <string_view>
#include <utility>

namespace lumbrel {
namespace {

template <typename T, void (*Destroy)(T *)> struct Deleter {
    void operator()(T *p) const { Destroy(p); }
};
using Blob = std::unique_ptr<hb_blob_t, Deleter<hb_blob_t, hb_blob_destroy>>;
using Face = std::unique_ptr<hb_face_t, Deleter<hb_face_t, hb_face_destroy>>;
using Font = std::unique_ptr<hb_font_t, Deleter<hb_font_t, hb_font_destroy>>;
using Input =
    std::unique_ptr<hb_subset_input_t, Deleter<hb_subset_input_t, hb_subset_input_destroy>>;

constexpr hb_tag_t kCff = HB_TAG('C', 'F', 'F', ' ');
constexpr hb_tag_t kHead = HB_TAG('h', 'e', 'a', 'd');

std::string TableBytes(hb_face_t *face, hb_tag_t tag) {
    Blob blob(hb_face_reference_table(face, tag));
    unsigned length = 0;
    const char *data = hb_blob_get_data(blob.get(), &length);
    return data ? std::string(data, length) : std::string();
}

std::string FaceBytes(hb_face_t *face) {
    Blob blob(hb_face_reference_blob(face));
    unsigned length = 0;
    const char *data = hb_blob_get_data(blob.get(), &length);
    return data ? std::string(data, length) : std::string();
}

int Signed16(const std::string &bytes, size_t at) {
    auto v = static_cast<unsigned>(static_cast<unsigned char>(bytes[at]) << 8 |
                                   static_cast<unsigned char>(bytes[at + 1]));
    return v >= 0x8000 ? static_cast<int>(v) - 0x10000 : static_cast<int>(v);
}

std::string PostScriptName(hb_face_t *face) {
    char name[128];
    unsigned size = sizeof name;
    if (hb_ot_name_get_utf8(face, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &size,
                            name) == 0)
        return "Font";
    std::string clean;
    for (const char *p = name; *p; ++p)
        if (*p > ' ' && *p < 0x7F &&
            std::string_view("[](){}<>/%").find(*p) == std::string_view::npos)
            clean += *p;
    return clean.empty() ? "Font" : clean;
}

void Metrics(hb_face_t *face, hb_font_t *font, FontSubset &out) {
    const double unit = 1000.0 / hb_face_get_upem(face);
    auto scaled = [unit](double v) { return static_cast<int>(v * unit + (v < 0 ? -0.5 : 0.5)); };
    hb_font_extents_t extents{};
    hb_font_get_h_extents(font, &extents);
    out.ascent = scaled(extents.ascender);
    out.descent = scaled(extents.descender);
    hb_position_t cap = 0;
    out.capHeight = hb_ot_metrics_get_position(font, HB_OT_METRICS_TAG_CAP_HEIGHT, &cap)
                        ? scaled(cap)
                        : out.ascent;
    std::string head = TableBytes(face, kHead);
    if (head.size() >= 44) {
        for (int i = 0; i < 4; ++i)
            out.bbox[i] = scaled(Signed16(head, 36 + 2 * static_cast<size_t>(i)));
    } else {
        out.bbox[0] = 0;
        out.bbox[1] = out.descent;
        out.bbox[2] = 1000;
        out.bbox[3] = out.ascent;
    }
}

} // namespace

FontSubset SubsetFont(const std::string &path, unsigned faceIndex, const std::u32string &text) {
    FontSubset out;
    Blob blob(hb_blob_create_from_file_or_fail(path.c_str()));
    if (!blob)
        return out;
    Face face(hb_face_create(blob.get(), faceIndex));
    if (!face || hb_face_get_glyph_count(face.get()) == 0)
        return out;
    Input input(hb_subset_input_create_or_fail());
    if (!input)
        return out;
    hb_set_t *unicodes = hb_subset_input_unicode_set(input.get());
    Font original(hb_font_create(face.get()));
    for (char32_t c : text) {
        hb_codepoint_t glyph = 0;
        if (!hb_font_get_nominal_glyph(original.get(), c, &glyph))
            return out;
        hb_set_add(unicodes, c);
    }
    hb_subset_input_set_flags(input.get(), HB_SUBSET_FLAGS_GLYPH_NAMES);
    Face subset(hb_subset_or_fail(face.get(), input.get()));
    if (!subset)
        return out;

    std::string cff = TableBytes(subset.get(), kCff);
    out.cff = !cff.empty();
    out.program = out.cff ? std::move(cff) : FaceBytes(subset.get());
    if (out.program.empty())
        return out;
    out.postScriptName = PostScriptName(face.get());
    out.glyphCount = hb_face_get_glyph_count(subset.get());

    Font font(hb_font_create(subset.get()));
    const double unit = 1000.0 / hb_face_get_upem(subset.get());
    for (char32_t c : text) {
        SubsetGlyph g;
        if (!hb_font_get_nominal_glyph(font.get(), c, &g.gid))
            return out;
        g.width = static_cast<int>(hb_font_get_glyph_h_advance(font.get(), g.gid) * unit + 0.5);
        char name[64] = {0};
        if (hb_font_get_glyph_name(font.get(), g.gid, name, sizeof name))
            g.name = name;
        out.glyphs[c] = g;
    }
    Metrics(subset.get(), font.get(), out);
    out.ok = true;
    return out;
}

} // namespace lumbrel
