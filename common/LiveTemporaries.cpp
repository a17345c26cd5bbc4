// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "common/LiveTemporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

struct Entry {
    std::string path;
    dev_t device;
    ino_t inode;
};

// Past this many entries, those whose file has gone are dropped.
constexpr std::size_t kPruneAt = 64;

std::mutex g_lock;
std::vector<Entry> g_entries;
std::size_t g_pruneAt = kPruneAt;
bool g_removing = false;

bool StillThere(const Entry &e, struct stat *st) {
    return ::lstat(e.path.c_str(), st) == 0 && st->st_dev == e.device && st->st_ino == e.inode;
}

void RemoveFolderFiles(const std::string &folder) {
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (struct dirent *d = ::readdir(dir)) {
        struct stat st {};
        if (::fstatat(::dirfd(dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode))
            ::unlinkat(::dirfd(dir), d->d_name, 0);
    }
    ::closedir(dir);
}

void Remove(const Entry &e) {
    struct stat st {};
    if (!StillThere(e, &st))
        return;
    if (S_ISDIR(st.st_mode)) {
        RemoveFolderFiles(e.path);
        ::rmdir(e.path.c_str());
    } else {
        ::unlink(e.path.c_str());
    }
}

} // namespace

void RegisterTemporary(const std::string &path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return;
    Entry entry{path, st.st_dev, st.st_ino};
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_removing) {
        Remove(entry);
        return;
    }
    if (g_entries.size() >= g_pruneAt) {
        std::erase_if(g_entries, [](const Entry &e) {
            struct stat now {};
            return !StillThere(e, &now);
        });
        g_pruneAt = std::max(kPruneAt, 2 * g_entries.size());
    }
    g_entries.push_back(std::move(entry));
}

void RemoveLiveTemporaries() {
    std::lock_guard<std::mutex> lock(g_lock);
    g_removing = true;
    for (const Entry &e : g_entries)
        Remove(e);
    g_entries.clear();
}
