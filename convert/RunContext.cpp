// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/RunContext.h"

#include <filesystem>
#include <system_error>
#include <thread>

#include "common/FileRules.h"
#include "convert/PathRules.h"

namespace {

void Pause(std::chrono::milliseconds ms) {
    if (ms.count() > 0)
        std::this_thread::sleep_for(ms);
}

} // namespace

void RunContext::Begin(const ConvertSettings &settings, std::vector<RunRow> rows, RunPacing pacing,
                       int jobs, int memoryLimitMiB) {
    m_settings = settings;
    m_settings.m_szOutputDir = WithTrailingSeparator(m_settings.m_szOutputDir);
    m_rows = std::move(rows);
    for (RunRow &r : m_rows) {
        std::error_code ec;
        std::filesystem::path abs = std::filesystem::absolute(r.path, ec);
        if (!ec)
            r.path = abs.string();
    }
    m_pacing = pacing;
    m_jobs = jobs;
    m_memoryLimitMiB = memoryLimitMiB;
    m_progressCount = 0;
    claims.Reset(m_settings.m_bNewIfExists == 1);
}

std::string RunContext::RowFolder(int i) const {
    const RunRow &row = m_rows[static_cast<std::size_t>(i)];
    return RowOutputFolder(m_settings, row.path, row.subfolder);
}

RowOutcome RunContext::NotDone(const std::string &reason) const {
    // A row that failed after a stop request was stopped (its engine step
    // may have been killed).
    if (Stopped())
        return {RowStatus::Aborted, {}, {}};
    return {RowStatus::Failed, reason.empty() ? "conversion failed" : reason, {}};
}

void RunContext::Select(int row) {
    std::lock_guard<std::mutex> lock(m_viewLock);
    m_view.SelectOnly(row);
}

void RunContext::Converting(int row, int step) {
    std::lock_guard<std::mutex> lock(m_viewLock);
    m_view.SetConverting(row, step);
}

void RunContext::Progress(int row) {
    std::lock_guard<std::mutex> lock(m_viewLock);
    int k = m_jobs <= 1 ? row + 1 : ++m_progressCount;
    m_view.SetProgress((100 * k) / Rows());
}

void RunContext::Page(int row, int page, int pages) {
    std::lock_guard<std::mutex> lock(m_viewLock);
    m_view.PageStarted(row, page, pages);
}

void RunContext::Report(int row, RowOutcome outcome) {
    if (outcome.status != RowStatus::Succeed)
        outcome.outputs.clear();
    std::lock_guard<std::mutex> lock(m_viewLock);
    m_view.RowFinished(row, outcome);
}

void RunContext::View(const std::function<void(ConversionView &)> &call) {
    std::lock_guard<std::mutex> lock(m_viewLock);
    call(m_view);
}

void RunContext::BeginRow(int row) {
    Select(row);
    Progress(row);
    Converting(row, 1);
    Pause(m_pacing.afterFirst);
    Converting(row, 2);
}

void RunContext::PauseAfterSecond() const {
    Pause(m_pacing.afterSecond);
}
