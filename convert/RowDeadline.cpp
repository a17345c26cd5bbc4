// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/RowDeadline.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>

namespace {

// How often the interpreter of a row past its time is killed again.
constexpr std::chrono::milliseconds kKillAgain{20};

thread_local RowDeadlines::Row *t_currentRow = nullptr;

} // namespace

void RowDeadlines::Open(std::chrono::milliseconds limit) {
    Close();
    std::lock_guard<std::mutex> lock(m_lock);
    m_open = true;
    m_limit = limit;
}

void RowDeadlines::Close() {
    std::thread done;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_open = false;
        done = std::move(m_thread);
        m_wake.notify_all();
    }
    if (done.joinable())
        done.join();
}

void RowDeadlines::Watch() {
    std::unique_lock<std::mutex> lock(m_lock);
    while (m_open) {
        const auto now = std::chrono::steady_clock::now();
        auto next = std::chrono::steady_clock::time_point::max();
        bool killing = false;
        for (Entry &e : m_entries) {
            if (e.deadline <= now)
                e.expired = true;
            if (!e.expired) {
                next = std::min(next, e.deadline);
                continue;
            }
            killing = true;
            for (int tid : e.tids)
                m_engine.signalThreadRun(tid, SIGKILL);
        }
        if (killing)
            next = std::min(next, now + kKillAgain);
        if (next == std::chrono::steady_clock::time_point::max())
            m_wake.wait(lock);
        else
            m_wake.wait_until(lock, next);
    }
}

RowDeadlines::Row::Row(RowDeadlines &deadlines) : m_deadlines(deadlines), m_outer(t_currentRow) {
    t_currentRow = this;
    std::lock_guard<std::mutex> lock(deadlines.m_lock);
    if (!deadlines.m_open || deadlines.m_limit.count() <= 0 || !deadlines.m_engine.signalThreadRun)
        return;
    if (!deadlines.m_thread.joinable()) {
        try {
            deadlines.m_thread = std::thread([&deadlines] { deadlines.Watch(); });
        } catch (const std::system_error &) {
            return; // no watcher: the row runs without its limit
        }
    }
    Entry &e = deadlines.m_entries.emplace_back();
    e.deadline = std::chrono::steady_clock::now() + deadlines.m_limit;
    m_entry = &e;
    deadlines.m_wake.notify_all();
}

RowDeadlines::Row::~Row() {
    t_currentRow = m_outer;
    if (!m_entry)
        return;
    std::lock_guard<std::mutex> lock(m_deadlines.m_lock);
    m_deadlines.m_entries.remove_if([this](const Entry &e) { return &e == m_entry; });
    m_deadlines.m_wake.notify_all();
}

bool RowDeadlines::Row::Expired() const {
    return m_entry && m_entry->expired.load();
}

RowDeadlines::Row *RowDeadlines::Row::Current() {
    return t_currentRow;
}

RowDeadlines::Step::Step(Row *row) : m_row(row && row->m_entry ? row : nullptr) {
    if (!m_row)
        return;
    m_tid = static_cast<int>(::gettid());
    std::lock_guard<std::mutex> lock(m_row->m_deadlines.m_lock);
    m_row->m_entry->tids.push_back(m_tid);
    // A row already past its time has its new step killed at once.
    m_row->m_deadlines.m_wake.notify_all();
}

RowDeadlines::Step::~Step() {
    if (!m_row)
        return;
    std::lock_guard<std::mutex> lock(m_row->m_deadlines.m_lock);
    std::vector<int> &tids = m_row->m_entry->tids;
    auto it = std::find(tids.begin(), tids.end(), m_tid);
    if (it != tids.end())
        tids.erase(it);
}
