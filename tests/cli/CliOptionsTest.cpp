// The command line as vectors: what each option becomes, what is refused.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "cli/CliOptions.h"
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
    CliOptions o = Parse({"--kind", "PDF", "--format", "png", "--output", "/srv/out",
                          "--new-if-exists", "--set", "img.XDPI=300", "a.ps"});
    std::vector<SettingEdit> expected = {{"Set", "otype", "1"},  {"Set", "type", "3"},
                                         {"Set", "mode", "1"},   {"Set", "output", "/srv/out/"},
                                         {"Set", "exists", "1"}, {"Img", "xdpi", "300"}};
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
                          "--jobs=3", "-q", "x.ps", "--", "--odd.ps"});
    ConvertSettings s;
    LoadAllSettings("/nonexistent/Profile.ini", s);
    ApplyEdits(o.edits, s);
    EXPECT_EQ(s.m_nOutputMode, 0);
    EXPECT_EQ(s.m_szOutputDir, "/o/");
    EXPECT_EQ(s.m_bNewIfExists, 1);
    EXPECT_EQ(s.img.nYDpi, 600); // clamped as a load clamps it
    EXPECT_EQ(s.txt.nTextMode, 0);
    EXPECT_EQ(o.jobs, 3);
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
    EXPECT_NE(ErrorOf({"--jobs"}).find("needs a value"), std::string::npos);
    EXPECT_NE(ErrorOf({"--beside=1", "a.ps"}).find("takes no value"), std::string::npos);
    EXPECT_NE(ErrorOf({"--frobnicate", "a.ps"}).find("unknown option"), std::string::npos);
    // --help and --version need no input.
    EXPECT_TRUE(Parse({"--help"}).help);
    EXPECT_TRUE(Parse({"--version"}).version);
}

TEST(CliInputs, TakenAsTheListTakesThem) {
    testsupport::TempDir dir;
    testsupport::WriteAll(dir / "a.ps", "%!PS\n");
    testsupport::WriteAll(dir / "B.PS", "%!PS\n");
    testsupport::WriteAll(dir / "c.eps", "%!PS\n");
    testsupport::WriteAll(dir / "d.ps.txt", "%!PS\n");
    testsupport::CreateFolder(dir / "folder.ps/");
    EXPECT_EQ(InputRefusal(dir / "a.ps"), "");
    EXPECT_EQ(InputRefusal(dir / "B.PS"), "");
    EXPECT_EQ(InputRefusal(dir / "c.eps"), "is not a .ps file");
    EXPECT_EQ(InputRefusal(dir / "d.ps.txt"), "is not a .ps file");
    EXPECT_EQ(InputRefusal(dir / "folder.ps"), "is a folder");
    EXPECT_EQ(InputRefusal(dir / "missing.ps"), "no such file");
}
