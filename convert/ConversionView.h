// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// ConversionView: what a conversion run shows, implemented by its front end
// (the main window, the command-line front end, tests).
//
// The run calls these from its worker thread(s), one call at a time (the run
// serialises them), and each call must have taken effect when it returns: a
// window marshals it to its own thread and blocks the worker until it has
// been handled (Qt::BlockingQueuedConnection). The one exception is
// RestoreIdle after a worker thread that could not be started: it comes from
// the thread that called ConversionRun::Start. A window implementation should
// therefore run the call directly when it is already on its own thread.
//
// Once the run's m_bRunning reads 0 the run makes no further calls.
#pragma once

#include <string>

// The row status texts.
inline constexpr const char kStatusReady[] = "Ready";
inline constexpr const char kStatusConverting1[] = "Converting.";
inline constexpr const char kStatusConverting2[] = "Converting..";
inline constexpr const char kStatusConverting3[] = "Converting...";
inline constexpr const char kStatusSucceed[] = "Succeed";
inline constexpr const char kStatusFailed[] = "Failed";
inline constexpr const char kStatusAborted[] = "Aborted";

// The selected-count text a run shows while each row is selected alone.
inline constexpr const char kSelectedOneText[] = "Selected: 1";

class ConversionView {
public:
    virtual ~ConversionView() = default;

    // Select exactly row `row` (focus the list, scroll it into view).
    virtual void SelectOnly(int row) = 0;
    // Write the row's "Status" column.
    virtual void SetStatus(int row, const std::string &text) = 0;
    // Set the progress bar (range 0 to 100).
    virtual void SetProgress(int position) = 0;
    // Set the selected-count text of the status line.
    virtual void SetSelectedText(const std::string &text) = 0;
    // End of the run: the Start button gets its idle icon and the caption
    // "Start Converting", and the controls are enabled again.
    virtual void RestoreIdle() = 0;
    // Why row `row` failed: a short English text such as "disk full", "name
    // too long", "output folder is read-only", "not a regular file" or
    // "interpreter error: <the interpreter's first error line>". Called just
    // before the row's "Failed" status is set, and only then. Optional.
    virtual void SetFailReason(int /*row*/, const std::string & /*reason*/) {}
    // Row `row` is done with, whatever its status (it was reached; rows a
    // stopped run never reached get no call). Optional.
    virtual void RowFinished(int /*row*/) {}
    // Row `row` has put the output file `path` in place under its final
    // name; one call per file written. Optional.
    virtual void OutputWritten(int /*row*/, const std::string & /*path*/) {}
    // Row `row` starts writing page `page` (from 1) of its `pages` pages, or
    // 0 for `pages` while the row's page count is not known yet (the engine
    // is still rendering). Image rows only; the other kinds go through the
    // engine in one step and report no pages. Optional.
    virtual void PageStarted(int /*row*/, int /*page*/, int /*pages*/) {}
};
