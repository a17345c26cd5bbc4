// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace testsupport {

TempFolder::TempFolder() : TempFolder(fs::temp_directory_path().string() + "/") {}

TempFolder::TempFolder(const std::string &parent) {
    std::string pattern = parent + "vantoria-test-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed for " + pattern);
    m_path = pattern + "/";
}

TempFolder::~TempFolder() {
    std::error_code ec;
    // Give back write permission first so a read-only file or folder doesn't stay.
    for (auto &e : fs::recursive_directory_iterator(m_path, ec))
        fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_path, ec);
}

std::string MemoryFolderParent() {
    std::error_code ec;
    return fs::is_directory("/dev/shm/", ec) ? "/dev/shm/" : fs::temp_directory_path().string() + "/";
}

TempHome::TempHome() {
    const char *home = std::getenv("HOME");
    m_hadHome = home != nullptr;
    if (home)
        m_oldHome = home;
    ::setenv("HOME", m_folder.Path().c_str(), 1);
}

TempHome::~TempHome() {
    if (m_hadHome)
        ::setenv("HOME", m_oldHome.c_str(), 1);
    else
        ::unsetenv("HOME");
}

} // namespace testsupport
