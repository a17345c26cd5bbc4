// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "common/InputCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "common/CompressedInput.h"
#include "common/FileRules.h"

using namespace std::string_view_literals;

const char kInputMissing[] = "input file is missing";

namespace {

// The other kinds of file a PostScript name is given by mistake, known by
// the bytes they start with: `magic` at `offset`.
struct ForeignKind {
    std::size_t offset;
    std::string_view magic;
    const char *what;
};

constexpr ForeignKind kForeignKinds[] = {
    {0, "\x89PNG\r\n\x1a\n"sv, "a PNG image"},
    {0, "\xff\xd8\xff"sv, "a JPEG image"},
    {0, "GIF87a"sv, "a GIF image"},
    {0, "GIF89a"sv, "a GIF image"},
    {0, "II*\0"sv, "a TIFF image"},
    {0, "MM\0*"sv, "a TIFF image"},
    {8, "WEBPVP8"sv, "a WebP image"},
    {0, "\0\0\0\x0cjP  \r\n\x87\n"sv, "a JPEG 2000 image"},
    {0, "%PDF-"sv, "a PDF document"},
    {0, "\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1"sv, "an Office document"},
    {0, "{\\rtf"sv, "an RTF document"},
    {0, "<!DOCTYPE html"sv, "an HTML page"},
    {0, "<!doctype html"sv, "an HTML page"},
    {0, "<html"sv, "an HTML page"},
    {0, "PK\x03\x04"sv, "a ZIP archive"},
    {0, "Rar!\x1a\x07"sv, "a RAR archive"},
    {0, "7z\xbc\xaf\x27\x1c"sv, "a 7-Zip archive"},
    {257, "ustar"sv, "a tar archive"},
    {0, "\x1f\x8b"sv, "a gzip-compressed file"},
    {4, "1AY&SY"sv, "a bzip2-compressed file"},
    {0,
     "\xfd"
     "7zXZ\0"sv,
     "an xz-compressed file"},
    {0, "\x28\xb5\x2f\xfd"sv, "a zstd-compressed file"},
    {0,
     "\x7f"
     "ELF"sv,
     "an ELF program"},
};

// How much of the start of a file the content checks read.
constexpr std::size_t kHeadBytes = 4096;

// The file's first bytes (up to kHeadBytes).
std::string Head(int fd) {
    std::string head(kHeadBytes, '\0');
    ssize_t n = ::pread(fd, head.data(), head.size(), 0);
    head.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return head;
}

std::string ContentReason(std::string_view head) {
    if (head.empty())
        return "empty input file";
    // An encapsulated figure with a preview: PostScript in a binary wrapper.
    if (head.starts_with("\xc5\xd0\xd3\xc6"sv))
        return {};
    for (const ForeignKind &kind : kForeignKinds) {
        if (head.size() >= kind.offset && head.substr(kind.offset).starts_with(kind.magic))
            return std::string("is ") + kind.what + ", not PostScript";
    }
    for (char c : head) {
        if (c > ' ' && c < '\x7f')
            return {};
    }
    return "no printable content";
}

std::string Unreadable(int err) {
    return "can't read the input: " + std::string(std::strerror(err));
}

} // namespace

std::string CheckContent(int fd) {
    return ContentReason(Head(fd));
}

std::string CheckInput(const std::string &path, InputLook look, InputLinks links) {
    if (!FitsPlatformLimits(path))
        return "name too long";
    const bool follow = links == InputLinks::Follow;
    // The kind first, from the name, so a device or a named pipe is never
    // opened at all.
    struct stat st {};
    if ((follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0)
        return errno == ENOENT || errno == ENOTDIR ? kInputMissing : Unreadable(errno);
    if (!S_ISREG(st.st_mode))
        return "not a regular file";
    // Non-blocking, and the kind checked again on what was opened: the name
    // may have been given to something else in between.
    int fd = ::open(path.c_str(),
                    O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT)
            return kInputMissing;
        return err == ELOOP && !follow ? "not a regular file" : Unreadable(err);
    }
    std::string reason;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        reason = "not a regular file";
    } else if (!IsPostScriptName(path)) {
        reason = "is not a .ps or .eps file";
    } else if (look == InputLook::Content) {
        const std::string head = Head(fd);
        // Compressed content is checked once unpacked (EngineInput).
        if (!IsGzipData(head))
            reason = ContentReason(head);
    }
    ::close(fd);
    return reason;
}
