// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/WrittenPages.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace tessarin {
namespace {

constexpr std::uint64_t kPresent = 1ULL << 63;
constexpr std::uint64_t kExclusive = 1ULL << 56;
constexpr std::size_t kLargestMapping = std::size_t(1) << 30;

// The private writable mappings of this process, read whole before the
// caller allocates anything more.
std::vector<PageRange> WritableMappings() {
    std::vector<PageRange> found;
    std::FILE *maps = std::fopen("/proc/self/maps", "re");
    if (!maps)
        return found;
    char line[512];
    while (std::fgets(line, sizeof line, maps)) {
        unsigned long start = 0, end = 0;
        char perms[5] = {};
        if (std::sscanf(line, "%lx-%lx %4s", &start, &end, perms) == 3 &&
            std::strcmp(perms, "rw-p") == 0 && end > start && end - start <= kLargestMapping)
            found.push_back({start, end - start});
        // A line longer than the buffer goes on in the next read.
        while (!std::strchr(line, '\n') && std::fgets(line, sizeof line, maps)) {
        }
    }
    std::fclose(maps);
    return found;
}

} // namespace

std::vector<PageRange> WrittenSinceFork() {
    std::vector<PageRange> written;
    const std::vector<PageRange> mappings = WritableMappings();
    const long pageSize = sysconf(_SC_PAGESIZE);
    int pagemap = open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
    if (pagemap < 0 || pageSize <= 0) {
        if (pagemap >= 0)
            close(pagemap);
        return written;
    }
    const std::size_t page = static_cast<std::size_t>(pageSize);
    std::uint64_t entries[512];
    for (const PageRange &mapping : mappings) {
        const std::size_t pages = mapping.length / page;
        for (std::size_t first = 0; first < pages;) {
            const std::size_t count = std::min(pages - first, std::size(entries));
            const off_t at = static_cast<off_t>((mapping.start / page + first) * sizeof entries[0]);
            const ssize_t got = pread(pagemap, entries, count * sizeof entries[0], at);
            if (got <= 0)
                break;
            const std::size_t read = static_cast<std::size_t>(got) / sizeof entries[0];
            for (std::size_t i = 0; i < read; ++i) {
                if ((entries[i] & (kPresent | kExclusive)) != (kPresent | kExclusive))
                    continue;
                const std::uintptr_t address = mapping.start + (first + i) * page;
                if (!written.empty() && written.back().start + written.back().length == address)
                    written.back().length += page;
                else
                    written.push_back({address, page});
            }
            first += read;
        }
    }
    close(pagemap);
    return written;
}

void CopyAhead(const std::vector<PageRange> &ranges) {
    for (const PageRange &range : ranges) {
        if (madvise(reinterpret_cast<void *>(range.start), range.length, MADV_POPULATE_WRITE) !=
                0 &&
            errno == EINVAL)
            return;
    }
}

} // namespace tessarin
