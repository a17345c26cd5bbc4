// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "app/CFileUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "Files.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

using testsupport::TempFolder;
using testsupport::WriteFile;

namespace {

void MakeFile(const std::string &path, std::uintmax_t bytes) {
    WriteFile(path, "");
    fs::resize_file(path, bytes);
}

TEST(CFileUtilSize, KilobytesRoundUpFromATenth) {
    TempFolder dir;
    struct Case {
        std::uintmax_t bytes;
        int kb;
    };
    for (Case c : {Case{0, 0}, Case{1, 0}, Case{102, 0}, Case{103, 1}, Case{1024, 1}, Case{1126, 1},
                   Case{1127, 2}, Case{2048, 2}, Case{10 * 1024 * 1024, 10240}}) {
        std::string path = dir.File("f" + std::to_string(c.bytes) + ".ps");
        MakeFile(path, c.bytes);
        EXPECT_EQ(CFileUtil::GetFileSizeKB(path.c_str()), c.kb) << c.bytes << " bytes";
    }
}

TEST(CFileUtilSize, FilesOver4GiBWrapAt32Bits) {
    TempFolder dir;
    std::string path = dir.File("big.ps");
    // Sparse: no disk space is used.
    MakeFile(path, (std::uintmax_t(1) << 32) + 1127);
    EXPECT_EQ(CFileUtil::GetFileSizeKB(path.c_str()), 2);
}

TEST(CFileUtilSize, PatternsMissingFilesAndFolders) {
    TempFolder dir;
    MakeFile(dir.File("b.ps"), 5000);
    MakeFile(dir.File("a.ps"), 3000);
    MakeFile(dir.File("c.txt"), 9000);
    fs::create_directory(dir.File("folder.ps"));
    EXPECT_EQ(CFileUtil::GetFileSizeKB((dir.Path() + "?.ps").c_str()), 3) << "first match: a.ps";
    EXPECT_EQ(CFileUtil::GetFileSizeKB((dir.Path() + "*.txt").c_str()), 9);
    EXPECT_EQ(CFileUtil::GetFileSizeKB((dir.Path() + "*.pdf").c_str()), 0);
    EXPECT_EQ(CFileUtil::GetFileSizeKB(dir.File("missing.ps").c_str()), 0);
    EXPECT_EQ(CFileUtil::GetFileSizeKB(dir.File("folder.ps").c_str()), 0);
    EXPECT_EQ(CFileUtil::GetFileSizeKB(nullptr), 0);
    EXPECT_EQ(CFileUtil::GetFileSizeKB(""), 0);

    // A real name that looks like a pattern is that file, not a match.
    MakeFile(dir.File("[x].ps"), 2048);
    MakeFile(dir.File("x.ps"), 10240);
    EXPECT_EQ(CFileUtil::GetFileSizeKB(dir.File("[x].ps").c_str()), 2);
}

// The rules themselves are tested with common/FileRules; here only what
// CFileUtil adds: a null path, and that its names reach those rules.
TEST(CFileUtilExists, ForwardsToTheSharedRulesAndRefusesNull) {
    TempFolder dir;
    CFileUtil::CreatePath(dir.File("in/sub/"));
    std::string file = dir.File("in/sub/a.ps");
    WriteFile(file, "%!PS\n");
    EXPECT_EQ(CFileUtil::FileExists(file.c_str()), 1);
    EXPECT_EQ(CFileUtil::FileExists(dir.File("in/sub").c_str()), 0) << "a folder is not a file";
    EXPECT_EQ(CFileUtil::FileExists(nullptr), 0);
    EXPECT_EQ(CFileUtil::FileExists(""), 0);
}

TEST(CFileUtilFolders, ProgramAndDocumentsFolders) {
    EXPECT_EQ(CFileUtil::GetProgramPath("help.html"), std::string(TEST_BINARY_DIR) + "help.html");
    std::string docs = CFileUtil::GetDocumentsFolder();
    ASSERT_FALSE(docs.empty());
    EXPECT_EQ(docs.back(), '/');
    EXPECT_EQ(docs.front(), '/');
}

} // namespace
