// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Which pages a forked child has written, and copying pages ahead, in real
// forked children of the test.
#include "modules/tessarin/WrittenPages.h"

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include <gtest/gtest.h>

namespace {

using tessarin::PageRange;

const size_t kPage = static_cast<size_t>(sysconf(_SC_PAGESIZE));
constexpr size_t kPages = 16;

// Whether any of `ranges` holds the byte at `address`.
bool Covers(const std::vector<PageRange> &ranges, const char *address) {
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    for (const PageRange &r : ranges)
        if (at >= r.start && at < r.start + r.length)
            return true;
    return false;
}

// Runs `check` in a forked child; its result as the child's exit status.
bool InChild(const std::function<bool()> &check) {
    pid_t pid = fork();
    if (pid == 0)
        _exit(check() ? 0 : 1);
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

class WrittenPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (char *&buffer : {std::ref(a), std::ref(b)}) {
            void *m = mmap(nullptr, kPages * kPage, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            ASSERT_NE(m, MAP_FAILED);
            buffer = static_cast<char *>(m);
            std::memset(buffer, 'p', kPages * kPage);
        }
    }
    void TearDown() override {
        munmap(a, kPages * kPage);
        munmap(b, kPages * kPage);
    }
    char *a = nullptr;
    char *b = nullptr;
};

} // namespace

TEST_F(WrittenPagesTest, AChildReportsExactlyThePagesItWrote) {
    EXPECT_TRUE(InChild([&] {
        for (size_t page = 2; page < 6; ++page)
            a[page * kPage + 7] = 'c';
        const std::vector<PageRange> written = tessarin::WrittenSinceFork();
        for (size_t page = 0; page < kPages; ++page) {
            const bool wrote = page >= 2 && page < 6;
            if (Covers(written, a + page * kPage) != wrote || Covers(written, b + page * kPage))
                return false;
        }
        return true;
    }));
}

// Copied ahead, the pages are the child's own with what they held; the
// parent's stay as they were.
TEST_F(WrittenPagesTest, PagesCopiedAheadKeepWhatTheyHeld) {
    const PageRange range{reinterpret_cast<std::uintptr_t>(b + 4 * kPage), 3 * kPage};
    EXPECT_TRUE(InChild([&] {
        if (madvise(a, kPage, MADV_POPULATE_WRITE) != 0 && errno == EINVAL)
            return true; // a kernel without it: nothing is copied ahead
        tessarin::CopyAhead({range, PageRange{0, kPage}});
        const std::vector<PageRange> written = tessarin::WrittenSinceFork();
        for (size_t page = 0; page < kPages; ++page) {
            const bool copied = page >= 4 && page < 7;
            if (Covers(written, b + page * kPage) != copied)
                return false;
        }
        b[5 * kPage] = 'c';
        return b[4 * kPage] == 'p' && b[7 * kPage - 1] == 'p';
    }));
    EXPECT_EQ(b[5 * kPage], 'p');
}
