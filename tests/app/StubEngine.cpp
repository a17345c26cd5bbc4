// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Stand-in for the engine module: every ordinal returns its own number, so a
// test can tell which symbol each entry point was bound to. Built once with
// every ordinal and once with STUB_SKIP_ORDINAL left out.
#include <cstring>

#ifndef STUB_SKIP_ORDINAL
#define STUB_SKIP_ORDINAL 0
#endif

extern "C" {
#if STUB_SKIP_ORDINAL != 1
__attribute__((visibility("default"))) int ordinal_1(void **instance, void *) {
    if (instance)
        *instance = nullptr;
    return 1;
}
#endif
#if STUB_SKIP_ORDINAL != 2
__attribute__((visibility("default"))) int ordinal_2(char *buffer, int size) {
    if (buffer && size > 0)
        std::strncpy(buffer, "stub engine", static_cast<std::size_t>(size));
    return 2;
}
#endif
#if STUB_SKIP_ORDINAL != 3
__attribute__((visibility("default"))) int ordinal_3(void *, int, char **) {
    return 3;
}
#endif
#if STUB_SKIP_ORDINAL != 4
__attribute__((visibility("default"))) int ordinal_4(void *) {
    return 4;
}
#endif
#if STUB_SKIP_ORDINAL != 5
__attribute__((visibility("default"))) void ordinal_5(void *) {}
#endif
}
