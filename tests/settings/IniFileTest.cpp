// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "settings/IniFile.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "Files.h"
#include "TempFolder.h"

using testsupport::ReadFile;
using testsupport::TempFolder;
using testsupport::WriteFile;

namespace {

IniFile FromText(const std::string &text) {
    IniFile ini;
    ini.Parse(text);
    return ini;
}

TEST(IniRead, SectionsAndKeysMatchWithoutCase) {
    IniFile ini = FromText("[set]\nOTYPE=2\n[IMG]\nJqu=90\n");
    EXPECT_EQ(ini.GetInt("Set", "otype", -1), 2);
    EXPECT_EQ(ini.GetInt("SET", "OType", -1), 2);
    EXPECT_EQ(ini.GetInt("img", "JQu", -1), 90);
    EXPECT_EQ(ini.GetInt("Img", "otype", -1), -1) << "a key belongs to its own section only";
}

TEST(IniRead, IntegersTakeTheLeadingDigits) {
    IniFile ini = FromText("[S]\n"
                           "plain=42\n"
                           "suffix=300dpi\n"
                           "text=abc\n"
                           "empty=\n"
                           "blank=   \n"
                           "neg=-15\n"
                           "negtext=-x\n"
                           "dash=-\n"
                           "plus=+5\n"
                           "zeros=0300\n"
                           "spaced =  77  \n"
                           "quoted=\"12\"\n"
                           "hex=0x1F\n"
                           "huge=99999999999999999999\n"
                           "hugeneg=-99999999999999999999\n");
    EXPECT_EQ(ini.GetInt("S", "plain", 9), 42);
    EXPECT_EQ(ini.GetInt("S", "suffix", 9), 300);
    EXPECT_EQ(ini.GetInt("S", "text", 9), 0);
    EXPECT_EQ(ini.GetInt("S", "empty", 9), 0) << "an empty value is 0, not the default";
    EXPECT_EQ(ini.GetInt("S", "blank", 9), 0);
    EXPECT_EQ(ini.GetInt("S", "neg", 9), -15);
    EXPECT_EQ(ini.GetInt("S", "negtext", 9), 0);
    EXPECT_EQ(ini.GetInt("S", "dash", 9), 0);
    EXPECT_EQ(ini.GetInt("S", "plus", 9), 0);
    EXPECT_EQ(ini.GetInt("S", "zeros", 9), 300);
    EXPECT_EQ(ini.GetInt("S", "spaced", 9), 77);
    EXPECT_EQ(ini.GetInt("S", "quoted", 9), 12);
    EXPECT_EQ(ini.GetInt("S", "hex", 9), 0);
    EXPECT_EQ(ini.GetInt("S", "huge", 9), 2147483647);
    EXPECT_EQ(ini.GetInt("S", "hugeneg", 9), -2147483647 - 1);
    EXPECT_EQ(ini.GetInt("S", "missing", 9), 9);
    EXPECT_EQ(ini.GetInt("Missing", "plain", 9), 9);
}

TEST(IniRead, LinesThatAreNotKeys) {
    IniFile ini = FromText("orphan=1\n"
                           "[S]\n"
                           "; a=1\n"
                           "# b=2\n"
                           "no equals sign\n"
                           "  [ T ]  \n"
                           "c = x = y \n");
    EXPECT_FALSE(ini.HasKey("S", "orphan")) << "a key before any section belongs to none";
    EXPECT_FALSE(ini.HasKey("S", "; a"));
    EXPECT_FALSE(ini.HasKey("S", "a"));
    EXPECT_FALSE(ini.HasKey("S", "b"));
    EXPECT_EQ(ini.Find("T", "c").value_or("?"), "x = y") << "the value runs from the first '='";
}

TEST(IniRead, FirstSectionAndFirstKeyWin) {
    IniFile ini = FromText("[S]\nk=1\nk=2\n[S]\nk=3\nj=4\n");
    EXPECT_EQ(ini.GetInt("S", "k", 0), 1);
    EXPECT_EQ(ini.GetInt("S", "j", 0), 0) << "a repeated section is not searched";
}

TEST(IniRead, StringsAreCutAt255CharactersButPathsAreNot) {
    std::string longText(300, 'a');
    std::string chinese;
    for (int i = 0; i < 300; ++i)
        chinese += "\xE6\xB0\xB4"; // one three-byte character
    IniFile ini = FromText("[S]\nlong=" + longText + "\ncjk=" + chinese + "\n");
    EXPECT_EQ(ini.GetString("S", "long", "").size(), 255u);
    EXPECT_EQ(ini.GetString("S", "long", "", IniFile::kNoLimit), longText);
    std::string cut = ini.GetString("S", "cjk", "");
    EXPECT_EQ(cut.size(), 255u * 3) << "characters are counted, not bytes";
    EXPECT_EQ(cut, chinese.substr(0, 255 * 3));
    EXPECT_EQ(ini.GetString("S", "missing", "fallback"), "fallback");
    EXPECT_EQ(IniCutChars("ab\xE6\xB0\xB4"
                          "cd",
                          3),
              "ab\xE6\xB0\xB4");
}

TEST(IniRead, QuotesAndBlanksAroundValues) {
    IniFile ini = FromText("[S]\na=  padded  \nb=\"  kept  \"\nc=\"half\nd=\"\"\n");
    EXPECT_EQ(ini.GetString("S", "a", "?"), "padded");
    EXPECT_EQ(ini.GetString("S", "b", "?"), "  kept  ");
    EXPECT_EQ(ini.GetString("S", "c", "?"), "\"half");
    EXPECT_EQ(ini.GetString("S", "d", "?"), "");
}

TEST(IniRead, WindowsLineEndingsAndByteOrderMark) {
    IniFile ini = FromText("\xEF\xBB\xBF[Set]\r\nmode=0\r\noutput=/tmp/x/\r\n");
    EXPECT_EQ(ini.GetInt("Set", "mode", 1), 0);
    EXPECT_EQ(ini.GetString("Set", "output", ""), "/tmp/x/");
}

TEST(IniWrite, ChangesOneKeyInPlaceAndKeepsEverythingElse) {
    const std::string before = "; settings\n"
                               "[Set]\n"
                               "  # indented comment\n"
                               "Output = /old/\n"
                               "type=3\n"
                               "\n"
                               "[Img]\n"
                               "xdpi=300\n";
    IniFile ini = FromText(before);
    ASSERT_TRUE(ini.SetString("set", "OUTPUT", "/new/"));
    EXPECT_EQ(ini.Text(), "; settings\n"
                          "[Set]\n"
                          "  # indented comment\n"
                          "Output=/new/\n"
                          "type=3\n"
                          "\n"
                          "[Img]\n"
                          "xdpi=300\n");
}

TEST(IniWrite, AppendsAMissingKeyToItsSectionAndAMissingSectionAtTheEnd) {
    IniFile ini = FromText("[Set]\ntype=3\n\n[Img]\nxdpi=300\n; trailing comment\n");
    ASSERT_TRUE(ini.SetInt("Set", "mode", 0));
    ASSERT_TRUE(ini.SetInt("Img", "ydpi", -7));
    ASSERT_TRUE(ini.SetString("Txt", "txtmode", "1"));
    EXPECT_EQ(ini.Text(), "[Set]\ntype=3\nmode=0\n\n[Img]\nxdpi=300\nydpi=-7\n"
                          "; trailing comment\n\n[Txt]\ntxtmode=1\n");
    EXPECT_EQ(ini.GetInt("Img", "ydpi", 0), -7);
}

TEST(IniWrite, KeepsLineEndingsByteOrderMarkAndAMissingFinalNewline) {
    IniFile crlf = FromText("\xEF\xBB\xBF[Set]\r\ntype=3");
    ASSERT_TRUE(crlf.SetInt("Set", "mode", 1));
    ASSERT_TRUE(crlf.SetInt("Pdf", "tuse", 1));
    EXPECT_EQ(crlf.Text(), "\xEF\xBB\xBF[Set]\r\ntype=3\r\nmode=1\r\n\r\n[Pdf]\r\ntuse=1\r\n");

    IniFile empty;
    ASSERT_TRUE(empty.SetInt("Set", "type", 2));
    EXPECT_EQ(empty.Text(), "[Set]\ntype=2\n");
}

TEST(IniWrite, ValuesReadBackExactlyAsWritten) {
    IniFile ini;
    for (const std::string value :
         {"  leading", "trailing  ", "\"quoted\"", "\"", "a=b", "; not a comment", "", "水印"}) {
        ASSERT_TRUE(ini.SetString("Pdf", "upass", value));
        IniFile reread = FromText(ini.Text());
        EXPECT_EQ(reread.GetString("Pdf", "upass", "?"), value);
    }
}

TEST(IniWrite, RefusesTextThatWouldBreakTheFile) {
    const std::string before = "[Pdf]\ntext=watermark\n";
    IniFile ini = FromText(before);
    EXPECT_FALSE(ini.SetString("Pdf", "text", "two\nlines"));
    EXPECT_FALSE(ini.SetString("Pdf", "text", "cr\rhere"));
    EXPECT_FALSE(ini.SetString("Pdf", "a=b", "1"));
    EXPECT_FALSE(ini.SetString("Pdf", "", "1"));
    EXPECT_FALSE(ini.SetString("Pdf", "[x", "1"));
    EXPECT_FALSE(ini.SetString("Pdf", ";x", "1"));
    EXPECT_FALSE(ini.SetString("P]df", "text", "1"));
    EXPECT_FALSE(ini.SetString("", "text", "1"));
    EXPECT_EQ(ini.Text(), before);
}

TEST(IniFileOnDisk, SaveAndReloadWithOneShotCalls) {
    TempFolder dir;
    std::string path = dir.File("Profile.ini");
    EXPECT_EQ(IniReadInt(path, "Set", "mode", 5), 5) << "a missing file gives defaults";
    EXPECT_FALSE(std::filesystem::exists(path)) << "reading never creates the file";
    ASSERT_TRUE(IniWriteInt(path, "Set", "mode", 0));
    ASSERT_TRUE(IniWriteString(path, "Set", "output", "/data/out/"));
    EXPECT_EQ(ReadFile(path), "[Set]\nmode=0\noutput=/data/out/\n");
    EXPECT_EQ(IniReadInt(path, "set", "MODE", 5), 0);
    EXPECT_EQ(IniReadString(path, "Set", "output", ""), "/data/out/");

    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "a new file may hold passwords";
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(IniWriteInt(path, "Set", "mode", 1));
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "an existing file keeps its permissions";

    int entries = 0;
    for (auto &e : std::filesystem::directory_iterator(dir.Path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1) << "no temporary file is left behind";
}

// The temporary the save writes through has a short name of its own: a
// settings file whose name is near the platform's limit saves as any other.
TEST(IniFileOnDisk, ANameNearTheLimitSaves) {
    TempFolder dir;
    std::string path = dir.File(std::string(NAME_MAX - 4, 'p') + ".ini");
    ASSERT_TRUE(IniWriteInt(path, "Set", "mode", 1));
    EXPECT_EQ(ReadFile(path), "[Set]\nmode=1\n");
}

TEST(IniFileOnDisk, FailedSavesLeaveFileAndMemoryAsTheyWere) {
    TempFolder dir;
    std::string path = dir.File("Profile.ini");
    const std::string before = "[Set]\nmode=0\n";
    WriteFile(path, before);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);

    IniFile ini(path);
    ASSERT_TRUE(ini.SetInt("Set", "mode", 1));
    EXPECT_FALSE(ini.Save()) << "a read-only file is not replaced";
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(ini.GetInt("Set", "mode", 9), 1) << "the value stays in memory";
    EXPECT_FALSE(IniWriteInt(path, "Set", "mode", 1));
    EXPECT_EQ(ReadFile(path), before);

    IniFile nowhere(dir.File("missing/folder/Profile.ini"));
    ASSERT_TRUE(nowhere.SetInt("Set", "mode", 1));
    EXPECT_FALSE(nowhere.Save());

    // A folder where the file should be: nothing to read, nothing replaced.
    std::filesystem::create_directory(dir.File("dir.ini"));
    EXPECT_FALSE(IniWriteInt(dir.File("dir.ini"), "Set", "mode", 1));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("dir.ini")));
}

