#include "settings/SettingsStore.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <system_error>
#include <vector>

#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

void ReadKeys(const IniFile &ini, const char *section, std::initializer_list<const char *> keys,
              ConvertSettings &s) {
    for (const char *key : keys)
        if (const SettingsKey *k = FindSettingsKey(section, key))
            ReadSetting(ini, *k, s);
}

void ReadStamp(const IniFile &ini, ConvertSettings &s) {
    ReadKeys(ini, kSectionPdf,
             {"text", "fsize", "frotate", "fcolor", "fpos", "foffx", "foffy", "tuse", "bground"},
             s);
}

} // namespace

void LoadGeneralSettings(const std::string &iniPath, ConvertSettings &s) {
    IniFile ini(iniPath);
    ReadKeys(ini, kSectionGeneral, {"otype", "type", "mode", "exists", "output"}, s);
}

bool SaveGeneralSettings(const std::string &iniPath, const ConvertSettings &s) {
    IniFile ini(iniPath);
    for (const char *key : {"output", "type", "mode", "otype", "exists"}) {
        const SettingsKey *k = FindSettingsKey(kSectionGeneral, key);
        if (!k || !WriteSetting(ini, *k, s))
            return false;
    }
    return ini.Save();
}

void LoadImageSettings(const std::string &iniPath, ConvertSettings &s) {
    IniFile ini(iniPath);
    s.img = ImageSettings{};
    ReadKeys(ini, kSectionImage, {"each", "angle", "xdpi", "ydpi", "width", "height",   "resize",
                                  "bmpc", "gifc",  "pcxc", "pngc", "jpgc",  "jp2c",     "jpcc",
                                  "tgac", "rasc",  "JQu",  "tifc", "TJQu",  "compress", "multpage"},
             s);
}

void LoadStampSettings(const std::string &iniPath, ConvertSettings &s) {
    ReadStamp(IniFile(iniPath), s);
}

void LoadPdfSettings(const std::string &iniPath, ConvertSettings &s) {
    IniFile ini(iniPath);
    ReadStamp(ini, s);
    ReadKeys(ini, kSectionPdf,
             {"encrypt", "copy", "print", "change", "add", "level", "upass", "opass", "creator",
              "producer", "title", "author", "subject", "keywords"},
             s);
}

void LoadTextSettings(const std::string &iniPath, ConvertSettings &s) {
    IniFile ini(iniPath);
    ReadKeys(ini, kSectionText, {"txtmode", "txtpagebreak"}, s);
}

void LoadAllSettings(const std::string &iniPath, ConvertSettings &s) {
    LoadGeneralSettings(iniPath, s);
    LoadImageSettings(iniPath, s);
    LoadPdfSettings(iniPath, s);
    LoadTextSettings(iniPath, s);
}

unsigned SystemMajorVersion() {
    return 6;
}

std::string HomeFolder() {
    const char *home = std::getenv("HOME");
    if (home && home[0] == '/')
        return WithSlash(home);
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd pw{};
    passwd *found = nullptr;
    if (getpwuid_r(getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/')
        return WithSlash(found->pw_dir);
    return "/";
}

std::string ConfigFolder() {
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return WithSlash(xdg);
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
        return WithSlash(programFolder) + "Profile.ini";
    return WithSlash(configFolder) + "Quorvane/Vantoria/Profile.ini";
}

std::string PrepareSettingsFile(unsigned majorVersion, const std::string &programFolder,
                                const std::string &configFolder) {
    std::string path = SettingsFilePath(majorVersion, programFolder, configFolder);
    if (majorVersion >= 6) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    }
    return path;
}
