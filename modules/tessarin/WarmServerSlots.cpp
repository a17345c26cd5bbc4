// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/WarmServerSlots.h"

#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "modules/tessarin/HelperConstants.h"
#include "modules/tessarin/ScratchFolder.h"
#include "modules/tessarin/WarmClient.h"

namespace tessarin {
namespace {

// The pool keeps at most kMaxWarmServers, and ends one before it starts
// another; the rest is a margin.
constexpr int kServerSlots = 4 * kMaxWarmServers;
ServerSlot g_serverSlots[kServerSlots];
std::atomic<bool> g_abandoned{false};
// How long abandoning waits for a server whose process is being made.
constexpr int kStartingWaitMs = 2000;

// Waits, for kStartingWaitMs at most, while the slot is in `state`.
void WaitWhileIn(ServerSlot &slot, int state) {
    for (int waited = 0; slot.state.load() == state && waited < kStartingWaitMs; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

} // namespace

ServerSlot *ClaimServerSlot() {
    for (ServerSlot &slot : g_serverSlots) {
        int expected = kSlotFree;
        if (slot.state.compare_exchange_strong(expected, kSlotStarting)) {
            if (!g_abandoned.load())
                return &slot;
            slot.state.store(kSlotFree);
            return nullptr;
        }
    }
    return nullptr;
}

bool WarmServersAbandoned() {
    return g_abandoned.load();
}

bool MakeServerScratch(ServerSlot &slot) {
    const std::string path = MakeScratchFolder();
    if (path.empty())
        return false;
    if (path.size() >= sizeof slot.scratch) {
        RemoveScratchFolder(path);
        return false;
    }
    std::memcpy(slot.scratch, path.c_str(), path.size() + 1);
    return true;
}

bool EndServerProcess(ServerSlot &slot, int *status) {
    *status = -1;
    pid_t pid = slot.pid.exchange(0);
    if (pid <= 0)
        return false;
    kill(pid, SIGKILL);
    while (waitpid(pid, status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

// Once its server is reaped nothing should write in the folder any more; a
// child of the server killed just before may still be leaving, so an entry
// made meanwhile is tried again.
bool RemoveServerScratch(ServerSlot &slot) {
    int expected = kSlotLive;
    if (!slot.state.compare_exchange_strong(expected, kSlotEnded))
        return false;
    for (int tries = 0; tries < 3 && !RemoveScratchFolder(slot.scratch); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return true;
}

int AbandonWarmServers() {
    g_abandoned.store(true);
    int count = 0;
    for (ServerSlot &slot : g_serverSlots) {
        // A slot free now stays free. One in use is counted even when the
        // thread starting its server sees the abandonment and ends it first.
        if (slot.state.load() == kSlotFree)
            continue;
        ++count;
        WaitWhileIn(slot, kSlotStarting);
        int status;
        EndServerProcess(slot, &status);
        // Unless another thread ending this server removes its folder right
        // now; then until it has.
        if (!RemoveServerScratch(slot))
            WaitWhileIn(slot, kSlotEnded);
    }
    return count;
}

} // namespace tessarin
