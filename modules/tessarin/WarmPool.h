// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The warm servers tessarin.so keeps (see WarmClient.h): one per set of
// fixed arguments and data limit, kMaxWarmServers at most, the least
// recently used idle one ended first when another is needed. A server is
// started when the first file needs it; one found dead, or reported dead
// by a file, is ended (its process reaped, its scratch folder removed) once
// no file is running on it. Every server ends when the pool goes (with the
// module or the program). Thread-safe: one lock, held while a server's
// interpreter starts.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "modules/tessarin/WarmRequest.h"
#include "modules/tessarin/WarmServerSlots.h"

namespace tessarin {

// A started server: its slot (process and scratch folder) and the control
// socket. Ended when the last reference goes.
struct PooledServer {
    ServerSlot *slot = nullptr;
    int control = -1;
    std::string key;
    int inFlight = 0; // files running on it now
    bool dead = false;
    unsigned long lastUse = 0;
    ~PooledServer();
};

class WarmPool {
public:
    ~WarmPool();
    // A running server for the request's fixed arguments, started when
    // there is none; null with the start's `code` (and error `line`) when
    // that failed. Counts a file running on it until Release.
    std::shared_ptr<PooledServer> Acquire(const std::string &helper, const WarmRequest &request,
                                          int *code, std::string *line);
    // The file on `server` has ended; `dead` when the server died under it.
    void Release(const std::shared_ptr<PooledServer> &server, bool dead);

private:
    void DropDead();
    void MakeRoom();

    std::mutex m_lock;
    std::vector<std::shared_ptr<PooledServer>> m_servers;
    unsigned long m_clock = 0;
};

// The module's pool.
WarmPool &ThePool();

} // namespace tessarin
