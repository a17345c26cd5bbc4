// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "settings/SettingsLocation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "Files.h"
#include "TempFolder.h"
#include "settings/SettingsStore.h"

using testsupport::TempFolder;
using testsupport::TempHome;
using testsupport::WriteFile;

namespace {

TEST(SettingsLocation, FoldersEndInASlash) {
    TempHome home;
    TempFolder config;
    EXPECT_EQ(HomeFolder(), home.Path());
    EXPECT_EQ(DocumentsFolder(6), home.Path());
    EXPECT_EQ(DocumentsFolder(5), home.Path() + "Documents/");
    EXPECT_EQ(DefaultOutputFolder(), home.Path() + "My Doc/");
    EXPECT_EQ(DefaultOutputFolder(5), home.Path() + "Documents/My Doc/");

    std::string noSlash = home.Path().substr(0, home.Path().size() - 1);
    setenv("HOME", noSlash.c_str(), 1);
    EXPECT_EQ(HomeFolder(), home.Path());

    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(ConfigFolder(), home.Path() + ".config/");
    setenv("XDG_CONFIG_HOME", "relative/not/used", 1);
    EXPECT_EQ(ConfigFolder(), home.Path() + ".config/");
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    EXPECT_EQ(ConfigFolder(), config.Path());
    unsetenv("XDG_CONFIG_HOME");
}

TEST(SettingsLocation, OldSystemsKeepTheFileBesideTheProgram) {
    TempFolder program, config;
    std::string path = PrepareSettingsFile(5, program.Path(), config.Path());
    EXPECT_EQ(path, program.Path() + "Profile.ini");
    EXPECT_FALSE(std::filesystem::exists(config.File("Quorvane")));
    EXPECT_EQ(SettingsFilePath(5, "/opt/app", "/c/"), "/opt/app/Profile.ini");
}

TEST(SettingsLocation, NewerSystemsUseTheConfigurationFolder) {
    TempFolder program, config;
    EXPECT_EQ(SettingsFilePath(6, program.Path(), config.Path()),
              config.Path() + "Quorvane/Vantoria/Profile.ini");
    EXPECT_FALSE(std::filesystem::exists(config.File("Quorvane")));
    std::string path = PrepareSettingsFile(SystemMajorVersion(), program.Path(), config.Path());
    EXPECT_EQ(path, config.Path() + "Quorvane/Vantoria/Profile.ini");
    EXPECT_TRUE(std::filesystem::is_directory(config.File("Quorvane/Vantoria")));
    EXPECT_FALSE(std::filesystem::exists(path)) << "the file itself waits for the first save";
    EXPECT_FALSE(std::filesystem::exists(program.File("Profile.ini")));

    // A folder that can't be made is not an error: loads give defaults.
    WriteFile(config.File("blocker"), "");
    std::string blocked = PrepareSettingsFile(6, program.Path(), config.File("blocker"));
    ConvertSettings s;
    LoadTextSettings(blocked, s);
    EXPECT_EQ(s.txt.nTextMode, 0);
    EXPECT_FALSE(SaveGeneralSettings(blocked, s));
}

} // namespace
