// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "common/FileRules.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/AsciiCase.h"

bool FitsPlatformLimits(std::string_view path) {
    if (path.empty() || path.size() >= PATH_MAX)
        return false;
    if (path.find('\0') != std::string_view::npos)
        return false;
    std::size_t run = 0;
    for (char c : path) {
        if (c == '/') {
            run = 0;
        } else if (++run > NAME_MAX) {
            return false;
        }
    }
    return true;
}

int FileExists(const std::string &path) {
    if (!FitsPlatformLimits(path))
        return 0;
    // Non-blocking, so a named pipe can't hang the caller.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 0;
    struct stat st {};
    bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular ? 1 : 0;
}

void CreatePath(const std::string &path) {
    for (std::size_t pos = path.find('/'); pos != std::string::npos;
         pos = path.find('/', pos + 1)) {
        // The root, and the empty name between two slashes, are no folder.
        if (pos == 0 || path[pos - 1] == '/')
            continue;
        ::mkdir(path.substr(0, pos).c_str(), 0777);
    }
}

std::string WithTrailingSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

namespace {

// The names the program takes, by how they end (compared in lower case).
// The compressed ones come first, so "x.ps.gz" loses ".ps.gz" as a whole.
constexpr std::string_view kPostScriptEndings[] = {".ps.gz", ".eps.gz", ".psz", ".ps",
                                                   ".eps",   ".epsf",   ".epsi"};

std::string_view FileName(std::string_view path) {
    std::size_t slash = path.rfind('/');
    return path.substr(slash == std::string_view::npos ? 0 : slash + 1);
}

// The length of the PostScript ending of `name`, or 0 for none.
std::size_t PostScriptEnding(std::string_view name) {
    const std::string lower = AsciiLowered(name);
    for (std::string_view ending : kPostScriptEndings) {
        if (lower.ends_with(ending))
            return ending.size();
    }
    return 0;
}

} // namespace

bool IsPostScriptName(std::string_view path) {
    return PostScriptEnding(FileName(path)) > 0;
}

std::string InputBaseName(std::string_view path) {
    std::string_view name = FileName(path);
    if (std::size_t ending = PostScriptEnding(name); ending > 0)
        return std::string(name.substr(0, name.size() - ending));
    std::size_t dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

bool IsEpsFile(const std::string &path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    char head[512];
    struct stat st {};
    ssize_t n = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? ::read(fd, head, sizeof head) : -1;
    ::close(fd);
    if (n <= 0)
        return false;
    std::string_view text(head, static_cast<std::size_t>(n));
    // The binary header of a figure with a preview: C5 D0 D3 C6.
    if (text.substr(0, 4) == std::string_view("\xC5\xD0\xD3\xC6", 4))
        return true;
    std::string_view line = text.substr(0, text.find_first_of("\r\n"));
    return line.starts_with("%!PS-Adobe-") && line.find("EPSF") != std::string_view::npos;
}

namespace {

void ListFolder(const std::string &folder, const std::string &subfolder, bool recursive,
                std::vector<FolderFile> &files, bool *anyEntry) {
    std::vector<std::filesystem::directory_entry> entries;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder + subfolder, ec), end; !ec && it != end;
         it.increment(ec))
        entries.push_back(*it);
    std::sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) {
        return a.path().filename().string() < b.path().filename().string();
    });
    if (anyEntry && !entries.empty())
        *anyEntry = true;
    for (const auto &entry : entries) {
        const std::string name = entry.path().filename().string();
        std::error_code dirEc;
        if (entry.is_directory(dirEc)) {
            std::error_code linkEc;
            if (recursive && !entry.is_symlink(linkEc))
                ListFolder(folder, subfolder + name + "/", true, files, nullptr);
            continue;
        }
        if (IsPostScriptName(name))
            files.push_back({folder + subfolder + name, subfolder});
    }
}

} // namespace

std::vector<FolderFile> ListPostScriptFiles(const std::string &folder, bool recursive,
                                            bool *anyEntry) {
    std::vector<FolderFile> files;
    if (anyEntry)
        *anyEntry = false;
    ListFolder(WithTrailingSeparator(folder), {}, recursive, files, anyEntry);
    return files;
}
