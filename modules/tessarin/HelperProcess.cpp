// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/HelperProcess.h"

#include "modules/tessarin/Confine.h"
#include "modules/tessarin/HelperConstants.h"
#include "modules/tessarin/ProcessRegistry.h"
#include "modules/tessarin/ScratchFolder.h"
#include "modules/tessarin/Tessarin.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imageconv/Dib.h"

extern char **environ;

namespace tessarin {
namespace {

// The largest file the helper may write: a 24-bit BMP page file of the
// converter's largest page, 2 GiB + 53 bytes. Every real page at 600 dpi
// fits (A0 is about 1.7 GB); a larger one ends the interpreter with a write
// error instead of filling the disk. A lower limit the program was started
// with stays.
constexpr rlim_t kMaxFileBytes = rlim_t(imageconv::Dib::kMaxPageFileBytes);
// A0 (841 x 1189 mm) at 600 dpi: 19867 x 28087 pixels of 3 bytes, rows
// padded to 4 bytes.
static_assert((19867ULL * 24 + 31) / 32 * 4 * 28087 + 14 + 40 <= kMaxFileBytes);

// The default data limit: 4 GiB, or half the machine's memory when that is
// less.
constexpr long long kMaxDefaultDataMiB = 4096;

// The data limit in MiB; 0 until set (the default then).
std::atomic<int> g_dataLimitMiB{0};

rlimit HelperFileLimit() {
    rlimit limit = {};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0)
        limit = {RLIM_INFINITY, RLIM_INFINITY};
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > kMaxFileBytes)
        limit.rlim_cur = kMaxFileBytes;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max)
        limit.rlim_cur = limit.rlim_max;
    return limit;
}

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

// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void ExecHelper(const char *helper, char *const *args, char *const *env, int devNull,
                             int resultFd, int inputFd, pid_t parent, int maxFd,
                             const rlimit &fileLimit, bool dieWithThread) {
    // A session (and so a process group) of its own; the helper's own
    // setsid after exec then finds it done.
    setsid();
    if (dieWithThread)
        prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(kExecFailedStatus);

    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    for (int s = 1; s < NSIG; ++s) {
        if (s != SIGKILL && s != SIGSTOP)
            sigaction(s, &dfl, nullptr);
    }
    // Past the file-size limit a write fails with EFBIG (the interpreter then
    // ends with an error) rather than killing the helper.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, nullptr);
    if (setrlimit(RLIMIT_FSIZE, &fileLimit) != 0)
        _exit(kExecFailedStatus);

    // Sources are above the targets (see RunHelperProcess), so dup2 never
    // overwrites one of them, and it clears close-on-exec on each target.
    if (dup2(devNull, 0) < 0 || dup2(devNull, 1) < 0 || dup2(devNull, 2) < 0 ||
        dup2(resultFd, kResultFd) < 0 || (inputFd >= 0 && dup2(inputFd, kInputFd) < 0))
        _exit(kExecFailedStatus);
    const int firstClosed = inputFd >= 0 ? kInputFd + 1 : kResultFd + 1;
    if (close_range(static_cast<unsigned>(firstClosed), ~0U, 0) != 0) {
        for (int fd = firstClosed; fd < maxFd; ++fd)
            close(fd);
    }
    execve(helper, args, env);
    _exit(kExecFailedStatus);
}

// A close-on-exec duplicate of `fd` numbered 10 or above; the original is closed.
int MoveHigh(int fd) {
    if (fd < 0)
        return -1;
    int high = fcntl(fd, F_DUPFD_CLOEXEC, 10);
    close(fd);
    return high;
}

// True when the environment entry `entry` sets `name`.
bool Sets(const char *entry, const char *name) {
    const std::size_t n = std::strlen(name);
    return std::strncmp(entry, name, n) == 0 && entry[n] == '=';
}

// This process's environment with TMPDIR pointing at `scratch` (when there
// is one), the data limit in effect, and for a server the dynamic linker
// told to bind every symbol at start.
std::vector<std::string> HelperEnvironment(const std::string &scratch, HelperKind kind) {
    std::vector<std::string> env;
    for (char **e = environ; e && *e; ++e) {
        if ((scratch.empty() || !Sets(*e, "TMPDIR")) && !Sets(*e, kDataLimitVariable))
            env.emplace_back(*e);
    }
    if (!scratch.empty())
        env.push_back("TMPDIR=" + scratch);
    env.push_back(std::string(kDataLimitVariable) + "=" + std::to_string(HelperDataLimitMiB()));
    if (kind == HelperKind::Server)
        env.push_back("LD_BIND_NOW=1");
    return env;
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

int DefaultHelperDataLimitMiB() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return static_cast<int>(kMaxDefaultDataMiB);
    const long long halfMiB = static_cast<long long>(pages) * pageSize / 2 >> 20;
    return static_cast<int>(std::clamp(halfMiB, 1LL, kMaxDefaultDataMiB));
}

int SetHelperDataLimitMiB(int mib) {
    g_dataLimitMiB.store(mib > 0 ? mib : 0);
    return HelperDataLimitMiB();
}

int HelperDataLimitMiB() {
    const int mib = g_dataLimitMiB.load();
    return mib > 0 ? mib : DefaultHelperDataLimitMiB();
}

pid_t SpawnHelper(const std::string &helper, char *const *args, const std::string &scratch, int fd3,
                  HelperKind kind, int fd4) {
    std::vector<std::string> envStrings = HelperEnvironment(scratch, kind);
    std::vector<char *> env;
    for (std::string &e : envStrings)
        env.push_back(e.data());
    env.push_back(nullptr);

    int devNull = MoveHigh(open("/dev/null", O_RDWR | O_CLOEXEC));
    int high = MoveHigh(fcntl(fd3, F_DUPFD_CLOEXEC, 0));
    int input = fd4 >= 0 ? MoveHigh(fcntl(fd4, F_DUPFD_CLOEXEC, 0)) : -1;
    if (devNull < 0 || high < 0 || (fd4 >= 0 && input < 0)) {
        for (int fd : {devNull, high, input})
            if (fd >= 0)
                close(fd);
        return -1;
    }
    long openMax = sysconf(_SC_OPEN_MAX);
    int maxFd = (openMax > 0 && openMax < 65536) ? static_cast<int>(openMax) : 65536;
    pid_t parent = getpid();
    const rlimit fileLimit = HelperFileLimit();

    pid_t pid = fork();
    if (pid == 0)
        ExecHelper(helper.c_str(), args, env.data(), devNull, high, input, parent, maxFd, fileLimit,
                   kind == HelperKind::OneFile);
    close(high);
    close(devNull);
    if (input >= 0)
        close(input);
    return pid;
}

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
