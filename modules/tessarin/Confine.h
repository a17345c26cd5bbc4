// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Confinement of an interpreter helper process by the kernel.
//
// A helper that is about to run a PostScript file treats that file as a
// hostile program: before the interpreter starts, the helper limits itself to
// what one conversion needs. Two steps, in this order, both after exec:
//
//   PrepareProcess  once per helper process: every descriptor but the kept
//                   ones closed (0, 1 and 2 stay open, on /dev/null unless
//                   kept), a new session (no controlling terminal), the
//                   working folder and HOME and TMPDIR set to the scratch
//                   folder and nothing else of the caller's environment
//                   kept, resource limits (no core dumps, no locked memory,
//                   the file-size limit made final, the data limit of the
//                   plan), PR_SET_NO_NEW_PRIVS.
//   RestrictSelf    Landlock, when the running kernel has it (any ABI; the
//                   rights newer than the system's headers are defined here,
//                   the ABI is asked at run time): reading only the system's
//                   read-only trees and `readTargets`; writing only beneath
//                   `scratchDir` and the `writeTargets`; no executing, no
//                   links, FIFOs, sockets or devices made; TCP, abstract
//                   sockets and signals scoped where the kernel can. Then a
//                   seccomp filter, last: no sockets made, no exec, no
//                   ptrace or process_vm_*, no io_uring, no signals to other
//                   processes, no TIOCSTI or other unlisted ioctl, no new
//                   processes, no namespaces or mounts, no path truncation,
//                   no links, no changes of ownership, mode or times.
//
// A server that forks one child per file calls RestrictSelf(plan, true),
// which keeps fork, waiting for children and signalling them; each child
// then calls RestrictSelf again with its own, narrower plan and
// allowFork = false. Restrictions only ever add up: a child can never get
// back what its server gave away.
//
// Both functions return 0 or a negative errno, and a caller that gets an
// error must not run the interpreter. A kernel without Landlock is not an
// error: the other layers still hold. Call them while the process has a
// single thread (Landlock binds the calling thread). Neither throws.
#pragma once

#include <string>
#include <vector>

namespace tessarin {

struct ConfinePlan {
    std::string scratchDir; // read/write/create/remove beneath; HOME and TMPDIR
    std::vector<std::string>
        writeTargets; // the one output: a file (temporary PDF) or a folder (pages)
    std::vector<std::string> readTargets; // extra readable files (the input, when it comes by name)
    std::vector<int> keepFds;             // descriptors that stay open (result pipe, input, socket)
    // The most the process may map as data (RLIMIT_DATA, soft and hard), in
    // MiB; 0: no limit of ours. In a build with the address sanitizer, whose
    // shadow memory is mapped as data at start, it counts from what the
    // process had mapped when PrepareProcess ran.
    int dataLimitMiB = 0;
};

// The environment variable by which tessarin.so hands each helper its data
// limit in MiB (decimal), and its value in this process's environment (0
// when absent or not a positive number).
inline constexpr char kDataLimitVariable[] = "TESSARIN_DATA_LIMIT_MIB";
int DataLimitFromEnvironment();

// The data limit PrepareProcess set in this process, in MiB (0: none).
int DataLimitMiB();

// Whether a helper under a data limit of `limitMiB` that ended as `status`
// (a wait status) at a peak resident size of `maxRssKiB` died of memory it
// could not get: it ended by its own failure (an exit status other than 0,
// or a signal other than SIGKILL, which only a stop or a time limit sends)
// with at least three quarters of its limit in use. An allocation the
// interpreter can't make is its VMerror; this is the helper that fails
// outside it (an address sanitizer's own mapping, a library that aborts).
bool EndedOutOfMemory(int status, long maxRssKiB, int limitMiB);

// Process-wide steps that hold for a whole helper (see above). The scratch
// folder must be an absolute path of an existing folder. Returns 0 or -errno.
int PrepareProcess(const ConfinePlan &plan);

// Landlock (when the kernel has it) and then the seccomp filter. A write
// target that is a symbolic link is refused (-ELOOP); one that does not
// exist (-ENOENT) too. Returns 0 or -errno.
int RestrictSelf(const ConfinePlan &plan, bool allowFork);

// Which layers hold on this machine: "Landlock ABI 7, seccomp", or
// "seccomp only (no Landlock in this kernel)".
std::string ConfinementLayers();

} // namespace tessarin
