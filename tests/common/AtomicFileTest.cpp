// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Putting a file in place: the old file or the new one, never a part, and
// no temporary left on any path.
#include "common/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "Files.h"
#include "TempFolder.h"

using testsupport::ListNames;
using testsupport::ReadFile;
using testsupport::TempFolder;
using testsupport::WriteFile;

namespace {

void WriteText(const AtomicFile &file, const std::string &text) {
    ASSERT_EQ(::write(file.Fd(), text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

TEST(AtomicFile, ReplacesOnlyOnCommitAndLeavesNothingOtherwise) {
    TempFolder dir;
    const std::string target = dir.File("a.txt");
    WriteFile(target, "old");
    {
        AtomicFile file;
        ASSERT_EQ(file.Open(target), 0);
        WriteText(file, "half");
        EXPECT_EQ(ReadFile(target), "old") << "nothing shows before the commit";
        EXPECT_EQ(ListNames(dir.Path()).size(), 2u);
    } // dropped without a commit: the temporary goes, the old file stays
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(ListNames(dir.Path()).size(), 1u);

    AtomicFile file;
    ASSERT_EQ(file.Open(target), 0);
    WriteText(file, "new");
    ASSERT_EQ(file.Sync(), 0);
    ASSERT_EQ(file.Commit(Placement::Replace), 0);
    EXPECT_EQ(file.SyncFolder(), 0);
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(ListNames(dir.Path()).size(), 1u);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~CurrentUmask()) << "a placed file gets the usual mode";
}

TEST(AtomicFile, KeepExistingRefusesATakenNameAndMayTryAnother) {
    TempFolder dir;
    WriteFile(dir.File("a.txt"), "theirs");
    AtomicFile file;
    ASSERT_EQ(file.Open(dir.File("a.txt")), 0);
    WriteText(file, "ours");
    EXPECT_EQ(file.Commit(Placement::KeepExisting), EEXIST);
    EXPECT_EQ(ReadFile(dir.File("a.txt")), "theirs");
    ASSERT_EQ(file.CommitAs(dir.File("a-2.txt"), Placement::KeepExisting), 0);
    EXPECT_EQ(ReadFile(dir.File("a-2.txt")), "ours");
    EXPECT_EQ(ListNames(dir.Path()).size(), 2u);
}

TEST(AtomicFile, TheTemporaryIsShortWhateverTheTargetsName) {
    TempFolder dir;
    // A name at the 255-byte limit could not take a suffix of its own.
    const std::string target = dir.File(std::string(251, 'n') + ".png");
    AtomicFile file;
    ASSERT_EQ(file.Open(target), 0);
    EXPECT_LT(file.TempPath().size(), dir.Path().size() + 20);
    ASSERT_EQ(file.Commit(Placement::Replace), 0);
    EXPECT_EQ(ListNames(dir.Path()).size(), 1u);

    EXPECT_EQ(file.Open(dir.File(std::string(256, 'n'))), ENAMETOOLONG);
    EXPECT_EQ(file.Open(dir.File("missing/a.txt")), ENOENT);
    EXPECT_EQ(ListNames(dir.Path()).size(), 1u);
}

} // namespace
