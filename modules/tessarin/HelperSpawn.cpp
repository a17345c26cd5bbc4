// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/HelperSpawn.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "imageconv/Dib.h"
#include "modules/tessarin/Confine.h"
#include "modules/tessarin/HelperConstants.h"

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

} // namespace

int MoveHigh(int fd) {
    if (fd < 0)
        return -1;
    int high = fcntl(fd, F_DUPFD_CLOEXEC, 10);
    close(fd);
    return high;
}

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

} // namespace tessarin
