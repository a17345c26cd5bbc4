// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/lumbrel/ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace lumbrel {
namespace {

std::string RandomTag() {
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device device;
    std::mt19937 gen(device());
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kChars) - 2);
    std::string tag;
    for (int i = 0; i < 10; ++i)
        tag.push_back(kChars[pick(gen)]);
    return tag;
}

} // namespace

ReplaceFile::~ReplaceFile() {
    Discard();
}

bool ReplaceFile::Open(const std::string &target) {
    Discard();
    try {
        fs::path path(target);
        std::error_code ec;
        if (path.filename().empty() || fs::is_directory(fs::symlink_status(path, ec))) {
            m_error = "not a file path: " + target;
            return false;
        }
        m_target = path.string();
        fs::path folder = path.parent_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            fs::path temp = folder / (".lumbrel-" + RandomTag() + ".tmp");
            int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0) {
                if (errno == EEXIST)
                    continue;
                m_error = "can't create a file in " + folder.string() + ": " + std::strerror(errno);
                return false;
            }
            m_file = fdopen(fd, "wb");
            if (!m_file) {
                close(fd);
                unlink(temp.c_str());
                m_error = "fdopen failed";
                return false;
            }
            m_tempPath = temp.string();
            return true;
        }
        m_error = "no free temporary name in " + folder.string();
        return false;
    } catch (...) {
        m_error = "out of memory";
        return false;
    }
}

bool ReplaceFile::Commit() {
    if (!m_file) {
        m_error = "nothing to commit";
        return false;
    }
    bool ok = std::fflush(m_file) == 0 && !std::ferror(m_file);
    int fd = fileno(m_file);
    struct stat old = {};
    if (ok && lstat(m_target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ok = fchmod(fd, old.st_mode & 07777) == 0;
    if (ok)
        ok = fsync(fd) == 0;
    int closed = std::fclose(m_file);
    m_file = nullptr;
    if (ok && closed != 0)
        ok = false;
    if (ok && rename(m_tempPath.c_str(), m_target.c_str()) != 0)
        ok = false;
    if (!ok) {
        m_error = std::string("writing ") + m_target + " failed: " + std::strerror(errno);
        unlink(m_tempPath.c_str());
    }
    m_tempPath.clear();
    return ok;
}

void ReplaceFile::Discard() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_tempPath.empty()) {
        unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

} // namespace lumbrel
