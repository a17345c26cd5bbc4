// Splitting, output naming, the engine's format-field escaping, the platform
// limits and the image format chosen from a list item's text.
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>

#include <set>

#include "TestSupport.h"
#include "convert/ImageFormat.h"
#include "convert/PathRules.h"
#include "settings/ConvertSettings.h"

using testsupport::TempDir;
using testsupport::WriteAll;

TEST(SplitPath, FolderBaseAndLastExtension) {
    SplitParts p = SplitPath("/ps/a.b.ps");
    EXPECT_EQ(p.drive, "");
    EXPECT_EQ(p.folder, "/ps/");
    EXPECT_EQ(p.base, "a.b");
    EXPECT_EQ(p.ext, ".ps");

    p = SplitPath("/ps/readme");
    EXPECT_EQ(p.base, "readme");
    EXPECT_EQ(p.ext, "");

    p = SplitPath("D:\\ps\\notes.ps");
    EXPECT_EQ(p.folder, "D:\\ps\\");
    EXPECT_EQ(p.base, "notes");

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
    TempDir dir;
    std::string a = dir / "a.pdf";
    EXPECT_EQ(MakeUniqueName(a), a);
    WriteAll(a, "x");
    EXPECT_EQ(MakeUniqueName(a), dir / "a-01.pdf");
    WriteAll(dir / "a-01.pdf", "x");
    WriteAll(dir / "a-02.pdf", "x");
    EXPECT_EQ(MakeUniqueName(a), dir / "a-03.pdf");

    WriteAll(dir / "a", "x");
    EXPECT_EQ(MakeUniqueName(dir / "a"), dir / "a-01");

    WriteAll(dir / "report_002.jpg", "x");
    EXPECT_EQ(MakeUniqueName(dir / "report_002.jpg"), dir / "report_002-01.jpg");
}

TEST(MakeUniqueName, ThreeDigitsFromOneHundredAndNoUpperLimit) {
    std::set<std::string> taken = {"/o/a.pdf"};
    for (int k = 1; k <= 99; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "/o/a-%02d.pdf", k);
        taken.insert(name);
    }
    auto isTaken = [&](const std::string &p) { return taken.count(p) > 0; };
    EXPECT_EQ(MakeUniqueName("/o/a.pdf", isTaken), "/o/a-100.pdf");
}

TEST(MakeUniqueName, AnythingPresentIsTakenNotOnlyReadableFiles) {
    TempDir dir;
    // A folder, a dangling link and a file without read permission are all
    // something a new output must not replace.
    ::mkdir((dir / "f.pdf").c_str(), 0755);
    ::symlink((dir / "nowhere").c_str(), (dir / "l.pdf").c_str());
    EXPECT_EQ(MakeUniqueName(dir / "f.pdf"), dir / "f-01.pdf");
    EXPECT_EQ(MakeUniqueName(dir / "l.pdf"), dir / "l-01.pdf");
    EXPECT_EQ(FileExists(dir / "f.pdf"), 0);
    EXPECT_EQ(FileExists(dir / "l.pdf"), 0);
}

TEST(FileExists, OnlyFilesThatOpenForReading) {
    TempDir dir;
    WriteAll(dir / "a.ps", "x");
    EXPECT_EQ(FileExists(dir / "a.ps"), 1);
    EXPECT_EQ(FileExists(dir / "missing.ps"), 0);
    EXPECT_EQ(FileExists(dir.Path()), 0);
    EXPECT_EQ(FileExists(""), 0);
}

TEST(CreatePath, CreatesEveryFolderButNotTheLastName) {
    TempDir dir;
    CreatePath(dir / "one/two/");
    EXPECT_TRUE(testsupport::Exists(dir / "one/two"));
    CreatePath(dir / "x/y/file.pdf");
    EXPECT_TRUE(testsupport::Exists(dir / "x/y"));
    EXPECT_FALSE(testsupport::Exists(dir / "x/y/file.pdf"));
}

TEST(EscapeFormatField, DoublesEveryPercent) {
    EXPECT_EQ(EscapeFormatField("/d/100%report.pdf"), "/d/100%%report.pdf");
    EXPECT_EQ(EscapeFormatField("%%d%"), "%%%%d%%");
    EXPECT_EQ(EscapeFormatField("plain"), "plain");
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

TEST(ImageFormat, EveryListItemGivesItsCodeAndExtension) {
    struct Expect {
        int code;
        const char *ext;
    };
    const Expect expected[12] = {{4, ".jpg"}, {7, ".tif"},  {1, ".bmp"},  {5, ".png"},
                                 {6, ".gif"}, {8, ".pcx"},  {3, ".wmf"},  {2, ".emf"},
                                 {9, ".tga"}, {10, ".jp2"}, {12, ".jpc"}, {11, ".ras"}};
    for (int i = 0; i < 12; ++i) {
        ImageFormatChoice c = ImageFormatFromItemText(ImageFormatItemText(i));
        EXPECT_EQ(c.code, expected[i].code) << i;
        EXPECT_EQ(c.ext, expected[i].ext) << i;
    }
}

TEST(ImageFormat, MatchRules) {
    // Nothing selected, or no extension in the text: JPEG.
    EXPECT_EQ(ImageFormatFromItemText("").code, 4);
    EXPECT_EQ(ImageFormatFromItemText("").ext, ".jpg");
    EXPECT_EQ(ImageFormatItemText(-1), "");
    EXPECT_EQ(ImageFormatItemText(12), "");
    // An extension at the very first character does not count.
    EXPECT_EQ(ImageFormatFromItemText(".png files").code, 4);
    EXPECT_EQ(ImageFormatFromItemText("x.png").code, 5);
    // A later extension in the search order replaces an earlier one.
    EXPECT_EQ(ImageFormatFromItemText("x(*.tif) or (*.gif)").code, 6);
    EXPECT_EQ(ImageFormatFromItemText("x(*.jpc)(*.tif)").code, 12);
}
