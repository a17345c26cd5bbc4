// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// RunSteps: what the conversion run's row functions share across its source
// files (ConversionRun.cpp, ImageRows.cpp): the engine's result and its
// reasons, and the output names a row holds. Internal to the run.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "convert/ConversionRun.h"
#include "convert/EngineArgs.h"
#include "convert/RowDeadline.h"

// The engine's result code for `args`; `errorLine` receives the
// interpreter's first error line. The step counts against the time of `row`
// (by default the calling thread's current row).
int EngineCode(const EngineModule &engine, ArgumentVector args, std::string *errorLine,
               RowDeadlines::Row *row = RowDeadlines::Row::Current());
bool EngineSucceeded(int code);
// Why the engine's run with result `code` failed; `memoryLimitMiB` is the
// interpreter's memory limit (0: unknown).
std::string EngineFailReason(int code, const std::string &errorLine, int memoryLimitMiB);

// The output names one row holds; released when the row is done with. The
// names it put in place (m_published) stay the run's written names.
class ConversionRun::Claims {
public:
    explicit Claims(ConversionRun &run) : m_run(run) {}
    ~Claims() {
        std::lock_guard<std::mutex> lock(m_run.m_claimLock);
        for (const std::string &n : m_names)
            m_run.m_claimed.erase(n);
        m_run.m_written.insert(m_published.begin(), m_published.end());
    }
    Claims(const Claims &) = delete;
    Claims &operator=(const Claims &) = delete;
    std::vector<std::string> m_names;
    std::vector<std::string> m_published;

private:
    ConversionRun &m_run;
};
