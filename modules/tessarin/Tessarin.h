// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// tessarin.so: the PostScript interpreter module.
//
// Entry points (extern "C", exported as ordinal_N, see convert/EngineModule.h):
//   ordinal_1  EngineCreate(void **instance, void *caller)    0, or a negative code
//   ordinal_2  version text (buffer, size)                     length of the full text
//   ordinal_3  EngineRun(instance, argc, argv)                 the run's result code
//   ordinal_4  EngineExit(instance)                            0
//   ordinal_5  EngineDelete(instance)                          -
//
// EngineRun runs the interpreter in helper processes of tessarin-run, found
// beside tessarin.so, and returns the interpreter's result code: 0, -101
// (the file ended the interpreter with quit) or the interpreter's own
// negative error code. A vector of the program's shape (switches, one
// "-sOutputFile=" entry, the input path last) runs warm: a server started
// once per set of fixed arguments forks a child per file from an interpreter
// that has finished its start-up and run nothing else; the input is opened
// here and handed over as a descriptor, never as a re-encoded name (see
// WarmClient.h). Any other vector starts tessarin-run once over the vector
// unchanged. A helper that cannot be started, or that dies or is killed
// before it has handed back a result, gives one of the TESSARIN_E_* codes
// below, so the caller's process never goes down with the interpreter; an
// input that can't be opened as a regular file gives the interpreter's
// undefinedfilename (-22) or invalidfileaccess (-9) code with a reason as
// its error text. Helpers run with stdin, stdout and stderr on /dev/null and
// no other inherited descriptor, in a session of their own (a Ctrl+C
// typed at the terminal does not reach them), with TMPDIR set to a private
// folder under the temporary folder that is removed after the run (a file
// run by a server: after the file), whatever the interpreter left there. A
// one-off helper is killed when the thread that started it goes away; a
// server ends with the module or the program, and its children with it. A
// helper may write no file larger than a page file of the image converter's
// largest page (2 GiB + 53 bytes, RLIMIT_FSIZE, or the lower limit the
// program was started with); a write past it fails (SIGXFSZ is ignored), so
// the interpreter ends with its own error code. Every helper confines itself
// before the interpreter starts (Confine.h): it reads only the system's
// read-only trees and its input, and writes only its scratch folder and its
// output; a server's child narrows that to its own file.
//
// Threads: every entry point may be called from any thread; runs on separate
// instances may overlap. An instance is used by one thread at a time.
// Nothing throws out of the module.
//
// Stopping a run at once: tessarin_kill_running() sends SIGKILL to every
// interpreter child that is running at the moment of the call, and to any
// child whose start overlaps the call. Their EngineRun calls then return
// TESSARIN_E_DIED. It is async-signal-safe, so a SIGINT handler may call it.
// It is exported by this name, not by ordinal; LoadEngineModule binds it as
// EngineModule::killRunning.
//
// Pausing one run: tessarin_signal_thread_run(tid, sig) sends `sig` (SIGSTOP,
// SIGCONT, SIGKILL) to the interpreter of the run that thread `tid` of this
// process is waiting for: the server's child running its file, or the
// one-off helper it started; how many were signalled (0 or 1). It is the one
// way a caller reaches a single run's interpreter. Bound as
// EngineModule::signalThreadRun.
//
// Pages of one output file: tessarin_pages_done(tid) tells how many pages the
// run that thread `tid` waits for has finished so far, when that run is a
// warm server's child writing one output file (a PDF): the child counts the
// pages its device puts out. -1 when the thread waits for no such run or it
// has finished none yet. A file's own PostScript can make the count wrong
// (it is for showing progress, nothing else). Bound as
// EngineModule::pagesDone.
//
// Memory: every helper (a one-off helper, a server and so each child it
// forks) runs under a limit on its data, RLIMIT_DATA, set to
// tessarin_set_memory_limit(mib) for the helpers started after the call: by
// default the smaller of 4 GiB and half the machine's memory. A file that
// needs more fails, as a rule with the interpreter's VMerror
// (TESSARIN_VMERROR), or with TESSARIN_E_MEMORY when the helper itself could
// not get the memory. A server serves only files of the limit it was started
// with; a file of another limit gets a server of its own.
#pragma once

