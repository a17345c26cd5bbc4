// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The warm interpreter server (inside tessarin-run): one interpreter started
// once with a run's fixed arguments, forked for every file.
//
// tessarin.so starts tessarin-run with warm::kServerSwitch and the control socket on
// descriptor 3, stdin, stdout and stderr on /dev/null and TMPDIR set to a
// scratch folder of the server's own, then sends Init (see WarmProtocol.h).
// The server starts the interpreter over those arguments, with the output
// entry naming an idle file in its scratch folder and no input (so it has
// read no file when a child reads its own); it answers Ready with the
// start-up code and, when that failed, ends. From its second file on, while
// no file is waiting, it loads the fonts most documents use, one at a time,
// so that later children find them ready, and then converts a sample page
// in a child of its own to learn which pages of memory a child writes, which
// later children copy as they start (WrittenPages.h). For every File message
// it forks a child that takes private copies of the files the interpreter
// holds open, sets the file's output with setpagedevice, runs the input it
// was handed as a descriptor, closes the device (with steps bound before the
// file runs, which no definition of the file's reaches) and sends Code on
// the file's reply socket; the server sends Started (with a pidfd of the
// child) before and Ended (with its wait status) after, and removes the
// child's scratch folder. The server itself never runs a file, so every child starts from
// an interpreter no file has touched. The server confines itself before its
// interpreter starts, and every child again, narrowed to its own input and
// output, before it runs its file; a child that can't hands back
// TESSARIN_E_CONFINE.
// A server that has had no file for a minute ends by itself. When the
// control socket ends, the server kills its children, removes its scratch
// folder and exits.
#pragma once

#include <string>
#include <vector>

#include "modules/tessarin/Confine.h"
#include "modules/tessarin/InterpreterOutput.h"
#include "modules/tessarin/WrittenPages.h"

namespace tessarin {

// How a server and its children confine themselves (Confine.h); each step
// returns 0 or -errno, and a step that fails runs nothing. The program's
// servers take ConfinedWarm(); a policy without steps confines nothing.
struct WarmConfinement {
    // The server, before its interpreter starts: whole-process steps, then a
    // restriction that keeps forking and leaves each child to narrow the
    // file system to its own files.
    int (*server)(const std::string &scratch, int controlFd) = nullptr;
    // A child, before it runs its file, with the plan for that file.
    int (*child)(const ConfinePlan &plan) = nullptr;
};
WarmConfinement ConfinedWarm();

// Serves files on `controlFd` until it ends, removes the scratch folder
// (TMPDIR) and exits the process.
[[noreturn]] void ServeWarm(int controlFd, const WarmConfinement &confine);

// The started interpreter a server forks.
struct WarmInterpreter {
    void *instance = nullptr;
    Output output;
    std::vector<int> files; // regular files it holds open after start-up
    // The pages a child wrote converting the server's own sample page; each
    // child copies them as it starts (see WrittenPages.h).
    std::vector<PageRange> written;
};

// What one forked child runs.
struct WarmFile {
    WarmConfinement confine;
    int inputFd = -1;
    int replyFd = -1;
    std::string output;  // the output entry's value, as the caller gave it
    std::string scratch; // the child's own scratch folder
    pid_t server = 0;
};

// In the forked child: runs `file` on `gs` and sends its Code; never returns.
[[noreturn]] void RunWarmFile(WarmInterpreter &gs, const WarmFile &file);

// In a forked child: converts the server's own sample `file` (its input
// named by path, nothing confined, no reply) as RunWarmFile would, then
// writes the pages it wrote (PageRange records) to `pagesFd`; never returns.
[[noreturn]] void RunSamplePage(WarmInterpreter &gs, const WarmFile &file, const std::string &input,
                                int pagesFd);

} // namespace tessarin
