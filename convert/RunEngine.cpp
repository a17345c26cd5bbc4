// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/RunEngine.h"

#include <system_error>
#include <utility>

#include "convert/ErrorLine.h"
#include "modules/tessarin/Tessarin.h"

int RunEngineCode(const EngineModule &engine, int argc, char **argv) {
    return RunEngineCode(engine, argc, argv, nullptr);
}

int RunEngineCode(const EngineModule &engine, int argc, char **argv, std::string *errorLine) {
    if (errorLine)
        errorLine->clear();
    if (!engine.create || !engine.run || !engine.exit || !engine.destroy)
        return -100;
    void *instance = nullptr;
    int code = engine.create(&instance, nullptr);
    if (code < 0)
        return code;
    code = engine.run(instance, argc, argv);
    if (errorLine && engine.errorText) {
        char line[256];
        engine.errorText(instance, line, sizeof line);
        *errorLine = PrintableErrorLine(line);
    }
    engine.exit(instance);
    engine.destroy(instance);
    return code;
}

bool RunEngine(const EngineModule &engine, int argc, char **argv) {
    return EngineSucceeded(RunEngineCode(engine, argc, argv));
}

int EngineCode(const EngineModule &engine, ArgumentVector args, std::string *errorLine,
               RowDeadlines::Row *row) {
    ArgvView view(args);
    RowDeadlines::Step step(row);
    return RunEngineCode(engine, view.argc(), view.argv(), errorLine);
}

bool EngineSucceeded(int code) {
    return code == 0 || code == kEngineQuit;
}

std::string EngineFailReason(int code, const std::string &errorLine, int memoryLimitMiB) {
    // Out of memory under the limit: told by the code, or, when the document
    // handled the error itself and ended otherwise, by its error line.
    const bool vmError = code == TESSARIN_VMERROR || code == TESSARIN_E_MEMORY ||
                         errorLine.rfind("/VMerror", 0) == 0;
    if (vmError && memoryLimitMiB > 0)
        return "the interpreter needed more than " + std::to_string(memoryLimitMiB) + " MiB";
    if (code < TESSARIN_E_SIGNAL_BASE && code >= TESSARIN_E_SIGNAL_LAST)
        return "the interpreter stopped unexpectedly (signal " +
               std::to_string(TESSARIN_E_SIGNAL_BASE - code) + ")";
    if (code == TESSARIN_E_DIED)
        return "the interpreter stopped unexpectedly";
    if (code == TESSARIN_E_CONFINE)
        return "the interpreter could not be confined";
    if (!errorLine.empty())
        return "interpreter error: " + errorLine;
    return "interpreter error (code " + std::to_string(code) + ")";
}

bool RunEngine(const EngineModule &engine, ArgumentVector args) {
    ArgvView view(args);
    return RunEngine(engine, view.argc(), view.argv());
}

// ---------------------------------------------------------------------------
// EngineStopTimer

void EngineStopTimer::Open() {
    Close();
    std::lock_guard<std::mutex> lock(m_lock);
    m_open = true;
    m_armed = false;
}

void EngineStopTimer::Arm(std::chrono::milliseconds delay) {
    std::unique_lock<std::mutex> lock(m_lock);
    if (!m_open || !m_engine.killRunning)
        return;
    auto deadline = std::chrono::steady_clock::now() + delay;
    if (m_armed && m_deadline <= deadline)
        return;
    m_deadline = deadline;
    if (!m_armed && !m_thread.joinable()) {
        try {
            m_thread = std::thread([this] { Watch(); });
        } catch (const std::system_error &) {
            return; // no timer: the run still stops at its next check
        }
    }
    m_armed = true;
    m_wake.notify_all();
}

void EngineStopTimer::Close() {
    std::thread done;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_open = false;
        m_armed = false;
        done = std::move(m_thread);
        m_wake.notify_all();
    }
    if (done.joinable() && done.get_id() != std::this_thread::get_id())
        done.join();
    else if (done.joinable())
        done.detach();
}

void EngineStopTimer::Watch() {
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        if (!m_open)
            return;
        if (!m_armed || std::chrono::steady_clock::now() < m_deadline) {
            if (m_armed)
                m_wake.wait_until(lock, m_deadline);
            else
                m_wake.wait(lock);
            continue;
        }
        m_engine.killRunning();
        m_wake.wait_for(lock, std::chrono::milliseconds(20));
    }
}
