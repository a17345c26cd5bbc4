// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// RunContext: what the rows of one conversion run work from (the settings
// and rows the run copied at its start, the modules, the temporary folder,
// the output names the run holds) and the view they report through, one
// call at a time.
//
// The run (ConversionRun.h) owns one, calls Begin while no row runs, and
// then hands it to the row functions (RowKinds.h) on any number of threads
// at once. The stop flag is the run's own, read here.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "convert/ConversionView.h"
#include "convert/EngineModule.h"
#include "convert/OutputClaims.h"
#include "convert/TempFiles.h"
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

class WorkerPool;

class RunContext {
public:
    // `memoryFolder`: where page folders go when it has room (PageFolderRoot).
    RunContext(ConversionView &view, const EngineModule &engine, const ExtractorModule &extractor,
               std::string tempFolder, std::string memoryFolder, const std::atomic<int> &stop)
        : engine(engine), extractor(extractor), tempFolder(std::move(tempFolder)),
          memoryFolder(std::move(memoryFolder)), m_view(view), m_stop(stop) {}
    RunContext(const RunContext &) = delete;
    RunContext &operator=(const RunContext &) = delete;

    // A new run: its settings and rows (the paths made absolute, so the
    // engine can't take one for an option), and the interpreter's memory
    // limit in MiB (0: unknown). Only while no row runs.
    void Begin(const ConvertSettings &settings, std::vector<RunRow> rows, RunPacing pacing,
               int jobs, int memoryLimitMiB);

    const ConvertSettings &Settings() const { return m_settings; }
    int Rows() const { return static_cast<int>(m_rows.size()); }
    const std::string &Input(int i) const { return m_rows[static_cast<std::size_t>(i)].path; }
    // The output folder of row `i` (see RowOutputFolder).
    std::string RowFolder(int i) const;
    int MemoryLimitMiB() const { return m_memoryLimitMiB; }
    // How many rows the run converts at once.
    int Jobs() const { return m_jobs; }
    bool Stopped() const { return m_stop.load() != 0; }

    // The outcome of a row that did not succeed: "Aborted" after a stop
    // request, otherwise "Failed" with `reason`.
    RowOutcome NotDone(const std::string &reason) const;

    // The view's calls, serialised across the rows.
    void Select(int row);
    void Converting(int row, int step);
    // The bar after row `row`: its own position with one row at a time, the
    // rows counted so far with several at once (so it never moves back).
    void Progress(int row);
    void Page(int row, int page, int pages);
    // The row's final call; a row that did not succeed names no output.
    void Report(int row, RowOutcome outcome);
    // Any other call, under the same lock.
    void View(const std::function<void(ConversionView &)> &call);

    // An image or text row's first steps: selected, the progress,
    // "Converting." and, after the pause, "Converting..".
    void BeginRow(int row);
    // The PDF row's pause after "Converting..".
    void PauseAfterSecond() const;

    const EngineModule &engine;
    const ExtractorModule &extractor;
    const std::string tempFolder;   // ending in '/'
    const std::string memoryFolder; // ending in '/'
    OutputClaims claims;
    WorkerPool *pagePool = nullptr; // while the image rows run
    int forcedShares = 0;           // see ConversionRun::SetPageShares
    // The most page files that waited at once in the last image row that
    // was rendered page by page.
    std::atomic<int> lastPageStreamPeak{0};

private:
    ConversionView &m_view;
    const std::atomic<int> &m_stop;
    ConvertSettings m_settings;
    std::vector<RunRow> m_rows;
    RunPacing m_pacing;
    int m_jobs = 1;
    int m_memoryLimitMiB = 0;

    std::mutex m_viewLock;
    int m_progressCount = 0;
};