extern "C" {

// The helper could not be started (missing tessarin-run, fork or exec failed).
#define TESSARIN_E_START (-1000)
// The helper ended without handing back a result, by an exit of its own.
#define TESSARIN_E_DIED (-1001)
// The call itself was unusable: no instance, no vector, argc < 1 or a null entry.
#define TESSARIN_E_CALL (-1002)
// The helper could not confine itself, so it ran nothing.
#define TESSARIN_E_CONFINE (-1003)
// The helper was ended by signal N (killed or crashed) before it handed back
// a result: TESSARIN_E_SIGNAL_BASE - N, for N from 1 to 64.
#define TESSARIN_E_SIGNAL_BASE (-1100)
#define TESSARIN_E_SIGNAL_LAST (TESSARIN_E_SIGNAL_BASE - 64)
// The helper ran out of memory outside the interpreter's own allocator.
#define TESSARIN_E_MEMORY (-1004)
// The interpreter's own code for memory it could not get (VMerror).
#define TESSARIN_VMERROR (-25)

#define TESSARIN_KILL_RUNNING_SYMBOL "tessarin_kill_running"

// Kill every running interpreter child. Returns how many were signalled.
int tessarin_kill_running(void);
typedef int (*TessarinKillRunningFn)(void);

// The interpreter's first error line of the instance's last run ("/undefined
// in foo"), copied into `buffer` (cut to size - 1 bytes, always terminated);
// the empty text when that run reported none. Returns the full length.
// Exported by this name; LoadEngineModule binds it as EngineModule::errorText.
#define TESSARIN_ERROR_TEXT_SYMBOL "tessarin_error_text"
int tessarin_error_text(void *instance, char *buffer, int size);
typedef int (*TessarinErrorTextFn)(void *instance, char *buffer, int size);

// How the interpreter helper is confined on this machine ("Landlock ABI 7,
// seccomp", or "seccomp only (no Landlock in this kernel)"), copied into
// `buffer` like the error text. Returns the full length. Exported by this
// name; LoadEngineModule binds it as EngineModule::confinement.
#define TESSARIN_CONFINEMENT_SYMBOL "tessarin_confinement"
int tessarin_confinement(char *buffer, int size);
typedef int (*TessarinConfinementFn)(char *buffer, int size);

// Ends every warm interpreter server at once and removes its scratch folder,
// for a process about to end without running its destructors (a run given up
// on). Not async-signal-safe. Returns how many servers were ended. Exported by
// this name; LoadEngineModule binds it as EngineModule::abandonServers.
#define TESSARIN_ABANDON_SERVERS_SYMBOL "tessarin_abandon_servers"
int tessarin_abandon_servers(void);
typedef int (*TessarinAbandonServersFn)(void);

// Sets the data limit of the helpers started from now on to `mib` MiB (0 or
// less: the default); returns the limit now in effect, in MiB. Exported by
// this name; LoadEngineModule binds it as EngineModule::setMemoryLimit.
#define TESSARIN_SET_MEMORY_LIMIT_SYMBOL "tessarin_set_memory_limit"
int tessarin_set_memory_limit(int mib);
typedef int (*TessarinSetMemoryLimitFn)(int mib);

#define TESSARIN_SIGNAL_THREAD_RUN_SYMBOL "tessarin_signal_thread_run"
int tessarin_signal_thread_run(int tid, int sig);
typedef int (*TessarinSignalThreadRunFn)(int tid, int sig);

#define TESSARIN_PAGES_DONE_SYMBOL "tessarin_pages_done"
int tessarin_pages_done(int tid);
typedef int (*TessarinPagesDoneFn)(int tid);
}
