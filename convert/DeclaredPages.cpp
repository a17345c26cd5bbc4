// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/DeclaredPages.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string_view>

namespace {

constexpr std::size_t kWindow = 64 * 1024;
constexpr long kMostPages = 1000000;
constexpr std::string_view kPagesComment = "%%Pages:";

// Up to kWindow bytes from `offset`.
std::string ReadAt(int fd, off_t offset) {
    std::string bytes(kWindow, '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n =
            ::pread(fd, bytes.data() + got, bytes.size() - got, offset + static_cast<off_t>(got));
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

// What a "%%Pages:" comment's value says: a count, "(atend)" (as -1), or
// nothing usable.
std::optional<long> PagesValue(std::string_view value) {
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    if (value.substr(0, 7) == "(atend)")
        return -1;
    long count = 0;
    std::size_t digits = 0;
    for (; digits < value.size() && value[digits] >= '0' && value[digits] <= '9'; ++digits) {
        count = count * 10 + (value[digits] - '0');
        if (count > kMostPages)
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    return count;
}

// The value of the last "%%Pages:" line in `text`; in a header, only up to
// "%%EndComments" or the first line that is not a comment.
std::optional<long> FindPages(std::string_view text, bool header) {
    std::optional<long> found;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty())
            continue; // the '\n' of a "\r\n"
        if (header && (line.substr(0, 13) == "%%EndComments" || line.substr(0, 1) != "%"))
            break;
        if (line.substr(0, kPagesComment.size()) == kPagesComment)
            if (std::optional<long> value = PagesValue(line.substr(kPagesComment.size())))
                found = value;
    }
    return found;
}

// The count the open regular file `fd` declares, 0 for none.
int ReadDeclaredPages(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    std::optional<long> pages = FindPages(ReadAt(fd, 0), true);
    if (pages && *pages < 0) {
        const off_t window = static_cast<off_t>(kWindow);
        pages = FindPages(ReadAt(fd, st.st_size > window ? st.st_size - window : 0), false);
    }
    return pages && *pages > 0 ? static_cast<int>(*pages) : 0;
}

} // namespace

int DeclaredPageCount(const std::string &path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const int pages = ReadDeclaredPages(fd);
    ::close(fd);
    return pages;
}
