// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "common/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>
#include <vector>

#include "common/FileRules.h"
#include "common/LiveTemporaries.h"

namespace {

constexpr char kTempPattern[] = ".vantoria-XXXXXX";

std::string FolderOf(const std::string &path) {
    std::string::size_type slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

mode_t CurrentUmask() {
    static const mode_t mask = [] {
        mode_t m = 022;
        if (std::FILE *f = std::fopen("/proc/self/status", "re")) {
            char line[256];
            while (std::fgets(line, sizeof line, f)) {
                unsigned value = 0;
                if (std::sscanf(line, "Umask: %o", &value) == 1) {
                    m = static_cast<mode_t>(value);
                    break;
                }
            }
            std::fclose(f);
        }
        return m;
    }();
    return mask;
}

int PlaceFile(const std::string &from, const std::string &to, Placement placement) {
    if (placement == Placement::Replace)
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    if (::link(from.c_str(), to.c_str()) != 0)
        return errno;
    ::unlink(from.c_str());
    return 0;
}

AtomicFile::~AtomicFile() {
    Discard();
}

AtomicFile::AtomicFile(AtomicFile &&other) noexcept {
    *this = std::move(other);
}

AtomicFile &AtomicFile::operator=(AtomicFile &&other) noexcept {
    if (this != &other) {
        Discard();
        m_target = std::move(other.m_target);
        m_temp = std::exchange(other.m_temp, std::string());
        m_fd = std::exchange(other.m_fd, -1);
        m_mode = other.m_mode;
        m_modeSet = other.m_modeSet;
    }
    return *this;
}

int AtomicFile::Open(const std::string &target) {
    Discard();
    if (target.empty() || target.back() == '/')
        return EISDIR;
    std::string pattern = FolderOf(target) + kTempPattern;
    if (!FitsPlatformLimits(pattern) || !FitsPlatformLimits(target))
        return ENAMETOOLONG;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    m_fd = fd;
    m_temp = name.data();
    m_target = target;
    RegisterTemporary(m_temp);
    return 0;
}

int AtomicFile::Sync() {
    if (m_fd < 0)
        return EBADF;
    return ::fsync(m_fd) == 0 ? 0 : errno;
}

int AtomicFile::Close() {
    if (m_fd < 0)
        return 0;
    int fd = std::exchange(m_fd, -1);
    return ::close(fd) == 0 ? 0 : errno;
}

int AtomicFile::Commit(Placement placement) {
    return CommitAs(m_target, placement);
}

int AtomicFile::CommitAs(const std::string &target, Placement placement) {
    if (m_temp.empty())
        return EBADF;
    if (int err = Close())
        return err;
    mode_t mode = m_modeSet ? m_mode : (0666 & ~CurrentUmask());
    if (::chmod(m_temp.c_str(), mode) != 0)
        return errno;
    if (int err = PlaceFile(m_temp, target, placement))
        return err;
    m_target = target;
    m_temp.clear();
    return 0;
}

int AtomicFile::SyncFolder() const {
    std::string folder = FolderOf(m_target);
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int err = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return err;
}

void AtomicFile::Discard() {
    Close();
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
    }
}
