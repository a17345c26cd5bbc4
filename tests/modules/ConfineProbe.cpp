// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// confine-probe: a test program that confines itself as the interpreter
// helper does and then tries, as native code that has taken over the
// interpreter would, every way out it can think of. One line per attempt on
// standard output: "NAME blocked ERRNO-TEXT" or "NAME escaped".
//
//   confine-probe MODE SCRATCH SECRET OUTSIDE SOCKET TERMINAL ADDRESS
//
// MODE: "off" (no confinement: shows each attempt works), "on", or
// "on-without-landlock" (the Landlock calls answer ENOSYS first, as on a
// kernel without it). OUTSIDE is a folder outside the scratch folder holding
// "victim"; SOCKET a listening Unix socket there; TERMINAL a terminal's path
// (or "-"); ADDRESS, in hex, the address of a text in the parent's memory.
// Before restricting itself the probe prints "state ..." with what
// PrepareProcess left: open descriptors, session, environment, core limit,
// no-new-privileges.
#include <dirent.h>
#include <fcntl.h>
#include <linux/io_uring.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "HideLandlock.h"
#include "modules/tessarin/Confine.h"

extern char **environ;

namespace {

struct Args {
    std::string mode, scratch, secret, outside, socket, terminal;
    uintptr_t address = 0;
};

int g_terminal = -1; // a terminal descriptor kept through the confinement

// 0 when the attempt worked, otherwise the errno that stopped it.
void Say(const char *name, int error) {
    if (error == 0)
        std::printf("%s escaped\n", name);
    else
        std::printf("%s blocked %s\n", name, std::strerror(error));
    std::fflush(stdout);
}

int Result(bool worked) {
    return worked ? 0 : (errno != 0 ? errno : EIO);
}

int ReadSecret(const Args &a) {
    int fd = open(a.secret.c_str(), O_RDONLY);
    if (fd < 0)
        return errno;
    char c;
    errno = 0;
    bool ok = read(fd, &c, 1) == 1;
    close(fd);
    return Result(ok);
}

int CreateOutside(const Args &a) {
    int fd = open((a.outside + "/created").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        return errno;
    close(fd);
    return 0;
}

int UnixConnect(const Args &a) {
    int s = socket(AF_UNIX, SOCK_STREAM, 0);
    if (s < 0)
        return errno;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", a.socket.c_str());
    errno = 0;
    bool ok = connect(s, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    int e = errno;
    close(s);
    errno = e;
    return Result(ok);
}

int UdpSend() {
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0)
        return errno;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    errno = 0;
    bool ok = sendto(s, "x", 1, 0, reinterpret_cast<sockaddr *>(&to), sizeof to) == 1;
    int e = errno;
    close(s);
    errno = e;
    return Result(ok);
}

int InetSocket() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0)
        return errno;
    close(s);
    return 0;
}

int IoUring() {
    io_uring_params params{};
    long fd = syscall(SYS_io_uring_setup, 4, &params);
    if (fd < 0)
        return errno;
    close(static_cast<int>(fd));
    return 0;
}

int ParentMemory(const Args &a) {
    std::string path = "/proc/" + std::to_string(getppid()) + "/mem";
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return errno;
    char c;
    errno = 0;
    bool ok = pread(fd, &c, 1, static_cast<off_t>(a.address)) == 1;
    close(fd);
    return Result(ok);
}

int ProcessVmRead(const Args &a) {
    char c;
    iovec local{&c, 1};
    iovec remote{reinterpret_cast<void *>(a.address), 1};
    errno = 0;
    return Result(process_vm_readv(getppid(), &local, 1, &remote, 1, 0) == 1);
}

int PtraceParent() {
    if (ptrace(PTRACE_SEIZE, getppid(), nullptr, nullptr) != 0)
        return errno;
    ptrace(PTRACE_DETACH, getppid(), nullptr, nullptr);
    return 0;
}

