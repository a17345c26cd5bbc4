// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// RunFiles: the file steps a conversion run takes around its outputs.
//
// FileMark/MarkOf/WrittenSince tell afterwards whether a step wrote a path
// (the image converter reports success whatever happened, so the file itself
// is the evidence). Publish moves a finished temporary file to its name in
// one atomic step, with the permissions a newly created file would have had:
// the name itself is replaced (a link there is replaced, never followed),
// and a name that must stay new is taken only if nothing has it. FailReason
// turns what went wrong into the short text a failed row shows.
// NaturalLess orders page-file names with their numbers taken by value.
// No state beyond the process's file-creation mask, read once; thread-safe.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include <string>

#include "common/AtomicFile.h"
#include "common/CompressedInput.h" // a row's input is opened with EngineInput
#include "common/FileErrors.h"
#include "common/InputCheck.h"

// What was at a path before a step.
struct FileMark {
    bool present = false;
    ino_t inode = 0;
    struct timespec mtime {};
    off_t size = 0;
};

FileMark MarkOf(const std::string &path);

// True when `path` is now a regular file that was absent at `before` or has
// changed since (another inode, size or modification time).
bool WrittenSince(const FileMark &before, const std::string &path);

// Give the finished temporary file `temp` mode 0666 less the umask and move
// it to `target` in one step: over whatever has that name when `replace`,
// otherwise only when nothing has it (another process may have taken the
// name since it was chosen). 0 on success, else the errno (EEXIST: the name
// is taken); `temp` is then still there.
int Publish(const std::string &temp, const std::string &target, bool replace);

// Why what the interpreter left at `path` (the temporary PDF) must not be
// read: the empty text for a regular file of its own (not a link, no other
// name) no larger than the helper can write; otherwise the reason. The
// interpreter is hostile: this is checked before anything reads the file.
std::string EngineOutputFailReason(const std::string &path);

// Why writing into `folder` would fail as far as the folder shows it: a
// read-only file system or a full disk; otherwise `fallback`. For a step
// that failed without telling its errno (a module's 0 result).
std::string FolderFailReason(const std::string &folder, const std::string &fallback);

// True when the text file at `path` holds anything but white space (spaces,
// tabs, line ends, form feeds); false for an empty or unreadable file.
bool HoldsText(const std::string &path);

// Names compare with their digit runs taken as numbers ("p_999" < "p_1000"),
// otherwise byte by byte; names equal that way fall back to plain order.
bool NaturalLess(const std::string &a, const std::string &b);
