// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// SettingsKeys: the one table of every Profile.ini key.
//
// Each entry gives the section, the key, the load that reads it, how the
// value is read, its default, the correction applied when it is loaded, and
// the ConvertSettings field it fills (none for "AddFile", which the Add Files
// command reads and writes itself). The loads in SettingsStore.h walk this
// table by load group; the settings pages and the command-line
// "--set SECTION.KEY=VALUE" go through it too, so a key reads the same
// everywhere.
//
// The table is constant data; the functions are pure apart from the computed
// defaults of the two folder keys, which look at the user's home folder.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "settings/ConvertSettings.h"

class IniFile;

enum class SettingType {
    Int,      // written by the program with "%d"
    TypedInt, // written as the text the user typed or picked, read as an int
    String,   // at most 255 characters on reading
    Path,     // a folder or file path, never cut
    Colour,   // a colour value, at most 31 characters on reading
};

enum class SettingFix {
    None,
    ZeroOrOneElseOne,  // "mode"
    ZeroOrOneElseZero, // "txtmode", "txtpagebreak"
    Dpi,               // "xdpi", "ydpi": below 72 becomes 72, then above 600 becomes 600
    DefaultIfEmpty,    // "output": an empty value takes the default output folder; any
                       // other value ends in a separator ('/' added when missing)
};

// Which load of SettingsStore.h reads a key. The "Pdf" section holds two
// groups: the stamp (also loaded on its own) and the rest.
enum class SettingGroup {
    General, // LoadGeneralSettings; also what SaveGeneralSettings writes
    Image,   // LoadImageSettings
    Stamp,   // LoadStampSettings, and first in LoadPdfSettings
    Pdf,     // LoadPdfSettings
    Text,    // LoadTextSettings
    None,    // read by no load ("AddFile")
};

struct SettingsKey {
    const char *section;
    const char *key;
    SettingGroup group;
    SettingType type;
    int intDefault;          // Int and TypedInt
    const char *textDefault; // String and Colour; nullptr for the computed folder defaults
    SettingFix fix;
    int *(*intField)(ConvertSettings &);          // nullptr when not an int of ConvertSettings
    std::string *(*textField)(ConvertSettings &); // nullptr when not a string of ConvertSettings

    bool IsInt() const { return type == SettingType::Int || type == SettingType::TypedInt; }
};

// The section names.
inline constexpr const char kSectionGeneral[] = "Set";
inline constexpr const char kSectionImage[] = "Img";
inline constexpr const char kSectionPdf[] = "Pdf";
inline constexpr const char kSectionText[] = "Txt";

// The six colour values, in the order the pages list them; compared without
// regard to case.
inline constexpr const char *kColourValues[] = {"True Color", "256 Color", "256 Grays",
                                                "16 Color",   "16 Grays",  "B&W"};

inline constexpr int kMinDpi = 72;
inline constexpr int kMaxDpi = 600;
inline constexpr std::size_t kMaxColourChars = 31;

// Every key, grouped by section; within "Set", in the order
// SaveGeneralSettings writes them.
std::span<const SettingsKey> AllSettingsKeys();

// The entry of section/key (without regard to case), or nullptr.
const SettingsKey *FindSettingsKey(std::string_view section, std::string_view key);

// How many characters a string read keeps (IniFile::kNoLimit for paths).
std::size_t SettingMaxChars(const SettingsKey &k);

// The default as text: the int default in decimal, the string default, or the
// computed folder ("output": the default output folder; "AddFile": the home
// folder).
std::string SettingDefaultText(const SettingsKey &k);

// The load-time correction of an int key (identity for keys without one).
int CorrectSettingInt(const SettingsKey &k, int value);

// Read one key from `ini` into its field of `s`, with default and correction.
// Keys without a field are left alone.
void ReadSetting(const IniFile &ini, const SettingsKey &k, ConvertSettings &s);

// Set the field of `k` in `s` as if the file held `value` for it: the same
// int parsing, cut and correction as a load. 0 when the key has no field.
int ApplySettingText(const SettingsKey &k, std::string_view value, ConvertSettings &s);

// The field's current value as the text to store ("%d" for ints). Empty for
// keys without a field.
std::string SettingText(const SettingsKey &k, const ConvertSettings &s);

// Put the field's value into `ini` (in memory). False when the key has no
// field or the store refused the write.
bool WriteSetting(IniFile &ini, const SettingsKey &k, const ConvertSettings &s);

// The value of section "Img" key `key` held by `img`, as the table reads it:
// the text of a string key ("" when `key` is nullptr or no string key of
// the section), the number of an int key (nothing when `key` is nullptr or
// no int key of the section).
std::string ImageSettingText(const ImageSettings &img, const char *key);
std::optional<int> ImageSettingInt(const ImageSettings &img, const char *key);
