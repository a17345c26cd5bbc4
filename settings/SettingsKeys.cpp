#include "settings/SettingsKeys.h"

#include <algorithm>
#include <iterator>

#include "settings/IniFile.h"
#include "settings/SettingsStore.h"

namespace {

#define INT_FIELD(member) [](ConvertSettings &s) -> int * { return &s.member; }, nullptr
#define TEXT_FIELD(member) nullptr, [](ConvertSettings &s) -> std::string * { return &s.member; }
#define NO_FIELD nullptr, nullptr

using T = SettingType;
using F = SettingFix;

// clang-format off
const SettingsKey kKeys[] = {
    {"Set", "otype",        T::Int,      0,   nullptr,      F::None,              INT_FIELD(m_nOutputKind)},
    {"Set", "type",         T::Int,      0,   nullptr,      F::None,              INT_FIELD(m_nFormat)},
    {"Set", "mode",         T::Int,      1,   nullptr,      F::ZeroOrOneElseOne,  INT_FIELD(m_nOutputMode)},
    {"Set", "exists",       T::Int,      0,   nullptr,      F::None,              INT_FIELD(m_bNewIfExists)},
    {"Set", "output",       T::Path,     0,   nullptr,      F::DefaultIfEmpty,    TEXT_FIELD(m_szOutputDir)},
    {"Set", "AddFile",      T::Path,     0,   nullptr,      F::None,              NO_FIELD},

    {"Img", "resize",       T::Int,      0,   nullptr,      F::None,              INT_FIELD(img.bResize)},
    {"Img", "width",        T::TypedInt, 594, nullptr,      F::None,              INT_FIELD(img.nWidth)},
    {"Img", "height",       T::TypedInt, 842, nullptr,      F::None,              INT_FIELD(img.nHeight)},
    {"Img", "angle",        T::TypedInt, 0,   nullptr,      F::None,              INT_FIELD(img.nAngle)},
    {"Img", "xdpi",         T::TypedInt, 72,  nullptr,      F::Dpi,               INT_FIELD(img.nXDpi)},
    {"Img", "ydpi",         T::TypedInt, 72,  nullptr,      F::Dpi,               INT_FIELD(img.nYDpi)},
    {"Img", "each",         T::Int,      0,   nullptr,      F::None,              INT_FIELD(img.bFolderPerFile)},
    {"Img", "bmpc",         T::Colour,   0,   "True Color", F::None,              TEXT_FIELD(img.szBmpColor)},
    {"Img", "pngc",         T::Colour,   0,   "True Color", F::None,              TEXT_FIELD(img.szPngColor)},
    {"Img", "pcxc",         T::Colour,   0,   "True Color", F::None,              TEXT_FIELD(img.szPcxColor)},
    {"Img", "gifc",         T::Colour,   0,   "256 Color",  F::None,              TEXT_FIELD(img.szGifColor)},
    {"Img", "tgac",         T::Colour,   0,   "True Color", F::None,              TEXT_FIELD(img.szTgaColor)},
    {"Img", "jp2c",         T::Colour,   0,   "True Color", F::None,              TEXT_FIELD(img.szJp2Color)},
    {"Img", "rasc",         T::Colour,   0,   "True Color", F::None,              TEXT_FIELD(img.szRasColor)},
    {"Img", "jpcc",         T::Colour,   0,   "True Color", F::None,              TEXT_FIELD(img.szJpcColor)},
    {"Img", "jpgc",         T::Colour,   0,   "True Color", F::None,              TEXT_FIELD(img.szJpgColor)},
    {"Img", "JQu",          T::Int,      75,  nullptr,      F::None,              INT_FIELD(img.nJpgQuality)},
    {"Img", "tifc",         T::Colour,   0,   "True Color", F::None,              TEXT_FIELD(img.szTifColor)},
    {"Img", "compress",     T::Int,      3,   nullptr,      F::None,              INT_FIELD(img.nTifCompression)},
    {"Img", "TJQu",         T::Int,      75,  nullptr,      F::None,              INT_FIELD(img.nTifQuality)},
    {"Img", "multpage",     T::Int,      0,   nullptr,      F::None,              INT_FIELD(img.bTifMultipage)},

    {"Pdf", "encrypt",      T::Int,      0,   nullptr,      F::None,              INT_FIELD(pdf.bEncrypt)},
    {"Pdf", "copy",         T::Int,      0,   nullptr,      F::None,              INT_FIELD(pdf.bAllowCopy)},
    {"Pdf", "print",        T::Int,      0,   nullptr,      F::None,              INT_FIELD(pdf.bAllowPrint)},
    {"Pdf", "change",       T::Int,      0,   nullptr,      F::None,              INT_FIELD(pdf.bAllowChange)},
    {"Pdf", "add",          T::Int,      0,   nullptr,      F::None,              INT_FIELD(pdf.bAllowForms)},
    {"Pdf", "level",        T::Int,      0,   nullptr,      F::None,              INT_FIELD(pdf.nKeyLevel)},
    {"Pdf", "upass",        T::String,   0,   "",           F::None,              TEXT_FIELD(pdf.szUserPassword)},
    {"Pdf", "opass",        T::String,   0,   "",           F::None,              TEXT_FIELD(pdf.szOwnerPassword)},
    {"Pdf", "title",        T::String,   0,   "",           F::None,              TEXT_FIELD(pdf.szTitle)},
    {"Pdf", "subject",      T::String,   0,   "",           F::None,              TEXT_FIELD(pdf.szSubject)},
    {"Pdf", "author",       T::String,   0,   "",           F::None,              TEXT_FIELD(pdf.szAuthor)},
    {"Pdf", "keywords",     T::String,   0,   "",           F::None,              TEXT_FIELD(pdf.szKeywords)},
    {"Pdf", "creator",      T::String,   0,   "",           F::None,              TEXT_FIELD(pdf.szCreator)},
    {"Pdf", "producer",     T::String,   0,   "",           F::None,              TEXT_FIELD(pdf.szProducer)},
    {"Pdf", "tuse",         T::Int,      0,   nullptr,      F::None,              INT_FIELD(stamp.bUseText)},
    {"Pdf", "text",         T::String,   0,   "watermark",  F::None,              TEXT_FIELD(stamp.szText)},
    {"Pdf", "fsize",        T::TypedInt, 16,  nullptr,      F::None,              INT_FIELD(stamp.nFontSize)},
    {"Pdf", "fcolor",       T::Int,      255, nullptr,      F::None,              INT_FIELD(stamp.crColor)},
    {"Pdf", "fpos",         T::Int,      0,   nullptr,      F::None,              INT_FIELD(stamp.nPosition)},
    {"Pdf", "frotate",      T::TypedInt, 0,   nullptr,      F::None,              INT_FIELD(stamp.nRotation)},
    {"Pdf", "foffx",        T::TypedInt, 0,   nullptr,      F::None,              INT_FIELD(stamp.nOffsetX)},
    {"Pdf", "foffy",        T::TypedInt, 0,   nullptr,      F::None,              INT_FIELD(stamp.nOffsetY)},
    {"Pdf", "bground",      T::Int,      0,   nullptr,      F::None,              INT_FIELD(stamp.bBackground)},

    {"Txt", "txtmode",      T::Int,      0,   nullptr,      F::ZeroOrOneElseZero, INT_FIELD(txt.nTextMode)},
    {"Txt", "txtpagebreak", T::Int,      0,   nullptr,      F::ZeroOrOneElseZero, INT_FIELD(txt.bPageBreak)},
};
// clang-format on

#undef INT_FIELD
#undef TEXT_FIELD
#undef NO_FIELD

bool SameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

} // namespace

std::span<const SettingsKey> AllSettingsKeys() {
    return std::span<const SettingsKey>(kKeys);
}

const SettingsKey *FindSettingsKey(std::string_view section, std::string_view key) {
    for (const SettingsKey &k : kKeys)
        if (SameName(k.section, section) && SameName(k.key, key))
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
        else if (value.back() != '/' && value.back() != '\\')
            value += '/';
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
