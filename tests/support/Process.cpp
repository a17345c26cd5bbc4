// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "Process.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "TempFolder.h"

namespace testsupport {

int RunInChild(const std::function<int()> &body, long long fileSizeLimit) {
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        if (fileSizeLimit > 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit {};
            limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(fileSizeLimit);
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                ::_exit(120);
        }
        int code = body();
        ::_exit(code);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HonourFilePermissions() {
    const int overrides[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER};
    for (int cap : overrides)
        ::prctl(PR_CAPBSET_DROP, cap, 0, 0, 0); // gone for programs started later too
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    for (int cap : overrides) {
        const unsigned bit = 1u << (cap % 32);
        data[cap / 32].effective &= ~bit;
        data[cap / 32].permitted &= ~bit;
        data[cap / 32].inheritable &= ~bit;
    }
    return ::syscall(SYS_capset, &header, data) == 0;
}

pid_t SpawnInOwnGroup(std::vector<std::string> argv, std::vector<std::string> environment,
                      const posix_spawn_file_actions_t &actions) {
    std::vector<char *> args;
    for (std::string &a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    std::vector<char *> envp;
    for (std::string &e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, &attr, args.data(), envp.data()) != 0)
        pid = -1;
    posix_spawnattr_destroy(&attr);
    return pid;
}

std::vector<std::string> EnvironmentIn(const TempFolder &dir) {
    std::vector<std::string> env = {"HOME=" + dir.File("home"),
                                    "XDG_CONFIG_HOME=" + dir.File("config"),
                                    "TMPDIR=" + dir.File("tmp"), "PATH=/usr/bin:/bin"};
    if (const char *asan = std::getenv("ASAN_OPTIONS"))
        env.push_back(std::string("ASAN_OPTIONS=") + asan);
    return env;
}

int ExitStatus(int waitStatus) {
    return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus);
}

} // namespace testsupport
