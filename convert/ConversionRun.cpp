// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/ConversionRun.h"

#include <algorithm>
#include <system_error>

#include "common/FileRules.h"
#include "convert/ImageFormat.h"
#include "convert/OutputKind.h"
#include "convert/RowKinds.h"
#include "convert/WorkerPool.h"

ConversionRun::ConversionRun(ConversionView &view, const EngineModule &engine,
                             const ExtractorModule &extractor, std::string tempFolder,
                             std::string memoryFolder)
    : m_engine(engine),
      m_context(view, engine, extractor, WithTrailingSeparator(std::move(tempFolder)),
                WithTrailingSeparator(std::move(memoryFolder)), m_bAbort) {}

ConversionRun::~ConversionRun() {
    Wait();
}

bool ConversionRun::Start(const ConvertSettings &settings, const std::vector<std::string> &paths) {
    std::vector<RunRow> rows;
    rows.reserve(paths.size());
    for (const std::string &p : paths)
        rows.push_back({p, {}});
    return Start(settings, std::move(rows));
}

bool ConversionRun::Start(const ConvertSettings &settings, std::vector<RunRow> rows) {
    if (m_bRunning.load())
        return false;
    Wait();
    const int memoryLimitMiB =
        m_engine.setMemoryLimit ? m_engine.setMemoryLimit(std::max(0, settings.m_nMemLimit)) : 0;
    m_context.Begin(settings, std::move(rows), m_pacing, m_jobs, memoryLimitMiB);
    m_bAbort = 0;
    m_stopTimer.Open();
    m_deadlines.Open(std::chrono::seconds(std::max(0, settings.m_nTimeLimit)));
    m_bRunning = 1;
    try {
        LaunchWorker([this] { ConvertThreadProc(); });
    } catch (const std::exception &) {
        m_stopTimer.Close();
        m_deadlines.Close();
        m_bAbort = 0;
        m_bRunning = 0;
        m_context.View([](ConversionView &view) { view.RestoreIdle(); });
        return false;
    }
    return true;
}

void ConversionRun::RequestStop() {
    if (!m_bRunning.load())
        return;
    m_bAbort = 1;
    m_stopTimer.Arm(kEngineStopGrace);
}

void ConversionRun::StopNow() {
    if (!m_bRunning.load())
        return;
    m_bAbort = 1;
    m_stopTimer.Arm(std::chrono::milliseconds(0));
}

void ConversionRun::Wait() {
    if (m_worker.joinable() && m_worker.get_id() != std::this_thread::get_id())
        m_worker.join();
}

void ConversionRun::LaunchWorker(std::function<void()> body) {
    m_worker = std::thread(std::move(body));
}

void ConversionRun::ConvertThreadProc() {
    m_context.View([](ConversionView &view) { view.SetSelectedText(kSelectedOneText); });
    const ConvertSettings &settings = m_context.Settings();
    if (IsOutputKind(settings.m_nOutputKind)) {
        switch (ToOutputKind(settings.m_nOutputKind)) {
        case OutputKind::Image: {
            const ImageFormatChoice format =
                ImageFormatFromItemText(ImageFormatItemText(settings.m_nFormat));
            WorkerPool pool(m_pageWorkers);
            m_context.pagePool = &pool;
            ForEachRow([this, &format](int i) { return ImageRow(m_context, i, format); });
            m_context.pagePool = nullptr;
            break;
        }
        case OutputKind::Pdf:
            CreatePath(settings.m_szOutputDir);
            ForEachRow([this](int i) { return PdfRow(m_context, i); });
            break;
        case OutputKind::Text:
            CreatePath(settings.m_szOutputDir);
            ForEachRow([this](int i) { return TextRow(m_context, i); });
            break;
        }
    }
    m_context.View([](ConversionView &view) {
        view.RestoreIdle();
        view.SelectOnly(0);
    });
    m_stopTimer.Close();
    m_deadlines.Close();
    // Last: once the front end sees the run idle, no call of ours is pending.
    m_bAbort = 0;
    m_bRunning = 0;
    if (m_endNotice)
        m_endNotice();
}

void ConversionRun::ForEachRow(const std::function<RowOutcome(int)> &rowFn) {
    // True when the pass goes on after row i.
    auto row = [&](int i) {
        RowOutcome outcome = TimedRow(i, rowFn);
        const bool stopped = outcome.status == RowStatus::Aborted;
        m_context.Report(i, std::move(outcome));
        return !stopped;
    };
    const int n = m_context.Rows();
    if (m_jobs <= 1 || n <= 1) {
        for (int i = 0; i < n; ++i) {
            if (m_bAbort.load() || !row(i))
                return;
        }
        return;
    }
    std::atomic<int> next{0};
    std::atomic<bool> ended{false};
    auto work = [&] {
        for (;;) {
            if (m_bAbort.load() || ended.load())
                return;
            int i = next.fetch_add(1);
            if (i >= n)
                return;
            if (!row(i))
                ended = true;
        }
    };
    std::vector<std::thread> helpers;
    for (int k = 1; k < std::min(m_jobs, n); ++k) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error &) {
            break; // fewer helpers; the rows still all get done
        }
    }
    work();
    for (std::thread &t : helpers)
        t.join();
}

RowOutcome ConversionRun::TimedRow(int i, const std::function<RowOutcome(int)> &rowFn) {
    RowDeadlines::Row limit(m_deadlines);
    RowOutcome outcome = rowFn(i);
    // Whatever the killed interpreter left made the row fail (or stop
    // early); the reason is its time.
    if (limit.Expired() && outcome.status != RowStatus::Succeed && !m_bAbort.load())
        outcome = {RowStatus::Failed,
                   "took longer than " + std::to_string(m_context.Settings().m_nTimeLimit) + " s",
                   {}};
    return outcome;
}
