// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// WorkerPool: a fixed set of threads that run submitted tasks in the order
// they were submitted. On the image path one pool serves a whole conversion
// run: the rows that run at once (SetJobs) share it, so the number of pages
// being encoded never exceeds its size, however many rows are in progress.
// Nothing throws out of these calls.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class WorkerPool {
public:
    // `workers` threads; 0 or less: one per processor.
    explicit WorkerPool(int workers = 0);
    ~WorkerPool(); // runs what is queued, then joins
    WorkerPool(const WorkerPool &) = delete;
    WorkerPool &operator=(const WorkerPool &) = delete;

    int Workers() const { return static_cast<int>(m_threads.size()); }
    // Queues `task`; with no thread to run it (none could be started), runs
    // it at once on the caller's thread.
    void Submit(std::function<void()> task);

private:
    void Work();

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    bool m_closing = false;
    std::vector<std::thread> m_threads;
};
