// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/InterpreterOutput.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

namespace tessarin {
namespace {

constexpr size_t kOutputKept = 4096;
constexpr size_t kErrorLineKept = 200;

} // namespace

int GSDLLCALL ReadNothing(void *, char *, int) {
    return 0;
}

int GSDLLCALL Keep(void *handle, const char *data, int len) {
    auto *out = static_cast<Output *>(handle);
    std::string_view rest(data, len > 0 ? static_cast<size_t>(len) : 0);
    std::string unmarked;
    if (rest.find(kPageMark) != std::string_view::npos) {
        const std::string_view mark(kPageMark);
        for (size_t at; (at = rest.find(mark)) != std::string_view::npos;) {
            unmarked.append(rest.substr(0, at));
            rest.remove_prefix(at + mark.size());
            ++out->pages;
            if (out->onPage)
                out->onPage(out->pageContext, out->pages);
        }
        unmarked.append(rest);
        rest = unmarked;
    }
    if (!out->full && !rest.empty()) {
        out->text.append(rest.substr(0, kOutputKept));
        size_t error = out->text.find("Error: ");
        if ((error != std::string::npos && out->text.find('\n', error) != std::string::npos) ||
            out->text.size() >= kOutputKept)
            out->full = true;
    }
    return len;
}

std::string FirstErrorLine(const std::string &text) {
    size_t error = text.find("Error: ");
    if (error == std::string::npos)
        return {};
    error += std::strlen("Error: ");
    size_t end = text.find('\n', error);
    std::string line = text.substr(error, end == std::string::npos ? end : end - error);
    if (line.size() > kErrorLineKept)
        line.resize(kErrorLineKept);
    return line;
}

bool WriteAll(int fd, const void *data, size_t size) {
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace tessarin