TEST(IniFileOnDisk, UnreadableFileIsNeverOverwritten) {
    TempFolder dir;
    std::string path = dir.File("Profile.ini");
    WriteFile(path, "[Set]\nmode=0\n");
    ASSERT_EQ(chmod(path.c_str(), 0200), 0); // write-only
    IniFile probe(path);
    if (probe.GetInt("Set", "mode", 9) == 0)
        GTEST_SKIP() << "this user can read any file";
    EXPECT_FALSE(probe.Save());
    chmod(path.c_str(), 0600);
    EXPECT_EQ(ReadFile(path), "[Set]\nmode=0\n");
}

// A named pipe in the file's place (no writer ever opens it) is refused at
// once: nothing read, nothing saved over it.
TEST(IniFileOnDisk, NamedPipeIsRefusedWithoutBlocking) {
    TempFolder dir;
    std::string path = dir.File("Profile.ini");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    IniFile ini(path);
    EXPECT_EQ(ini.GetInt("Set", "mode", 9), 9);
    ASSERT_TRUE(ini.SetInt("Set", "mode", 1));
    EXPECT_FALSE(ini.Save());
    EXPECT_EQ(IniReadInt(path, "Set", "mode", 7), 7);
    struct stat st {};
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(IniFileOnDisk, SymbolicLinkIsFollowed) {
    TempFolder dir;
    std::filesystem::create_directory(dir.File("real"));
    std::string real = dir.File("real/Profile.ini");
    WriteFile(real, "[Set]\nmode=0\n");
    std::string link = dir.File("Profile.ini");
    std::filesystem::create_symlink(real, link);
    ASSERT_TRUE(IniWriteInt(link, "Set", "mode", 1));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(real), "[Set]\nmode=1\n");
}

} // namespace
