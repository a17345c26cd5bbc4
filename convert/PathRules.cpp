// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/PathRules.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

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

std::string RowOutputFolder(const ConvertSettings &settings, std::string_view inputPath) {
    if (settings.m_nOutputMode == 0) {
        SplitParts p = SplitPath(inputPath);
        return p.drive + p.folder;
    }
    return settings.m_szOutputDir;
}
