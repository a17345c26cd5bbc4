// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "settings/SettingsLocation.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "common/FileRules.h"

unsigned SystemMajorVersion() {
    return 6;
}

std::string HomeFolder() {
    const char *home = std::getenv("HOME");
    if (home && home[0] == '/')
        return WithTrailingSeparator(home);
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd pw{};
    passwd *found = nullptr;
    if (getpwuid_r(getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/')
        return WithTrailingSeparator(found->pw_dir);
    return "/";
}

std::string ConfigFolder() {
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return WithTrailingSeparator(xdg);
    return HomeFolder() + ".config/";
}

std::string DocumentsFolder(unsigned majorVersion) {
    if (majorVersion < 6)
        return HomeFolder() + "Documents/";
    return HomeFolder();
}

std::string DefaultOutputFolder(unsigned majorVersion) {
    return DocumentsFolder(majorVersion) + "My Doc/";
}

std::string SettingsFilePath(unsigned majorVersion, const std::string &programFolder,
                             const std::string &configFolder) {
    if (majorVersion < 6)
        return WithTrailingSeparator(programFolder) + "Profile.ini";
    return WithTrailingSeparator(configFolder) + "Quorvane/Vantoria/Profile.ini";
}

std::string PrepareSettingsFile(unsigned majorVersion, const std::string &programFolder,
                                const std::string &configFolder) {
    std::string path = SettingsFilePath(majorVersion, programFolder, configFolder);
    if (majorVersion >= 6)
        CreatePath(path);
    return path;
}
