// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// ConversionRun: one pass over the queued input files, converting each into
// the chosen output kind (image files, PDF or text).
//
// The run is the scheduler: its threads, the stop and the time limit; the
// rows themselves are RowKinds.h, working from a RunContext (RunContext.h)
// that holds the run's settings, rows, output names and view.
//
// Ownership and call order (on the front end's thread):
//   ConversionRun run(view, engine, extractor, tempFolder);
//   run.SetPacing(...); run.SetJobs(...);        // optional, while idle
//   run.Start(settings, rows);                   // copies both, starts the worker
//   run.RequestStop();                           // the Stop press, any time
//   run.StopNow();                               // a stop that can't wait
//   run.Wait();                                  // optional; the destructor waits too
// The modules and the view are borrowed and must outlive the run. Start
// refuses while a run is active. The worker reports through the view only
// (see ConversionView.h); it never throws.
//
// Threads: the running and stop flags (Running(), StopRequested()) are the
// only state shared with the front end, and the only copy of it: a front end
// reads them rather than keeping its own. The worker tests the stop flag at
// the top of every row and, on the image path, after rendering and before
// each page. An engine step still going kEngineStopGrace after RequestStop
// (at once after StopNow) is ended by killing the interpreter helper; its row
// reads "Aborted" and its temporary files go. With SetJobs(n > 1) up to n
// rows are converted at once, each with its own engine run and image
// converter; output names and temporary names never collide. The engine
// modules and the image converter are used from those threads at once.
// Image pages are encoded while their engine still renders, by one pool of
// SetPageWorkers threads that all rows share (see WorkerPool.h).
//
// A row is all or nothing: its outputs (one PDF or text file, one multi-page
// TIFF, or every page image of a document) are written under temporary names
// of our own and take their final names together, only when the row has
// succeeded. A row that fails or is stopped leaves no output and no
// temporary, and an existing file is replaced only by a row that succeeded.
//
// Limits: a row still going after "timelimit" seconds (when not 0) has its
// interpreter killed and fails with "took longer than N s"; every
// interpreter of the run works under the module's memory limit, "memlimit"
// MiB (0: the module's default), and a file that needs more fails with "the
// interpreter needed more than N MiB". The rows after it go on.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "convert/ConversionView.h"
#include "convert/EngineModule.h"
#include "convert/RowDeadline.h"
#include "convert/RunContext.h"
#include "convert/RunEngine.h"
#include "settings/ConvertSettings.h"

class ConversionRun {
public:
    ConversionRun(ConversionView &view, const EngineModule &engine,
                  const ExtractorModule &extractor, std::string tempFolder,
                  std::string memoryFolder = kMemoryFolder);
    virtual ~ConversionRun();
    ConversionRun(const ConversionRun &) = delete;
    ConversionRun &operator=(const ConversionRun &) = delete;

    void SetPacing(RunPacing pacing) { m_pacing = pacing; }
    // Called on the worker thread as its very last act, after both flags
    // read 0; it must not call into the view. A front end that carries out
    // the view's calls on its own thread uses it to wake from waiting for the
    // run. Set while idle.
    void SetEndNotice(std::function<void()> notice) { m_endNotice = std::move(notice); }
    void SetJobs(int jobs) { m_jobs = jobs < 1 ? 1 : jobs; }
    // How many image pages are encoded at once, for all rows together
    // (0: one per processor). Set while idle.
    void SetPageWorkers(int workers) { m_pageWorkers = workers < 0 ? 0 : workers; }
    // Test hook: every image row rendered by `shares` interpreters
    // (PageShares.h) whatever its pages cost; 0: as the row's cost decides.
    void SetPageShares(int shares) { m_context.forcedShares = shares < 0 ? 0 : shares; }
    // Test hook: the most page files that waited at once in the last image
    // row that was rendered page by page.
    int LastPageStreamPeak() const { return m_context.lastPageStreamPeak.load(); }
    // The Start press: sets the running flag and starts the worker over a copy of
    // `settings` and `rows` (top to bottom). False when a run is already
    // active, or when the worker could not be started: the flags are then
    // cleared again and the view is restored to idle. No output of the run
    // replaces another output of the same run: a name another row has
    // written or is writing makes the row take the numbered name, whatever
    // "exists" says.
    bool Start(const ConvertSettings &settings, std::vector<RunRow> rows);
    // The same for inputs added on their own (full paths, no subfolder).
    bool Start(const ConvertSettings &settings, const std::vector<std::string> &paths);
    // The Stop press: raises the stop flag while a run is active; an engine step
    // that has not ended kEngineStopGrace later is killed.
    void RequestStop();
    // As RequestStop, but the running engine steps are killed at once.
    void StopNow();
    // Wait for the worker to end (no-op when none was started).
    void Wait();

    // True from Start until the worker has made its last call.
    bool Running() const { return m_bRunning.load() != 0; }
    // True once a stop was asked for in the current run.
    bool StopRequested() const { return m_bAbort.load() != 0; }

protected:
    // Starts the worker thread; throws std::system_error when it can't.
    virtual void LaunchWorker(std::function<void()> body);

private:
    // The worker's body: the output kind's rows, then the end-of-run reset.
    void ConvertThreadProc();
    // Runs `row` over every row (several at once with SetJobs) and reports
    // each outcome; a stopped row ends the pass.
    void ForEachRow(const std::function<RowOutcome(int)> &row);
    // `row(i)` under the file's time limit ("timelimit"): past it, the row's
    // interpreter is killed and the row fails with its time as the reason.
    RowOutcome TimedRow(int i, const std::function<RowOutcome(int)> &row);

    std::atomic<int> m_bRunning{0};
    std::atomic<int> m_bAbort{0};

    const EngineModule &m_engine;
    RunContext m_context;
    EngineStopTimer m_stopTimer{m_engine};
    RowDeadlines m_deadlines{m_engine};
    RunPacing m_pacing;
    std::function<void()> m_endNotice;
    int m_jobs = 1;
    int m_pageWorkers = 0;
    std::thread m_worker;
};
