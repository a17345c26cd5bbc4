// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/TempFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <vector>

#include "common/LiveTemporaries.h"
#include "common/ProcFields.h"
#include "convert/PathRules.h"
#include "convert/RunFiles.h"

namespace {

// The highest suffix FirstFresh tries, and the longest "%d%d" stamp (second
// 59, millisecond 999).
constexpr int kLastSuffix = 9999;
constexpr char kLongestStamp[] = "59999";
constexpr char kPageFolderPrefix[] = "mtmp_";

// Try `base` + "" and then base + "-2", "-3", ...; `make` returns 0 on
// success, EEXIST when the name is taken, another errno to give up.
template <typename Make>
std::string FirstFresh(const std::string &base, const std::string &tail, Make make) {
    for (int k = 1; k <= kLastSuffix; ++k) {
        std::string name = base + (k == 1 ? std::string() : "-" + std::to_string(k)) + tail;
        if (!FitsPlatformLimits(name))
            return {};
        int err = make(name);
        if (err == 0) {
            RegisterTemporary(name);
            return name;
        }
        if (err != EEXIST)
            return {};
    }
    return {};
}

int MakeFile(const std::string &name) {
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

// The kind of file system `folder` is on; 0 when it can't be told.
long FileSystemOf(const std::string &folder, unsigned long long *available = nullptr) {
    struct statfs fs {};
    if (::statfs(folder.c_str(), &fs) != 0)
        return 0;
    if (available)
        *available = static_cast<unsigned long long>(fs.f_bavail) * fs.f_bsize;
    return static_cast<long>(fs.f_type);
}

bool InMemory(long fileSystem) {
    return fileSystem == TMPFS_MAGIC || fileSystem == RAMFS_MAGIC;
}

} // namespace

std::string SystemTempFolder() {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::temp_directory_path(ec);
    std::string folder = ec ? std::string("/tmp") : p.string();
    return WithTrailingSeparator(folder);
}

std::string PageFolderRoot(const std::string &tempFolder, unsigned long long bytes,
                           const std::string &memoryFolder) {
    const long here = FileSystemOf(tempFolder);
    if (here == 0 || InMemory(here))
        return tempFolder;
    unsigned long long room = 0;
    if (FileSystemOf(memoryFolder, &room) != TMPFS_MAGIC || room < bytes ||
        ProcKibField("/proc/meminfo", "MemAvailable:") < bytes ||
        ::access(memoryFolder.c_str(), W_OK | X_OK) != 0)
        return tempFolder;
    return memoryFolder;
}

std::string LocalTimeStamp() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    long ms = static_cast<long>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return std::to_string(local.tm_sec) + std::to_string(ms);
}

std::string CreatePageFolder(const std::string &tempFolder) {
    return CreatePageFolder(tempFolder, LocalTimeStamp());
}

std::string CreatePageFolder(const std::string &tempFolder, const std::string &stamp) {
    std::string made =
        FirstFresh(tempFolder + kPageFolderPrefix + stamp, "", [](const std::string &name) {
            return ::mkdir(name.c_str(), 0700) == 0 ? 0 : errno;
        });
    return made.empty() ? made : made + "/";
}

std::string LongestPageFolder(const std::string &tempFolder) {
    return tempFolder + kPageFolderPrefix + kLongestStamp + "-" + std::to_string(kLastSuffix) + "/";
}

std::string CreateTempPdf(const std::string &tempFolder) {
    return CreateTempPdf(tempFolder, LocalTimeStamp());
}

std::string CreateTempPdf(const std::string &tempFolder, const std::string &stamp) {
    return FirstFresh(tempFolder + "msrc_" + stamp, ".pdf", MakeFile);
}

std::string PageFileName(const std::string &pageFolder, int page) {
    char number[32];
    std::snprintf(number, sizeof number, kPageFileFormat, page);
    return pageFolder + number;
}

std::string PageFilePattern(const std::string &pageFolder) {
    return EscapeFormatField(pageFolder) + kPageFileFormat;
}

std::string CreateStagingFolder(const std::string &folder) {
    std::string pattern = folder + ".vantoria-XXXXXX";
    if (!FitsPlatformLimits(pattern + "/")) {
        errno = ENAMETOOLONG;
        return {};
    }
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data()))
        return {};
    RegisterTemporary(buf.data());
    return std::string(buf.data()) + "/";
}

std::vector<std::string> ListPageFiles(const std::string &folderIn) {
    std::string folder = WithTrailingSeparator(folderIn);
    std::vector<std::string> names;
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (struct dirent *e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st {};
        // Only plain files count: a link or anything else is never read.
        if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode))
            continue;
        names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), NaturalLess);
    for (std::string &n : names)
        n = folder + n;
    return names;
}

void DeletePageFiles(const std::string &folder, const std::vector<std::string> &files) {
    for (const std::string &f : files)
        ::unlink(f.c_str());
    if (!folder.empty())
        ::rmdir(folder.c_str());
}
