// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/ConfineSeccomp.h"

#include <fcntl.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <initializer_list>

namespace tessarin {
namespace {

// Calls with no argument worth checking: files by descriptor and by path
// (Landlock decides which paths), memory, time, the process's own state,
// signal handling and ending.
constexpr int kPlainCalls[] = {
    // files
    SCMP_SYS(read),
    SCMP_SYS(write),
    SCMP_SYS(readv),
    SCMP_SYS(writev),
    SCMP_SYS(pread64),
    SCMP_SYS(pwrite64),
    SCMP_SYS(preadv),
    SCMP_SYS(pwritev),
    SCMP_SYS(preadv2),
    SCMP_SYS(pwritev2),
    SCMP_SYS(open),
    SCMP_SYS(openat),
    SCMP_SYS(creat),
    SCMP_SYS(close),
    SCMP_SYS(close_range),
    SCMP_SYS(dup),
    SCMP_SYS(dup2),
    SCMP_SYS(dup3),
    SCMP_SYS(lseek),
    SCMP_SYS(stat),
    SCMP_SYS(fstat),
    SCMP_SYS(lstat),
    SCMP_SYS(newfstatat),
    SCMP_SYS(statx),
    SCMP_SYS(statfs),
    SCMP_SYS(fstatfs),
    SCMP_SYS(access),
    SCMP_SYS(faccessat),
    SCMP_SYS(faccessat2),
    SCMP_SYS(readlink),
    SCMP_SYS(readlinkat),
    SCMP_SYS(getdents64),
    SCMP_SYS(mkdir),
    SCMP_SYS(mkdirat),
    SCMP_SYS(rmdir),
    SCMP_SYS(unlink),
    SCMP_SYS(unlinkat),
    SCMP_SYS(rename),
    SCMP_SYS(renameat),
    SCMP_SYS(renameat2),
    SCMP_SYS(fsync),
    SCMP_SYS(fdatasync),
    SCMP_SYS(ftruncate),
    SCMP_SYS(fallocate),
    SCMP_SYS(fadvise64),
    SCMP_SYS(flock),
    SCMP_SYS(getcwd),
    SCMP_SYS(chdir),
    SCMP_SYS(fchdir),
    SCMP_SYS(umask),
    SCMP_SYS(pipe),
    SCMP_SYS(pipe2),
    SCMP_SYS(poll),
    SCMP_SYS(ppoll),
    // memory
    SCMP_SYS(mmap),
    SCMP_SYS(munmap),
    SCMP_SYS(mprotect),
    SCMP_SYS(mremap),
    SCMP_SYS(madvise),
    SCMP_SYS(brk),
    SCMP_SYS(msync),
    SCMP_SYS(mincore),
    // time, identity, the process's own state
    SCMP_SYS(clock_gettime),
    SCMP_SYS(clock_getres),
    SCMP_SYS(gettimeofday),
    SCMP_SYS(time),
    SCMP_SYS(nanosleep),
    SCMP_SYS(clock_nanosleep),
    SCMP_SYS(getpid),
    SCMP_SYS(gettid),
    SCMP_SYS(getppid),
    SCMP_SYS(getuid),
    SCMP_SYS(geteuid),
    SCMP_SYS(getgid),
    SCMP_SYS(getegid),
    SCMP_SYS(getgroups),
    SCMP_SYS(uname),
    SCMP_SYS(sysinfo),
    SCMP_SYS(getrusage),
    SCMP_SYS(times),
    SCMP_SYS(getrlimit),
    SCMP_SYS(getrandom),
    SCMP_SYS(sched_yield),
    SCMP_SYS(sched_getaffinity),
    // threads, signals, the end
    SCMP_SYS(futex),
    SCMP_SYS(set_robust_list),
    SCMP_SYS(get_robust_list),
    SCMP_SYS(rseq),
    SCMP_SYS(set_tid_address),
    SCMP_SYS(rt_sigaction),
    SCMP_SYS(rt_sigprocmask),
    SCMP_SYS(rt_sigreturn),
    SCMP_SYS(rt_sigpending),
    SCMP_SYS(rt_sigsuspend),
    SCMP_SYS(rt_sigtimedwait),
    SCMP_SYS(sigaltstack),
    SCMP_SYS(restart_syscall),
    SCMP_SYS(wait4),
    SCMP_SYS(waitid),
    SCMP_SYS(exit),
    SCMP_SYS(exit_group),
    // a kept socket (the server's) may be used, never a new one made
    SCMP_SYS(recvmsg),
    SCMP_SYS(sendmsg),
    SCMP_SYS(recvfrom),
    SCMP_SYS(shutdown),
};

// ioctl requests allowed: asking whether a descriptor is a terminal and its
// size, bytes waiting, close-on-exec and blocking. Compared on the low 32
// bits, which is all the kernel reads (TIOCSTI with high bits set is still
// TIOCSTI, and still refused).
constexpr unsigned long kIoctls[] = {TCGETS, TIOCGWINSZ, FIONREAD, FIOCLEX, FIONCLEX, FIONBIO};

// fcntl commands allowed; F_SETOWN, F_SETSIG, leases and directory
// notifications (which deliver signals) are not among them.
constexpr int kFcntls[] = {F_DUPFD,  F_DUPFD_CLOEXEC, F_GETFD,     F_SETFD,
                           F_GETFL,  F_SETFL,         F_GETLK,     F_SETLK,
                           F_SETLKW, F_OFD_GETLK,     F_OFD_SETLK, F_OFD_SETLKW};

constexpr uint64_t kNamespaceFlags = CLONE_NEWNS | CLONE_NEWCGROUP | CLONE_NEWUTS | CLONE_NEWIPC |
                                     CLONE_NEWUSER | CLONE_NEWPID | CLONE_NEWNET;
constexpr uint64_t kLow32 = 0xFFFFFFFFu;
constexpr uint64_t kSignBit32 = 0x80000000u;

class Filter {
public:
    Filter() : m_ctx(seccomp_init(SCMP_ACT_ERRNO(EPERM))) {}
    ~Filter() {
        if (m_ctx)
            seccomp_release(m_ctx);
    }
    Filter(const Filter &) = delete;
    Filter &operator=(const Filter &) = delete;

