// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The pages of memory a forked process has written, and copying them ahead.
//
// A forked child shares its parent's memory until it writes a page; each
// first write stops the child (a fault), copies the page and flushes its old
// address translation. On a virtual machine each such fault costs tens of
// microseconds, and an interpreter child writes several hundred pages of its
// server's memory for one small file. The server learns once which pages a
// child writes (WrittenSinceFork, in a child of its own that converts a page
// of the server's own) and each later child copies them in one call
// (CopyAhead: MADV_POPULATE_WRITE), a few microseconds a page. What a page
// holds doesn't change; only when it is copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessarin {

struct PageRange {
    std::uintptr_t start = 0;
    std::size_t length = 0;
};

// The ranges of this process's private writable memory whose pages are its
// own alone (written since it was forked, or never shared), from
// /proc/self/pagemap, in address order with neighbours joined. Mappings
// larger than 1 GiB (a sanitizer's shadow memory) are left out. Empty when
// the kernel doesn't tell.
std::vector<PageRange> WrittenSinceFork();

// Copies the pages of `ranges` for this process now, as a write to each
// would. Ranges that are no longer mapped are skipped; on a kernel without
// MADV_POPULATE_WRITE nothing happens.
void CopyAhead(const std::vector<PageRange> &ranges);

} // namespace tessarin