int OpenTerminal(const Args &a) {
    if (a.terminal == "-")
        return ENOENT;
    int fd = open(a.terminal.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return errno;
    close(fd);
    return 0;
}

// TIOCSTI with bits set above the 32 the kernel reads.
int TypeIntoTerminal() {
    if (g_terminal < 0)
        return EBADF;
    char c = '\n';
    unsigned long request = TIOCSTI | (1UL << 32);
    errno = 0;
    return Result(ioctl(g_terminal, request, &c) == 0);
}

int Fork() {
    pid_t pid = fork();
    if (pid < 0)
        return errno;
    if (pid == 0)
        _exit(0);
    waitpid(pid, nullptr, 0);
    return 0;
}

void TryAll(const Args &a) {
    const std::string victim = a.outside + "/victim";
    const std::string inScratch = a.scratch + "/";
    errno = 0;
    Say("read-secret", ReadSecret(a));
    Say("create-outside", CreateOutside(a));
    Say("truncate-outside", truncate(victim.c_str(), 0) == 0 ? 0 : errno);
    Say("symlink-to-secret",
        symlink(a.secret.c_str(), (inScratch + "link").c_str()) == 0 ? 0 : errno);
    Say("hardlink-to-secret",
        link(a.secret.c_str(), (inScratch + "hard").c_str()) == 0 ? 0 : errno);
    Say("fifo-in-scratch", mkfifo((inScratch + "fifo").c_str(), 0600) == 0 ? 0 : errno);
    Say("inet-socket", InetSocket());
    Say("udp-sendto", UdpSend());
    Say("unix-connect", UnixConnect(a));
    Say("io-uring", IoUring());
    Say("signal-parent", kill(getppid(), SIGWINCH) == 0 ? 0 : errno);
    Say("parent-memory", ParentMemory(a));
    Say("process-vm-read", ProcessVmRead(a));
    Say("ptrace-parent", PtraceParent());
    Say("open-terminal", OpenTerminal(a));
    Say("type-into-terminal", TypeIntoTerminal());
    Say("new-namespace", unshare(CLONE_NEWUSER) == 0 ? 0 : errno);
    Say("fork", Fork());
    std::printf("execve trying\n");
    std::fflush(stdout);
    char *const argv[] = {const_cast<char *>("true"), nullptr};
    execve("/bin/true", argv, environ);
    Say("execve", errno);
}

void PrintState() {
    std::string fds;
    if (DIR *d = opendir("/proc/self/fd")) {
        int own = dirfd(d);
        while (dirent *e = readdir(d)) {
            if (e->d_name[0] == '.' || std::atoi(e->d_name) == own)
                continue;
            fds += (fds.empty() ? "" : ",") + std::string(e->d_name);
        }
        closedir(d);
    }
    std::string env;
    for (char **e = environ; *e; ++e)
        env += (env.empty() ? "" : ";") + std::string(*e);
    rlimit core{};
    getrlimit(RLIMIT_CORE, &core);
    std::printf("state fds=%s session=%s core=%llu nnp=%d cwd=%s env=%s\n", fds.c_str(),
                getsid(0) == getpid() ? "own" : "caller's",
                static_cast<unsigned long long>(core.rlim_max),
                prctl(PR_GET_NO_NEW_PRIVS, 0, 0, 0, 0), get_current_dir_name(), env.c_str());
    std::fflush(stdout);
}

int Confine(const Args &a) {
    if (a.mode == "on-without-landlock" && !HideLandlock())
        return -EPERM;
    tessarin::ConfinePlan plan;
    plan.scratchDir = a.scratch;
    plan.keepFds = {1};
    if (g_terminal >= 0)
        plan.keepFds.push_back(g_terminal);
    if (int rc = tessarin::PrepareProcess(plan))
        return rc;
    PrintState();
    std::printf("layers %s\n", tessarin::ConfinementLayers().c_str());
    return tessarin::RestrictSelf(plan, false);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 8) {
        std::fprintf(stderr, "usage: confine-probe MODE SCRATCH SECRET OUTSIDE SOCKET TERMINAL "
                             "ADDRESS\n");
        return 2;
    }
    Args a{argv[1],
           argv[2],
           argv[3],
           argv[4],
           argv[5],
           argv[6],
           static_cast<uintptr_t>(std::strtoull(argv[7], nullptr, 16))};
    if (a.terminal != "-")
        g_terminal = open(a.terminal.c_str(), O_RDWR | O_NOCTTY);
    if (a.mode != "off") {
        if (int rc = Confine(a)) {
            std::printf("confine failed %s\n", std::strerror(-rc));
            return 1;
        }
    }
    TryAll(a);
    return 0;
}
