// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// ConversionRun: one pass over the queued input files, converting each into
// the chosen output kind (image files, PDF or text).
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
#include <chrono>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/AtomicFile.h"
#include "convert/ConversionView.h"
#include "convert/EngineModule.h"
#include "convert/ImageFormat.h"
#include "convert/RowDeadline.h"
#include "convert/RunEngine.h"
#include "settings/ConvertSettings.h"

// The pauses that let a user watch the statuses step; none for scripts.
struct RunPacing {
    std::chrono::milliseconds afterFirst{0};  // image and text: after "Converting."
    std::chrono::milliseconds afterSecond{0}; // PDF: after "Converting.."

    static RunPacing Window() {
        return {std::chrono::milliseconds(200), std::chrono::milliseconds(300)};
    }
    static RunPacing None() { return {}; }
};

// One queued input: its path and, for a file added with a folder, the
// folder it has under that folder ("2019/q1/"; empty for a file added on its
// own). With "keeptree" 1 and the outputs going into "output", the row's
// outputs go into that subfolder of it.
struct RunRow {
    std::string path;
    std::string subfolder;
};

class RowStaging;
class WorkerPool;

class ConversionRun {
public:
    ConversionRun(ConversionView &view, const EngineModule &engine,
                  const ExtractorModule &extractor, std::string tempFolder);
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
    // Test hook: the most page files that waited at once in the last image
    // row that was rendered page by page.
    int LastPageStreamPeak() const { return m_lastPageStreamPeak.load(); }
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

    // The regular files directly in `folder`, as full paths in name order
    // (numbers inside names compare by value, so page 1000 follows page 999).
    static std::vector<std::string> ListPageFiles(const std::string &folder);
    // Delete the listed files, then remove the folder if nothing is left.
    static void DeletePageFiles(const std::string &folder, const std::vector<std::string> &files);

protected:
    // Starts the worker thread; throws std::system_error when it can't.
    virtual void LaunchWorker(std::function<void()> body);

private:
    class Claims;
    struct PageRowInputs;
    struct PageRowResults;

    // The worker's body: the output kind's rows, then the end-of-run reset.
    void ConvertThreadProc();
    // Runs `row` over every row (several at once with SetJobs) and reports
    // each outcome; a stopped row ends the pass.
    void ForEachRow(const std::function<RowOutcome(int)> &row);
    // `row(i)` under the file's time limit ("timelimit"): past it, the row's
    // interpreter is killed and the row fails with its time as the reason.
    RowOutcome TimedRow(int i, const std::function<RowOutcome(int)> &row);
    // The row functions, one per output kind (the image rows in
    // ImageRows.cpp).
    RowOutcome PdfRow(int i);
    RowOutcome TextRow(int i);
    // The text row's output: `pdf` (the engine's temporary PDF) extracted
    // into the claimed name for `wanted` in `folder`.
    RowOutcome WriteText(const std::string &pdf, const std::string &folder,
                         const std::string &wanted);
    RowOutcome ImageRow(int i, const ImageFormatChoice &format);
    RowOutcome MultiPageTiffRow(int i, const std::string &input, const std::string &target,
                                const std::string &base);
    RowOutcome PagedImageRow(const PageRowInputs &in);

    // Render every page of `input` into a fresh page folder as
    // PageFileName(folder, k); that folder, or the empty text when
    // none could be made. `engineCode` and `engineError` receive the run's
    // result code and the interpreter's first error line.
    std::string RenderPages(const std::string &input, int formatCode, int *engineCode,
                            std::string *engineError);
    // An image row's pages (every layout but the multi-page TIFF), rendered
    // and encoded into `staging` at once.
    void StreamImagePages(const PageRowInputs &in, RowStaging &staging, PageRowResults *out);
    // Encode the page files `pages` into the file `staged`: one page, or with
    // `multiPage` every page into one multi-page TIFF. The empty text, or
    // why no complete file was written.
    std::string EncodePage(const std::vector<std::string> &pages, const std::string &staged,
                           int formatCode, bool multiPage);
    // Put the staged outputs in place in page order under their wanted
    // names (claimed, numbered as "exists" asks); all of them or, undoing
    // what was done, none.
    RowOutcome PublishStaged(RowStaging &staging);

    // The output folder of row `i` (see RowOutputFolder).
    std::string RowFolder(int i) const;
    // The name row output `path` is written under: `path` itself, or with
    // "exists" 1, or when another row of this run has written or is writing
    // `path`, its first free numbered name. The empty text, with `*reason`,
    // when no name fits or is free.
    std::string ClaimOutput(Claims &claims, const std::string &path, std::string *reason);
    // Move a finished temporary to `*output` (claimed for `wanted`) with
    // `place(target, placement)`: over an existing file only when
    // overwriting and `*output` is `wanted`; a numbered name another process
    // took meanwhile makes it take the next free number. False, with
    // `*reason`, on failure (the temporary is then still there).
    bool PublishOutput(Claims &claims,
                       const std::function<int(const std::string &, Placement)> &place,
                       const std::string &wanted, std::string *output, std::string *reason);
    // The outcome of a row that did not succeed: "Aborted" after a stop
    // request, otherwise "Failed" with `reason`.
    RowOutcome NotDone(const std::string &reason) const;
    // An image or text row's first steps: selected, the progress,
    // "Converting." and, after the pause, "Converting..".
    void BeginRow(int row);
    void ReportOutcome(int row, RowOutcome outcome);

    void ViewSelect(int row);
    void ViewConverting(int row, int step);
    void ViewProgress(int row, int rows);
    void ViewPage(int row, int page, int pages);
    void Pause(std::chrono::milliseconds ms);

    std::atomic<int> m_bRunning{0};
    std::atomic<int> m_bAbort{0};

    ConversionView &m_view;
    const EngineModule &m_engine;
    const ExtractorModule &m_extractor;
    EngineStopTimer m_stopTimer{m_engine};
    RowDeadlines m_deadlines{m_engine};
    int m_memoryLimitMiB = 0; // the interpreter's limit in this run; 0 unknown
    std::string m_tempFolder;
    RunPacing m_pacing;
    std::function<void()> m_endNotice;
    int m_jobs = 1;
    int m_pageWorkers = 0;
    WorkerPool *m_pagePool = nullptr; // while the image rows run
    std::atomic<int> m_lastPageStreamPeak{0};

    // Copies taken by Start, read by the worker.
    ConvertSettings m_settings;
    std::vector<RunRow> m_rows;

    std::mutex m_viewLock;
    int m_progressCount = 0; // rows counted so far when several run at once

    // Output names held by rows in progress, and those rows of this run
    // have put in place.
    std::mutex m_claimLock;
    std::set<std::string> m_claimed;
    std::set<std::string> m_written;

    std::thread m_worker;
};