    bool ok() const { return m_ctx != nullptr; }
    // Adds a rule; the first failure is kept and later rules are skipped.
    void Allow(int call) { Add(SCMP_ACT_ALLOW, call, 0, nullptr); }
    void AllowIf(int call, scmp_arg_cmp cmp) { Add(SCMP_ACT_ALLOW, call, 1, &cmp); }
    void Fail(int call, int error) {
        Add(SCMP_ACT_ERRNO(static_cast<uint32_t>(error)), call, 0, nullptr);
    }
    int Load() {
        if (m_error == 0 && seccomp_attr_set(m_ctx, SCMP_FLTATR_CTL_TSYNC, 1) != 0)
            m_error = -EINVAL;
        if (m_error == 0)
            m_error = seccomp_load(m_ctx);
        return m_error;
    }

private:
    void Add(uint32_t action, int call, unsigned count, const scmp_arg_cmp *cmp) {
        if (m_error == 0)
            m_error = seccomp_rule_add_array(m_ctx, action, call, count, cmp);
    }
    scmp_filter_ctx m_ctx;
    int m_error = 0;
};

// Signals: to this process only, or with `allowFork` to any one process
// (never a group or everyone: the pid must not be negative).
void AddSignals(Filter &f, bool allowFork) {
    const pid_t self = getpid();
    const scmp_arg_cmp target = allowFork ? SCMP_A0(SCMP_CMP_MASKED_EQ, kSignBit32, 0)
                                          : SCMP_A0(SCMP_CMP_MASKED_EQ, kLow32, uint64_t(self));
    f.AllowIf(SCMP_SYS(kill), target);
    f.AllowIf(SCMP_SYS(tgkill), target);
    f.AllowIf(SCMP_SYS(tkill),
              allowFork ? target : SCMP_A0(SCMP_CMP_MASKED_EQ, kLow32, uint64_t(gettid())));
}

// Threads always (the interpreter may render with them); processes only for
// a server. clone3 hides its flags in memory, so it is reported missing and
// the C library falls back to clone.
void AddClone(Filter &f, bool allowFork) {
    if (allowFork) {
        f.AllowIf(SCMP_SYS(clone), SCMP_A0(SCMP_CMP_MASKED_EQ, kNamespaceFlags, 0));
        f.Allow(SCMP_SYS(fork));
        // Watching a child, and what a child needs to restrict itself further
        // (restrictions only add up) and to end with its server.
        f.Allow(SCMP_SYS(pidfd_open));
        f.Allow(SCMP_SYS(seccomp));
        f.Allow(SCMP_SYS(landlock_create_ruleset));
        f.Allow(SCMP_SYS(landlock_add_rule));
        f.Allow(SCMP_SYS(landlock_restrict_self));
        f.AllowIf(SCMP_SYS(prctl), SCMP_A0(SCMP_CMP_EQ, PR_SET_NO_NEW_PRIVS));
        f.AllowIf(SCMP_SYS(prctl), SCMP_A0(SCMP_CMP_EQ, PR_SET_PDEATHSIG));
        f.AllowIf(SCMP_SYS(prctl), SCMP_A0(SCMP_CMP_EQ, PR_GET_SECCOMP));
    } else {
        f.AllowIf(SCMP_SYS(clone),
                  SCMP_A0(SCMP_CMP_MASKED_EQ, kNamespaceFlags | CLONE_THREAD, CLONE_THREAD));
    }
    f.Fail(SCMP_SYS(clone3), ENOSYS);
}

} // namespace

bool SeccompAvailable() {
    return prctl(PR_GET_SECCOMP, 0, 0, 0, 0) >= 0;
}

int ApplySeccomp(bool allowFork) {
    Filter f;
    if (!f.ok())
        return -ENOMEM;
    for (int call : kPlainCalls)
        f.Allow(call);
    for (unsigned long request : kIoctls)
        f.AllowIf(SCMP_SYS(ioctl), SCMP_A1(SCMP_CMP_MASKED_EQ, kLow32, request));
    for (int command : kFcntls)
        f.AllowIf(SCMP_SYS(fcntl), SCMP_A1(SCMP_CMP_MASKED_EQ, kLow32, uint64_t(command)));
    // Reading a limit, never setting one.
    f.AllowIf(SCMP_SYS(prlimit64), SCMP_A2(SCMP_CMP_EQ, 0));
    // sendto only on a connected socket (no address given).
    f.AllowIf(SCMP_SYS(sendto), SCMP_A4(SCMP_CMP_EQ, 0));
    AddSignals(f, allowFork);
    AddClone(f, allowFork);
    return f.Load();
}

} // namespace tessarin
