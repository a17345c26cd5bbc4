// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/PathRules.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/FileRules.h"
#include "settings/ConvertSettings.h"

SplitParts SplitPath(std::string_view path) {
    SplitParts parts;
    std::size_t slash = path.rfind('/');
    std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    parts.folder = std::string(path.substr(0, nameStart));
    std::string_view name = path.substr(nameStart);
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        parts.base = std::string(name);
    } else {
        parts.base = std::string(name.substr(0, dot));
        parts.ext = std::string(name.substr(dot));
    }
    return parts;
}

bool PathTaken(const std::string &path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0)
        return true;
    // Anything but a clear "not there" (no rights to look, say) counts as
    // taken, so an unseen file is never overwritten.
    return errno != ENOENT && errno != ENOTDIR;
}

std::string MakeUniqueName(const std::string &path,
                           const std::function<bool(const std::string &)> &taken) {
    if (!FitsPlatformLimits(path))
        return {};
    if (!taken(path))
        return path;
    SplitParts p = SplitPath(path);
    for (long k = 1; k <= kLastNumberedName; ++k) {
        char number[32];
        std::snprintf(number, sizeof number, "-%02ld", k);
        std::string candidate = p.drive + p.folder + p.base + number + p.ext;
        if (!FitsPlatformLimits(candidate))
            return {};
        if (!taken(candidate))
            return candidate;
    }
    return {};
}

std::string EscapeFormatField(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '%')
            out += '%';
    }
    return out;
}

namespace {

// True when `subfolder` is a plain relative folder path: parts separated by
// '/', none of them empty, "." or "..".
bool PlainSubfolder(std::string_view subfolder) {
    if (subfolder.empty() || subfolder.front() == '/')
        return false;
    std::size_t start = 0;
    while (start < subfolder.size()) {
        std::size_t end = subfolder.find('/', start);
        if (end == std::string_view::npos)
            end = subfolder.size();
        std::string_view part = subfolder.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace

std::string RowOutputFolder(const ConvertSettings &settings, std::string_view inputPath,
                            std::string_view subfolder) {
    if (settings.m_nOutputMode == 0) {
        SplitParts p = SplitPath(inputPath);
        return p.drive + p.folder;
    }
    if (settings.m_bKeepTree != 1 || !PlainSubfolder(subfolder))
        return settings.m_szOutputDir;
    return settings.m_szOutputDir + WithTrailingSeparator(std::string(subfolder));
}

std::string ImageTargetFolder(const ConvertSettings &settings, const std::string &rowFolder,
                              std::string_view inputPath) {
    if (settings.img.bFolderPerFile != 1)
        return rowFolder;
    return rowFolder + InputBaseName(inputPath) + "/";
}

std::string PageOutputSuffix(int page) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "_%03d", page);
    return suffix;
}

std::vector<std::string> MissingFolders(const std::string &folder) {
    std::vector<std::string> missing;
    std::string f = WithTrailingSeparator(folder);
    while (f.size() > 1 && !PathTaken(f)) {
        missing.insert(missing.begin(), f);
        std::size_t slash = f.rfind('/', f.size() - 2);
        if (slash == std::string::npos)
            break;
        f.resize(slash + 1);
    }
    return missing;
}

void RemoveEmptyFolders(const std::vector<std::string> &made) {
    for (auto it = made.rbegin(); it != made.rend(); ++it)
        if (::rmdir(it->c_str()) != 0)
            return; // not empty: the ones outside it aren't either
}
