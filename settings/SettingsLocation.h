// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// SettingsLocation: where Profile.ini lives and the folders the key table's
// computed defaults name.
//
// Location of the settings file: on systems older than major version 6 it
// lies beside the program; otherwise in the user's configuration folder, under
// Quorvane/Vantoria/. This system counts as version 6 or later; the version
// and both folders are parameters so either branch can be exercised.
//
// Folder paths produced here end in '/'. Thread safety: none needed; the
// functions share no state (the folder queries read the environment).
#pragma once

#include <string>

// The system's major version as the location rules see it: 6 here.
unsigned SystemMajorVersion();

// The user's home folder ($HOME, else the password database), ending in '/'.
std::string HomeFolder();

// The user's configuration folder ($XDG_CONFIG_HOME when it is an absolute
// path, else ~/.config), ending in '/'.
std::string ConfigFolder();

// Where default outputs go: below version 6 the documents folder
// (~/Documents/), otherwise the home folder. Ends in '/'.
std::string DocumentsFolder(unsigned majorVersion = SystemMajorVersion());

// The default output folder: DocumentsFolder() + "My Doc/". Not created.
std::string DefaultOutputFolder(unsigned majorVersion = SystemMajorVersion());

// The path of Profile.ini: below version 6 `programFolder` + "Profile.ini";
// otherwise `configFolder` + "Quorvane/Vantoria/Profile.ini". Both folders
// end in '/' (one is added when missing). Computes only.
std::string SettingsFilePath(unsigned majorVersion, const std::string &programFolder,
                             const std::string &configFolder);

// SettingsFilePath, and on version 6 or later the two folders that hold the
// file are created when missing (failures are ignored: loads then give the
// defaults and saves fail quietly). Below version 6 nothing is created.
std::string PrepareSettingsFile(unsigned majorVersion, const std::string &programFolder,
                                const std::string &configFolder);
