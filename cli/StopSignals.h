// StopSignals: the thread that takes vantoria-cli's stop requests.
//
// SIGINT and SIGTERM (a Ctrl+C at the terminal, a kill) are never delivered
// to a handler: BlockStopSignals() blocks them, and the SIGUSR1 that ends the
// thread, in the calling thread. main calls it before any other thread
// starts, so every thread and every interpreter child inherits the mask and
// the signals wait for the one thread that takes them with sigwait.
//
// While a StopSignals object lives, its thread answers them:
//   first   the run stops between files (and pages), with a notice on
//           `notice` unless that is null;
//   second  the interpreter children are killed (through the engine module's
//           kill entry point, or KillChildProcesses when the module has none)
//           every 20 ms until the run has wound down, so the current rows end
//           at once and clean up after themselves;
//   third   the process ends with status 1.
// The destructor ends the thread and waits for it; the run must outlive the
// object. Create and destroy it on one thread.
#pragma once

#include <atomic>
#include <cstdio>
#include <thread>

#include "convert/EngineModule.h"

class ConversionRun;

// Block SIGINT, SIGTERM and SIGUSR1 in the calling thread.
void BlockStopSignals();

class StopSignals {
public:
    StopSignals(ConversionRun &run, EngineKillRunningFn killRunning, std::FILE *notice);
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

private:
    void Take();
    void StopAtOnce();

    ConversionRun &m_run;
    EngineKillRunningFn m_killRunning;
    std::FILE *m_notice;
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

// Kill every child process of this process (the interpreter helpers) with
// SIGKILL; returns how many were signalled.
int KillChildProcesses();
