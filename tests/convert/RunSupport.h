// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// What the conversion tests add to the shared support: the real engine
// modules, and a view that records every call a run makes.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "Files.h"
#include "PostScript.h"
#include "Process.h"
#include "TempFolder.h"
#include "convert/ConversionView.h"
#include "convert/EngineModule.h"

namespace testsupport {

// The modules built beside the program; loaded once per process.
const EngineModule &Engine();
// For a forked test child about to end without destructors, as the program
// does: the engine's servers and their scratch folders go first.
void AbandonServers();
const ExtractorModule &Extractor();

// A view that records each call as a line of text:
//   "selected Selected: 1", "select 2", "status 2 Converting.",
//   "progress 66", "restore", and a row's final call as "reason 2 <why>"
//   (a failed row only), "status 2 Failed", "finished 2"
class RecordingView : public ConversionView {
public:
    void SelectOnly(int row) override { Record("select " + std::to_string(row)); }
    void SetConverting(int row, int step) override {
        SetStatus(row, StatusText(RowStatus::Converting, step));
    }
    void SetProgress(int position) override { Record("progress " + std::to_string(position)); }
    void SetSelectedText(const std::string &text) override { Record("selected " + text); }
    void RestoreIdle() override { Record("restore"); }
    void RowFinished(int row, const RowOutcome &outcome) override {
        if (outcome.status == RowStatus::Failed) {
            {
                std::lock_guard<std::mutex> lock(m_lock);
                Row(m_reason, row) = outcome.reason;
            }
            Record("reason " + std::to_string(row) + " " + outcome.reason);
        }
        {
            std::lock_guard<std::mutex> lock(m_lock);
            Row(m_outputs, row) = outcome.outputs;
            Row(m_note, row) = outcome.note;
        }
        SetStatus(row, StatusText(outcome.status));
        Record("finished " + std::to_string(row));
    }

    // Called after each recorded event, on the run's thread.
    std::function<void(const std::string &)> onEvent;

    std::vector<std::string> Events() const;
    std::vector<std::string> EventsMatching(const std::string &prefix) const;
    std::string Status(int row) const;
    // The last reason given for the row's failure (empty when none was).
    std::string Reason(int row) const;
    // The outputs the row's final call named.
    std::vector<std::string> Outputs(int row) const;
    // The note the row's final call carried (empty when none).
    std::string Note(int row) const;

private:
    template <class T> static T &Row(std::vector<T> &v, int row) {
        if (static_cast<std::size_t>(row) >= v.size())
            v.resize(static_cast<std::size_t>(row) + 1);
        return v[static_cast<std::size_t>(row)];
    }
    void SetStatus(int row, const std::string &text) {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            Row(m_status, row) = text;
        }
        Record("status " + std::to_string(row) + " " + text);
    }
    void Record(const std::string &event);
    mutable std::mutex m_lock;
    std::vector<std::string> m_events;
    std::vector<std::string> m_status;
    std::vector<std::string> m_reason;
    std::vector<std::vector<std::string>> m_outputs;
    std::vector<std::string> m_note;
};

// The list index of the image format with extension `ext` (".png").
int FormatIndex(const std::string &ext);

// A recording view that can act when a page starts.
class PageView : public RecordingView {
public:
    std::function<void(int row, int page)> onPage;
    void PageStarted(int row, int page, int) override {
        if (onPage)
            onPage(row, page);
    }
};

} // namespace testsupport
