// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/WarmClient.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "modules/tessarin/HelperProcess.h"
#include "modules/tessarin/Tessarin.h"
#include "modules/tessarin/WarmProtocol.h"

namespace tessarin {
namespace {

using warm::Kind;
using warm::Message;

using warm::kOutputEntry;
constexpr int kExecFailedStatus = 127;
constexpr int kQuit = -101;
constexpr int kUndefinedFileName = -22;
constexpr int kInvalidFileAccess = -9;
// How long a server may take to start its interpreter.
constexpr int kStartTimeoutMs = 60000;
// How long a child that has handed back its result may take to end.
constexpr int kExitGraceMs = 10000;

// ---------------------------------------------------------------------------
// Files running on servers: a pidfd of each child and the thread waiting for
// it. Read without locks by KillWarmRuns; a slot is cleared and the table
// drained of readers before its pidfd is closed.

struct RunSlot {
    std::atomic<int> pidfd{-1};
    std::atomic<int> tid{0};
};
constexpr int kSlots = 64;
RunSlot g_runs[kSlots];
std::atomic<int> g_readers{0};
std::atomic<unsigned> g_killEpoch{0};

int SendSignal(int pidfd, int sig) {
    return static_cast<int>(syscall(SYS_pidfd_send_signal, pidfd, sig, nullptr, 0));
}

int RegisterRun(int pidfd) {
    for (int i = 0; i < kSlots; ++i) {
        int expected = -1;
        if (g_runs[i].pidfd.compare_exchange_strong(expected, pidfd)) {
            g_runs[i].tid.store(static_cast<int>(gettid()));
            return i;
        }
    }
    return -1;
}

void UnregisterRun(int slot) {
    if (slot < 0)
        return;
    g_runs[slot].tid.store(0);
    g_runs[slot].pidfd.store(-1);
    while (g_readers.load() != 0)
        sched_yield();
}

// ---------------------------------------------------------------------------
// Servers' processes and scratch folders, kept in a fixed table beside the
// pool so that a given-up run can end them without the pool's lock, which a
// thread holds while a server's interpreter starts. A slot is claimed before
// the folder is made; it is Starting while the folder is made and the
// process forked, Live after. Whoever exchanges a slot's pid for 0 ends and
// reaps that process; whoever moves it from Live to Ended removes its folder.
// Once the servers are abandoned no slot is claimed any more.

enum SlotState : int { kSlotFree, kSlotStarting, kSlotLive, kSlotEnded };

struct ServerSlot {
    std::atomic<int> state{kSlotFree};
    std::atomic<pid_t> pid{0};
    char scratch[PATH_MAX] = {};
};
// The pool keeps at most kMaxWarmServers, and ends one before it starts
// another; the rest is a margin.
constexpr int kServerSlots = 4 * kMaxWarmServers;
ServerSlot g_serverSlots[kServerSlots];
std::atomic<bool> g_abandoned{false};
// How long abandoning waits for a server whose process is being made.
constexpr int kStartingWaitMs = 2000;

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

// Makes the slot's scratch folder (a private folder under the temporary
// folder, as ScratchFolder makes one); false when none could be made.
bool MakeScratch(ServerSlot &slot) {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec)
        base = "/tmp";
    std::string pattern = (base / "tessarin-XXXXXX").string();
    if (pattern.size() >= sizeof slot.scratch)
        return false;
    std::memcpy(slot.scratch, pattern.c_str(), pattern.size() + 1);
    return mkdtemp(slot.scratch) != nullptr;
}

// Ends and reaps the slot's process unless someone else has; false when it
// wasn't this call's to end. `status` receives its wait status (-1 when
// unknown).
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

// Removes the slot's folder unless someone else does; false then. Once its
// server is reaped nothing should write there any more; a child of the
// server killed just before may still be leaving, so an entry made meanwhile
// is tried again.
bool RemoveServerScratch(ServerSlot &slot) {
    int expected = kSlotLive;
    if (!slot.state.compare_exchange_strong(expected, kSlotEnded))
        return false;
    for (int tries = 0; tries < 3; ++tries) {
        std::error_code ec;
        std::filesystem::remove_all(slot.scratch, ec);
        if (!ec)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Waits, for kStartingWaitMs at most, while the slot is in `state`.
void WaitWhileIn(ServerSlot &slot, int state) {
    for (int waited = 0; slot.state.load() == state && waited < kStartingWaitMs; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// ---------------------------------------------------------------------------
// Servers

struct Server {
    ServerSlot *slot = nullptr;
    int control = -1;
    std::string key;
    int inFlight = 0;
    bool dead = false;
    unsigned long lastUse = 0;
    ~Server();
};

// Ends the server, reaps it, removes its scratch folder and gives its slot
// back; its exit status (-1 when unknown).
int StopServer(Server &server) {
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

Server::~Server() {
    StopServer(*this);
}

bool StillRunning(const Server &server) {
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

// Starts a server and its interpreter; null with `code` (and `line`) when
// that failed.
std::shared_ptr<Server> StartServer(const std::string &helper, const WarmRequest &request,
                                    int *code, std::string *line) {
    auto server = std::make_shared<Server>();
    server->key = KeyOf(request.fixed);
    *code = TESSARIN_E_START;
    server->slot = ClaimServerSlot();
    if (!server->slot)
        return nullptr;
    ServerSlot &slot = *server->slot;
    int sv[2];
    if (!MakeScratch(slot)) {
        slot.state.store(kSlotFree);
        server->slot = nullptr;
        return nullptr;
    }
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv) != 0) {
        slot.state.store(kSlotLive); // the folder is there to be removed
        StopServer(*server);
        return nullptr;
    }
    std::string name = "tessarin-run";
    std::string flag = warm::kServerSwitch;
    char *args[] = {name.data(), flag.data(), nullptr};
    pid_t pid = SpawnHelper(helper, args, slot.scratch, sv[1], HelperKind::Server);
    close(sv[1]);
    server->control = sv[0];
    slot.pid.store(pid > 0 ? pid : 0);
    slot.state.store(kSlotLive);
    // Abandoning waits for a slot being started only so long.
    if (pid < 0 || g_abandoned.load()) {
        StopServer(*server);
        return nullptr;
    }
    Message ready;
    pollfd p{server->control, POLLIN, 0};
    bool answered = warm::Send(server->control, Kind::Init, warm::PackStrings(request.fixed)) &&
                    poll(&p, 1, kStartTimeoutMs) == 1 &&
                    warm::Receive(server->control, &ready) == 1 && ready.kind == Kind::Ready &&
                    warm::UnpackCode(ready.body, code, line);
    warm::CloseFds(ready);
    if (answered && (*code == 0 || *code == kQuit))
        return server;
    int status = StopServer(*server);
    if (!answered)
        *code = WIFEXITED(status) && WEXITSTATUS(status) == kExecFailedStatus ? TESSARIN_E_START
                                                                              : TESSARIN_E_DIED;
    return nullptr;
}

class Pool {
public:
    ~Pool() {
        for (auto &server : m_servers)
            StopServer(*server);
    }
    std::shared_ptr<Server> Acquire(const std::string &helper, const WarmRequest &request,
                                    int *code, std::string *line);
    void Release(const std::shared_ptr<Server> &server, bool dead);

private:
    void DropDead();
    void MakeRoom();

    std::mutex m_lock;
    std::vector<std::shared_ptr<Server>> m_servers;
    unsigned long m_clock = 0;
};

void Pool::DropDead() {
    for (auto it = m_servers.begin(); it != m_servers.end();) {
        if ((*it)->inFlight == 0 && !StillRunning(**it)) {
            StopServer(**it);
            it = m_servers.erase(it);
        } else {
            ++it;
        }
    }
}

void Pool::MakeRoom() {
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

std::shared_ptr<Server> Pool::Acquire(const std::string &helper, const WarmRequest &request,
                                      int *code, std::string *line) {
    std::lock_guard<std::mutex> guard(m_lock);
    DropDead();
    const std::string key = KeyOf(request.fixed);
    std::shared_ptr<Server> found;
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

void Pool::Release(const std::shared_ptr<Server> &server, bool dead) {
    std::lock_guard<std::mutex> guard(m_lock);
    --server->inFlight;
    server->dead = server->dead || dead;
    if (server->dead && server->inFlight == 0) {
        StopServer(*server);
        std::erase(m_servers, server);
    }
}

Pool &ThePool() {
    static Pool pool;
    return pool;
}

// ---------------------------------------------------------------------------
// One file

struct Outcome {
    int code = TESSARIN_E_DIED;
    bool serverDied = false;
    bool retry = false; // the server died before it took the file
};

// What the reply socket told about one file.
struct Reply {
    bool started = false;
    bool haveCode = false;
    bool ended = false;
    int code = 0;
    std::string line;
    int status = 0;
};

// Reads the reply socket to its end; a child that has handed back its code
// and does not end is killed after the grace.
Reply AwaitFile(int reply, unsigned epoch) {
    Reply r;
    int slot = -1;
    int pidfd = -1;
    bool killed = false;
    for (;;) {
        pollfd p{reply, POLLIN, 0};
        int n = poll(&p, 1, r.haveCode && !killed ? kExitGraceMs : -1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 && pidfd >= 0) {
            SendSignal(pidfd, SIGKILL);
            killed = true;
            continue;
        }
        Message m;
        if (n < 0 || warm::Receive(reply, &m) != 1)
            break;
        if (m.kind == Kind::Started && m.fds.size() == 1 && pidfd < 0) {
            pidfd = m.fds[0];
            m.fds.clear();
            r.started = true;
            slot = RegisterRun(pidfd);
            if (g_killEpoch.load() != epoch)
                SendSignal(pidfd, SIGKILL);
        } else if (m.kind == Kind::Code) {
            r.haveCode = warm::UnpackCode(m.body, &r.code, &r.line);
        } else if (m.kind == Kind::Ended) {
            r.ended = warm::UnpackCode(m.body, &r.status);
        }
        warm::CloseFds(m);
        if (r.ended)
            break;
    }
    UnregisterRun(slot);
    if (pidfd >= 0)
        close(pidfd);
    return r;
}

Outcome RunOnServer(Server &server, const WarmRequest &request, int inputFd,
                    std::string *errorLine) {
    Outcome outcome;
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv) != 0) {
        outcome.code = TESSARIN_E_START;
        return outcome;
    }
    unsigned epoch = g_killEpoch.load();
    bool sent = warm::Send(server.control, Kind::File, request.output, {inputFd, sv[1]});
    close(sv[1]);
    Reply r;
    if (sent)
        r = AwaitFile(sv[0], epoch);
    close(sv[0]);
    outcome.serverDied = !r.ended;
    outcome.retry = !r.started && outcome.serverDied;
    if (r.haveCode) {
        outcome.code = r.code;
        *errorLine = r.line;
    } else if (r.ended && WIFSIGNALED(r.status) && WTERMSIG(r.status) >= 1 &&
               WTERMSIG(r.status) <= 64) {
        outcome.code = TESSARIN_E_SIGNAL_BASE - WTERMSIG(r.status);
    } else if (r.started && outcome.serverDied) {
        *errorLine = "the interpreter server stopped unexpectedly";
    }
    return outcome;
}

// The input, opened without blocking on a FIFO and without becoming a
// terminal's controller; -1 with a code and a reason when it can't be run.
int OpenInput(const std::string &path, int *code, std::string *errorLine) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        *code = errno == ENOENT ? kUndefinedFileName : kInvalidFileAccess;
        *errorLine = std::string("can't open the input (") + std::strerror(errno) + ")";
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, 0) != 0) {
        close(fd);
        *code = kInvalidFileAccess;
        *errorLine = "the input is not a regular file";
        return -1;
    }
    return fd;
}

bool IsSwitch(const char *a) {
    return a[0] == '-' &&
           ((a[1] != '\0' && std::strchr("dDsSrg", a[1])) || std::strcmp(a, "-q") == 0);
}

} // namespace

bool SplitWarmRequest(int argc, char **argv, WarmRequest *request) {
    if (argc < 3 || argv[argc - 1][0] == '\0' || argv[argc - 1][0] == '-')
        return false;
    WarmRequest r;
    bool haveOutput = false;
    for (int i = 0; i < argc - 1; ++i) {
        const char *a = argv[i];
        if (std::strncmp(a, kOutputEntry, sizeof kOutputEntry - 1) == 0) {
            if (haveOutput)
                return false;
            haveOutput = true;
            r.output = a + sizeof kOutputEntry - 1;
            r.fixed.push_back(std::string(kOutputEntry) +
                              (warm::IsPagePattern(r.output) ? "%" : ""));
        } else if (i == 0 || IsSwitch(a)) {
            r.fixed.push_back(a);
        } else {
            return false;
        }
    }
    r.input = argv[argc - 1];
    *request = std::move(r);
    return haveOutput;
}

int RunWarm(const std::string &helper, const WarmRequest &request, std::string *errorLine) {
    errorLine->clear();
    int code = 0;
    int inputFd = OpenInput(request.input, &code, errorLine);
    if (inputFd < 0)
        return code;
    Outcome outcome;
    for (int attempt = 0; attempt < 2; ++attempt) {
        errorLine->clear();
        std::shared_ptr<Server> server = ThePool().Acquire(helper, request, &code, errorLine);
        if (!server) {
            outcome.code = code;
            break;
        }
        outcome = RunOnServer(*server, request, inputFd, errorLine);
        ThePool().Release(server, outcome.serverDied);
        if (!outcome.retry)
            break;
    }
    close(inputFd);
    return outcome.code;
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

int KillWarmRuns() {
    g_killEpoch.fetch_add(1);
    g_readers.fetch_add(1);
    int count = 0;
    for (RunSlot &slot : g_runs) {
        int fd = slot.pidfd.load();
        if (fd >= 0 && SendSignal(fd, SIGKILL) == 0)
            ++count;
    }
    g_readers.fetch_sub(1);
    return count;
}

int SignalWarmRunOfThread(int tid, int sig) {
    g_readers.fetch_add(1);
    int count = 0;
    for (RunSlot &slot : g_runs) {
        int fd = slot.pidfd.load();
        if (fd >= 0 && slot.tid.load() == tid && SendSignal(fd, sig) == 0)
            ++count;
    }
    g_readers.fetch_sub(1);
    return count;
}

} // namespace tessarin
