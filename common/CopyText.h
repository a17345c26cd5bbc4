// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// How the modules' text calls (version text, last error, confinement) hand a
// text across their C boundary: into the caller's buffer, cut to fit and
// always terminated, the full length returned so a caller can ask again with
// room for all of it. Header-only, so each module keeps its copy hidden.
// Async-signal-safe; never throws.
#pragma once

#include <cstring>
#include <string_view>

// Copies `text` into `buffer` (`size` bytes, the terminating NUL included;
// nothing when `buffer` is null or `size` is 0 or less); the length of the
// whole text.
inline int CopyText(std::string_view text, char *buffer, int size) {
    const int length = static_cast<int>(text.size());
    if (buffer && size > 0) {
        const int n = length < size - 1 ? length : size - 1;
        std::memcpy(buffer, text.data(), static_cast<size_t>(n));
        buffer[n] = '\0';
    }
    return length;
}
