// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "cli/StopSignals.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "convert/ConversionRun.h"

namespace {

sigset_t StopSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    sigaddset(&set, SIGPIPE);
    return set;
}

sigset_t TakenSignalSet() {
    sigset_t set = StopSignalSet();
    sigaddset(&set, SIGUSR1); // the destructor's wake-up
    return set;
}

// How often the watched output and the stop's deadline are looked at while
// no signal comes.
constexpr long kPollNanoseconds = 100L * 1000 * 1000;
// How long a stop at once waits for the run to end before abandoning it.
constexpr std::chrono::milliseconds kAbandonAfter(600);

// Only a pipe or a socket can lose its reader; a file or a terminal is
// never watched (a terminal's hang-up comes as SIGHUP).
int WatchableOutput(int fd) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return -1;
    return S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) ? fd : -1;
}

// True when the reader of `fd` is gone: poll reports an error (a pipe
// without reader) or a hang-up (a socket closed by its peer).
bool ReaderGone(int fd) {
    pollfd p = {fd, 0, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & (POLLERR | POLLHUP)) != 0;
}

} // namespace

void BlockStopSignals() {
    sigset_t set = TakenSignalSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

bool StopSignalPending() {
    sigset_t pending;
    sigemptyset(&pending);
    if (sigpending(&pending) != 0)
        return false;
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        if (sigismember(&pending, sig) == 1)
            return true;
    return false;
}

void RaiseStop(int sig) {
    // To the process, not the calling thread: a thread-directed signal stays
    // pending on the blocked thread and never reaches sigwait elsewhere.
    ::kill(::getpid(), sig);
}

StopSignals::StopSignals(ConversionRun &run, std::FILE *notice, int output,
                         std::function<bool()> abandon)
    : m_run(run), m_notice(notice), m_output(WatchableOutput(output)),
      m_abandon(std::move(abandon)), m_thread([this] { Take(); }) {}

StopSignals::~StopSignals() {
    m_done = true;
    ::pthread_kill(m_thread.native_handle(), SIGUSR1);
    m_thread.join();
}

void StopSignals::Notice(const char *text) {
    if (m_notice) {
        std::fputs(text, m_notice);
        std::fflush(m_notice);
    }
}

int StopSignals::NextSignal(const sigset_t &set) {
    const timespec step = {0, kPollNanoseconds};
    int sig = sigtimedwait(&set, nullptr, &step);
    if (sig > 0)
        return sig;
    if (errno == EAGAIN && m_output >= 0 && ReaderGone(m_output)) {
        m_output = -1; // answered once, as a SIGPIPE would be
        return SIGPIPE;
    }
    return -1;
}

void StopSignals::Abandon() {
    if (!m_abandon || m_abandon())
        std::_Exit(1);
}

void StopSignals::Take() {
    const sigset_t set = TakenSignalSet();
    int interrupts = 0;
    bool stoppedNow = false;
    std::chrono::steady_clock::time_point deadline;
    for (;;) {
        int sig = NextSignal(set);
        if (stoppedNow && m_run.Running() && std::chrono::steady_clock::now() >= deadline) {
            Abandon(); // something that can't be interrupted still runs
            deadline = std::chrono::steady_clock::time_point::max();
        }
        if (sig < 0)
            continue;
        if (sig == SIGUSR1) {
            if (m_done.load())
                return;
            continue;
        }
        if (sig == SIGINT && ++interrupts == 1 && !stoppedNow) {
            m_run.RequestStop();
            Notice("\nvantoria-cli: stopping after the current file (again to stop at once)\n");
            continue;
        }
        if (stoppedNow) {
            if (sig == SIGINT && m_run.Running())
                Abandon();
            continue;
        }
        stoppedNow = true;
        deadline = std::chrono::steady_clock::now() + kAbandonAfter;
        m_run.StopNow();
        if (sig != SIGPIPE && sig != SIGHUP) // nobody is left to read it
            Notice("\nvantoria-cli: stopping at once\n");
    }
}
