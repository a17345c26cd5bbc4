#include "cli/StopSignals.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

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

StopSignals::StopSignals(ConversionRun &run, std::FILE *notice)
    : m_run(run), m_notice(notice), m_thread([this] { Take(); }) {}

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

void StopSignals::Take() {
    const sigset_t set = TakenSignalSet();
    int interrupts = 0;
    bool stoppedNow = false;
    for (;;) {
        int sig = 0;
        if (sigwait(&set, &sig) != 0)
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
            if (sig == SIGINT)
                std::_Exit(1);
            continue;
        }
        stoppedNow = true;
        m_run.StopNow();
        if (sig != SIGPIPE && sig != SIGHUP) // nobody is left to read it
            Notice("\nvantoria-cli: stopping at once\n");
    }
}
