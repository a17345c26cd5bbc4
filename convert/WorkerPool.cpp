// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/WorkerPool.h"

#include <system_error>

WorkerPool::WorkerPool(int workers) {
    if (workers <= 0)
        workers = static_cast<int>(std::thread::hardware_concurrency());
    if (workers <= 0)
        workers = 1;
    for (int k = 0; k < workers; ++k) {
        try {
            m_threads.emplace_back([this] { Work(); });
        } catch (const std::system_error &) {
            break;
        }
    }
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_closing = true;
    }
    m_wake.notify_all();
    for (std::thread &t : m_threads)
        t.join();
}

void WorkerPool::Submit(std::function<void()> task) {
    if (m_threads.empty()) {
        task();
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_one();
}

void WorkerPool::Work() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_wake.wait(lock, [this] { return m_closing || !m_tasks.empty(); });
            if (m_tasks.empty())
                return;
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
    }
}
