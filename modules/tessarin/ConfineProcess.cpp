// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PrepareProcess: the process-wide steps of the confinement (see Confine.h).
#include "modules/tessarin/Confine.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "common/ProcFields.h"

namespace tessarin {
namespace {

// The most descriptors the helper may hold at once.
constexpr rlim_t kMaxOpenFiles = 1024;

// Descriptors 0-2 that are not kept go to /dev/null, so nothing the
// interpreter opens later takes their numbers (a library's stray message on
// descriptor 2 would otherwise land in an output file).
int NullStandardDescriptors(const std::vector<int> &keep) {
    int devNull = -1;
    for (int fd = 0; fd <= 2; ++fd) {
        if (std::find(keep.begin(), keep.end(), fd) != keep.end())
            continue;
        if (devNull < 0)
            devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
        if (devNull < 0)
            return -errno;
        if (devNull != fd && dup2(devNull, fd) < 0) {
            int e = errno;
            close(devNull);
            return -e;
        }
    }
    if (devNull > 2)
        close(devNull);
    return 0;
}

int CloseRange(unsigned first, unsigned last) {
    if (first > last)
        return 0;
    if (close_range(first, last, 0) == 0)
        return 0;
    if (errno != ENOSYS)
        return -errno;
    long openMax = sysconf(_SC_OPEN_MAX);
    unsigned end = openMax > 0 && openMax < 65536 ? static_cast<unsigned>(openMax) : 65536u;
    for (unsigned fd = first; fd <= last && fd < end; ++fd)
        close(static_cast<int>(fd));
    return 0;
}

// Closes every descriptor above 2 that is not kept.
int CloseOthers(std::vector<int> keep) {
    keep.erase(std::remove_if(keep.begin(), keep.end(), [](int fd) { return fd <= 2; }),
               keep.end());
    std::sort(keep.begin(), keep.end());
    keep.erase(std::unique(keep.begin(), keep.end()), keep.end());
    unsigned next = 3;
    for (int fd : keep) {
        if (int rc = CloseRange(next, static_cast<unsigned>(fd) - 1))
            return rc;
        next = static_cast<unsigned>(fd) + 1;
    }
    return CloseRange(next, UINT_MAX);
}

// A session of its own: no controlling terminal to type into. A helper
// started as a session leader already has one.
int NewSession() {
    if (setsid() >= 0 || getsid(0) == getpid())
        return 0;
    return -errno;
}

int CleanEnvironment(const std::string &scratch) {
    if (clearenv() != 0)
        return -ENOMEM;
    if (setenv("HOME", scratch.c_str(), 1) != 0 || setenv("TMPDIR", scratch.c_str(), 1) != 0 ||
        setenv("PATH", "/usr/bin:/bin", 1) != 0)
        return -errno;
    return 0;
}

int SetLimit(int resource, rlim_t soft, rlim_t hard) {
    rlimit limit{soft, hard};
    return setrlimit(resource, &limit) == 0 ? 0 : -errno;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// What LimitData set, in MiB.
int g_dataLimitMiB = 0;

// The data limit of the plan, soft and hard alike (the interpreter can't
// raise it again). A sanitizer's shadow memory is not the interpreter's: in
// such a build the limit counts from what is mapped now.
int LimitData(int mib) {
    if (mib <= 0)
        return 0;
    rlim_t bytes = static_cast<rlim_t>(mib) << 20;
    if (kSanitized)
        bytes += static_cast<rlim_t>(ProcKibField("/proc/self/status", "VmData:"));
    if (int rc = SetLimit(RLIMIT_DATA, bytes, bytes))
        return rc;
    g_dataLimitMiB = mib;
    return 0;
}

// No core dumps (they would copy the document and whatever the interpreter
// read to disk), no locked memory or message queues, a bounded number of
// descriptors, the file-size limit the helper was started with made final,
// and the plan's data limit.
int LimitResources(const ConfinePlan &plan) {
    if (int rc = LimitData(plan.dataLimitMiB))
        return rc;
    if (int rc = SetLimit(RLIMIT_CORE, 0, 0))
        return rc;
    if (int rc = SetLimit(RLIMIT_MEMLOCK, 0, 0))
        return rc;
    if (int rc = SetLimit(RLIMIT_MSGQUEUE, 0, 0))
        return rc;
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) != 0)
        return -errno;
    files.rlim_cur = std::min(files.rlim_cur, kMaxOpenFiles);
    files.rlim_max = std::min(files.rlim_max, kMaxOpenFiles);
    if (int rc = SetLimit(RLIMIT_NOFILE, files.rlim_cur, files.rlim_max))
        return rc;
    rlimit size{};
    if (getrlimit(RLIMIT_FSIZE, &size) != 0)
        return -errno;
    return SetLimit(RLIMIT_FSIZE, size.rlim_cur, size.rlim_cur);
}

bool IsFolder(const std::string &path) {
    struct stat st {};
    return !path.empty() && path.front() == '/' && lstat(path.c_str(), &st) == 0 &&
           S_ISDIR(st.st_mode);
}

} // namespace

int DataLimitFromEnvironment() {
    const char *text = std::getenv(kDataLimitVariable);
    if (!text || *text < '0' || *text > '9')
        return 0;
    char *end = nullptr;
    long value = std::strtol(text, &end, 10);
    return *end == '\0' && value > 0 && value <= INT_MAX ? static_cast<int>(value) : 0;
}

int DataLimitMiB() {
    return g_dataLimitMiB;
}

bool EndedOutOfMemory(int status, long maxRssKiB, int limitMiB) {
    const bool ownFailure = (WIFEXITED(status) && WEXITSTATUS(status) != 0) ||
                            (WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL);
    return limitMiB > 0 && ownFailure && maxRssKiB >= 768L * limitMiB;
}

int PrepareProcess(const ConfinePlan &plan) {
    if (!IsFolder(plan.scratchDir))
        return -EINVAL;
    if (int rc = NullStandardDescriptors(plan.keepFds))
        return rc;
    if (int rc = CloseOthers(plan.keepFds))
        return rc;
    if (int rc = NewSession())
        return rc;
    if (chdir(plan.scratchDir.c_str()) != 0)
        return -errno;
    if (int rc = CleanEnvironment(plan.scratchDir))
        return rc;
    if (int rc = LimitResources(plan))
        return rc;
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return -errno;
    return 0;
}

} // namespace tessarin
