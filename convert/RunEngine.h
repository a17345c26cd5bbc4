// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// RunEngine: one run of the engine over an argument vector, a row's engine
// step with the reason its result gives a user, and the timer that ends a
// run which does not stop by itself.
//
// Every run uses a fresh engine instance: create, run, exit, delete. The run
// succeeds when its result code is 0 or -101; any other code is a failure,
// which EngineFailReason puts in words.
// A run returns when the engine does; an EngineStopTimer ends it early by
// killing the interpreter helper, after which the run's code is the module's
// "helper died" code (a failure).
// Safe to call from several threads at once (each call has its own instance).
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "convert/EngineArgs.h"
#include "convert/EngineModule.h"
#include "convert/RowDeadline.h"

// The run's result code: EngineCreate's when it is negative, else EngineRun's.
// A module without its entry points gives -100 and calls nothing.
int RunEngineCode(const EngineModule &engine, int argc, char **argv);
// The same; `errorLine` receives the interpreter's first error line of the
// run, made printable (see ErrorLine.h); empty when it reported none, or the
// module can't tell.
int RunEngineCode(const EngineModule &engine, int argc, char **argv, std::string *errorLine);

// True on result code 0 or -101.
bool RunEngine(const EngineModule &engine, int argc, char **argv);
bool RunEngine(const EngineModule &engine, ArgumentVector args);

inline constexpr int kEngineQuit = -101;

// A row's engine step: the result code for `args`, `errorLine` receiving the
// interpreter's first error line. The step counts against the time of `row`
// (by default the calling thread's current row; see RowDeadline.h).
int EngineCode(const EngineModule &engine, ArgumentVector args, std::string *errorLine,
               RowDeadlines::Row *row = RowDeadlines::Row::Current());
// True on result code 0 or -101.
bool EngineSucceeded(int code);
// Why the engine's run with result `code` failed, for a user; `errorLine` is
// its first error line and `memoryLimitMiB` the interpreter's memory limit
// (0: unknown).
std::string EngineFailReason(int code, const std::string &errorLine, int memoryLimitMiB);

// How long a stop request waits for the engine step to end by itself.
inline constexpr std::chrono::milliseconds kEngineStopGrace{3000};

// EngineStopTimer: kills the engine's interpreter helpers once a stop has
// waited long enough, and keeps killing them (every 20 ms, so a helper that
// was just starting goes too) until the owner's run has wound down.
//
// Call order, per run of the owner: Open() before the run starts; Arm()
// any number of times from any thread while it runs (the earliest deadline
// counts); Close() when the run is over, which ends the killing and waits for
// the timer's thread. Arm() outside Open()..Close() does nothing, so a late
// stop request can never reach the next run. A module without a kill entry
// point is never killed. Thread-safe; the destructor closes.
class EngineStopTimer {
public:
    explicit EngineStopTimer(const EngineModule &engine) : m_engine(engine) {}
    ~EngineStopTimer() { Close(); }
    EngineStopTimer(const EngineStopTimer &) = delete;
    EngineStopTimer &operator=(const EngineStopTimer &) = delete;

    void Open();
    // Start killing `delay` from now (at once for 0).
    void Arm(std::chrono::milliseconds delay);
    void Close();

private:
    void Watch();

    const EngineModule &m_engine;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_open = false;
    bool m_armed = false;
    std::chrono::steady_clock::time_point m_deadline;
    std::thread m_thread;
};
