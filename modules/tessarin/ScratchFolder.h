// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The private folders the helpers write in: one for each one-off helper and
// each warm server (under the temporary folder, TMPDIR), and one for each of
// a server's children and its sample page (inside the server's own).
// MakeScratchFolder makes one (mode 0700, a name no other caller gets);
// RemoveScratchFolder removes one with whatever is in it. Both are
// thread-safe; neither throws.
#pragma once

#include <string>

namespace tessarin {

// Makes a private folder in `base`, or in the temporary folder when `base`
// is empty; its path, or an empty path when none could be made.
std::string MakeScratchFolder(const std::string &base = {});

// Removes `path` and everything in it; false when something stayed.
bool RemoveScratchFolder(const std::string &path);

// A scratch folder under the temporary folder for as long as the object
// lives (an empty path when none could be made).
class ScratchFolder {
public:
    ScratchFolder() : m_path(MakeScratchFolder()) {}
    ~ScratchFolder() {
        if (!m_path.empty())
            RemoveScratchFolder(m_path);
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;
    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace tessarin
