// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Stand-in for the text-extractor module: ordinals 1, 3 and 5 return their
// own number. Built once complete and once with STUB_SKIP_ORDINAL left out.
#include <cstring>

#ifndef STUB_SKIP_ORDINAL
#define STUB_SKIP_ORDINAL 0
#endif

extern "C" {
#if STUB_SKIP_ORDINAL != 1
__attribute__((visibility("default"))) int ordinal_1(const char *, const char *, const char *,
                                                     const char *, int, const char *, int, int, int,
                                                     int, int, int, int, const char *, const char *,
                                                     const char *, const char *, const char *,
                                                     const char *) {
    return 1;
}
#endif
#if STUB_SKIP_ORDINAL != 3
__attribute__((visibility("default"))) int ordinal_3(const char *, const char *, int, int, int) {
    return 3;
}
#endif
#if STUB_SKIP_ORDINAL != 5
__attribute__((visibility("default"))) int ordinal_5(char *buffer, int size) {
    if (buffer && size > 0)
        std::strncpy(buffer, "stub extractor", static_cast<std::size_t>(size));
    return 5;
}
#endif
}
