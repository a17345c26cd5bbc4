// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// RowStaging: where an image row's outputs wait until the row has succeeded.
//
// One hidden folder (".vantoria-XXXXXX", mode 0700) in the row's output
// folder holds every output under a short name of our own ("1.png",
// "2.png", ..., the multi-page TIFF "1.tif"), so an output name near the
// platform's limits never grows a suffix, and the move to the final name
// stays on one file system. Place moves one staged file to its final name;
// an existing file it replaces is kept first as a hard link inside the
// folder, so that Undo can put back, newest first, exactly what was there
// before: the row publishes all of its outputs or none. The folder goes with
// the object, together with anything still in it, and is registered with
// LiveTemporaries, so an exit on a signal removes it too. One thread at a
// time.
#pragma once

#include <string>
#include <vector>

#include "common/AtomicFile.h"

class RowStaging {
public:
    RowStaging() = default;
    ~RowStaging();
    RowStaging(const RowStaging &) = delete;
    RowStaging &operator=(const RowStaging &) = delete;

    // Creates `folder` (ending in '/') when it is missing, then the staging
    // folder in it. 0, or the errno of the failure.
    int Open(const std::string &folder);
    bool IsOpen() const { return !m_folder.empty(); }

    // Adds output number `k` (from 1) that is to take the name `wanted`,
    // and returns its staged path: the folder + k + `ext`.
    std::string Add(int k, const std::string &wanted, const std::string &ext);

    struct Entry {
        std::string staged; // the file the converter writes
        std::string wanted; // its final name
    };
    // Entry `k` (an index into Entries) is to take the name `wanted`.
    void Rename(std::size_t k, std::string wanted) { m_entries[k].wanted = std::move(wanted); }
    // The outputs added so far, in the order they were added.
    const std::vector<Entry> &Entries() const { return m_entries; }

    // Moves the staged file of entry `k` (an index into Entries) to
    // `target`, keeping a file replaced there for Undo. 0, or the errno of
    // the failure (nothing moved then).
    int Place(std::size_t k, const std::string &target, Placement placement);
    // Puts back what Place changed, newest first: each placed file goes and
    // each file it replaced returns to its name.
    void Undo();

private:
    struct Placed {
        std::string target;
        std::string backup; // empty when nothing was replaced
    };
    std::string m_folder; // ending in '/'
    std::vector<Entry> m_entries;
    std::vector<Placed> m_placed;
};
