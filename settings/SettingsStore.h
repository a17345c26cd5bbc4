// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// SettingsStore: loading and saving ConvertSettings through Profile.ini.
//
// Plain functions over (path of Profile.ini, ConvertSettings&). Each load
// reads the file once and fills every field of its group, with the defaults
// and corrections of the key table (SettingsKeys.h); a missing file, section
// or key simply gives the defaults. Loads never write and never fail.
//
//   LoadGeneralSettings  "Set": otype, type, mode, exists, output
//   LoadImageSettings    "Img": the whole ImageSettings group
//   LoadStampSettings    "Pdf": the StampSettings group
//   LoadPdfSettings      "Pdf": LoadStampSettings, then the PdfSettings group
//   LoadTextSettings     "Txt": the TextSettings group
//   SaveGeneralSettings  writes output, type, mode, otype, exists to "Set"
//
// Which keys each load reads is the key table's load group (SettingGroup).
//
// SaveGeneralSettings changes those five keys in place and keeps every other
// line; the file is replaced in one step. It returns false when the file
// could not be written, which callers may ignore: the values stay in memory.
//
// The "Img", "Pdf" and "Txt" keys are written by the settings pages, each
// page its own keys (IniFile + WriteSetting from SettingsKeys.h).
//
// The location of the file and the folder defaults are in SettingsLocation.h.
// Thread safety: none needed; the functions share no state.
#pragma once

#include <string>

#include "settings/ConvertSettings.h"

void LoadGeneralSettings(const std::string &iniPath, ConvertSettings &s);
bool SaveGeneralSettings(const std::string &iniPath, const ConvertSettings &s);
void LoadImageSettings(const std::string &iniPath, ConvertSettings &s);
void LoadStampSettings(const std::string &iniPath, ConvertSettings &s);
void LoadPdfSettings(const std::string &iniPath, ConvertSettings &s);
void LoadTextSettings(const std::string &iniPath, ConvertSettings &s);

// The four loads of start-up, in their order: general, image, PDF, text.
void LoadAllSettings(const std::string &iniPath, ConvertSettings &s);
