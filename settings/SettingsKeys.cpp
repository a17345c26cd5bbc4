// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "settings/SettingsKeys.h"

#include <algorithm>
#include <iterator>

#include "common/AsciiCase.h"
#include "common/FileRules.h"
#include "settings/IniFile.h"
#include "settings/SettingsLocation.h"

namespace {

#define INT_FIELD(member) [](ConvertSettings &s) -> int * { return &s.member; }, nullptr
#define TEXT_FIELD(member) nullptr, [](ConvertSettings &s) -> std::string * { return &s.member; }
#define NO_FIELD nullptr, nullptr

using G = SettingGroup;
using T = SettingType;
using F = SettingFix;

// clang-format off
const SettingsKey kKeys[] = {
    {"Set", "output",       G::General, T::Path,     0,   nullptr,      F::DefaultIfEmpty,    TEXT_FIELD(m_szOutputDir)},
    {"Set", "type",         G::General, T::Int,      0,   nullptr,      F::None,              INT_FIELD(m_nFormat)},
    {"Set", "mode",         G::General, T::Int,      1,   nullptr,      F::ZeroOrOneElseOne,  INT_FIELD(m_nOutputMode)},
    {"Set", "otype",        G::General, T::Int,      0,   nullptr,      F::None,              INT_FIELD(m_nOutputKind)},
    {"Set", "exists",       G::General, T::Int,      0,   nullptr,      F::None,              INT_FIELD(m_bNewIfExists)},
    {"Set", "timelimit",    G::General, T::Int,      0,   nullptr,      F::None,              INT_FIELD(m_nTimeLimit)},
    {"Set", "memlimit",     G::General, T::Int,      0,   nullptr,      F::None,              INT_FIELD(m_nMemLimit)},
    {"Set", "keeptree",     G::General, T::Int,      1,   nullptr,      F::None,              INT_FIELD(m_bKeepTree)},
    {"Set", "AddFile",      G::None,    T::Path,     0,   nullptr,      F::None,              NO_FIELD},
    {"Set", "subfolders",   G::General, T::Int,      1,   nullptr,      F::None,              INT_FIELD(m_bSubfolders)},
    {"Set", "pages",        G::General, T::String,   0,   "",           F::None,              TEXT_FIELD(m_szPages)},

    {"Img", "resize",       G::Image,   T::Int,      0,   nullptr,      F::None,              INT_FIELD(img.bResize)},
    {"Img", "width",        G::Image,   T::TypedInt, 594, nullptr,      F::None,              INT_FIELD(img.nWidth)},
    {"Img", "height",       G::Image,   T::TypedInt, 842, nullptr,      F::None,              INT_FIELD(img.nHeight)},
    {"Img", "angle",        G::Image,   T::TypedInt, 0,   nullptr,      F::None,              INT_FIELD(img.nAngle)},
    {"Img", "xdpi",         G::Image,   T::TypedInt, 72,  nullptr,      F::Dpi,               INT_FIELD(img.nXDpi)},
    {"Img", "ydpi",         G::Image,   T::TypedInt, 72,  nullptr,      F::Dpi,               INT_FIELD(img.nYDpi)},
    {"Img", "each",         G::Image,   T::Int,      0,   nullptr,      F::None,              INT_FIELD(img.bFolderPerFile)},
    {"Img", "bmpc",         G::Image,   T::Colour,   0,   "True Color", F::None,              TEXT_FIELD(img.szBmpColor)},
    {"Img", "pngc",         G::Image,   T::Colour,   0,   "True Color", F::None,              TEXT_FIELD(img.szPngColor)},
    {"Img", "pcxc",         G::Image,   T::Colour,   0,   "True Color", F::None,              TEXT_FIELD(img.szPcxColor)},
    {"Img", "gifc",         G::Image,   T::Colour,   0,   "256 Color",  F::None,              TEXT_FIELD(img.szGifColor)},
    {"Img", "tgac",         G::Image,   T::Colour,   0,   "True Color", F::None,              TEXT_FIELD(img.szTgaColor)},
    {"Img", "jp2c",         G::Image,   T::Colour,   0,   "True Color", F::None,              TEXT_FIELD(img.szJp2Color)},
    {"Img", "rasc",         G::Image,   T::Colour,   0,   "True Color", F::None,              TEXT_FIELD(img.szRasColor)},
    {"Img", "jpcc",         G::Image,   T::Colour,   0,   "True Color", F::None,              TEXT_FIELD(img.szJpcColor)},
    {"Img", "jpgc",         G::Image,   T::Colour,   0,   "True Color", F::None,              TEXT_FIELD(img.szJpgColor)},
    {"Img", "JQu",          G::Image,   T::Int,      75,  nullptr,      F::None,              INT_FIELD(img.nJpgQuality)},
    {"Img", "tifc",         G::Image,   T::Colour,   0,   "True Color", F::None,              TEXT_FIELD(img.szTifColor)},
    {"Img", "compress",     G::Image,   T::Int,      3,   nullptr,      F::None,              INT_FIELD(img.nTifCompression)},
    {"Img", "TJQu",         G::Image,   T::Int,      75,  nullptr,      F::None,              INT_FIELD(img.nTifQuality)},
    {"Img", "multpage",     G::Image,   T::Int,      0,   nullptr,      F::None,              INT_FIELD(img.bTifMultipage)},
    {"Img", "antialias",    G::Image,   T::Int,      1,   nullptr,      F::None,              INT_FIELD(img.bAntialias)},

    {"Pdf", "encrypt",      G::Pdf,     T::Int,      0,   nullptr,      F::None,              INT_FIELD(pdf.bEncrypt)},
    {"Pdf", "copy",         G::Pdf,     T::Int,      0,   nullptr,      F::None,              INT_FIELD(pdf.bAllowCopy)},
    {"Pdf", "print",        G::Pdf,     T::Int,      0,   nullptr,      F::None,              INT_FIELD(pdf.bAllowPrint)},
    {"Pdf", "change",       G::Pdf,     T::Int,      0,   nullptr,      F::None,              INT_FIELD(pdf.bAllowChange)},
    {"Pdf", "add",          G::Pdf,     T::Int,      0,   nullptr,      F::None,              INT_FIELD(pdf.bAllowForms)},
    {"Pdf", "level",        G::Pdf,     T::Int,      2,   nullptr,      F::None,              INT_FIELD(pdf.nKeyLevel)},
    {"Pdf", "upass",        G::Pdf,     T::String,   0,   "",           F::None,              TEXT_FIELD(pdf.szUserPassword)},
    {"Pdf", "opass",        G::Pdf,     T::String,   0,   "",           F::None,              TEXT_FIELD(pdf.szOwnerPassword)},
    {"Pdf", "title",        G::Pdf,     T::String,   0,   "",           F::None,              TEXT_FIELD(pdf.szTitle)},
    {"Pdf", "subject",      G::Pdf,     T::String,   0,   "",           F::None,              TEXT_FIELD(pdf.szSubject)},
    {"Pdf", "author",       G::Pdf,     T::String,   0,   "",           F::None,              TEXT_FIELD(pdf.szAuthor)},
    {"Pdf", "keywords",     G::Pdf,     T::String,   0,   "",           F::None,              TEXT_FIELD(pdf.szKeywords)},
    {"Pdf", "creator",      G::Pdf,     T::String,   0,   "",           F::None,              TEXT_FIELD(pdf.szCreator)},
    {"Pdf", "producer",     G::Pdf,     T::String,   0,   "",           F::None,              TEXT_FIELD(pdf.szProducer)},
    {"Pdf", "quality",      G::Pdf,     T::Int,      0,   nullptr,      F::None,              INT_FIELD(pdf.nQuality)},
    {"Pdf", "pdfa",         G::Pdf,     T::Int,      0,   nullptr,      F::None,              INT_FIELD(pdf.nPdfA)},
    {"Pdf", "embedfonts",   G::Pdf,     T::Int,      1,   nullptr,      F::None,              INT_FIELD(pdf.bEmbedFonts)},
    {"Pdf", "fastweb",      G::Pdf,     T::Int,      0,   nullptr,      F::None,              INT_FIELD(pdf.bFastWeb)},
    {"Pdf", "tuse",         G::Stamp,   T::Int,      0,   nullptr,      F::None,              INT_FIELD(stamp.bUseText)},
    {"Pdf", "text",         G::Stamp,   T::String,   0,   "watermark",  F::None,              TEXT_FIELD(stamp.szText)},
    {"Pdf", "fsize",        G::Stamp,   T::TypedInt, 16,  nullptr,      F::None,              INT_FIELD(stamp.nFontSize)},
    {"Pdf", "fcolor",       G::Stamp,   T::Int,      255, nullptr,      F::None,              INT_FIELD(stamp.crColor)},
    {"Pdf", "fpos",         G::Stamp,   T::Int,      0,   nullptr,      F::None,              INT_FIELD(stamp.nPosition)},
    {"Pdf", "frotate",      G::Stamp,   T::TypedInt, 0,   nullptr,      F::None,              INT_FIELD(stamp.nRotation)},
    {"Pdf", "foffx",        G::Stamp,   T::TypedInt, 0,   nullptr,      F::None,              INT_FIELD(stamp.nOffsetX)},
    {"Pdf", "foffy",        G::Stamp,   T::TypedInt, 0,   nullptr,      F::None,              INT_FIELD(stamp.nOffsetY)},
    {"Pdf", "bground",      G::Stamp,   T::Int,      0,   nullptr,      F::None,              INT_FIELD(stamp.bBackground)},

    {"Txt", "txtmode",      G::Text,    T::Int,      0,   nullptr,      F::ZeroOrOneElseZero, INT_FIELD(txt.nTextMode)},
    {"Txt", "txtpagebreak", G::Text,    T::Int,      0,   nullptr,      F::ZeroOrOneElseZero, INT_FIELD(txt.bPageBreak)},
};
// clang-format on

#undef INT_FIELD
#undef TEXT_FIELD
#undef NO_FIELD

} // namespace

