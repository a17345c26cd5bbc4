// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PageQueue: how the image path overlaps rendering with encoding.
//
// WorkerPool is a fixed set of threads that run submitted tasks in the order
// they were submitted. One pool serves a whole conversion run: the rows that
// run at once (SetJobs) share it, so the number of pages being encoded never
// exceeds its size, however many rows are in progress.
//
// PageStream runs the engine of one row on a thread of its own and hands out
// the page files base_001.bmp, base_002.bmp, ... in page order, each as soon
// as the engine has closed it (the folder is watched with inotify; the next
// page's file appearing, or the engine returning, also marks a page as
// complete). Only regular files are handed out. A page handed out counts as
// waiting until Done() is called for it; while `bound` pages wait, the
// engine's interpreter process is paused (SIGSTOP) and it is resumed (SIGCONT)
// when a slot frees, so a long document never has more than `bound` page
// files on disk at once.
//
// Call order, on one thread (the row's): Start(engine) once; Next() until it
// returns the empty text; Done() for every page handed out, from any thread;
// Finish() for the engine's result code. The destructor resumes and waits for
// the engine. After Stop() (any thread) Next() hands out no further page: it
// returns empty once the engine has ended with no page left, or as soon as a
// further page is complete; that page and the rest of the document are cut
// (Cut() reads true) and this row's helper is killed at once. Other rows'
// helpers are never touched. Nothing throws
// out of these calls except Start, which throws std::system_error when the
// thread can't be started.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
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

class PageStream {
public:
    // `folder` ends in '/'; pages are folder + base + "_%03d.bmp".
    PageStream(std::string folder, std::string base, int bound);
    ~PageStream();
    PageStream(const PageStream &) = delete;
    PageStream &operator=(const PageStream &) = delete;

    // Asked on every wake of Next (at least every 100 ms): true makes the
    // stream Stop(). Set before Start.
    void SetStopTest(std::function<bool()> test) { m_stopTest = std::move(test); }
    // How the engine's interpreter is reached when it is not a child of the
    // engine's thread: `signal(tid, sig)` sends sig to the interpreter of the
    // run thread tid waits for, and returns how many got it (the engine
    // module's signalThreadRun). Set before Start.
    void SetEngineSignal(std::function<int(int, int)> signal) {
        m_signalThreadRun = std::move(signal);
    }
    // Starts `engine` (it returns the engine's result code) on its own thread.
    void Start(std::function<int()> engine);
    // The next page in page order, once complete; the empty text when the
    // engine has ended and no further page exists, or after Stop().
    std::string Next();
    // A page handed out by Next has been read and deleted.
    void Done();
    void Stop();
    // True when a stop kept a rendered page from being handed out.
    bool Cut() const { return m_cut; }
    // Waits for the engine; its result code.
    int Finish();

    // Test hook: the largest number of pages that were waiting at once.
    int PeakWaiting() const { return m_peakWaiting.load(); }
    // Test hook: how many times the engine was paused.
    int Pauses() const { return m_pauses.load(); }

private:
    void RunEngine(std::function<int()> engine);
    std::string PagePath(int k) const;
    bool IsPlainFile(const std::string &path) const;
    int SignalEngine(int sig);
    void PauseEngine();
    void ResumeLocked();
    void ResumeEngine();
    void KillEngine();

    std::string m_folder;
    std::string m_base;
    int m_bound;
    std::function<bool()> m_stopTest;
    std::function<int(int, int)> m_signalThreadRun;
    int m_next = 1; // number of the next page to hand out

    int m_inotify = -1;
    std::set<std::string> m_closed; // names the engine has closed after writing
    int m_wakeFd = -1;              // eventfd: Done, Stop and the engine's end wake Next

    std::mutex m_lock;
    int m_waiting = 0; // handed out, not yet Done
    bool m_paused = false;
    std::vector<int> m_pausedPidfds;
    std::atomic<bool> m_stopped{false};
    bool m_cut = false;
    std::atomic<bool> m_engineEnded{false};
    std::atomic<int> m_engineTid{0};
    int m_engineCode = 0;
    std::thread m_engineThread;

    std::atomic<int> m_peakWaiting{0};
    std::atomic<int> m_pauses{0};
};
