// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PageStream: how the image path overlaps rendering with encoding.
//
// A PageStream runs the engine of one row on a thread of its own and hands
// out the page files p_001.bmp, p_002.bmp, ... in page order, each as
// soon as the engine has closed it (the folder is watched with inotify; the
// next page's file appearing, or the engine returning, also marks a page as
// complete). Only regular files are handed out. A page handed out counts as
// waiting until Done() is called for it; while `bound` pages wait, the
// engine's interpreter is paused (SIGSTOP) and it is resumed (SIGCONT) when a
// slot frees, so a long document never has more than `bound` page files on
// disk at once. The interpreter is reached only through the engine module's
// signalThreadRun entry point (see SetEngineSignal); without it the stream
// never pauses the interpreter and a stop lets it run to its end.
//
// Call order, on one thread (the row's): Start(engine) once; Next() until it
// returns the empty text; Done() for every page handed out, from any thread;
// Finish() for the engine's result code. The destructor resumes and waits for
// the engine. After Stop() (any thread) Next() hands out no further page: it
// returns empty once the engine has ended with no page left, or as soon as a
// further page is complete; that page and the rest of the document are cut
// (Cut() reads true) and this row's interpreter is killed at once. Other
// rows' interpreters are never touched. Nothing throws out of these calls
// except Start, which throws std::system_error when the thread can't be
// started.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "convert/EngineModule.h"

class PageStream {
public:
    // `folder` ends in '/'; pages are PageFileName(folder, k).
    PageStream(std::string folder, int bound);
    ~PageStream();
    PageStream(const PageStream &) = delete;
    PageStream &operator=(const PageStream &) = delete;

    // Asked on every wake of Next (at least every 100 ms): true makes the
    // stream Stop(). Set before Start.
    void SetStopTest(std::function<bool()> test) { m_stopTest = std::move(test); }
    // The engine module's signalThreadRun: `signal(tid, sig)` sends sig to the
    // interpreter of the run that thread tid waits for (a warm server's child
    // or a one-off helper) and returns how many got it. The stream pauses,
    // resumes and kills the interpreter only through it; a module without
    // that entry point (null here) runs unpaused. Set before Start.
    void SetEngineSignal(EngineSignalThreadRunFn signal) { m_signalThreadRun = signal; }
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
    bool PageComplete(bool ended) const;
    std::string HandOut(const std::string &page);
    bool WaitForChange();
    void ReadClosedNames();
    int SignalEngine(int sig);
    void PauseEngine();
    void ResumeLocked();
    void ResumeEngine();
    void KillEngine();

    std::string m_folder;
    int m_bound;
    std::function<bool()> m_stopTest;
    EngineSignalThreadRunFn m_signalThreadRun = nullptr;
    int m_next = 1; // number of the next page to hand out

    int m_inotify = -1;
    std::set<std::string> m_closed; // names the engine has closed after writing
    int m_wakeFd = -1;              // eventfd: Done, Stop and the engine's end wake Next

    std::mutex m_lock;
    int m_waiting = 0; // handed out, not yet Done
    bool m_paused = false;
    std::atomic<bool> m_stopped{false};
    bool m_cut = false;
    std::atomic<bool> m_engineEnded{false};
    std::atomic<int> m_engineTid{0};
    int m_engineCode = 0;
    std::thread m_engineThread;

    std::atomic<int> m_peakWaiting{0};
    std::atomic<int> m_pauses{0};
};