std::span<const SettingsKey> AllSettingsKeys() {
    return std::span<const SettingsKey>(kKeys);
}

const SettingsKey *FindSettingsKey(std::string_view section, std::string_view key) {
    for (const SettingsKey &k : kKeys)
        if (EqualsIgnoringCase(k.section, section) && EqualsIgnoringCase(k.key, key))
            return &k;
    return nullptr;
}

std::size_t SettingMaxChars(const SettingsKey &k) {
    switch (k.type) {
    case SettingType::Path:
        return IniFile::kNoLimit;
    case SettingType::Colour:
        return kMaxColourChars;
    default:
        return IniFile::kMaxString;
    }
}

std::string SettingDefaultText(const SettingsKey &k) {
    if (k.IsInt())
        return std::to_string(k.intDefault);
    if (k.textDefault)
        return k.textDefault;
    if (k.fix == SettingFix::DefaultIfEmpty)
        return DefaultOutputFolder();
    return HomeFolder();
}

int CorrectSettingInt(const SettingsKey &k, int value) {
    switch (k.fix) {
    case SettingFix::ZeroOrOneElseOne:
        return (value == 0 || value == 1) ? value : 1;
    case SettingFix::ZeroOrOneElseZero:
        return (value == 0 || value == 1) ? value : 0;
    case SettingFix::Dpi:
        if (value < kMinDpi)
            value = kMinDpi;
        if (value > kMaxDpi)
            value = kMaxDpi;
        return value;
    default:
        return value;
    }
}

