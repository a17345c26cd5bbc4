// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// A fresh folder under the system's temporary folder for one test, and a
// temporary home folder.
#pragma once

#include <string>

namespace testsupport {

// Made on construction, removed with its contents on destruction (files
// made read-only are removed too).
class TempFolder {
public:
    // Under the system's temporary folder, or under `parent` (ending in '/').
    TempFolder();
    explicit TempFolder(const std::string &parent);
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    // The folder, ending in '/'.
    const std::string &Path() const { return m_path; }
    // `name` inside the folder; may hold subfolders ("in/a.ps").
    std::string File(const std::string &name) const { return m_path + name; }

private:
    std::string m_path;
};

// The memory-backed folder /dev/shm/ when the system has one, else the
// temporary folder: the program makes its page folders in a temporary
// folder that is held in memory, so a test whose TMPDIR is under this one
// sees every page folder the program makes.
std::string MemoryFolderParent();

// Points $HOME at a fresh temporary folder while it lives, so the computed
// folder defaults are known and the user's own files are not used.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome &) = delete;
    TempHome &operator=(const TempHome &) = delete;

    // The home folder, ending in '/'.
    const std::string &Path() const { return m_folder.Path(); }
    std::string File(const std::string &name) const { return m_folder.File(name); }

private:
    TempFolder m_folder;
    std::string m_oldHome;
    bool m_hadHome = false;
};

} // namespace testsupport
