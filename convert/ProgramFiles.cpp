// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/ProgramFiles.h"

#include <filesystem>
#include <system_error>

#include "convert/EngineModule.h"

// The install rules pass the real folders, relative to the program's folder;
// these are their defaults.
#ifndef VANTORIA_MODULE_SUBDIR
#define VANTORIA_MODULE_SUBDIR "../lib/vantoria"
#endif
#ifndef VANTORIA_DATA_SUBDIR
#define VANTORIA_DATA_SUBDIR "../share/vantoria"
#endif

namespace {

namespace fs = std::filesystem;

std::string AsFolder(const fs::path &p) {
    std::string s = p.lexically_normal().string();
    if (s.empty() || s.back() != '/')
        s += '/';
    return s;
}

bool IsInstalled(const fs::path &program) {
    std::error_code ec;
    if (fs::exists(program / "tessarin.so", ec))
        return false;
    return fs::is_directory(program / VANTORIA_MODULE_SUBDIR, ec);
}

std::string FolderOf(const std::string &programFolder, const char *installedSubdir) {
    fs::path program(programFolder.empty() ? std::string(".") : programFolder);
    return IsInstalled(program) ? AsFolder(program / installedSubdir) : AsFolder(program);
}

} // namespace

std::string ModuleFolderOf(const std::string &programFolder) {
    return FolderOf(programFolder, VANTORIA_MODULE_SUBDIR);
}

std::string DataFolderOf(const std::string &programFolder) {
    return FolderOf(programFolder, VANTORIA_DATA_SUBDIR);
}

std::string ModuleFolder() {
    return ModuleFolderOf(ProgramFolder());
}

std::string DataFolder() {
    return DataFolderOf(ProgramFolder());
}
