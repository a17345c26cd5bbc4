// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "app/CFileUtil.h"

#include <glob.h>
#include <sys/stat.h>

#include <cstdint>

#include "common/FileRules.h"
#include "convert/ProgramFiles.h"
#include "settings/SettingsLocation.h"

namespace {

int SizeKB(const struct stat &st) {
    if (!S_ISREG(st.st_mode))
        return 0;
    // The length as the 32-bit count the size column has always shown.
    auto bytes = static_cast<std::uint32_t>(static_cast<std::uint64_t>(st.st_size));
    return static_cast<int>(static_cast<double>(bytes) * (1.0 / 1024) + 0.9);
}

} // namespace

std::string CFileUtil::GetProgramPath(const std::string &name) {
    return DataFolder() + name;
}

void CFileUtil::CreatePath(const std::string &path) {
    ::CreatePath(path);
}

std::string CFileUtil::GetDocumentsFolder() {
    return DocumentsFolder();
}

int CFileUtil::FileExists(const char *path) {
    return path ? ::FileExists(path) : 0;
}

int CFileUtil::GetFileSizeKB(const char *path) {
    if (!path || !*path)
        return 0;
    struct stat st {};
    if (::stat(path, &st) == 0)
        return SizeKB(st);
    glob_t found{};
    int size = 0;
    if (::glob(path, GLOB_NOESCAPE, nullptr, &found) == 0 && found.gl_pathc > 0 &&
        ::stat(found.gl_pathv[0], &st) == 0)
        size = SizeKB(st);
    ::globfree(&found);
    return size;
}
