#include "app/CFileUtil.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/settings/TempFolder.h"

namespace fs = std::filesystem;

namespace {

void MakeFile(const std::string &path, std::uintmax_t bytes) {
    WriteText(path, "");
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

TEST(CFileUtilExists, OnlyReadableRegularFilesCount) {
    TempFolder dir;
    std::string file = dir.File("a b%d.ps");
    WriteText(file, "%!PS\n");
    EXPECT_EQ(CFileUtil::FileExists(file.c_str()), 1);
    EXPECT_EQ(CFileUtil::FileExists(dir.File("missing.ps").c_str()), 0);
    EXPECT_EQ(CFileUtil::FileExists(dir.Path().c_str()), 0) << "a folder is not a file";
    EXPECT_EQ(CFileUtil::FileExists(nullptr), 0);
    EXPECT_EQ(CFileUtil::FileExists(""), 0);

    std::string fifo = dir.File("pipe.ps");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(CFileUtil::FileExists(fifo.c_str()), 0) << "and returns without blocking";

    std::string locked = dir.File("locked.ps");
    WriteText(locked, "x");
    chmod(locked.c_str(), 0);
    if (access(locked.c_str(), R_OK) != 0) {
        EXPECT_EQ(CFileUtil::FileExists(locked.c_str()), 0);
    }

    // The open is not left behind: many calls don't run out of descriptors.
    int before = open("/dev/null", O_RDONLY);
    close(before);
    for (int i = 0; i < 2000; ++i)
        CFileUtil::FileExists(file.c_str());
    int after = open("/dev/null", O_RDONLY);
    close(after);
    EXPECT_EQ(after, before);
}

TEST(CFileUtilExists, FullPathsOverTheLimitAreRefused) {
    TempFolder dir;
    std::string folder = dir.Path();
    while (folder.size() < CFileUtil::kMaxPath - 40)
        folder += std::string(30, 'd') + "/";
    CFileUtil::CreatePath(folder);
    ASSERT_TRUE(fs::is_directory(folder));

    std::string fits = folder + std::string(CFileUtil::kMaxPath - folder.size(), 'f');
    ASSERT_EQ(fits.size(), CFileUtil::kMaxPath);
    WriteText(fits, "x");
    EXPECT_EQ(CFileUtil::FileExists(fits.c_str()), 1);

    std::string tooLong = fits + "g";
    WriteText(tooLong, "x");
    ASSERT_TRUE(fs::exists(tooLong));
    EXPECT_EQ(CFileUtil::FileExists(tooLong.c_str()), 0);

    // Characters are counted, not bytes: 255 characters, far more bytes.
    std::string wide = folder;
    for (std::size_t i = folder.size(); i < CFileUtil::kMaxPath; ++i)
        wide += "\xE6\xB0\xB4";
    WriteText(wide, "x");
    ASSERT_GT(wide.size(), CFileUtil::kMaxPath);
    EXPECT_EQ(CFileUtil::FileExists(wide.c_str()), 1);
}

TEST(CFileUtilCreatePath, CreatesEveryFolderBeforeASlash) {
    TempFolder dir;
    CFileUtil::CreatePath(dir.Path() + "one/two/");
    EXPECT_TRUE(fs::is_directory(dir.File("one/two")));

    CFileUtil::CreatePath(dir.Path() + "three/four/file.pdf");
    EXPECT_TRUE(fs::is_directory(dir.File("three/four")));
    EXPECT_FALSE(fs::exists(dir.File("three/four/file.pdf")));

    CFileUtil::CreatePath(dir.Path() + "one/two/"); // existing folders pass
    CFileUtil::CreatePath(dir.Path() + "five//six/");
    EXPECT_TRUE(fs::is_directory(dir.File("five/six")));

    // A file in the way stops nothing else from happening, and stays a file.
    WriteText(dir.File("blocker"), "keep");
    CFileUtil::CreatePath(dir.Path() + "blocker/inner/");
    EXPECT_EQ(ReadText(dir.File("blocker")), "keep");
    CFileUtil::CreatePath("");
    CFileUtil::CreatePath("no-slash-here");
    EXPECT_FALSE(fs::exists("no-slash-here"));
}

TEST(CFileUtilFolders, ProgramAndDocumentsFolders) {
    EXPECT_EQ(CFileUtil::GetProgramPath("help.html"), std::string(TEST_BINARY_DIR) + "help.html");
    std::string docs = CFileUtil::GetDocumentsFolder();
    ASSERT_FALSE(docs.empty());
    EXPECT_EQ(docs.back(), '/');
    EXPECT_EQ(docs.front(), '/');
}

} // namespace
