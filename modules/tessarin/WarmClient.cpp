// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/WarmClient.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "modules/tessarin/HelperConstants.h"
#include "modules/tessarin/WarmFileExchange.h"
#include "modules/tessarin/WarmPool.h"

namespace tessarin {
namespace {

// The input, opened without blocking on a FIFO and without becoming a
// terminal's controller; -1 with a code and a reason when it can't be run.
int OpenInput(const std::string &path, int *code, std::string *errorLine) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        *code = errno == ENOENT ? kUndefinedFileName : kInvalidFileAccess;
        *errorLine = std::string("can't open the input (") + std::strerror(errno) + ")";
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, 0) != 0) {
        close(fd);
        *code = kInvalidFileAccess;
        *errorLine = "the input is not a regular file";
        return -1;
    }
    return fd;
}

} // namespace

int RunWarm(const std::string &helper, const WarmRequest &request, std::string *errorLine) {
    errorLine->clear();
    int code = 0;
    int inputFd = OpenInput(request.input, &code, errorLine);
    if (inputFd < 0)
        return code;
    WarmOutcome outcome;
    for (int attempt = 0; attempt < 2; ++attempt) {
        errorLine->clear();
        std::shared_ptr<PooledServer> server = ThePool().Acquire(helper, request, &code, errorLine);
        if (!server) {
            outcome.code = code;
            break;
        }
        outcome = RunOnServer(server->control, request, inputFd, errorLine);
        ThePool().Release(server, outcome.serverDied);
        if (!outcome.retry)
            break;
    }
    close(inputFd);
    return outcome.code;
}

} // namespace tessarin
