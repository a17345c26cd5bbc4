// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "common/CompressedInput.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "common/FileErrors.h"
#include "common/InputCheck.h"
#include "common/ProcFields.h"

namespace {

constexpr std::uint64_t kMaxDecompressedBytes = std::uint64_t(1) << 30;
constexpr std::size_t kReadChunk = 64 * 1024;
constexpr std::size_t kWriteChunk = 256 * 1024;

std::string Damaged(const char *why) {
    return std::string("damaged compressed file: ") + why;
}

bool WriteAll(int fd, const unsigned char *data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The compressed bytes of `fd`, read in chunks from its start.
class Source {
public:
    explicit Source(int fd) : m_fd(fd), m_buffer(kReadChunk) {}
    // Refills `zs` when it has used up its input; false with `*reason` on a
    // read error. At the end of the file `zs` gets no input and Eof() is true.
    bool Refill(z_stream &zs, std::string *reason) {
        if (zs.avail_in > 0 || m_eof)
            return true;
        ssize_t n;
        do {
            n = ::pread(m_fd, m_buffer.data(), m_buffer.size(), m_offset);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            *reason = "can't read the input: " + std::string(std::strerror(errno));
            return false;
        }
        m_eof = n == 0;
        m_offset += n;
        zs.next_in = m_buffer.data();
        zs.avail_in = static_cast<uInt>(n);
        return true;
    }
    bool Eof() const { return m_eof; }

private:
    int m_fd;
    std::vector<unsigned char> m_buffer;
    off_t m_offset = 0;
    bool m_eof = false;
};

// Why zlib's result `rc` ends the inflation, or the empty text when it goes
// on. `atEnd`: the whole input has been handed over.
std::string InflateFailReason(int rc, const z_stream &zs, bool atEnd) {
    switch (rc) {
    case Z_OK:
        return {};
    case Z_BUF_ERROR:
        return atEnd ? Damaged("unexpected end of file") : std::string();
    case Z_MEM_ERROR:
        return "out of memory";
    default:
        return Damaged(zs.msg ? zs.msg : "invalid data");
    }
}

// Inflates the gzip members of `in` into `out`; the empty text, or why not.
std::string Inflate(int in, int out, std::uint64_t limit) {
    z_stream zs{};
    // 16: gzip wrapping only.
    if (inflateInit2(&zs, 15 + 16) != Z_OK)
        return "out of memory";
    Source source(in);
    std::vector<unsigned char> output(kWriteChunk);
    std::uint64_t total = 0;
    std::string reason;
    while (source.Refill(zs, &reason)) {
        zs.next_out = output.data();
        zs.avail_out = static_cast<uInt>(output.size());
        const int rc = inflate(&zs, Z_NO_FLUSH);
        const std::size_t produced = output.size() - zs.avail_out;
        total += produced;
        if (total > limit) {
            reason = TooLargeReason(limit);
            break;
        }
        if (produced > 0 && !WriteAll(out, output.data(), produced)) {
            reason = FailReason(errno, "can't unpack the input");
            break;
        }
        if (rc == Z_STREAM_END) {
            // Another member may follow (gzip files may be concatenated);
            // anything else after the data (padding) is not part of it.
            if (!source.Refill(zs, &reason) || zs.avail_in == 0 || zs.next_in[0] != 0x1f)
                break;
            inflateReset(&zs);
            continue;
        }
        reason = InflateFailReason(rc, zs, source.Eof() && zs.avail_in == 0);
        if (!reason.empty())
            break;
    }
    inflateEnd(&zs);
    return reason;
}

} // namespace

bool IsGzipData(std::string_view head) {
    return head.starts_with(std::string_view("\x1f\x8b", 2));
}

std::uint64_t DecompressedLimit() {
    const std::uint64_t available = ProcKibField("/proc/meminfo", "MemAvailable:");
    return available == 0 ? kMaxDecompressedBytes : std::min(kMaxDecompressedBytes, available / 2);
}

std::string TooLargeReason(std::uint64_t limit) {
    return "compressed file too large: more than " + std::to_string(limit / (1024 * 1024)) +
           " MiB once decompressed";
}

int DecompressToMemory(int fd, std::uint64_t limit, std::string *reason) {
    int out = ::memfd_create("vantoria-input", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (out < 0) {
        *reason = FailReason(errno, "can't unpack the input");
        return -1;
    }
    *reason = Inflate(fd, out, limit);
    if (reason->empty() &&
        ::fcntl(out, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) != 0)
        *reason = FailReason(errno, "can't unpack the input");
    if (!reason->empty()) {
        ::close(out);
        return -1;
    }
    return out;
}

EngineInput::~EngineInput() {
    if (m_fd >= 0)
        ::close(m_fd);
}

std::string EngineInput::Open(const std::string &path) {
    return Open(path, DecompressedLimit());
}

std::string EngineInput::Open(const std::string &path, std::uint64_t limit) {
    if (std::string reason = CheckInput(path); !reason.empty())
        return reason;
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? kInputMissing
                               : "can't read the input: " + std::string(std::strerror(errno));
    struct stat st {};
    char head[2] = {};
    std::string reason;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        reason = "not a regular file";
    else if (::pread(fd, head, sizeof head, 0) != sizeof head ||
             !IsGzipData(std::string_view(head, sizeof head)))
        m_path = path;
    else if ((m_fd = DecompressToMemory(fd, limit, &reason)) >= 0)
        reason = CheckContent(m_fd);
    ::close(fd);
    if (!reason.empty() && m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_fd >= 0)
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
    return reason;
}
