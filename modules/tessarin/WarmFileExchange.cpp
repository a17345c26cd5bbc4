// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/WarmFileExchange.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "modules/tessarin/HelperConstants.h"
#include "modules/tessarin/ProcessRegistry.h"
#include "modules/tessarin/WarmProtocol.h"

namespace tessarin {
namespace {

using warm::Kind;
using warm::Message;

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
Reply AwaitFile(int reply, unsigned requests) {
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
            syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0);
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
            slot = RegisterPidfd(pidfd, requests);
        } else if (m.kind == Kind::Page) {
            int pages = 0;
            if (warm::UnpackCode(m.body, &pages) && pages >= 0)
                SetSlotPages(slot, pages);
        } else if (m.kind == Kind::Code) {
            r.haveCode = warm::UnpackCode(m.body, &r.code, &r.line);
        } else if (m.kind == Kind::Ended) {
            r.ended = warm::UnpackCode(m.body, &r.status);
        }
        warm::CloseFds(m);
        if (r.ended)
            break;
    }
    UnregisterProcess(slot);
    if (pidfd >= 0)
        close(pidfd);
    return r;
}

} // namespace

WarmOutcome RunOnServer(int control, const WarmRequest &request, int inputFd,
                        std::string *errorLine) {
    WarmOutcome outcome;
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv) != 0) {
        outcome.code = TESSARIN_E_START;
        return outcome;
    }
    const unsigned requests = KillRequests();
    bool sent = warm::Send(control, Kind::File, request.output, {inputFd, sv[1]});
    close(sv[1]);
    Reply r;
    if (sent)
        r = AwaitFile(sv[0], requests);
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

} // namespace tessarin
