// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "settings/SettingsStore.h"

#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

namespace {

void ReadGroup(const IniFile &ini, SettingGroup group, ConvertSettings &s) {
    for (const SettingsKey &k : AllSettingsKeys())
        if (k.group == group)
            ReadSetting(ini, k, s);
}

} // namespace

void LoadGeneralSettings(const std::string &iniPath, ConvertSettings &s) {
    ReadGroup(IniFile(iniPath), SettingGroup::General, s);
}

bool SaveGeneralSettings(const std::string &iniPath, const ConvertSettings &s) {
    IniFile ini(iniPath);
    for (const SettingsKey &k : AllSettingsKeys())
        if (k.group == SettingGroup::General && !WriteSetting(ini, k, s))
            return false;
    return ini.Save();
}

void LoadImageSettings(const std::string &iniPath, ConvertSettings &s) {
    s.img = ImageSettings{};
    ReadGroup(IniFile(iniPath), SettingGroup::Image, s);
}

void LoadStampSettings(const std::string &iniPath, ConvertSettings &s) {
    ReadGroup(IniFile(iniPath), SettingGroup::Stamp, s);
}

void LoadPdfSettings(const std::string &iniPath, ConvertSettings &s) {
    IniFile ini(iniPath);
    ReadGroup(ini, SettingGroup::Stamp, s);
    ReadGroup(ini, SettingGroup::Pdf, s);
}

void LoadTextSettings(const std::string &iniPath, ConvertSettings &s) {
    ReadGroup(IniFile(iniPath), SettingGroup::Text, s);
}

void LoadAllSettings(const std::string &iniPath, ConvertSettings &s) {
    LoadGeneralSettings(iniPath, s);
    LoadImageSettings(iniPath, s);
    LoadPdfSettings(iniPath, s);
    LoadTextSettings(iniPath, s);
}
