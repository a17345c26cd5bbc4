// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "common/ProcFields.h"

#include <cstdio>
#include <cstring>

std::uint64_t ProcKibField(const char *path, const char *field) {
    std::FILE *f = std::fopen(path, "re");
    if (!f)
        return 0;
    const std::size_t length = std::strlen(field);
    char line[256];
    unsigned long long kib = 0;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, field, length) == 0 &&
            std::sscanf(line + length, " %llu kB", &kib) == 1)
            break;
    }
    std::fclose(f);
    return std::uint64_t(kib) * 1024;
}
