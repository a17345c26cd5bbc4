// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "common/InputCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "common/FileRules.h"

const char kInputMissing[] = "input file is missing";

namespace {

// True when the file at `fd` starts as PostScript does: "%!" (after what
// printer drivers put before it: Ctrl-D, a byte order mark, white space, a
// printer-job header), or the binary EPS header.
bool StartsAsPostScript(int fd) {
    char head[1024];
    const ssize_t n = ::pread(fd, head, sizeof head, 0);
    if (n <= 0)
        return false;
    std::string_view text(head, static_cast<std::size_t>(n));
    if (text.substr(0, 4) == "\xc5\xd0\xd3\xc6")
        return true;
    constexpr std::string_view kJobHeader = "\x1b%-12345X";
    for (;;) {
        if (text.substr(0, 3) == "\xef\xbb\xbf")
            text.remove_prefix(3);
        else if (!text.empty() &&
                 (text[0] == '\x04' || std::isspace(static_cast<unsigned char>(text[0]))))
            text.remove_prefix(1);
        else if (text.substr(0, kJobHeader.size()) == kJobHeader)
            text.remove_prefix(kJobHeader.size());
        else if (text.substr(0, 4) == "@PJL")
            text.remove_prefix(std::min(text.size(), text.find('\n')));
        else
            break;
    }
    return text.substr(0, 2) == "%!";
}

std::string Unreadable(int err) {
    return "can't read the input: " + std::string(std::strerror(err));
}

} // namespace

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
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        reason = "not a regular file";
    else if (!IsPostScriptName(path))
        reason = "is not a .ps or .eps file";
    else if (look == InputLook::Content && st.st_size == 0)
        reason = "empty input file";
    else if (look == InputLook::Content && !StartsAsPostScript(fd))
        reason = "not a PostScript file";
    ::close(fd);
    return reason;
}
