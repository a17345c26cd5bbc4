// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The count is a conversion to the cheapest output the interpreter has that
// still writes a file per page (PageCountArguments: a few pixels, one bit
// deep), into a page folder of its own, counted and emptied afterwards. The
// interpreter's time goes into reading the document, as a conversion's
// does; the pages themselves cost next to nothing.
#include "convert/PageCount.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "common/CompressedInput.h"
#include "convert/EngineArgs.h"
#include "convert/RunEngine.h"
#include "convert/TempFiles.h"

namespace {

constexpr int kDefaultLimitSeconds = 60;
// How often `stop` is asked, and how often an interpreter that is to end is
// killed again (one that was just starting goes too).
constexpr std::chrono::milliseconds kAskEvery{50};
constexpr std::chrono::milliseconds kKillAgain{20};

// Ends the interpreter the constructing thread waits for once `stop` says
// so or `deadline` has passed, until destroyed. Without the module's signal
// entry point (or a thread for the watch) nothing is ended.
class CountWatch {
public:
    CountWatch(const EngineModule &engine, std::chrono::steady_clock::time_point deadline,
               const std::function<bool()> &stop)
        : m_engine(engine), m_deadline(deadline), m_stop(stop),
          m_tid(static_cast<int>(::gettid())) {
        if (!m_engine.signalThreadRun)
            return;
        try {
            m_thread = std::thread([this] { Watch(); });
        } catch (const std::system_error &) {
        }
    }
    ~CountWatch() {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_done = true;
            m_wake.notify_all();
        }
        if (m_thread.joinable())
            m_thread.join();
    }
    CountWatch(const CountWatch &) = delete;
    CountWatch &operator=(const CountWatch &) = delete;

    bool Stopped() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_stopped;
    }
    bool TimedOut() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_timedOut;
    }

private:
    void Watch() {
        std::unique_lock<std::mutex> lock(m_lock);
        while (!m_done) {
            if (!m_stopped && !m_timedOut) {
                if (m_stop && m_stop())
                    m_stopped = true;
                else if (std::chrono::steady_clock::now() >= m_deadline)
                    m_timedOut = true;
            }
            const bool ending = m_stopped || m_timedOut;
            if (ending)
                m_engine.signalThreadRun(m_tid, SIGKILL);
            m_wake.wait_for(lock, ending ? kKillAgain : kAskEvery);
        }
    }

    const EngineModule &m_engine;
    const std::chrono::steady_clock::time_point m_deadline;
    const std::function<bool()> &m_stop;
    const int m_tid;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_done = false;
    bool m_stopped = false;
    bool m_timedOut = false;
    std::thread m_thread;
};

} // namespace

PageCountResult CountPages(const EngineModule &engine, const std::string &input,
                           const std::string &tempFolder, int timeLimitSeconds,
                           const std::function<bool()> &stop) {
    if (stop && stop())
        return {};
    EngineInput source;
    std::string reason = source.Open(input);
    if (!reason.empty())
        return {-1, reason};
    const std::string folder = CreatePageFolder(tempFolder);
    if (folder.empty())
        return {-1, "can't create a temporary folder"};

    const int limit = timeLimitSeconds > 0 ? timeLimitSeconds : kDefaultLimitSeconds;
    int code = 0;
    std::string line;
    bool stopped = false;
    bool timedOut = false;
    {
        CountWatch watch(engine, std::chrono::steady_clock::now() + std::chrono::seconds(limit),
                         stop);
        code = EngineCode(engine, PageCountArguments(folder, source.Path()), &line);
        stopped = watch.Stopped();
        timedOut = watch.TimedOut();
    }
    const std::vector<std::string> pages = ListPageFiles(folder);
    DeletePageFiles(folder, pages);
    if (stopped)
        return {};
    // An interpreter that ended by itself as the time ran out counted.
    if (EngineSucceeded(code))
        return {static_cast<int>(pages.size()), {}};
    if (timedOut)
        return {-1, "took longer than " + std::to_string(limit) + " s"};
    return {-1, EngineFailReason(code, line, 0)};
}
