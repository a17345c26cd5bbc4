// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The command line as vectors: what each option becomes, what is refused;
// the input lists, the report's JSON text and the progress line's cut.
#include <gtest/gtest.h>

#include "Files.h"
#include "PostScript.h"
#include "Process.h"
#include "TempFolder.h"
#include "cli/CliOptions.h"
#include "cli/FileList.h"
#include "cli/ProgressLine.h"
#include "cli/RunReport.h"
#include "convert/ImageFormat.h"
#include "settings/ConvertSettings.h"
#include "settings/SettingsStore.h"

namespace {

CliOptions Parse(std::vector<std::string> args, bool expectOk = true) {
    CliOptions o;
    std::string error;
    EXPECT_EQ(ParseCliArguments(args, o, error), expectOk) << error;
    return o;
}

std::string ErrorOf(std::vector<std::string> args) {
    CliOptions o;
    std::string error;
    EXPECT_FALSE(ParseCliArguments(args, o, error));
    return error;
}

bool operator==(const SettingEdit &a, const SettingEdit &b) {
    return a.section == b.section && a.key == b.key && a.value == b.value;
}

} // namespace

TEST(CliOptions, EachOptionBecomesItsKeyEdits) {
    CliOptions o =
        Parse({"--kind", "PDF", "--format", "png", "--output", "/srv/out", "--new-if-exists",
               "--set", "img.XDPI=300", "--time-limit", "30", "--memory-limit", "2048", "--pages",
               "7, 1-3", "a.ps"});
    std::vector<SettingEdit> expected = {{"Set", "otype", "1"},      {"Set", "type", "3"},
                                         {"Set", "mode", "1"},       {"Set", "output", "/srv/out/"},
                                         {"Set", "exists", "1"},     {"Img", "xdpi", "300"},
                                         {"Set", "timelimit", "30"}, {"Set", "memlimit", "2048"},
                                         {"Set", "pages", "1-3,7"}};
    ASSERT_EQ(o.edits.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_TRUE(o.edits[i] == expected[i])
            << i << ": " << o.edits[i].section << "." << o.edits[i].key << "=" << o.edits[i].value;
    EXPECT_EQ(o.files, std::vector<std::string>{"a.ps"});
    EXPECT_EQ(o.jobs, 1);
}

TEST(CliOptions, EveryFormatNameMapsToItsListIndex) {
    for (std::size_t i = 0; i < kImageFormats.size(); ++i) {
        const char *name = kImageFormats[i].cliName;
        CliOptions o = Parse({"--format", name, "x.ps"});
        ASSERT_EQ(o.edits.size(), 1u);
        EXPECT_EQ(o.edits[0].value, std::to_string(i)) << name;
    }
}

TEST(CliOptions, LaterOptionsWinAndEditsApplyWithCorrections) {
    CliOptions o = Parse({"--beside", "--output=/o", "--overwrite", "--beside", "--set",
                          "Set.exists=1", "--set", "Img.ydpi=9000", "--set", "Txt.txtmode=7",
                          "--jobs=3", "--threads", "4", "-q", "x.ps", "--", "--odd.ps"});
    ConvertSettings s;
    LoadAllSettings("/nonexistent/Profile.ini", s);
    ApplyEdits(o.edits, s);
    EXPECT_EQ(s.m_nOutputMode, 0);
    EXPECT_EQ(s.m_szOutputDir, "/o/");
    EXPECT_EQ(s.m_bNewIfExists, 1);
    EXPECT_EQ(s.img.nYDpi, 600); // clamped as a load clamps it
    EXPECT_EQ(s.txt.nTextMode, 0);
    EXPECT_EQ(o.jobs, 3);
    EXPECT_EQ(o.threads, 4);
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ(o.files, (std::vector<std::string>{"x.ps", "--odd.ps"}));
}

TEST(CliOptions, UsageErrors) {
    EXPECT_EQ(ErrorOf({}), "no input files");
    EXPECT_NE(ErrorOf({"--kind", "video", "a.ps"}).find("--kind"), std::string::npos);
    EXPECT_EQ(ErrorOf({"--format", "webp", "a.ps"}),
              "--format takes jpg, tif, bmp, png, gif, pcx, wmf, emf, tga, jp2, jpc or ras, not "
              "'webp'");
    EXPECT_NE(ErrorOf({"--set", "Img.nosuch=1", "a.ps"}).find("Img.nosuch"), std::string::npos);
    EXPECT_NE(ErrorOf({"--set", "xdpi=1", "a.ps"}).find("SECTION.KEY=VALUE"), std::string::npos);
    EXPECT_NE(ErrorOf({"--jobs", "0", "a.ps"}).find("--jobs"), std::string::npos);
    EXPECT_NE(ErrorOf({"--jobs", "2x", "a.ps"}).find("--jobs"), std::string::npos);
    EXPECT_NE(ErrorOf({"--threads", "0", "a.ps"}).find("--threads"), std::string::npos);
    EXPECT_EQ(ErrorOf({"--pages", "3-1", "a.ps"}),
              "--pages: a range goes from a lower page to a higher one, as in 1-3, not '3-1'");
    EXPECT_NE(ErrorOf({"--jobs"}).find("needs a value"), std::string::npos);
    for (const char *bad : {"-1", "1.5", "86401"})
        EXPECT_NE(ErrorOf({"--time-limit", bad, "a.ps"}).find("--time-limit takes"),
                  std::string::npos)
            << bad;
    EXPECT_NE(ErrorOf({"--memory-limit", "lots", "a.ps"}).find("--memory-limit takes"),
              std::string::npos);
    EXPECT_NE(ErrorOf({"--beside=1", "a.ps"}).find("takes no value"), std::string::npos);
    EXPECT_NE(ErrorOf({"--frobnicate", "a.ps"}).find("unknown option"), std::string::npos);
    // --help and --version need no input.
    EXPECT_TRUE(Parse({"--help"}).help);
    EXPECT_TRUE(Parse({"--version"}).version);
}

TEST(CliOptions, InputListsAndTheReport) {
    CliOptions o =
        Parse({"--files-from", "-", "a.ps", "--files-from=l.txt", "-0", "--report", "r.jsonl"});
    EXPECT_EQ(o.fileLists, (std::vector<std::string>{"-", "l.txt"}));
    EXPECT_EQ(o.files, std::vector<std::string>{"a.ps"});
    EXPECT_TRUE(o.nulSeparated);
    EXPECT_EQ(o.report, "r.jsonl");
    EXPECT_TRUE(Parse({"--files-from", "l.txt"}).files.empty()); // a list alone is enough
    EXPECT_NE(ErrorOf({"-0", "a.ps"}).find("--files-from"), std::string::npos);
    EXPECT_NE(ErrorOf({"--files-from=", "a.ps"}).find("--files-from"), std::string::npos);
    EXPECT_NE(ErrorOf({"--report", "", "a.ps"}).find("--report"), std::string::npos);
}

TEST(CliFileList, LinesAndNulRecords) {
    std::vector<std::string> names;
    std::string error;
    ASSERT_TRUE(SplitFileList("a.ps\r\n\nb c.ps\nlast.ps", false, names, error));
    EXPECT_EQ(names, (std::vector<std::string>{"a.ps", "b c.ps", "last.ps"}));
    names.clear();
    ASSERT_TRUE(SplitFileList(std::string("x\ny.ps\0 z.ps\r\0\0", 14), true, names, error));
    EXPECT_EQ(names, (std::vector<std::string>{"x\ny.ps", " z.ps\r"}));
    names.clear();
    EXPECT_FALSE(SplitFileList(std::string("a.ps\nb\0.ps\n", 11), false, names, error));
    EXPECT_TRUE(names.empty());
    EXPECT_NE(error.find("-0"), std::string::npos);
}

TEST(CliReport, JsonTextOfAnyName) {
    EXPECT_EQ(JsonString("a \"b\"\\c\n\t\x01\x7f"), "\"a \\\"b\\\"\\\\c\\n\\t\\u0001\\u007f\"");
    // UTF-8 as it stands; each byte outside valid UTF-8 (a Latin-1 name, an
    // overlong form, a cut-off sequence) as U+FFFD, never a lone surrogate.
    EXPECT_EQ(JsonString("\xe6\x96\x87.ps"), "\"\xe6\x96\x87.ps\"");
    EXPECT_EQ(JsonString("caf\xe9.ps"), "\"caf\xef\xbf\xbd.ps\"");
    EXPECT_EQ(JsonString("\xc0\xaf\xe6\x96"),
              "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\"");
    // Such a name's exact bytes follow in base64.
    EXPECT_EQ(ReportLine({"/in/bad\xff\xfe_.ps", {"/o/a.pdf", "/o/\xff.pdf"}, "Succeed", "", 0}),
              "{\"input\":\"/in/bad\xef\xbf\xbd\xef\xbf\xbd_.ps\",\"input_bytes\":\"L2luL2JhZP/"
              "+Xy5wcw==\","
              "\"outputs\":[\"/o/a.pdf\",\"/o/\xef\xbf\xbd.pdf\"],"
              "\"outputs_bytes\":[\"L28vYS5wZGY=\",\"L28v/y5wZGY=\"],"
              "\"status\":\"Succeed\",\"reason\":\"\",\"seconds\":0.000}");
    EXPECT_EQ(
        ReportLine({"/in/a.ps", {"/o/a_001.png", "/o/a_002.png"}, "Failed", "disk full", 1.5}),
        "{\"input\":\"/in/a.ps\",\"outputs\":[\"/o/a_001.png\",\"/o/a_002.png\"],"
        "\"status\":\"Failed\",\"reason\":\"disk full\",\"seconds\":1.500}");
}

TEST(CliProgress, TheLineIsCutToTheTerminal) {
    EXPECT_EQ(ProgressLine::Text(2, 9, 0, 0, "/d/a.ps", 80), "file 2 of 9: /d/a.ps");
    EXPECT_EQ(ProgressLine::Text(2, 9, 3, 4, "/d/a.ps", 0), "file 2 of 9, page 3 of 4: /d/a.ps");
    EXPECT_EQ(ProgressLine::Text(2, 9, 3, 0, "/d/a.ps", 0), "file 2 of 9, page 3: /d/a.ps");
    // The start of the name gives way, never inside a character.
    EXPECT_EQ(ProgressLine::Text(1, 1, 0, 0, "/data/\xe6\x96\x87\xe6\x96\x87.ps", 24),
              "file 1 of 1: ...\xe6\x96\x87.ps");
    EXPECT_EQ(ProgressLine::Text(10, 12, 0, 0, "/d/a.ps", 10), "file 10 o");
}

TEST(CliOptions, WatchTakesAFolderAndNoFiles) {
    CliOptions o = Parse({"--watch", "/srv/in", "--done", "/srv/ok", "--kind", "pdf"});
    EXPECT_EQ(o.watchFolder, "/srv/in/");
    EXPECT_EQ(o.doneFolder, "/srv/ok/");
    EXPECT_EQ(o.failedFolder, "");
    EXPECT_TRUE(o.files.empty());
    EXPECT_NE(ErrorOf({"--watch", "/srv/in", "a.ps"}).find("--watch"), std::string::npos);
    EXPECT_NE(ErrorOf({"--watch", "/srv/in", "--files-from", "-"}).find("--watch"),
              std::string::npos);
    EXPECT_NE(ErrorOf({"--watch", "/srv/in", "--report", "r.jsonl"}).find("--watch"),
              std::string::npos);
    EXPECT_NE(ErrorOf({"--failed", "/srv/bad", "a.ps"}).find("--watch"), std::string::npos);
    EXPECT_NE(ErrorOf({"--watch="}).find("needs a folder"), std::string::npos);
}
