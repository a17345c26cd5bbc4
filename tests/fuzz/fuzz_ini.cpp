// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Fuzz target: the settings file parser and the loads built on it.
//
// Each input is a Profile.ini as text. Every key of the key table is read
// through the loads' own path (parse, default, correction); then one key is
// written with a value taken from the input, and the text the store would
// save must read back with that value and leave every other key as it was.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/ConvertSettings.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view text(reinterpret_cast<const char *>(data), size);

    IniFile ini;
    ini.Parse(text);
    ConvertSettings s;
    for (const SettingsKey &k : AllSettingsKeys()) {
        ReadSetting(ini, k, s);
        (void)ini.GetString(k.section, k.key, "", IniFile::kNoLimit);
        (void)SettingText(k, s);
    }

    // Section, key and value for one write, from the input's last line.
    std::size_t nl = text.rfind('\n');
    std::string_view last = nl == std::string_view::npos ? text : text.substr(nl + 1);
    std::size_t eq = last.find('=');
    std::string_view key = eq == std::string_view::npos ? last : last.substr(0, eq);
    std::string_view value = eq == std::string_view::npos ? "" : last.substr(eq + 1);
    const std::string section = "Fz";

    IniFile before;
    before.Parse(ini.Text());
    if (!ini.SetString(section, key, value))
        return 0; // refused text: the store must be as it was
    IniFile after;
    after.Parse(ini.Text());
    std::optional<std::string> got = after.Find(section, key);
    if (!got || *got != value)
        std::abort();
    for (const SettingsKey &k : AllSettingsKeys()) {
        if (before.Find(k.section, k.key) != after.Find(k.section, k.key))
            std::abort();
    }
    return 0;
}
