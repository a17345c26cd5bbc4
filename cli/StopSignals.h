// StopSignals: the thread that takes vantoria-cli's stop requests.
//
// SIGINT, SIGTERM, SIGHUP and SIGPIPE (a Ctrl+C at the terminal, a kill, a
// closed terminal, a reader gone) are never delivered to a handler:
// BlockStopSignals() blocks them, and the SIGUSR1 that ends the thread, in
// the calling thread. main calls it before any other thread starts, so every
// thread and every interpreter child inherits the mask and the signals wait
// for the one thread that takes them with sigwait. With SIGPIPE blocked, a
// write to a closed pipe fails with EPIPE instead of ending the process; the
// writer then raises SIGPIPE for the whole process (RaiseStop) to have it
// taken here.
//
// While a StopSignals object lives, its thread answers them:
//   SIGINT    the first stops the run between files (and pages), with a
//             notice on `notice` unless that is null; an engine step that
//             has not ended 3 s later is killed by the run. The second stops
//             at once, the third ends the process with status 1.
//   SIGTERM, SIGHUP, SIGPIPE
//             stop at once: the running engine steps are killed, the current
//             rows end "Aborted" and clean up after themselves. A later SIGINT
//             ends the process; the others have then been answered already.
// The destructor ends the thread and waits for it; the run must outlive the
// object. Create and destroy it on one thread.
#pragma once

#include <atomic>
#include <cstdio>
#include <thread>

class ConversionRun;

// Block the stop signals and SIGUSR1 in the calling thread.
void BlockStopSignals();

// True when a stop signal is pending (sent but not yet taken by a thread).
bool StopSignalPending();

// Have the process stopped at once, as if `sig` (SIGPIPE or SIGTERM) had
// been sent to it. Async-signal-safe.
void RaiseStop(int sig);

class StopSignals {
public:
    StopSignals(ConversionRun &run, std::FILE *notice);
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

private:
    void Take();
    void Notice(const char *text);

    ConversionRun &m_run;
    std::FILE *m_notice;
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};
