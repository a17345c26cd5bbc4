// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "imageconv/writers/WriterSupport.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/types.h>
#include <unistd.h>

#include "imageconv/Writers.h"

namespace imageconv {

// The stream's end: plain writes to the temporary's descriptor, the first
// failure's errno kept. The descriptor belongs to the AtomicFile; closing
// the stream only marks it closed.
struct OutputFile::Sink {
    int fd = -1;
    int error = 0;
    bool closed = false;
    // The stream's buffer: the C library takes a buffer size only along with
    // the buffer itself.
    std::unique_ptr<char[]> buffer;

    void Note(int err) {
        if (error == 0)
            error = err != 0 ? err : EIO;
    }
};

namespace {

constexpr size_t kStreamBuffer = size_t(64) << 10;

ssize_t SinkWrite(void *cookie, const char *data, size_t size) {
    auto *sink = static_cast<OutputFile::Sink *>(cookie);
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(sink->fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : ENOSPC;
            sink->Note(err);
            errno = err;
            // A cookie stream's write must never answer a negative count:
            // the C library then corrupts the stream's buffer. 0 is its
            // error, and the errno noted above tells the cause.
            return 0;
        }
        done += size_t(n);
    }
    return ssize_t(done);
}

int SinkSeek(void *cookie, off64_t *offset, int whence) {
    auto *sink = static_cast<OutputFile::Sink *>(cookie);
    off_t at = ::lseek(sink->fd, off_t(*offset), whence);
    if (at < 0) {
        sink->Note(errno);
        return -1;
    }
    *offset = off64_t(at);
    return 0;
}

int SinkClose(void *cookie) {
    static_cast<OutputFile::Sink *>(cookie)->closed = true;
    return 0;
}

} // namespace

OutputFile::OutputFile(const std::string &path) : path_(path), sink_(std::make_unique<Sink>()) {
    if (path.empty() || path.back() == '/') {
        openStatus_ = Status::Fail("No output file name");
        return;
    }
    if (int err = file_.Open(path)) {
        openStatus_ = Status::SystemFail(err, "Cannot create " + path + ": " + std::strerror(err));
        return;
    }
    sink_->fd = file_.Fd();
    sink_->buffer = std::make_unique<char[]>(kStreamBuffer);
    cookie_io_functions_t io{nullptr, SinkWrite, SinkSeek, SinkClose};
    stream_ = ::fopencookie(sink_.get(), "w", io);
    if (!stream_) {
        const int err = errno;
        file_.Discard();
        openStatus_ = Status::SystemFail(err, "Cannot open " + path);
        return;
    }
    std::setvbuf(stream_, sink_->buffer.get(), _IOFBF, kStreamBuffer);
}

OutputFile::~OutputFile() {
    // A library that was handed the stream and gave up before closing it.
    if (stream_ && !sink_->closed)
        std::fclose(stream_);
}

std::FILE *OutputFile::ReleaseStream() {
    released_ = true;
    return stream_;
}

bool OutputFile::StreamClosed() const {
    return !stream_ || sink_->closed;
}

int OutputFile::WriteError() const {
    return sink_->error;
}

void OutputFile::NoteError(int err) {
    sink_->Note(err);
}

Status OutputFile::Failure(const std::string &message) const {
    if (sink_->error != 0)
        return Status::SystemFail(sink_->error, message + ": " + std::strerror(sink_->error));
    return Status::Fail(message);
}

Status OutputFile::Explain(Status failed) const {
    if (failed || failed.error() != 0 || sink_->error == 0)
        return failed;
    return Status::SystemFail(sink_->error, failed.message());
}

Status OutputFile::CloseStream() {
    if (stream_ && !sink_->closed) {
        // The stream's error flag covers writes whose errno the sink did not
        // see (none here, but a library may write through it oddly).
        if (std::fflush(stream_) != 0 || std::ferror(stream_))
            sink_->Note(errno);
        if (std::fclose(stream_) != 0)
            sink_->Note(errno);
    }
    stream_ = nullptr;
    if (sink_->error != 0)
        return Failure("Cannot write " + path_);
    return Status::Ok();
}

Status OutputFile::Commit() {
    if (!file_.IsOpen())
        return openStatus_.ok() ? Status::Fail("Cannot create " + path_) : openStatus_;
    if (committed_)
        return Status::Fail(path_ + " is already written");
    if (Status closed = CloseStream(); !closed)
        return closed;
    if (int err = file_.Commit(Placement::Replace))
        return Status::SystemFail(err, "Cannot replace " + path_ + ": " + std::strerror(err));
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

Status TooLarge(const Dib &page, long long most) {
    return Status::Fail("page too large for the format (" + std::to_string(page.width) + " x " +
                        std::to_string(page.height) + " pixels, at most " + std::to_string(most) +
                        ")");
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

RgbQuad UsedPaletteEntry(const Dib &page, int i) {
    return i >= 0 && i < PaletteCount(page) ? page.palette[size_t(i)] : RgbQuad{};
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
