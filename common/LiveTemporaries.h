// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// LiveTemporaries: the temporary files and folders this process has made
// and that may still be there, so that a process which must end at once,
// abandoning work that can't be interrupted, leaves none of them behind.
//
// A temporary is registered right after it is created, with the file it is
// (device and inode). RemoveLiveTemporaries removes each one whose name
// still holds that same file: a temporary removed or renamed into place
// since is no longer there under its name, and a file someone else made
// under a freed name is a different file, so neither is touched. A folder
// goes with the plain files directly in it (the pages written into it).
// Entries whose file has gone are dropped as new ones come, so a long-lived
// process keeps only the live ones. Thread-safe.
#pragma once

#include <string>

void RegisterTemporary(const std::string &path);

// Remove every registered temporary still in place; later registrations
// are removed at once (the process is ending).
void RemoveLiveTemporaries();
