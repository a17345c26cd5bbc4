// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/OutputClaims.h"

#include <cerrno>

#include "common/FileRules.h"
#include "convert/PathRules.h"
#include "convert/RunFiles.h"

namespace {

// How many times a finished output looks for a free numbered name when
// other processes keep taking the one it claimed.
constexpr int kPublishAttempts = 100;

} // namespace

OutputClaims::Row::~Row() {
    std::lock_guard<std::mutex> lock(m_claims.m_lock);
    for (const std::string &n : m_names)
        m_claims.m_claimed.erase(n);
    m_claims.m_written.insert(m_published.begin(), m_published.end());
}

void OutputClaims::Reset(bool newIfExists) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_newIfExists = newIfExists;
    m_claimed.clear();
    m_written.clear();
}

std::string OutputClaims::Claim(Row &row, const std::string &path, std::string *reason) {
    if (!FitsPlatformLimits(path)) {
        *reason = FailReason(ENAMETOOLONG, "");
        return {};
    }
    std::lock_guard<std::mutex> lock(m_lock);
    // A name of this run is never replaced, whatever "exists" says.
    auto ofThisRun = [this](const std::string &p) {
        return m_claimed.count(p) > 0 || m_written.count(p) > 0;
    };
    std::string chosen = path;
    if (m_newIfExists || ofThisRun(path)) {
        chosen = MakeUniqueName(path,
                                [&](const std::string &p) { return ofThisRun(p) || PathTaken(p); });
        if (chosen.empty()) {
            SplitParts p = SplitPath(path);
            bool fits = FitsPlatformLimits(p.folder + p.base + "-" +
                                           std::to_string(kLastNumberedName) + p.ext);
            *reason = FailReason(fits ? EEXIST : ENAMETOOLONG, "");
            return {};
        }
    }
    m_claimed.insert(chosen);
    row.m_names.push_back(chosen);
    return chosen;
}

bool OutputClaims::Publish(Row &row,
                           const std::function<int(const std::string &, Placement)> &place,
                           const std::string &wanted, std::string *output, std::string *reason) {
    for (int attempt = 0; attempt < kPublishAttempts; ++attempt) {
        // Only the wanted name itself replaces a file: a numbered one was
        // chosen because it was free.
        const bool replace = !m_newIfExists && *output == wanted;
        int err = place(*output, replace ? Placement::Replace : Placement::KeepExisting);
        if (err == 0) {
            row.m_published.push_back(*output);
            return true;
        }
        if (err != EEXIST || replace) {
            *reason = FailReason(err, "can't write the output");
            return false;
        }
        // Another process has taken the name since it was claimed.
        std::string next = Claim(row, wanted, reason);
        if (next.empty())
            return false;
        *output = next;
    }
    *reason = FailReason(EEXIST, "");
    return false;
}
