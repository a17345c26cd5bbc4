// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/ProcessRegistry.h"

#include <sched.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

namespace tessarin {
namespace {

// A slot's process in one word, so a reader never sees half of an entry:
// 0 for a free slot, a pid as itself, pidfd N as -(N + 1).
struct Slot {
    std::atomic<int> process{0};
    // The thread waiting for the process; 0 while the slot is free. It is
    // set after the process and cleared before it, so a process read with a
    // thread beside it is that thread's.
    std::atomic<int> tid{0};
    // The pages the process has reported finished (a warm child writing one
    // output file); -1 until it reports one. Reset before the thread is set.
    std::atomic<int> pages{-1};
};

// Each running thread waits for one process at a time; the table holds as
// many as the two kinds had before they shared it.
constexpr int kSlots = 128;
Slot g_slots[kSlots];
// The requests reading the table now.
std::atomic<int> g_readers{0};
std::atomic<unsigned> g_requests{0};

static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<unsigned>::is_always_lock_free);

constexpr int EncodePidfd(int pidfd) {
    return -(pidfd + 1);
}

// Sends `sig` to the slot's process `process` (as stored); true when it was
// sent. A pid's process group goes first, then the pid alone (the child may
// not have made its session yet).
bool Send(int process, int sig) {
    if (process > 0) {
        kill(-process, sig);
        return kill(process, sig) == 0;
    }
    return syscall(SYS_pidfd_send_signal, -process - 1, sig, nullptr, 0) == 0;
}

int Register(int process, unsigned requests) {
    int slot = -1;
    for (int i = 0; i < kSlots && slot < 0; ++i) {
        int expected = 0;
        if (g_slots[i].process.compare_exchange_strong(expected, process)) {
            g_slots[i].pages.store(-1);
            g_slots[i].tid.store(static_cast<int>(gettid()));
            slot = i;
        }
    }
    if (g_requests.load() != requests)
        Send(process, SIGKILL);
    return slot;
}

} // namespace

unsigned KillRequests() {
    return g_requests.load();
}

int RegisterPid(pid_t pid, unsigned requests) {
    return Register(pid, requests);
}

int RegisterPidfd(int pidfd, unsigned requests) {
    return Register(EncodePidfd(pidfd), requests);
}

void UnregisterProcess(int slot) {
    if (slot < 0)
        return;
    g_slots[slot].tid.store(0);
    g_slots[slot].process.store(0);
    while (g_readers.load() != 0)
        sched_yield();
}

void SetSlotPages(int slot, int pages) {
    if (slot >= 0 && slot < kSlots)
        g_slots[slot].pages.store(pages);
}

int PagesOfThread(int tid) {
    if (tid == 0)
        return -1;
    for (Slot &slot : g_slots) {
        if (slot.tid.load() == tid)
            return slot.pages.load();
    }
    return -1;
}

int KillRegisteredProcesses() {
    g_requests.fetch_add(1);
    g_readers.fetch_add(1);
    int count = 0;
    for (Slot &slot : g_slots) {
        const int process = slot.process.load();
        // A one-off helper counts even when it has just ended, as before the
        // kill it was running.
        if (process != 0 && (Send(process, SIGKILL) || process > 0))
            ++count;
    }
    g_readers.fetch_sub(1);
    return count;
}

int SignalProcessOfThread(int tid, int sig) {
    if (tid == 0)
        return 0;
    g_readers.fetch_add(1);
    int count = 0;
    for (Slot &slot : g_slots) {
        const int process = slot.process.load();
        if (process != 0 && slot.tid.load() == tid && Send(process, sig))
            ++count;
    }
    g_readers.fetch_sub(1);
    return count;
}

} // namespace tessarin
