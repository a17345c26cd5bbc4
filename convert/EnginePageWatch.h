// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// EnginePageWatch: the pages an engine step writing one file (a PDF) has
// finished, told as they grow.
//
// Made on the thread that then runs the engine step, it asks the module
// (EngineModule::pagesDone) every 100 ms how many pages the run that thread
// waits for has finished, and calls `onPages` with the count each time it has
// grown, on a thread of its own. The destructor ends the watch (after any
// call in progress). A module without the entry point is never asked.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "convert/EngineModule.h"

class EnginePageWatch {
public:
    EnginePageWatch(const EngineModule &engine, std::function<void(int pages)> onPages);
    ~EnginePageWatch();
    EnginePageWatch(const EnginePageWatch &) = delete;
    EnginePageWatch &operator=(const EnginePageWatch &) = delete;

private:
    void Watch(EnginePagesDoneFn pagesDone, int tid);

    std::function<void(int)> m_onPages;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_done = false;
    std::thread m_thread;
};
