// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/RunFiles.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "common/FileRules.h"
#include "imageconv/Dib.h"

FileMark MarkOf(const std::string &path) {
    FileMark m;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        m.present = true;
        m.inode = st.st_ino;
        m.mtime = st.st_mtim;
        m.size = st.st_size;
    }
    return m;
}

bool WrittenSince(const FileMark &before, const std::string &path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (!before.present)
        return true;
    return st.st_ino != before.inode || st.st_size != before.size ||
           st.st_mtim.tv_sec != before.mtime.tv_sec || st.st_mtim.tv_nsec != before.mtime.tv_nsec;
}

int Publish(const std::string &temp, const std::string &target, bool replace) {
    ::chmod(temp.c_str(), 0666 & ~CurrentUmask());
    return PlaceFile(temp, target, replace ? Placement::Replace : Placement::KeepExisting);
}

std::string EngineOutputFailReason(const std::string &path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return FailReason(errno, "the interpreter left no output");
    if (!S_ISREG(st.st_mode) || st.st_nlink != 1 ||
        uint64_t(st.st_size) > imageconv::Dib::kMaxPageFileBytes)
        return "the interpreter left something else than its output";
    return {};
}

std::string FolderFailReason(const std::string &folder, const std::string &fallback) {
    struct statvfs vfs {};
    if (::statvfs(folder.empty() ? "." : folder.c_str(), &vfs) != 0)
        return FailReason(errno, fallback);
    if (vfs.f_flag & ST_RDONLY)
        return FailReason(EROFS, fallback);
    if (::access(folder.empty() ? "." : folder.c_str(), W_OK) != 0)
        return FailReason(errno, fallback);
    // Less room than a block or two: nothing more could be written there.
    constexpr unsigned long long kNearlyFull = 64 * 1024;
    if (static_cast<unsigned long long>(vfs.f_bavail) * vfs.f_frsize < kNearlyFull)
        return FailReason(ENOSPC, fallback);
    return fallback;
}

bool HoldsText(const std::string &path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[64 * 1024];
    bool found = false;
    ssize_t n;
    while (!found && ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))) {
        for (ssize_t k = 0; k < n && !found; ++k)
            found = std::string_view(" \t\r\n\f\v").find(buffer[k]) == std::string_view::npos;
    }
    ::close(fd);
    return found;
}

bool NaturalLess(const std::string &a, const std::string &b) {
    auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            std::size_t ie = i, je = j;
            while (ie < a.size() && digit(a[ie]))
                ++ie;
            while (je < b.size() && digit(b[je]))
                ++je;
            std::string_view da(a.data() + i, ie - i), db(b.data() + j, je - j);
            while (da.size() > 1 && da.front() == '0')
                da.remove_prefix(1);
            while (db.size() > 1 && db.front() == '0')
                db.remove_prefix(1);
            if (da.size() != db.size())
                return da.size() < db.size();
            if (da != db)
                return da < db;
            i = ie;
            j = je;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    return a < b;
}
