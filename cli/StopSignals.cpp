#include "cli/StopSignals.h"

#include <dirent.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "convert/ConversionRun.h"

namespace {

sigset_t StopSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGUSR1); // the destructor's wake-up
    return set;
}

} // namespace

void BlockStopSignals() {
    sigset_t set = StopSignalSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

StopSignals::StopSignals(ConversionRun &run, EngineKillRunningFn killRunning, std::FILE *notice)
    : m_run(run), m_killRunning(killRunning), m_notice(notice), m_thread([this] { Take(); }) {}

StopSignals::~StopSignals() {
    m_done = true;
    ::pthread_kill(m_thread.native_handle(), SIGUSR1);
    m_thread.join();
}

void StopSignals::Take() {
    const sigset_t set = StopSignalSet();
    int presses = 0;
    for (;;) {
        int sig = 0;
        if (sigwait(&set, &sig) != 0)
            continue;
        if (sig == SIGUSR1) {
            if (m_done.load())
                return;
            continue;
        }
        ++presses;
        if (presses == 1) {
            m_run.RequestStop();
            if (m_notice)
                std::fputs("\nvantoria-cli: stopping after the current file "
                           "(again to stop at once)\n",
                           m_notice);
        } else if (presses == 2) {
            StopAtOnce();
            return;
        } else {
            std::_Exit(1);
        }
    }
}

void StopSignals::StopAtOnce() {
    m_run.RequestStop();
    // Kill until the run has wound down: a row may be about to start an
    // interpreter as the first kill goes out.
    const sigset_t set = StopSignalSet();
    const timespec tick = {0, 20 * 1000 * 1000};
    while (!m_done.load() && m_run.m_bRunning.load()) {
        if (m_killRunning)
            m_killRunning();
        else
            KillChildProcesses();
        // A further Ctrl+C meanwhile ends the process.
        int more = sigtimedwait(&set, nullptr, &tick);
        if (more == SIGINT || more == SIGTERM)
            std::_Exit(1);
    }
}

int KillChildProcesses() {
    const pid_t self = ::getpid();
    int killed = 0;
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return 0;
    while (struct dirent *e = ::readdir(proc)) {
        char *end = nullptr;
        long pid = std::strtol(e->d_name, &end, 10);
        if (pid <= 0 || *end != '\0')
            continue;
        std::string statPath = std::string("/proc/") + e->d_name + "/stat";
        std::FILE *f = std::fopen(statPath.c_str(), "re");
        if (!f)
            continue;
        char buf[1024];
        size_t n = std::fread(buf, 1, sizeof buf - 1, f);
        std::fclose(f);
        buf[n] = '\0';
        // The command name may hold blanks and parentheses: the fields that
        // follow start after the last ')'.
        char *close = std::strrchr(buf, ')');
        if (!close)
            continue;
        char state = 0;
        long ppid = 0;
        if (std::sscanf(close + 1, " %c %ld", &state, &ppid) == 2 && ppid == self) {
            if (::kill(static_cast<pid_t>(pid), SIGKILL) == 0)
                ++killed;
        }
    }
    ::closedir(proc);
    return killed;
}
