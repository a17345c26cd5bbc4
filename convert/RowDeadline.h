// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// RowDeadlines: the time limit of each file of a run. A row that has run for
// the limit is ended as a stop ends it: its interpreter is killed, and the
// row reports that it took too long.
//
// Call order, per run of the owner: Open(limit) before the run starts; each
// row holds a RowDeadlines::Row on its own thread for its whole length
// (which makes it the thread's current row); every engine step of a row
// holds a RowDeadlines::Step on the thread that waits for the engine, for
// the step's length; Close() when the run is over. Once a row's time is up
// it reads Expired(), and the interpreter of each of its steps is killed
// (the module's signalThreadRun, SIGKILL), again every 20 ms until the row
// ends, so a step that was just starting goes too; other rows are never
// touched. A limit of 0, a module without signalThreadRun, or a Row outside
// Open()..Close(), limits nothing. Thread-safe; the destructor closes.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

#include "convert/EngineModule.h"

class RowDeadlines {
    struct Entry;

public:
    explicit RowDeadlines(const EngineModule &engine) : m_engine(engine) {}
    ~RowDeadlines() { Close(); }
    RowDeadlines(const RowDeadlines &) = delete;
    RowDeadlines &operator=(const RowDeadlines &) = delete;

    void Open(std::chrono::milliseconds limit);
    void Close();

    // One row's time; the calling thread's current row while it lives.
    class Row {
    public:
        explicit Row(RowDeadlines &deadlines);
        ~Row();
        Row(const Row &) = delete;
        Row &operator=(const Row &) = delete;
        // True once the row has run for the limit.
        bool Expired() const;
        // The calling thread's current row, or null.
        static Row *Current();

    private:
        friend class RowDeadlines;
        RowDeadlines &m_deadlines;
        Entry *m_entry = nullptr; // null: not limited
        Row *m_outer = nullptr;
    };

    // An engine step of `row` (may be null: not limited) waited for by the
    // calling thread.
    class Step {
    public:
        explicit Step(Row *row);
        ~Step();
        Step(const Step &) = delete;
        Step &operator=(const Step &) = delete;

    private:
        Row *m_row;
        int m_tid = 0;
    };

private:
    struct Entry {
        std::chrono::steady_clock::time_point deadline;
        std::vector<int> tids; // the threads waiting for its engine steps
        std::atomic<bool> expired{false};
    };

    void Watch();

    const EngineModule &m_engine;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_open = false;
    std::chrono::milliseconds m_limit{0};
    std::list<Entry> m_entries;
    std::thread m_thread;
};
