// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// OutputClaims: the output names of one conversion run, so that no output of
// the run replaces another. A row claims each name before it writes under it
// and holds it in an OutputClaims::Row for as long as it works; the names it
// put in place stay the run's own until Reset. A name another row of the run
// holds or has written makes a row take the numbered name (MakeUniqueName),
// whatever "exists" says; a file that was there before the run is replaced
// only when overwriting and only under its own name. Thread-safe.
#pragma once

#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "common/AtomicFile.h"

class OutputClaims {
public:
    // The names one row holds; released when it goes.
    class Row {
    public:
        explicit Row(OutputClaims &claims) : m_claims(claims) {}
        ~Row();
        Row(const Row &) = delete;
        Row &operator=(const Row &) = delete;
        // Forget what the row put in place (undone by the row itself).
        void ForgetPublished() { m_published.clear(); }

    private:
        friend class OutputClaims;
        OutputClaims &m_claims;
        std::vector<std::string> m_names;
        std::vector<std::string> m_published;
    };

    // A new run: no name is held or written; `newIfExists` is "exists" 1
    // (never replace a file that was there).
    void Reset(bool newIfExists);

    // The name `path` is written under: `path` itself, or with newIfExists,
    // or when another row of this run has written or is writing `path`, its
    // first free numbered name. The empty text, with `*reason`, when no name
    // fits or is free.
    std::string Claim(Row &row, const std::string &path, std::string *reason);

    // Move a finished output to `*output` (claimed for `wanted`) with
    // `place(target, placement)`: over an existing file only when
    // overwriting and `*output` is `wanted`; a numbered name another process
    // took meanwhile makes it take the next free number. False, with
    // `*reason`, on failure (the output is then still where it was).
    bool Publish(Row &row, const std::function<int(const std::string &, Placement)> &place,
                 const std::string &wanted, std::string *output, std::string *reason);

private:
    std::mutex m_lock;
    bool m_newIfExists = false;
    std::set<std::string> m_claimed; // held by rows in progress
    std::set<std::string> m_written; // put in place by rows of this run
};
