// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The warm servers' processes and scratch folders, kept in a fixed table
// beside the pool (WarmPool.h) so that AbandonWarmServers (WarmClient.h) can
// end them without the pool's lock, which a thread holds while a server's
// interpreter starts.
//
// A slot is claimed before its folder is made; it is Starting while the
// folder is made and the process forked, Live after. Whoever exchanges a
// slot's pid for 0 ends and reaps that process; whoever moves it from Live
// to Ended removes its folder; the pool gives it back (Free) after both.
// Once the servers are abandoned no slot is claimed any more. Lock-free.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <climits>

namespace tessarin {

enum ServerSlotState : int { kSlotFree, kSlotStarting, kSlotLive, kSlotEnded };

struct ServerSlot {
    std::atomic<int> state{kSlotFree};
    std::atomic<pid_t> pid{0};
    char scratch[PATH_MAX] = {};
};

// A Free slot, now Starting; null when there is none or the servers have
// been abandoned.
ServerSlot *ClaimServerSlot();

// True once AbandonWarmServers has been called.
bool WarmServersAbandoned();

// Makes the slot's scratch folder (MakeScratchFolder); false when none
// could be made.
bool MakeServerScratch(ServerSlot &slot);

// Ends and reaps the slot's process unless someone else has; false when it
// wasn't this call's to end. `status` receives its wait status (-1 when
// unknown).
bool EndServerProcess(ServerSlot &slot, int *status);

// Moves a Live slot to Ended and removes its folder; false, removing
// nothing, when the slot wasn't Live.
bool RemoveServerScratch(ServerSlot &slot);

} // namespace tessarin
