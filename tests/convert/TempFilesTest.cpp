// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The names the run gives its temporary files and page folders: fresh,
// owner-only, and never one somebody else prepared.
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/statfs.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "Files.h"
#include "TempFolder.h"
#include "convert/TempFiles.h"

TEST(TempFiles, NamesPreparedByOthersAreNeverReused) {
    testsupport::TempFolder dir;
    // Somebody else's folder and link, under the names the clock would give.
    std::string victim = dir.File("victim.txt");
    testsupport::WriteFile(victim, "not yours");
    testsupport::CreateFolder(dir.File("mtmp_745/"));
    testsupport::WriteFile(dir.File("mtmp_745/d_001.bmp"), "decoy");
    ::symlink(victim.c_str(), dir.File("msrc_745.pdf").c_str());
    ::symlink(victim.c_str(), dir.File("msrc_745-2.pdf").c_str());

    std::string folder = CreatePageFolder(dir.Path(), "745");
    EXPECT_EQ(folder, dir.File("mtmp_745-2/"));
    EXPECT_TRUE(testsupport::ListNames(folder).empty());
    std::string pdf = CreateTempPdf(dir.Path(), "745");
    EXPECT_EQ(pdf, dir.File("msrc_745-3.pdf"));
    EXPECT_EQ(testsupport::ReadFile(victim), "not yours");
    EXPECT_EQ(testsupport::ReadFile(dir.File("mtmp_745/d_001.bmp")), "decoy");
    // A dangling link in the way is not followed: its target is not created.
    ::symlink(dir.File("planted").c_str(), dir.File("msrc_9.pdf").c_str());
    EXPECT_EQ(CreateTempPdf(dir.Path(), "9"), dir.File("msrc_9-2.pdf"));
    EXPECT_FALSE(testsupport::Exists(dir.File("planted")));
}

TEST(TempFiles, FreshOwnerOnlyNamesWithASuffixWhenTaken) {
    testsupport::TempFolder dir;
    std::string a = CreateTempPdf(dir.Path());
    ASSERT_FALSE(a.empty());
    struct stat st {};
    ASSERT_EQ(::stat(a.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(a.rfind(dir.Path() + "msrc_", 0), 0u);

    std::string f = CreatePageFolder(dir.Path());
    ASSERT_FALSE(f.empty());
    ASSERT_EQ(::stat(f.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(f.back(), '/');

    // Many in a row within the same millisecond all differ.
    std::vector<std::string> names;
    for (int i = 0; i < 20; ++i)
        names.push_back(CreatePageFolder(dir.Path()));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::unique(names.begin(), names.end()), names.end());
    EXPECT_EQ(std::count(names.begin(), names.end(), std::string()), 0);
    // None is longer than the longest page folder the run checks names against.
    for (const std::string &n : names)
        EXPECT_LE(n.size(), LongestPageFolder(dir.Path()).size()) << n;
}

// Page folders go into memory when the temporary folder is on a disk and
// memory has room; a temporary folder already in memory is kept.
TEST(TempFiles, PageFoldersGoIntoMemoryWhenItHasRoom) {
    if (!std::filesystem::is_directory(kMemoryFolder))
        GTEST_SKIP() << "no " << kMemoryFolder;
    testsupport::TempFolder onDisk;
    struct statfs fs {};
    ASSERT_EQ(::statfs(onDisk.Path().c_str(), &fs), 0);
    testsupport::TempFolder inMemory(kMemoryFolder);
    const std::string memory = inMemory.Path();
    if (fs.f_type != TMPFS_MAGIC) {
        EXPECT_EQ(PageFolderRoot(onDisk.Path(), 1 << 20, memory), memory);
        EXPECT_EQ(PageFolderRoot(onDisk.Path(), ~0ULL, memory), onDisk.Path());
        EXPECT_EQ(PageFolderRoot(onDisk.Path(), 1 << 20, onDisk.File("no-such/")), onDisk.Path());
    }
    testsupport::TempFolder other(kMemoryFolder);
    EXPECT_EQ(PageFolderRoot(other.Path(), 1 << 20, memory), other.Path());
}
