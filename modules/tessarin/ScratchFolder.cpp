// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/ScratchFolder.h"

#include <stdlib.h>

#include <filesystem>
#include <vector>

namespace tessarin {

std::string MakeScratchFolder(const std::string &base) {
    std::error_code ec;
    std::filesystem::path folder = base;
    if (folder.empty())
        folder = std::filesystem::temp_directory_path(ec);
    if (ec)
        folder = "/tmp";
    const std::string pattern = (folder / "tessarin-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    return mkdtemp(buffer.data()) ? std::string(buffer.data()) : std::string();
}

bool RemoveScratchFolder(const std::string &path) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    return !ec;
}

} // namespace tessarin
