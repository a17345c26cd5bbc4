// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/lumbrel/ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "common/FileErrors.h"

namespace fs = std::filesystem;

namespace lumbrel {

ReplaceFile::~ReplaceFile() {
    if (m_file)
        std::fclose(m_file);
}

bool ReplaceFile::Fail(int err) {
    m_error = FailReason(err, "can't write the file");
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    m_out.Discard();
    return false;
}

bool ReplaceFile::Open(const std::string &target) {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    try {
        fs::path path(target);
        std::error_code ec;
        if (path.filename().empty() || fs::is_directory(fs::symlink_status(path, ec))) {
            m_error = "not a file path: " + target;
            return false;
        }
    } catch (...) {
        m_error = "out of memory";
        return false;
    }
    if (int err = m_out.Open(target))
        return Fail(err);
    int fd = ::fcntl(m_out.Fd(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return Fail(errno);
    m_file = ::fdopen(fd, "wb");
    if (!m_file) {
        int err = errno;
        ::close(fd);
        return Fail(err);
    }
    return true;
}

bool ReplaceFile::Commit() {
    if (!m_file) {
        m_error = "nothing to commit";
        return false;
    }
    if (std::fflush(m_file) != 0 || std::ferror(m_file))
        return Fail(errno);
    int closed = std::fclose(m_file);
    m_file = nullptr;
    if (closed != 0)
        return Fail(errno);
    struct stat old = {};
    if (::lstat(m_out.Target().c_str(), &old) == 0 && S_ISREG(old.st_mode))
        m_out.SetMode(old.st_mode & 07777);
    if (int err = m_out.Sync())
        return Fail(err);
    if (int err = m_out.Commit(Placement::Replace))
        return Fail(err);
    return true;
}

} // namespace lumbrel
