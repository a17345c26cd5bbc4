// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "cli/FileList.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/StopSignals.h"

bool SplitFileList(const std::string &bytes, bool nul, std::vector<std::string> &names,
                   std::string &error) {
    const char end = nul ? '\0' : '\n';
    if (!nul && bytes.find('\0') != std::string::npos) {
        error = "holds a NUL byte: a list of NUL-separated names needs -0";
        return false;
    }
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t stop = bytes.find(end, start);
        if (stop == std::string::npos)
            stop = bytes.size();
        std::string name = bytes.substr(start, stop - start);
        if (!nul && !name.empty() && name.back() == '\r')
            name.pop_back();
        if (!name.empty())
            names.push_back(std::move(name));
        start = stop + 1;
    }
    return true;
}

bool ReadFileList(const std::string &list, bool nul, std::vector<std::string> &names,
                  std::string &error) {
    const bool standardInput = list == "-";
    // Not blocking: a FIFO with no writer yet would hold open() itself; poll
    // then waits for the writer and its data.
    int fd = standardInput ? STDIN_FILENO : ::open(list.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    std::string bytes;
    bool ok = true;
    char buffer[65536];
    for (;;) {
        // Wait in short steps so that a stop signal is seen.
        pollfd p = {fd, POLLIN, 0};
        int ready = ::poll(&p, 1, 100);
        if (StopSignalPending()) {
            error = "stopped while reading the list";
            ok = false;
            break;
        }
        if (ready == 0 || (ready < 0 && errno == EINTR))
            continue;
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            error = std::strerror(errno);
            ok = false;
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    if (!standardInput)
        ::close(fd);
    return ok && SplitFileList(bytes, nul, names, error);
}