namespace {

void StoreText(const SettingsKey &k, std::string value, ConvertSettings &s) {
    if (k.fix == SettingFix::DefaultIfEmpty) {
        if (value.empty())
            value = SettingDefaultText(k);
        // Output names are the folder followed by the file name, so a folder
        // typed into the file without its final separator still gets one.
        else
            value = WithTrailingSeparator(std::move(value));
    }
    *k.textField(s) = std::move(value);
}

} // namespace

void ReadSetting(const IniFile &ini, const SettingsKey &k, ConvertSettings &s) {
    if (k.intField) {
        *k.intField(s) = CorrectSettingInt(k, ini.GetInt(k.section, k.key, k.intDefault));
    } else if (k.textField) {
        std::string def = k.textDefault ? std::string(k.textDefault) : std::string();
        StoreText(k, ini.GetString(k.section, k.key, def, SettingMaxChars(k)), s);
    }
}

int ApplySettingText(const SettingsKey &k, std::string_view value, ConvertSettings &s) {
    if (k.intField) {
        *k.intField(s) = CorrectSettingInt(k, IniParseInt(value));
        return 1;
    }
    if (k.textField) {
        StoreText(k, IniCutChars(value, SettingMaxChars(k)), s);
        return 1;
    }
    return 0;
}

std::string SettingText(const SettingsKey &k, const ConvertSettings &s) {
    // The accessors only hand out a pointer; nothing is changed through it.
    ConvertSettings &m = const_cast<ConvertSettings &>(s);
    if (k.intField)
        return std::to_string(*k.intField(m));
    if (k.textField)
        return *k.textField(m);
    return {};
}

bool WriteSetting(IniFile &ini, const SettingsKey &k, const ConvertSettings &s) {
    if (!k.intField && !k.textField)
        return false;
    return ini.SetString(k.section, k.key, SettingText(k, s));
}

namespace {

const SettingsKey *ImageKey(const char *key) {
    return key ? FindSettingsKey(kSectionImage, key) : nullptr;
}

} // namespace

std::string ImageSettingText(const ImageSettings &img, const char *key) {
    const SettingsKey *k = ImageKey(key);
    if (!k || !k->textField)
        return {};
    ConvertSettings s;
    s.img = img;
    return *k->textField(s);
}

std::optional<int> ImageSettingInt(const ImageSettings &img, const char *key) {
    const SettingsKey *k = ImageKey(key);
    if (!k || !k->intField)
        return std::nullopt;
    ConvertSettings s;
    s.img = img;
    return *k->intField(s);
}
