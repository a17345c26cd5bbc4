// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

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
// A run that a stop at once has not ended within 0.6 s (an encoder
// that can't be interrupted), or a SIGINT after such a stop, is abandoned:
// the `abandon` callback runs on this thread (it gives the rows their final
// status and removes the temporaries) and the process ends with status 1,
// unless the callback returns false (the run was over after all).
// The thread also watches the `output` descriptor given to it (a pipe or a
// socket; anything else, or -1, is not watched): when its reader goes away
// while nothing is being written, that is taken as a SIGPIPE, so
// `vantoria-cli ... | head -1` ends even while a file converts silently.
// The destructor ends the thread and waits for it; the run must outlive the
// object. Create and destroy it on one thread.
#pragma once

#include <signal.h>

#include <atomic>
#include <cstdio>
#include <functional>
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
    StopSignals(ConversionRun &run, std::FILE *notice, int output = -1,
                std::function<bool()> abandon = {});
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

private:
    void Take();
    // The next signal taken, or -1 when none came; a gone reader of the
    // watched output counts as SIGPIPE.
    int NextSignal(const sigset_t &set);
    // Run the abandon callback and end the process, unless the callback
    // says the run is over already (false).
    void Abandon();
    void Notice(const char *text);

    ConversionRun &m_run;
    std::FILE *m_notice;
    int m_output;
    std::function<bool()> m_abandon;
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};
