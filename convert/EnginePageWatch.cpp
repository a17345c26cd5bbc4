// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/EnginePageWatch.h"

#include <unistd.h>

#include <chrono>

EnginePageWatch::EnginePageWatch(const EngineModule &engine, std::function<void(int)> onPages)
    : m_onPages(std::move(onPages)) {
    if (engine.pagesDone && m_onPages)
        m_thread = std::thread(&EnginePageWatch::Watch, this, engine.pagesDone,
                               static_cast<int>(gettid()));
}

EnginePageWatch::~EnginePageWatch() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_done = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void EnginePageWatch::Watch(EnginePagesDoneFn pagesDone, int tid) {
    int told = 0;
    std::unique_lock<std::mutex> lock(m_lock);
    while (!m_wake.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_done; })) {
        const int pages = pagesDone(tid);
        if (pages > told) {
            told = pages;
            lock.unlock();
            m_onPages(pages);
            lock.lock();
        }
    }
}
