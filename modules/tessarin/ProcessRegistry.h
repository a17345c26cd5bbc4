// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The interpreter processes tessarin.so's threads are waiting for (a one-off
// helper, or a warm server's child running a file), each with the thread
// that waits: one fixed table, read without locks, through which a request
// to stop every run (tessarin_kill_running, from a signal handler too) and a
// request to pause or end one thread's run (tessarin_signal_thread_run)
// reach the processes.
//
// A one-off helper is registered by its pid (and signalled with its process
// group); a server's child, which is the server's to reap, by a pidfd.
// UnregisterProcess clears the slot and then waits until no request is
// reading the table, so once it returns the caller may reap the pid or close
// the pidfd: a pid that has been reaped (and may be reused) or a closed
// descriptor is never signalled.
//
// Call order, for each process: KillRequests() before the process is
// started, RegisterPid or RegisterPidfd (with that number) once it runs, on
// the thread that waits for it, UnregisterProcess before it is reaped or its
// pidfd closed. All of it is lock-free; KillRegisteredProcesses and
// SignalProcessOfThread are async-signal-safe.
#pragma once

#include <sys/types.h>

namespace tessarin {

// How many stop requests have been made so far.
unsigned KillRequests();

// Registers a process for the calling thread; when a stop request has come
// since `requests` (what KillRequests() said before the process started),
// the process is killed at once. The slot, or -1 when the table is full.
int RegisterPid(pid_t pid, unsigned requests);
int RegisterPidfd(int pidfd, unsigned requests);

// Takes the slot (-1: nothing) out of the table; see above.
void UnregisterProcess(int slot);

// What the process of `slot` (-1: nothing) has reported of its pages: how
// many it has finished so far.
void SetSlotPages(int slot, int pages);
// The pages finished by the process thread `tid` is waiting for, as last
// reported; -1 when it waits for none or none reported any.
int PagesOfThread(int tid);
// SIGKILL to every registered process (a pid's process group too), and, by
// the count of requests, to every process whose start overlaps the call.
// How many were signalled.
int KillRegisteredProcesses();

// Sends `sig` to the process that thread `tid` is waiting for (a pid's
// process group too); how many were signalled (0 or 1).
int SignalProcessOfThread(int tid, int sig);

} // namespace tessarin
