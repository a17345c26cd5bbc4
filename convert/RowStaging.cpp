// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/RowStaging.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/FileRules.h"
#include "convert/RunFiles.h"
#include "convert/TempFiles.h"

RowStaging::~RowStaging() {
    if (m_folder.empty())
        return;
    DeletePageFiles(m_folder, ListPageFiles(m_folder));
}

int RowStaging::Open(const std::string &folder) {
    CreatePath(folder);
    m_folder = CreateStagingFolder(folder);
    if (m_folder.empty() && errno == ENOENT) {
        // A row that failed meanwhile removed the folder it had made empty.
        CreatePath(folder);
        m_folder = CreateStagingFolder(folder);
    }
    return m_folder.empty() ? (errno ? errno : EIO) : 0;
}

std::string RowStaging::Add(int k, const std::string &wanted, const std::string &ext) {
    std::string staged = m_folder + std::to_string(k) + ext;
    m_entries.push_back({staged, wanted});
    return staged;
}

int RowStaging::Place(std::size_t k, const std::string &target, Placement placement) {
    Placed placed{target, {}};
    struct stat st {};
    if (placement == Placement::Replace && ::lstat(target.c_str(), &st) == 0 &&
        !S_ISDIR(st.st_mode)) {
        // The file about to be replaced stays reachable until the row is
        // done with, so a later failure can put it back.
        placed.backup = m_folder + "old-" + std::to_string(k);
        if (::link(target.c_str(), placed.backup.c_str()) != 0)
            return errno;
    }
    int err = Publish(m_entries[k].staged, target, placement == Placement::Replace);
    if (err != 0) {
        if (!placed.backup.empty())
            ::unlink(placed.backup.c_str());
        return err;
    }
    m_placed.push_back(std::move(placed));
    return 0;
}

void RowStaging::Undo() {
    for (auto it = m_placed.rbegin(); it != m_placed.rend(); ++it) {
        if (it->backup.empty())
            ::unlink(it->target.c_str());
        else
            PlaceFile(it->backup, it->target, Placement::Replace);
    }
    m_placed.clear();
}
