// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/HelperProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "modules/tessarin/Confine.h"
#include "modules/tessarin/HelperConstants.h"
#include "modules/tessarin/HelperSpawn.h"
#include "modules/tessarin/ProcessRegistry.h"
#include "modules/tessarin/ScratchFolder.h"
#include "modules/tessarin/Tessarin.h"

namespace tessarin {
namespace {

void KillChild(pid_t pid) {
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
}

// Reads exactly `size` bytes unless the other end closes first; the number read.
size_t ReadAll(int fd, void *buffer, size_t size) {
    size_t got = 0;
    while (got < size) {
        ssize_t n = read(fd, static_cast<char *>(buffer) + got, size - got);
        if (n > 0)
            got += static_cast<size_t>(n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    return got;
}

// The most bytes kept of what the child sends after its result.
constexpr size_t kTailKept = 256;

// Waits until the write end of `fd` is closed (the child exited) or the time
// is up; what arrives meanwhile goes to `tail` (up to kTailKept bytes).
bool WaitForHangup(int fd, int timeoutMs, std::string *tail) {
    pollfd p{fd, POLLIN, 0};
    for (;;) {
        int n = poll(&p, 1, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        char c;
        ssize_t r = read(fd, &c, 1);
        if (r == 1 && tail && tail->size() < kTailKept)
            tail->push_back(c);
        if (r == 0)
            return true;
        if (r < 0 && errno != EINTR)
            return true;
    }
}

// An input named by a descriptor of ours goes over as the helper's own: it
// is opened again into `*input` and its argument in `args` becomes
// `inputName`. 0 (`*input` -1 when there is none), or the run's result code
// with nothing left open.
int OpenOwnFdInput(int argc, char **argv, std::vector<char *> &args, std::string &inputName,
                   int *input, std::string *errorLine) {
    *input = -1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kOwnFdPrefix, sizeof kOwnFdPrefix - 1) != 0)
            continue;
        if (*input >= 0) {
            close(*input); // one such input at most
            *input = -1;
            return TESSARIN_E_CALL;
        }
        *input = open(argv[i], O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (*input < 0) {
            if (errorLine)
                *errorLine = std::string("can't open the input (") + std::strerror(errno) + ")";
            return TESSARIN_E_START;
        }
        args[static_cast<std::size_t>(i)] = inputName.data();
    }
    return 0;
}

} // namespace

int RunHelperProcess(const std::string &helper, int argc, char **argv, std::string *errorLine) {
    if (errorLine)
        errorLine->clear();
    std::vector<char *> args(argv, argv + argc);
    args.push_back(nullptr);
    std::string inputName = std::string(kOwnFdPrefix) + std::to_string(kInputFd);
    int input = -1;
    if (int code = OpenOwnFdInput(argc, argv, args, inputName, &input, errorLine))
        return code;
    struct InputCloser {
        int fd;
        ~InputCloser() {
            if (fd >= 0)
                close(fd);
        }
    } closer{input};
    ScratchFolder scratch;

    int fds[2] = {-1, -1};
    if (pipe2(fds, O_CLOEXEC) != 0)
        return TESSARIN_E_START;
    int readFd = MoveHigh(fds[0]);
    if (readFd < 0) {
        close(fds[1]);
        return TESSARIN_E_START;
    }
    const unsigned requests = KillRequests();
    const int dataLimitMiB = HelperDataLimitMiB();
    pid_t pid =
        SpawnHelper(helper, args.data(), scratch.path(), fds[1], HelperKind::OneFile, input);
    close(fds[1]);
    if (pid < 0) {
        close(readFd);
        return TESSARIN_E_START;
    }
    // The child makes its own session; until it has, the registry still
    // reaches it by its pid.
    const int slot = RegisterPid(pid, requests);

    int result = 0;
    bool haveResult = ReadAll(readFd, &result, sizeof result) == sizeof result;
    if (haveResult && !WaitForHangup(readFd, kExitGraceMs, errorLine))
        KillChild(pid);
    close(readFd);

    // Wait for the end without reaping, so the pid stays ours until the slot
    // is cleared.
    siginfo_t info = {};
    while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
    UnregisterProcess(slot);
    int status = 0;
    rusage usage{};
    pid_t reaped;
    do {
        reaped = wait4(pid, &status, 0, &usage);
    } while (reaped < 0 && errno == EINTR);

    if (haveResult)
        return result;
    if (reaped == pid && EndedOutOfMemory(status, usage.ru_maxrss, dataLimitMiB))
        return TESSARIN_E_MEMORY;
    if (reaped == pid && WIFEXITED(status) && WEXITSTATUS(status) == kExecFailedStatus)
        return TESSARIN_E_START;
    if (reaped == pid && WIFSIGNALED(status) && WTERMSIG(status) >= 1 && WTERMSIG(status) <= 64)
        return TESSARIN_E_SIGNAL_BASE - WTERMSIG(status);
    return TESSARIN_E_DIED;
}

} // namespace tessarin
