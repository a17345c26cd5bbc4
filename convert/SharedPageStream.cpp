// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/SharedPageStream.h"

#include <unistd.h>

#include "convert/RunEngine.h"

SharedPageStream::SharedPageStream(PageShares shares, const std::vector<std::string> &folders,
                                   int boundPerShare)
    : m_shares(shares), m_ended(static_cast<std::size_t>(shares.Count()), 0) {
    for (int s = 0; s < m_shares.Count(); ++s)
        m_streams.push_back(
            std::make_unique<PageStream>(folders[static_cast<std::size_t>(s)], boundPerShare));
}

SharedPageStream::~SharedPageStream() {
    if (!m_takers.empty())
        Finish(true);
}

void SharedPageStream::SetStopTest(const std::function<bool()> &test) {
    for (auto &stream : m_streams)
        stream->SetStopTest(test);
}

void SharedPageStream::SetEngineSignal(EngineSignalThreadRunFn signal) {
    for (auto &stream : m_streams)
        stream->SetEngineSignal(signal);
}

void SharedPageStream::Start(const std::function<int(int)> &engine) {
    for (int s = 0; s < m_shares.Count(); ++s)
        m_streams[static_cast<std::size_t>(s)]->Start([engine, s] { return engine(s); });
    for (int s = 0; s < m_shares.Count(); ++s)
        m_takers.emplace_back([this, s] { Take(s); });
}

// Share s's pages, as they complete, into m_ready; once the row is closing,
// straight away deleted.
void SharedPageStream::Take(int s) {
    PageStream &stream = *m_streams[static_cast<std::size_t>(s)];
    for (int j = 1;; ++j) {
        std::string page = stream.Next();
        std::unique_lock<std::mutex> lock(m_lock);
        if (page.empty()) {
            m_ended[static_cast<std::size_t>(s)] = 1;
            m_changed.notify_all();
            return;
        }
        const int k = m_shares.DocumentPage(s, j);
        if (m_closing || k == 0 || k < m_next) {
            m_surplus = true; // past the page the row ended at
            lock.unlock();
            ::unlink(page.c_str());
            stream.Done();
            continue;
        }
        m_ready[k] = std::move(page);
        m_changed.notify_all();
    }
}

std::string SharedPageStream::Next() {
    std::unique_lock<std::mutex> lock(m_lock);
    const auto owner = static_cast<std::size_t>(m_shares.Owner(m_next));
    m_changed.wait(lock, [&] { return m_ready.count(m_next) > 0 || m_ended[owner]; });
    auto found = m_ready.find(m_next);
    if (found == m_ready.end())
        return {};
    std::string page = std::move(found->second);
    m_ready.erase(found);
    ++m_next;
    return page;
}

void SharedPageStream::Done(int k) {
    m_streams[static_cast<std::size_t>(m_shares.Owner(k))]->Done();
}

SharedPageStream::Result SharedPageStream::Finish(bool stopRest) {
    Result result;
    // The share the pages ended at failed: the others have nothing to add.
    const int first = m_shares.Owner(m_next);
    bool firstEnded;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        firstEnded = m_ended[static_cast<std::size_t>(first)] != 0;
    }
    if (firstEnded && !EngineSucceeded(m_streams[static_cast<std::size_t>(first)]->Finish()))
        stopRest = true;
    std::map<int, std::string> left;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_closing = true;
        left.swap(m_ready);
        m_surplus = m_surplus || !left.empty();
    }
    for (auto &[k, page] : left) {
        ::unlink(page.c_str());
        Done(k);
    }
    // A stop of the row's own cuts nothing a user asked for.
    auto cut = [this] {
        for (auto &stream : m_streams)
            if (stream->Cut())
                return true;
        return false;
    };
    if (stopRest) {
        result.cut = cut();
        for (auto &stream : m_streams)
            stream->Stop();
    }
    for (std::thread &taker : m_takers)
        taker.join();
    m_takers.clear();
    if (!stopRest)
        result.cut = cut();
    result.surplus = m_surplus;
    // The share that ended the row's pages first, then the others in order.
    for (int n = 0; n < m_shares.Count(); ++n) {
        const int s = (first + n) % m_shares.Count();
        const int code = m_streams[static_cast<std::size_t>(s)]->Finish();
        if (!EngineSucceeded(code) && result.failedShare < 0) {
            result.engineCode = code;
            result.failedShare = s;
        }
    }
    return result;
}

int SharedPageStream::PeakWaiting() const {
    int peak = 0;
    for (const auto &stream : m_streams)
        peak += stream->PeakWaiting();
    return peak;
}
