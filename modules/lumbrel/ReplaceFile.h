// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Writing a file so that its old contents survive any failure, over
// common/AtomicFile: the new contents go to a temporary file in the same
// folder, which is flushed to disk and then moved over the target. Until
// Commit succeeds, the target is untouched; a ReplaceFile that is destroyed
// without a successful Commit removes its temporary file.
//
// The new file keeps the mode of the regular file it replaces (a new one gets
// the usual 0666 less the umask). The name itself is replaced: a symbolic
// link there is replaced by the new file, and whatever it pointed to is
// never written.
// One object per write; not shared between threads. Nothing throws.
#pragma once

#include <cstdio>
#include <string>

#include "common/AtomicFile.h"

namespace lumbrel {

class ReplaceFile {
public:
    ReplaceFile() = default;
    ~ReplaceFile();
    ReplaceFile(const ReplaceFile &) = delete;
    ReplaceFile &operator=(const ReplaceFile &) = delete;

    // Creates the temporary file beside `target`. False when it can't.
    bool Open(const std::string &target);

    // The open temporary file (owned by this object), or null.
    std::FILE *file() const { return m_file; }
    const std::string &tempPath() const { return m_out.TempPath(); }
    // Why the last step failed, for a user ("disk full").
    const std::string &error() const { return m_error; }

    // Flushes, syncs and moves the temporary file over the target.
    bool Commit();

private:
    bool Fail(int err);

    AtomicFile m_out;
    std::FILE *m_file = nullptr; // over a copy of m_out's descriptor
    std::string m_error;
};

} // namespace lumbrel
