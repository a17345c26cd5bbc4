// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The one way a file is put in place: written in full under a temporary
// name beside its destination, then moved onto the destination in one step,
// so a reader sees the old file or the new one and never a part of either.
//
//     AtomicFile file;
//     if (int err = file.Open("/out/a.png")) return err;
//     write(file.Fd(), ...);
//     if (int err = file.Commit(Placement::Replace)) return err;
//
// The temporary is a short hidden name of our own (".vantoria-XXXXXX"),
// created exclusively in the destination's folder: it never crosses a file
// system, never takes the destination's name plus a suffix (which a name near
// the platform's limit would not take), and is registered as a live
// temporary, so a signal that ends the program removes it too. A file that
// is not committed is removed when the AtomicFile goes, on every path.
//
// Who syncs, and why. Sync() is an fsync of the file before it is placed;
// SyncFolder() makes the placement itself durable. The settings store syncs
// both: a user's settings are the only copy and a crash right after a save
// must leave the old or the new file, not an empty one. The watched folder
// syncs the copy it makes of a user's source before removing the original.
// Conversion outputs do not sync: the source is still there, the output can
// be made again, and a sync per page costs more than the page.
#pragma once

#include <sys/types.h>

#include <string>

enum class Placement {
    Replace,      // a file already under the name is replaced
    KeepExisting, // a taken name fails with EEXIST, nothing is replaced
};

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(AtomicFile &&other) noexcept;
    AtomicFile &operator=(AtomicFile &&other) noexcept;
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Creates the temporary beside `target` (open for reading and writing,
    // close-on-exec). 0, or the errno of the failure (ENAMETOOLONG when the
    // temporary's path would pass the platform's limits).
    int Open(const std::string &target);

    bool IsOpen() const { return !m_temp.empty(); }
    // The descriptor while open and not yet closed; -1 otherwise.
    int Fd() const { return m_fd; }
    const std::string &TempPath() const { return m_temp; }
    const std::string &Target() const { return m_target; }

    // The permissions the file gets when placed (default 0666 less the
    // process's umask, as a file made by open(2) would get).
    void SetMode(mode_t mode) { m_mode = mode; m_modeSet = true; }

    // fsync of the file's contents. 0 or errno.
    int Sync();
    // Closes the descriptor (a library that wrote through the temporary's
    // name is done with it). 0 or the errno of a failed close.
    int Close();
    // Closes, sets the mode and moves the temporary onto the target. 0, or
    // errno (the temporary is then still there until Discard or the
    // destructor; a later Commit may try again, e.g. under another name).
    int Commit(Placement placement);
    // As Commit, onto `target` instead of the name given to Open (same
    // folder, so the move stays on one file system).
    int CommitAs(const std::string &target, Placement placement);
    // fsync of the destination's folder, after a Commit.
    int SyncFolder() const;
    // Removes the temporary now (a no-op once committed).
    void Discard();

private:
    std::string m_target;
    std::string m_temp;
    int m_fd = -1;
    mode_t m_mode = 0;
    bool m_modeSet = false;
};

// Moves the file `from` to `to` in one step. KeepExisting uses the
// no-replace rename and, on a file system without it, a hard link and an
// unlink of `from`, which fail on a taken name just the same. 0 or errno.
int PlaceFile(const std::string &from, const std::string &to, Placement placement);

// The process's file-creation mask, read without changing it.
mode_t CurrentUmask();
