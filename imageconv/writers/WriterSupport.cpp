// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "imageconv/writers/WriterSupport.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "common/LiveTemporaries.h"
#include "imageconv/Writers.h"

namespace imageconv {

namespace {

std::atomic<unsigned> g_tempCounter{0};

// "<folder>/.<name>.<pid>-<n>.part": hidden, in the destination's folder so
// that the final rename never crosses file systems.
std::string SiblingName(const std::string &path, unsigned n) {
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string tag = std::to_string(::getpid()) + "-" + std::to_string(n) + ".part";
    // A name close to the file system's limit would not take the suffix.
    if (name.size() > 200)
        return folder + ".vantoria-" + tag;
    return folder + "." + name + "." + tag;
}

} // namespace

OutputFile::OutputFile(const std::string &path) : path_(path) {
    if (path.empty() || path.back() == '/') {
        openStatus_ = Status::Fail("No output file name");
        return;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = SiblingName(path, g_tempCounter.fetch_add(1));
        int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            openStatus_ = Status::Fail("Cannot create " + path + ": " + std::strerror(errno));
            return;
        }
        RegisterTemporary(candidate);
        file_ = ::fdopen(fd, "w+b");
        if (!file_) {
            ::close(fd);
            ::unlink(candidate.c_str());
            openStatus_ = Status::Fail("Cannot open " + path);
            return;
        }
        temp_ = candidate;
        return;
    }
    openStatus_ = Status::Fail("Cannot create " + path);
}

OutputFile::~OutputFile() {
    if (file_)
        std::fclose(file_);
    if (!temp_.empty() && !committed_)
        ::unlink(temp_.c_str());
}

Status OutputFile::CloseStream() {
    if (!file_)
        return failed_ ? Status::Fail("Cannot write " + path_) : Status::Ok();
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (!ok) {
        failed_ = true;
        return Status::Fail("Cannot write " + path_);
    }
    return Status::Ok();
}

Status OutputFile::Commit() {
    if (temp_.empty())
        return openStatus_.ok() ? Status::Fail("Cannot create " + path_) : openStatus_;
    if (committed_)
        return Status::Fail(path_ + " is already written");
    if (Status closed = CloseStream(); !closed)
        return closed;
    if (std::rename(temp_.c_str(), path_.c_str()) != 0)
        return Status::Fail("Cannot replace " + path_ + ": " + std::strerror(errno));
    committed_ = true;
    return Status::Ok();
}

void ByteSink::Bytes(const void *data, size_t n) {
    const uint8_t *p = static_cast<const uint8_t *>(data);
    while (n > 0) {
        if (used_ == buf_.size())
            Flush();
        size_t take = std::min(n, buf_.size() - used_);
        std::memcpy(buf_.data() + used_, p, take);
        used_ += take;
        p += take;
        n -= take;
    }
}

bool ByteSink::Flush() {
    if (used_ > 0) {
        if (!file_ || std::fwrite(buf_.data(), 1, used_, file_) != used_)
            ok_ = false;
        count_ += used_;
        used_ = 0;
    }
    return ok_;
}

int PaletteCount(const Dib &page) {
    if (page.bpp > 8)
        return 0;
    int max = 1 << page.bpp;
    int n = page.colorsUsed > 0 ? std::min(page.colorsUsed, max) : max;
    return std::min<int>(n, int(page.palette.size()));
}

RgbQuad PaletteEntry(const Dib &page, int i) {
    if (i >= 0 && size_t(i) < page.palette.size())
        return page.palette[size_t(i)];
    return RgbQuad{};
}

bool IsGreyRamp(const Dib &page) {
    int n = PaletteCount(page);
    if (n == 0)
        return false;
    int top = (1 << page.bpp) - 1;
    for (int i = 0; i < n; ++i) {
        const RgbQuad &c = page.palette[size_t(i)];
        int v = i * 255 / top;
        if (c.red != v || c.green != v || c.blue != v)
            return false;
    }
    return true;
}

bool GreyLevels(const Dib &page, std::array<uint8_t, 256> &grey) {
    if (page.bpp != 8)
        return false;
    grey.fill(0);
    int n = PaletteCount(page);
    for (int i = 0; i < n; ++i) {
        const RgbQuad &c = page.palette[size_t(i)];
        if (c.red != c.green || c.green != c.blue)
            return false;
        grey[size_t(i)] = c.red;
    }
    return n > 0;
}

int Brightness(const RgbQuad &c) {
    return 306 * c.red + 601 * c.green + 117 * c.blue;
}

} // namespace imageconv
