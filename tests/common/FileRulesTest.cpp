// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The file-system rules every part shares: what counts as a file, how
// folders are made, the platform limits, the trailing separator, the
// PostScript names and the encapsulated-figure header.
#include "common/FileRules.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>

#include "Files.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

using testsupport::ReadFile;
using testsupport::TempFolder;
using testsupport::WriteFile;

namespace {

TEST(FileExists, OnlyReadableRegularFiles) {
    TempFolder dir;
    std::string file = dir.File("a b%d.ps");
    WriteFile(file, "%!PS\n");
    EXPECT_EQ(FileExists(file), 1);
    EXPECT_EQ(FileExists(dir.File("missing.ps")), 0);
    EXPECT_EQ(FileExists(dir.Path()), 0) << "a folder is not a file";
    EXPECT_EQ(FileExists(""), 0);
    EXPECT_EQ(FileExists("/dev/null"), 0) << "nor is a device";

    ASSERT_EQ(::symlink(file.c_str(), dir.File("link.ps").c_str()), 0);
    EXPECT_EQ(FileExists(dir.File("link.ps")), 1) << "a link to a file is that file";
    ASSERT_EQ(::symlink(dir.File("nowhere").c_str(), dir.File("dangling.ps").c_str()), 0);
    EXPECT_EQ(FileExists(dir.File("dangling.ps")), 0);

    std::string fifo = dir.File("pipe.ps");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(FileExists(fifo), 0) << "and returns without blocking";

    std::string locked = dir.File("locked.ps");
    WriteFile(locked, "x");
    ::chmod(locked.c_str(), 0);
    if (::access(locked.c_str(), R_OK) != 0) { // root reads it anyway
        EXPECT_EQ(FileExists(locked), 0);
    }

    // The open is not left behind: many calls don't run out of descriptors.
    int before = ::open("/dev/null", O_RDONLY);
    ::close(before);
    for (int i = 0; i < 2000; ++i)
        FileExists(file);
    int after = ::open("/dev/null", O_RDONLY);
    ::close(after);
    EXPECT_EQ(after, before);
}

TEST(FileExists, PathsBeyondThePlatformLimitsAreRefusedNotCut) {
    TempFolder dir;
    // A name of NAME_MAX bytes (in three-byte characters, so far more than
    // 255 bytes of path) is a file; a path that only fits when cut is not.
    std::string wide = dir.Path();
    while (wide.size() - dir.Path().size() + 3 <= NAME_MAX)
        wide += "\xE6\xB0\xB4";
    WriteFile(wide, "x");
    ASSERT_TRUE(fs::exists(wide));
    EXPECT_GT(wide.size(), 255u);
    EXPECT_EQ(FileExists(wide), 1);

    std::string file = dir.File("a.ps");
    WriteFile(file, "x");
    EXPECT_EQ(FileExists(file + std::string("\0", 1)), 0);
    std::string deep = dir.Path();
    while (deep.size() < PATH_MAX)
        deep += "./";
    EXPECT_EQ(FileExists(deep + "a.ps"), 0) << "names the file, but is too long a path";
}

TEST(FitsPlatformLimits, RefusesLongNamesAndPathsWithoutCutting) {
    EXPECT_TRUE(FitsPlatformLimits("/a/" + std::string(NAME_MAX, 'n')));
    EXPECT_FALSE(FitsPlatformLimits("/a/" + std::string(NAME_MAX + 1, 'n')));
    std::string deep;
    while (deep.size() < PATH_MAX)
        deep += "/" + std::string(100, 'd');
    EXPECT_FALSE(FitsPlatformLimits(deep));
    EXPECT_FALSE(FitsPlatformLimits(""));
    EXPECT_FALSE(FitsPlatformLimits(std::string("/a\0b", 4)));
}

TEST(CreatePath, CreatesEveryFolderBeforeASlash) {
    TempFolder dir;
    CreatePath(dir.File("one/two/"));
    EXPECT_TRUE(fs::is_directory(dir.File("one/two")));

    CreatePath(dir.File("three/four/file.pdf"));
    EXPECT_TRUE(fs::is_directory(dir.File("three/four")));
    EXPECT_FALSE(fs::exists(dir.File("three/four/file.pdf")));

    CreatePath(dir.File("one/two/")); // existing folders pass
    CreatePath(dir.File("five//six/"));
    EXPECT_TRUE(fs::is_directory(dir.File("five/six")));

    // A backslash is part of a name, not a separator.
    CreatePath(dir.File("back\\slash/"));
    EXPECT_TRUE(fs::is_directory(dir.File("back\\slash")));
    EXPECT_FALSE(fs::exists(dir.File("back")));

    // A file in the way stops nothing else from happening, and stays a file.
    WriteFile(dir.File("blocker"), "keep");
    CreatePath(dir.File("blocker/inner/"));
    EXPECT_EQ(ReadFile(dir.File("blocker")), "keep");

    CreatePath("");
    CreatePath("no-slash-here");
    EXPECT_FALSE(fs::exists("no-slash-here"));
}

TEST(WithTrailingSeparator, AddsOneSlashOnlyWhenMissing) {
    EXPECT_EQ(WithTrailingSeparator("/out"), "/out/");
    EXPECT_EQ(WithTrailingSeparator("/out/"), "/out/");
    // A backslash is part of the name.
    EXPECT_EQ(WithTrailingSeparator("out\\"), "out\\/");
    EXPECT_EQ(WithTrailingSeparator("/"), "/");
    // No folder is not the root folder.
    EXPECT_EQ(WithTrailingSeparator(""), "");
}

TEST(IsPostScriptName, TheLastExtensionOfTheNameInAnyCase) {
    for (const char *yes : {"a.ps", "/in/b.PS", "/in/c.pS", "x.y.Ps", "/in/x\\d.ps", ".ps",
                            "figure.eps", "/in/F.EPS", "g.Epsf", "h.epsi", "/in/a.b.EPSI",
                            "paper.ps.gz", "/in/P.PS.GZ", "fig.eps.gz", "old.psz", "O.PSZ"})
        EXPECT_TRUE(IsPostScriptName(yes)) << yes;
    for (const char *no : {"a.pdf", "a.ps.txt", "a.eps.bak", "aps", "a.epsx", "a.peps",
                           "/in.eps/readme", "D:\\in.ps\\x", "a.p", "a.pss", "eps", "", "a.gz",
                           "a.pdf.gz", "a.ps.gz.txt", "a.tar.gz", "a.epsi.gz"})
        EXPECT_FALSE(IsPostScriptName(no)) << no;
}

// Outputs are named after the document inside a compressed file.
TEST(InputBaseName, WithoutThePostScriptExtensionWhole) {
    const std::pair<const char *, const char *> cases[] = {
        {"/in/paper.ps", "paper"},       {"/in/paper.ps.gz", "paper"},
        {"/in/Paper.PS.GZ", "Paper"},    {"fig.eps.gz", "fig"},
        {"/in/old.psz", "old"},          {"/in/a.b.ps", "a.b"},
        {"/in/a.b.ps.gz", "a.b"},        {"/in/x.epsi", "x"},
        {"/in/notes.txt", "notes"},      {"/in/noext", "noext"},
        {"/in.d/archive.gz", "archive"}, {".ps", ""},
    };
    for (const auto &[path, base] : cases)
        EXPECT_EQ(InputBaseName(path), base) << path;
}

TEST(IsEpsFile, TheFirstLineDecidesWhateverTheName) {
    TempFolder dir;
    const std::string figure = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n";
    const std::pair<std::string, bool> cases[] = {
        {figure, true},
        {"%!PS-Adobe-2.0 EPSF-1.2\r\n%%BoundingBox: 0 0 10 10\r\n", true},
        {std::string("\xC5\xD0\xD3\xC6\x1E\0\0\0", 8) + figure, true}, // with a preview
        {"%!PS-Adobe-3.0\n%%BoundingBox: 0 0 10 10\n", false},
        {"%!PS-Adobe-3.0\n% EPSF-3.0 on the second line\n", false},
        {"%!PS EPSF-3.0\n", false}, // no conforming header
        {"", false},
    };
    int k = 0;
    for (const auto &[text, eps] : cases) {
        std::string path = dir.File("file" + std::to_string(k++) + ".ps");
        WriteFile(path, text);
        EXPECT_EQ(IsEpsFile(path), eps) << text;
    }
    EXPECT_FALSE(IsEpsFile(dir.File("missing.eps")));
    EXPECT_FALSE(IsEpsFile(dir.Path()));
    std::string fifo = dir.File("pipe.eps");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(IsEpsFile(fifo)); // and returns at once
}

} // namespace
