// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Splitting, output naming and the engine's format-field escaping.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>

#include "RunSupport.h"
#include "convert/PathRules.h"
#include "settings/ConvertSettings.h"

using testsupport::TempFolder;
using testsupport::WriteFile;

TEST(SplitPath, FolderBaseAndLastExtension) {
    SplitParts p = SplitPath("/ps/a.b.ps");
    EXPECT_EQ(p.drive, "");
    EXPECT_EQ(p.folder, "/ps/");
    EXPECT_EQ(p.base, "a.b");
    EXPECT_EQ(p.ext, ".ps");

    p = SplitPath("/ps/readme");
    EXPECT_EQ(p.base, "readme");
    EXPECT_EQ(p.ext, "");

    // '/' is the only separator: a backslash belongs to the name.
    p = SplitPath("/in/x\\r.ps");
    EXPECT_EQ(p.folder, "/in/");
    EXPECT_EQ(p.base, "x\\r");

    // A dot in a folder name is not the file's extension.
    p = SplitPath("/my.folder/file");
    EXPECT_EQ(p.folder, "/my.folder/");
    EXPECT_EQ(p.base, "file");
    EXPECT_EQ(p.ext, "");

    p = SplitPath("plain.ps");
    EXPECT_EQ(p.folder, "");
    EXPECT_EQ(p.base, "plain");
}

TEST(RowOutputFolder, ModeChoosesSourceFolderOrOutput) {
    ConvertSettings s;
    s.m_szOutputDir = "/out/";
    s.m_nOutputMode = 1;
    EXPECT_EQ(RowOutputFolder(s, "/ps/a.b.ps"), "/out/");
    s.m_nOutputMode = 0;
    EXPECT_EQ(RowOutputFolder(s, "/ps/a.b.ps"), "/ps/");
}

TEST(MakeUniqueName, NumbersFromOneAndKeepsTheExtension) {
    TempFolder dir;
    std::string a = dir.File("a.pdf");
    EXPECT_EQ(MakeUniqueName(a), a);
    WriteFile(a, "x");
    EXPECT_EQ(MakeUniqueName(a), dir.File("a-01.pdf"));
    WriteFile(dir.File("a-01.pdf"), "x");
    WriteFile(dir.File("a-02.pdf"), "x");
    EXPECT_EQ(MakeUniqueName(a), dir.File("a-03.pdf"));

    WriteFile(dir.File("a"), "x");
    EXPECT_EQ(MakeUniqueName(dir.File("a")), dir.File("a-01"));

    WriteFile(dir.File("report_002.jpg"), "x");
    EXPECT_EQ(MakeUniqueName(dir.File("report_002.jpg")), dir.File("report_002-01.jpg"));
}

TEST(MakeUniqueName, ThreeDigitsFromOneHundredUpToABound) {
    std::set<std::string> taken = {"/o/a.pdf"};
    for (int k = 1; k <= 99; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "/o/a-%02d.pdf", k);
        taken.insert(name);
    }
    auto isTaken = [&](const std::string &p) { return taken.count(p) > 0; };
    EXPECT_EQ(MakeUniqueName("/o/a.pdf", isTaken), "/o/a-100.pdf");

    // Every number taken: no name, after a bounded search.
    int asked = 0;
    auto everything = [&](const std::string &) { return ++asked > 0; };
    EXPECT_EQ(MakeUniqueName("/o/a.pdf", everything), "");
    EXPECT_EQ(asked, kLastNumberedName + 1);
}

TEST(MakeUniqueName, ANameThatCannotTakeANumberGivesNone) {
    // A taken name one byte short of the limit can't take "-01"; a name past
    // the limit is not looked at (the file system would not say it is free).
    auto everything = [](const std::string &) { return true; };
    EXPECT_EQ(MakeUniqueName("/o/" + std::string(250, 'a') + ".pdf", everything), "");
    int asked = 0;
    auto counting = [&](const std::string &) { return ++asked > 0; };
    EXPECT_EQ(MakeUniqueName("/o/" + std::string(252, 'a') + ".pdf", counting), "");
    EXPECT_EQ(asked, 0);
}

TEST(MakeUniqueName, AnythingPresentIsTakenNotOnlyReadableFiles) {
    TempFolder dir;
    // A folder, a dangling link and a file without read permission are all
    // something a new output must not replace.
    ::mkdir(dir.File("f.pdf").c_str(), 0755);
    ::symlink(dir.File("nowhere").c_str(), dir.File("l.pdf").c_str());
    EXPECT_EQ(MakeUniqueName(dir.File("f.pdf")), dir.File("f-01.pdf"));
    EXPECT_EQ(MakeUniqueName(dir.File("l.pdf")), dir.File("l-01.pdf"));
    EXPECT_EQ(FileExists(dir.File("f.pdf")), 0);
    EXPECT_EQ(FileExists(dir.File("l.pdf")), 0);
}

TEST(EscapeFormatField, DoublesEveryPercent) {
    EXPECT_EQ(EscapeFormatField("/d/100%report.pdf"), "/d/100%%report.pdf");
    EXPECT_EQ(EscapeFormatField("%%d%"), "%%%%d%%");
    EXPECT_EQ(EscapeFormatField("plain"), "plain");
}
