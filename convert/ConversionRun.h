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
// Threads: m_bRunning and m_bAbort are the only state shared with the front
// end, and the only copy of it: a front end reads them rather than keeping
// its own. The worker tests m_bAbort at the top of every row and, on the image
// path, after rendering and before each page. An engine step still going
// kEngineStopGrace after RequestStop (at once after StopNow) is ended by
// killing the interpreter helper; its row reads "Aborted" and its temporary
// files go. With SetJobs(n > 1) up to n
// rows are converted at once, each with its own engine run and image
// converter; output names and temporary names never collide. The engine
// modules and the image converter are used from those threads at once.
// Image pages are encoded while their engine still renders, by one pool of
// SetPageWorkers threads that all rows share (see WorkerPool.h).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "convert/ConversionView.h"
#include "convert/EngineModule.h"
#include "convert/ImageFormat.h"
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
    // The text of the chosen image-format list item; by default the list's
    // text for the settings' "type".
    void SetFormatItemText(std::string text);

    // The Start press: sets m_bRunning and starts the worker over a copy of
    // `settings` and `rows` (full input paths, top to bottom). False when a
    // run is already active, or when the worker could not be started: the
    // flags are then cleared again and the view is restored to idle.
    bool Start(const ConvertSettings &settings, std::vector<std::string> rows);
    // The Stop press: raises m_bAbort while a run is active; an engine step
    // that has not ended kEngineStopGrace later is killed.
    void RequestStop();
    // As RequestStop, but the running engine steps are killed at once.
    void StopNow();
    // Wait for the worker to end (no-op when none was started).
    void Wait();

    std::atomic<int> m_bRunning{0};
    std::atomic<int> m_bAbort{0};

    // The worker's body: the output kind's path, then the end-of-run reset.
    void ConvertThreadProc();
    void ConvertToPdf();
    void ConvertToImage();
    void ConvertToText();

    // Render every page of `input` as 24-bit BMP files base_001.bmp, ... into
    // a fresh page folder, as pages for output format `formatCode`; returns
    // that folder (ending in '/'), or the empty text when no folder could be
    // made. `engineOk` receives the run's result, `engineCode` its result
    // code, `engineError` the interpreter's first error line.
    std::string RenderPages(const std::string &input, const std::string &base, int formatCode,
                            bool *engineOk = nullptr, int *engineCode = nullptr,
                            std::string *engineError = nullptr);
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
    // An image row's pages (every layout but the multi-page TIFF), rendered
    // and encoded at once (ImageRowPages.cpp). True when every page was
    // written; `*pages` receives the page files that were handed over.
    bool StreamImagePages(Claims &claims, int row, const std::string &input,
                          const std::string &target, const std::string &base,
                          const ImageFormatChoice &format, std::string *pageFolder,
                          std::vector<std::string> *pages, std::string *reason, bool *aborted,
                          int *engineCode, std::string *engineError);
    struct ImageRowFiles;
    void ForEachRow(const std::function<bool(int)> &row);
    bool PdfRow(int i);
    bool TextRow(int i);
    bool ImageRow(int i, const ImageFormatChoice &format);
    // The three output layouts of an image row; each is true when every
    // output it wrote was written. A stop between pages sets `aborted`.
    bool WriteMultiPageTiff(Claims &claims, const ImageRowFiles &files, bool *aborted);
    bool WriteOnePage(Claims &claims, const ImageRowFiles &files, const ImageFormatChoice &format);
    bool WriteEachPage(Claims &claims, const ImageRowFiles &files, const ImageFormatChoice &format,
                       bool *aborted);
    // Hand one or more page files to a fresh converter writing a hidden
    // sibling of the output `wanted` (numbered when "exists" is 1), then
    // publish it; true when the output file was put in place, otherwise
    // `*reason` says why.
    bool ConvertPages(Claims &claims, const std::vector<std::string> &pages,
                      const std::string &wanted, int formatCode, bool multiPage, bool *aborted,
                      int row, std::string *reason);
    // The name row output `path` is written under: `path` itself, or with
    // "exists" 1 its first free numbered name. The empty text, with
    // `*reason`, when no name fits or is free.
    std::string ClaimOutput(Claims &claims, const std::string &path, std::string *reason);
    // Move the finished temporary file `temp` to `*output` (claimed for
    // `wanted`); with "exists" 1 a name another process took meanwhile
    // makes it take the next free number. False, with `*reason`, on failure
    // (`temp` is then still there).
    bool PublishOutput(Claims &claims, int row, const std::string &temp, const std::string &wanted,
                       std::string *output, std::string *reason);
    // The row's final status: "Succeed"; after a stop request "Aborted";
    // otherwise "Failed", with `reason` given to the view first.
    void ViewResult(int row, bool ok, const std::string &reason);

    void ViewSelect(int row);
    void ViewStatus(int row, const char *text);
    void ViewProgress(int row, int rows);
    void ViewRowFinished(int row);
    void Pause(std::chrono::milliseconds ms);

    ConversionView &m_view;
    const EngineModule &m_engine;
    const ExtractorModule &m_extractor;
    EngineStopTimer m_stopTimer{m_engine};
    std::string m_tempFolder;
    RunPacing m_pacing;
    std::function<void()> m_endNotice;
    int m_jobs = 1;
    int m_pageWorkers = 0;
    WorkerPool *m_pagePool = nullptr; // while ConvertToImage runs
    std::atomic<int> m_lastPageStreamPeak{0};
    bool m_formatTextSet = false;
    std::string m_formatText;

    // Copies taken by Start, read by the worker.
    ConvertSettings m_settings;
    std::vector<std::string> m_rows;

    std::mutex m_viewLock;
    int m_progressCount = 0; // rows counted so far when several run at once

    // Output names held by rows in progress.
    std::mutex m_claimLock;
    std::condition_variable m_claimFreed;
    std::set<std::string> m_claimed;

    std::thread m_worker;
};
