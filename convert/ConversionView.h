// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// ConversionView: what a conversion run shows, implemented by its front end
// (the main window, the command-line front end, the watched folder, tests).
//
// The run calls these from its worker thread(s), one call at a time (the run
// serialises them), and each call must have taken effect when it returns: a
// window marshals it to its own thread and blocks the worker until it has
// been handled (Qt::BlockingQueuedConnection). The one exception is
// RestoreIdle after a worker thread that could not be started: it comes from
// the thread that called ConversionRun::Start. A window implementation should
// therefore run the call directly when it is already on its own thread.
//
// Once the run's Running() reads false the run makes no further calls.
#pragma once

#include <string>
#include <vector>

// Where a row stands. A row is Ready until the run reaches it, Converting
// while it is worked on (in three visible steps), and ends Succeed, Failed or
// Aborted (stopped).
enum class RowStatus { Ready, Converting, Succeed, Failed, Aborted };

// How a row ended. `reason` says why a row failed ("disk full", "name too
// long", "interpreter error: ...") and is empty otherwise; `outputs` are the
// files the row put in place under their final names, in page order, and are
// empty unless it succeeded: a row is all or nothing. `note` is what a row
// that succeeded has to say about its result (kNoTextFound), shown where a
// failed row's reason is; empty otherwise.
struct RowOutcome {
    RowStatus status = RowStatus::Failed;
    std::string reason;
    std::vector<std::string> outputs;
    std::string note{};
};

// The note of a text row whose document holds no text to extract.
inline constexpr const char kNoTextFound[] =
    "no text found: the pages hold only drawings or images";

// The status column's text: "Ready", "Converting." / "Converting.." /
// "Converting..." for `step` 1, 2, 3, "Succeed", "Failed", "Aborted".
inline const char *StatusText(RowStatus status, int step = 1) {
    switch (status) {
    case RowStatus::Ready:
        return "Ready";
    case RowStatus::Converting:
        return step >= 3 ? "Converting..." : step == 2 ? "Converting.." : "Converting.";
    case RowStatus::Succeed:
        return "Succeed";
    case RowStatus::Failed:
        return "Failed";
    case RowStatus::Aborted:
        return "Aborted";
    }
    return "";
}

// The selected-count text a run shows while each row is selected alone.
inline constexpr const char kSelectedOneText[] = "Selected: 1";

class ConversionView {
public:
    virtual ~ConversionView() = default;

    // Select exactly row `row` (focus the list, scroll it into view).
    virtual void SelectOnly(int row) = 0;
    // Row `row` is converting, at visible step `step` (1, 2, 3). Step 1 is
    // the row's first call after SelectOnly and SetProgress.
    virtual void SetConverting(int row, int step) = 0;
    // Set the progress bar (range 0 to 100).
    virtual void SetProgress(int position) = 0;
    // Set the selected-count text of the status line.
    virtual void SetSelectedText(const std::string &text) = 0;
    // End of the run: the Start button gets its idle icon and the caption
    // "Start Converting", and the controls are enabled again.
    virtual void RestoreIdle() = 0;
    // Row `row` starts writing page `page` (from 1) of its `pages` pages, or
    // 0 for `pages` while the row's page count is not known yet (the engine
    // is still rendering). Image rows only; the other kinds go through the
    // engine in one step and report no pages. Optional.
    virtual void PageStarted(int /*row*/, int /*page*/, int /*pages*/) {}
    // The page count row `row`'s document declares (its "%%Pages:" comment,
    // read from the input the engine reads, so a compressed file's too),
    // before its first page; not called when it declares none. A hint for
    // showing progress while the engine can't tell the count, never a limit.
    // Image rows only. Optional.
    virtual void PagesDeclared(int /*row*/, int /*pages*/) {}
    // Row `row` is done with: its one final call, whatever its outcome (rows
    // a stopped run never reached get none).
    virtual void RowFinished(int row, const RowOutcome &outcome) = 0;
};
