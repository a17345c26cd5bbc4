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
const ExtractorModule &Extractor();

// A view that records each call as a line of text:
//   "selected Selected: 1", "select 2", "status 2 Converting.",
//   "progress 66", "restore", "finished 2"
class RecordingView : public ConversionView {
public:
    void SelectOnly(int row) override { Record("select " + std::to_string(row)); }
    void SetStatus(int row, const std::string &text) override {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (static_cast<std::size_t>(row) >= m_status.size())
                m_status.resize(static_cast<std::size_t>(row) + 1);
            m_status[static_cast<std::size_t>(row)] = text;
        }
        Record("status " + std::to_string(row) + " " + text);
    }
    void SetProgress(int position) override { Record("progress " + std::to_string(position)); }
    void SetSelectedText(const std::string &text) override { Record("selected " + text); }
    void RestoreIdle() override { Record("restore"); }
    void RowFinished(int row) override { Record("finished " + std::to_string(row)); }
    void SetFailReason(int row, const std::string &reason) override {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (static_cast<std::size_t>(row) >= m_reason.size())
                m_reason.resize(static_cast<std::size_t>(row) + 1);
            m_reason[static_cast<std::size_t>(row)] = reason;
        }
        Record("reason " + std::to_string(row) + " " + reason);
    }

    // Called after each recorded event, on the run's thread.
    std::function<void(const std::string &)> onEvent;

    std::vector<std::string> Events() const;
    std::vector<std::string> EventsMatching(const std::string &prefix) const;
    std::string Status(int row) const;
    // The last reason given for the row's failure (empty when none was).
    std::string Reason(int row) const;

private:
    void Record(const std::string &event);
    mutable std::mutex m_lock;
    std::vector<std::string> m_events;
    std::vector<std::string> m_status;
    std::vector<std::string> m_reason;
};

} // namespace testsupport
