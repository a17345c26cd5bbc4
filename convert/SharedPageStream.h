// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// SharedPageStream: the pages of one row rendered by the shares of a
// PageShares, handed out in document order.
//
// Each share has a PageStream of its own (its folder, its interpreter, its
// bound) and a thread that takes that stream's pages as they complete.
// Next() hands out document page 1, 2, 3, ... from whichever share renders
// it; a page handed out counts against its share's bound until Done(k), so
// no share runs ahead of the others by more than its bound, and the whole
// row never has more than shares x bound page files waiting.
//
// Call order, on the row's thread: Start once; Next until it returns the
// empty text (the share that should have rendered the next page has ended,
// or a stop came); Done(k) for every page handed out, from any thread;
// Finish once. The stop test is each stream's (PageStream.h): a stop cuts
// the row as it cuts one stream. Nothing throws out of these calls except
// Start (std::system_error when a thread can't be started).
#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "convert/PageShares.h"
#include "convert/PageStream.h"

class SharedPageStream {
public:
    // One folder (ending in '/') per share.
    SharedPageStream(PageShares shares, const std::vector<std::string> &folders, int boundPerShare);
    ~SharedPageStream();
    SharedPageStream(const SharedPageStream &) = delete;
    SharedPageStream &operator=(const SharedPageStream &) = delete;

    // As PageStream's, for every share. Set before Start.
    void SetStopTest(const std::function<bool()> &test);
    void SetEngineSignal(EngineSignalThreadRunFn signal);
    // Starts `engine(s)` for each share s; it returns that share's result code.
    void Start(const std::function<int(int)> &engine);
    // The file of the next document page, once complete; empty at the end.
    std::string Next();
    // Document page `k`, handed out by Next, has been read and deleted.
    void Done(int k);

    struct Result {
        int engineCode = 0;  // the first failing share's code (by the page it failed at)
        int failedShare = -1; // the share it came from, or -1: none failed
        bool cut = false;     // a stop kept a rendered page from being handed out
        bool surplus = false; // a share rendered pages past the document's end
    };
    // Ends the row's rendering: the shares still running are stopped when
    // `stopRest` (the row has failed) or else run to their end; every page
    // not handed out is deleted. Waits for every share.
    Result Finish(bool stopRest);

    // Test hook: the most pages that waited at once, over all shares.
    int PeakWaiting() const;

private:
    void Take(int s);

    PageShares m_shares;
    std::vector<std::unique_ptr<PageStream>> m_streams;
    std::vector<std::thread> m_takers;

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::map<int, std::string> m_ready; // complete pages not yet handed out, by page
    std::vector<char> m_ended;          // a share's stream has no further page
    bool m_closing = false;             // Finish: pages go as they come
    bool m_surplus = false;
    int m_next = 1; // the next page to hand out
};
