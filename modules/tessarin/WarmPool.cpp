// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/WarmPool.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "modules/tessarin/HelperConstants.h"
#include "modules/tessarin/HelperSpawn.h"
#include "modules/tessarin/Tessarin.h"
#include "modules/tessarin/WarmClient.h"
#include "modules/tessarin/WarmProtocol.h"

namespace tessarin {
namespace {

using warm::Kind;
using warm::Message;

// How long a server may take to start its interpreter.
constexpr int kStartTimeoutMs = 60000;

// Ends the server, reaps it, removes its scratch folder and gives its slot
// back; its exit status (-1 when unknown).
int StopServer(PooledServer &server) {
    if (server.control >= 0)
        close(server.control);
    server.control = -1;
    int status = -1;
    if (server.slot) {
        EndServerProcess(*server.slot, &status);
        RemoveServerScratch(*server.slot);
        server.slot->state.store(kSlotFree);
        server.slot = nullptr;
    }
    return status;
}

bool StillRunning(const PooledServer &server) {
    pollfd p{server.control, POLLIN, 0};
    return !server.dead && poll(&p, 1, 0) == 0;
}

// A server's key: its fixed arguments and the data limit its helper is
// started with, so a file never runs under the limit of another setting.
std::string KeyOf(const std::vector<std::string> &fixed) {
    std::string key;
    for (const std::string &a : fixed) {
        key += a;
        key += '\0';
    }
    return key + std::to_string(HelperDataLimitMiB());
}

// Forks the server's process with its control socket; false (the server
// stopped) when that failed.
bool SpawnServer(PooledServer &server, const std::string &helper) {
    ServerSlot &slot = *server.slot;
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv) != 0) {
        slot.state.store(kSlotLive); // the folder is there to be removed
        StopServer(server);
        return false;
    }
    std::string name = "tessarin-run";
    std::string flag = warm::kServerSwitch;
    char *args[] = {name.data(), flag.data(), nullptr};
    pid_t pid = SpawnHelper(helper, args, slot.scratch, sv[1], HelperKind::Server);
    close(sv[1]);
    server.control = sv[0];
    slot.pid.store(pid > 0 ? pid : 0);
    slot.state.store(kSlotLive);
    // Abandoning waits for a slot being started only so long.
    if (pid < 0 || WarmServersAbandoned()) {
        StopServer(server);
        return false;
    }
    return true;
}

// Starts a server and its interpreter; null with `code` (and `line`) when
// that failed.
std::shared_ptr<PooledServer> StartServer(const std::string &helper, const WarmRequest &request,
                                          int *code, std::string *line) {
    auto server = std::make_shared<PooledServer>();
    server->key = KeyOf(request.fixed);
    *code = TESSARIN_E_START;
    server->slot = ClaimServerSlot();
    if (!server->slot)
        return nullptr;
    if (!MakeServerScratch(*server->slot)) {
        server->slot->state.store(kSlotFree);
        server->slot = nullptr;
        return nullptr;
    }
    if (!SpawnServer(*server, helper))
        return nullptr;
    Message ready;
    pollfd p{server->control, POLLIN, 0};
    bool answered = warm::Send(server->control, Kind::Init, warm::PackStrings(request.fixed)) &&
                    poll(&p, 1, kStartTimeoutMs) == 1 &&
                    warm::Receive(server->control, &ready) == 1 && ready.kind == Kind::Ready &&
                    warm::UnpackCode(ready.body, code, line);
    warm::CloseFds(ready);
    if (answered && (*code == 0 || *code == kInterpreterQuit))
        return server;
    int status = StopServer(*server);
    if (!answered)
        *code = WIFEXITED(status) && WEXITSTATUS(status) == kExecFailedStatus ? TESSARIN_E_START
                                                                              : TESSARIN_E_DIED;
    return nullptr;
}

} // namespace

PooledServer::~PooledServer() {
    StopServer(*this);
}

WarmPool::~WarmPool() {
    for (auto &server : m_servers)
        StopServer(*server);
}

void WarmPool::DropDead() {
    for (auto it = m_servers.begin(); it != m_servers.end();) {
        if ((*it)->inFlight == 0 && !StillRunning(**it)) {
            StopServer(**it);
            it = m_servers.erase(it);
        } else {
            ++it;
        }
    }
}

void WarmPool::MakeRoom() {
    while (m_servers.size() >= static_cast<size_t>(kMaxWarmServers)) {
        auto oldest = m_servers.end();
        for (auto it = m_servers.begin(); it != m_servers.end(); ++it) {
            if ((*it)->inFlight == 0 &&
                (oldest == m_servers.end() || (*it)->lastUse < (*oldest)->lastUse))
                oldest = it;
        }
        if (oldest == m_servers.end())
            return;
        StopServer(**oldest);
        m_servers.erase(oldest);
    }
}

std::shared_ptr<PooledServer> WarmPool::Acquire(const std::string &helper,
                                                const WarmRequest &request, int *code,
                                                std::string *line) {
    std::lock_guard<std::mutex> guard(m_lock);
    DropDead();
    const std::string key = KeyOf(request.fixed);
    std::shared_ptr<PooledServer> found;
    for (auto &server : m_servers) {
        if (server->key == key && StillRunning(*server))
            found = server;
    }
    if (!found) {
        MakeRoom();
        found = StartServer(helper, request, code, line);
        if (!found)
            return nullptr;
        m_servers.push_back(found);
    }
    ++found->inFlight;
    found->lastUse = ++m_clock;
    return found;
}

void WarmPool::Release(const std::shared_ptr<PooledServer> &server, bool dead) {
    std::lock_guard<std::mutex> guard(m_lock);
    --server->inFlight;
    server->dead = server->dead || dead;
    if (server->dead && server->inFlight == 0) {
        StopServer(*server);
        std::erase(m_servers, server);
    }
}

WarmPool &ThePool() {
    static WarmPool pool;
    return pool;
}

} // namespace tessarin
