// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "settings/SettingsStore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <string>

#include "Files.h"
#include "TempFolder.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

using testsupport::ReadFile;
using testsupport::TempFolder;
using testsupport::TempHome;
using testsupport::WriteFile;

namespace {

// $HOME in a temporary folder for the length of a test, so the computed
// folder defaults are known and the user's own files are not used.
class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { m_ini = m_dir.File("Profile.ini"); }

    ConvertSettings LoadAll() {
        ConvertSettings s;
        LoadAllSettings(m_ini, s);
        return s;
    }

    TempHome m_home;
    TempFolder m_dir;
    std::string m_ini;
};

TEST_F(SettingsStoreTest, MissingFileGivesEveryDefault) {
    ConvertSettings s = LoadAll();
    EXPECT_EQ(s.m_nOutputKind, 0);
    EXPECT_EQ(s.m_nFormat, 0);
    EXPECT_EQ(s.m_nOutputMode, 1);
    EXPECT_EQ(s.m_bNewIfExists, 0);
    EXPECT_EQ(s.m_szOutputDir, m_home.Path() + "My Doc/");

    EXPECT_EQ(s.img.bResize, 0);
    EXPECT_EQ(s.img.nWidth, 594);
    EXPECT_EQ(s.img.nHeight, 842);
    EXPECT_EQ(s.img.nAngle, 0);
    EXPECT_EQ(s.img.nXDpi, 72);
    EXPECT_EQ(s.img.nYDpi, 72);
    EXPECT_EQ(s.img.bFolderPerFile, 0);
    for (const std::string *c : {&s.img.szBmpColor, &s.img.szPngColor, &s.img.szPcxColor,
                                 &s.img.szTgaColor, &s.img.szJp2Color, &s.img.szRasColor,
                                 &s.img.szJpcColor, &s.img.szJpgColor, &s.img.szTifColor})
        EXPECT_EQ(*c, "True Color");
    EXPECT_EQ(s.img.szGifColor, "256 Color");
    EXPECT_EQ(s.img.nJpgQuality, 75);
    EXPECT_EQ(s.img.nTifCompression, 3);
    EXPECT_EQ(s.img.nTifQuality, 75);
    EXPECT_EQ(s.img.bTifMultipage, 0);
    EXPECT_EQ(s.img.bAntialias, 1);

    EXPECT_EQ(s.pdf.bEncrypt, 0);
    EXPECT_EQ(s.pdf.bAllowCopy + s.pdf.bAllowPrint + s.pdf.bAllowChange + s.pdf.bAllowForms, 0);
    EXPECT_EQ(s.pdf.nKeyLevel, 2); // 256-bit AES when the profile has no "level"
    for (const std::string *t :
         {&s.pdf.szUserPassword, &s.pdf.szOwnerPassword, &s.pdf.szTitle, &s.pdf.szSubject,
          &s.pdf.szAuthor, &s.pdf.szKeywords, &s.pdf.szCreator, &s.pdf.szProducer})
        EXPECT_EQ(*t, "");
    // Today's output, with every font embedded.
    EXPECT_EQ(s.pdf.nQuality, 0);
    EXPECT_EQ(s.pdf.nPdfA, 0);
    EXPECT_EQ(s.pdf.bEmbedFonts, 1);
    EXPECT_EQ(s.pdf.bFastWeb, 0);

    EXPECT_EQ(s.stamp.bUseText, 0);
    EXPECT_EQ(s.stamp.szText, "watermark");
    EXPECT_EQ(s.stamp.nFontSize, 16);
    EXPECT_EQ(s.stamp.crColor, 255);
    EXPECT_EQ(s.stamp.nPosition, 0);
    EXPECT_EQ(s.stamp.nRotation, 0);
    EXPECT_EQ(s.stamp.nOffsetX, 0);
    EXPECT_EQ(s.stamp.nOffsetY, 0);
    EXPECT_EQ(s.stamp.bBackground, 0);

    EXPECT_EQ(s.txt.nTextMode, 0);
    EXPECT_EQ(s.txt.bPageBreak, 0);
    EXPECT_FALSE(std::filesystem::exists(m_ini)) << "loading never creates the file";
    EXPECT_FALSE(std::filesystem::exists(m_home.File("My Doc"))) << "nor the output folder";
}

TEST_F(SettingsStoreTest, LoadCorrections) {
    struct Case {
        const char *section, *key, *stored;
        int expected;
    };
    const Case cases[] = {
        {"Set", "mode", "7", 1},         {"Set", "mode", "-1", 1},
        {"Set", "mode", "0", 0},         {"Set", "mode", "", 0},
        {"Set", "mode", "abc", 0},       {"Txt", "txtmode", "2", 0},
        {"Txt", "txtmode", "1", 1},      {"Txt", "txtpagebreak", "-1", 0},
        {"Txt", "txtpagebreak", "1", 1}, {"Img", "xdpi", "50", 72},
        {"Img", "xdpi", "1200", 600},    {"Img", "xdpi", "abc", 72},
        {"Img", "xdpi", "600", 600},     {"Img", "xdpi", "72", 72},
        {"Img", "xdpi", "-300", 72},     {"Img", "ydpi", "300dpi", 300},
        {"Img", "ydpi", "", 72},         {"Img", "width", "0300", 300},
        {"Img", "JQu", "0", 0},          {"Img", "JQu", "500", 500},
        {"Img", "compress", "9", 9},     {"Set", "otype", "5", 5},
        {"Set", "type", "40", 40},       {"Pdf", "fpos", "12", 12},
        {"Pdf", "foffx", "-25", -25},    {"Pdf", "frotate", "-45", -45},
        {"Pdf", "fsize", "", 0},         {"Set", "exists", "1", 1},
    };
    for (const Case &c : cases) {
        std::filesystem::remove(m_ini);
        ASSERT_TRUE(IniWriteString(m_ini, c.section, c.key, c.stored));
        ConvertSettings s = LoadAll();
        const SettingsKey *k = FindSettingsKey(c.section, c.key);
        ASSERT_NE(k, nullptr);
        EXPECT_EQ(SettingText(*k, s), std::to_string(c.expected))
            << c.section << "." << c.key << " stored as '" << c.stored << "'";
    }
}

TEST_F(SettingsStoreTest, StringValues) {
    WriteFile(m_ini, "[Set]\noutput=\n[Img]\nbmpc=b&w\npngc=" + std::string(40, 'c') +
                         "\n[Pdf]\ntitle=" + std::string(300, 't') + "\ntext=水印\n");
    ConvertSettings s = LoadAll();
    EXPECT_EQ(s.m_szOutputDir, m_home.Path() + "My Doc/") << "an empty output takes the default";
    EXPECT_EQ(s.img.szBmpColor, "b&w") << "colour values load unchanged";
    EXPECT_EQ(s.img.szPngColor, std::string(31, 'c')) << "a long colour value is cut to 31";
    EXPECT_EQ(s.img.szGifColor, "256 Color");
    EXPECT_EQ(s.pdf.szTitle, std::string(255, 't'));
    EXPECT_EQ(s.stamp.szText, "水印");

    std::string deep = "/" + std::string(400, 'd') + "/";
    ASSERT_TRUE(IniWriteString(m_ini, "Set", "output", "D:\\Out\\"));
    LoadGeneralSettings(m_ini, s);
    EXPECT_EQ(s.m_szOutputDir, "D:\\Out\\/") << "a backslash is part of a name here";
    ASSERT_TRUE(IniWriteString(m_ini, "Set", "output", deep));
    LoadGeneralSettings(m_ini, s);
    EXPECT_EQ(s.m_szOutputDir, deep) << "a path is never cut";
    ASSERT_TRUE(IniWriteString(m_ini, "Set", "output", "/srv/out"));
    LoadGeneralSettings(m_ini, s);
    EXPECT_EQ(s.m_szOutputDir, "/srv/out/") << "a folder always ends in a separator";
}

TEST_F(SettingsStoreTest, EachLoadFillsOnlyItsGroup) {
    WriteFile(m_ini, "[Set]\notype=2\n[Img]\nxdpi=300\n[Pdf]\nencrypt=1\nfsize=30\n"
                     "[Txt]\ntxtmode=1\n");
    ConvertSettings s;
    s.img.nWidth = 1;
    s.img.szJpgColor = "B&W";
    LoadImageSettings(m_ini, s);
    EXPECT_EQ(s.img.nXDpi, 300);
    EXPECT_EQ(s.img.nWidth, 594) << "the group is reloaded whole";
    EXPECT_EQ(s.img.szJpgColor, "True Color");
    EXPECT_EQ(s.m_nOutputKind, 0);
    EXPECT_EQ(s.pdf.bEncrypt, 0);

    LoadStampSettings(m_ini, s);
    EXPECT_EQ(s.stamp.nFontSize, 30);
    EXPECT_EQ(s.pdf.bEncrypt, 0);
    s.stamp.nFontSize = 0;
    LoadPdfSettings(m_ini, s);
    EXPECT_EQ(s.pdf.bEncrypt, 1);
    EXPECT_EQ(s.stamp.nFontSize, 30) << "the PDF load includes the stamp";
    EXPECT_EQ(s.txt.nTextMode, 0);
    LoadTextSettings(m_ini, s);
    EXPECT_EQ(s.txt.nTextMode, 1);
    EXPECT_EQ(s.m_nOutputKind, 0);
    LoadGeneralSettings(m_ini, s);
    EXPECT_EQ(s.m_nOutputKind, 2);
}

TEST_F(SettingsStoreTest, SaveGeneralWritesItsKeysAndKeepsTheRest) {
    WriteFile(m_ini, "; my settings\n[set]\nAddFile=/home/x/a.ps\nTYPE=1\n\n[Img]\nxdpi=300\n");
    ConvertSettings s;
    s.m_nOutputKind = 2;
    s.m_nFormat = 11;
    s.m_nOutputMode = 0;
    s.m_bNewIfExists = 1;
    s.m_szOutputDir = "/data/out put/";
    s.m_nTimeLimit = 60;
    s.m_szPages = "2,4";
    ASSERT_TRUE(SaveGeneralSettings(m_ini, s));
    EXPECT_EQ(ReadFile(m_ini), "; my settings\n[set]\nAddFile=/home/x/a.ps\nTYPE=11\n"
                               "output=/data/out put/\nmode=0\notype=2\nexists=1\n"
                               "timelimit=60\nmemlimit=0\nkeeptree=1\nsubfolders=1\npages=2,4\n\n"
                               "[Img]\nxdpi=300\n");
    ConvertSettings back;
    LoadGeneralSettings(m_ini, back);
    EXPECT_EQ(back.m_nOutputKind, 2);
    EXPECT_EQ(back.m_nFormat, 11);
    EXPECT_EQ(back.m_nOutputMode, 0);
    EXPECT_EQ(back.m_bNewIfExists, 1);
    EXPECT_EQ(back.m_szOutputDir, "/data/out put/");
    EXPECT_EQ(back.m_nTimeLimit, 60);

    const std::string saved = ReadFile(m_ini);
    ASSERT_EQ(chmod(m_ini.c_str(), 0444), 0);
    s.m_nFormat = 3;
    EXPECT_FALSE(SaveGeneralSettings(m_ini, s));
    EXPECT_EQ(ReadFile(m_ini), saved);
    EXPECT_EQ(s.m_nFormat, 3);
}

TEST(SettingsKeyTable, KeysAreUniqueAndFoundWithoutCase) {
    std::set<std::string> seen;
    int withField = 0;
    for (const SettingsKey &k : AllSettingsKeys()) {
        std::string id = std::string(k.section) + "." + k.key;
        for (char &c : id)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(seen.insert(id).second) << id;
        if (k.IsInt()) {
            EXPECT_NE(k.intField, nullptr) << id;
        } else if (std::string(k.key) != "AddFile") {
            EXPECT_NE(k.textField, nullptr) << id;
        }
        withField += (k.intField || k.textField) ? 1 : 0;
        EXPECT_EQ(k.group == SettingGroup::None, !k.intField && !k.textField)
            << id << ": a key with a field is read by a load";
        const std::string section = k.section;
        switch (k.group) {
        case SettingGroup::General:
            EXPECT_EQ(section, kSectionGeneral) << id;
            break;
        case SettingGroup::Image:
            EXPECT_EQ(section, kSectionImage) << id;
            break;
        case SettingGroup::Stamp:
        case SettingGroup::Pdf:
            EXPECT_EQ(section, kSectionPdf) << id;
            break;
        case SettingGroup::Text:
            EXPECT_EQ(section, kSectionText) << id;
            break;
        case SettingGroup::None:
            break;
        }
    }
    EXPECT_EQ(seen.size(), 62u);
    EXPECT_EQ(withField, 61) << "every key but AddFile fills a field";
    ASSERT_NE(FindSettingsKey("img", "jqu"), nullptr);
    EXPECT_STREQ(FindSettingsKey("IMG", "jqu")->key, "JQu");
    EXPECT_EQ(FindSettingsKey("Img", "nosuch"), nullptr);
    EXPECT_EQ(FindSettingsKey("Set", "xdpi"), nullptr);
}

TEST_F(SettingsStoreTest, ApplyingATextValueReadsItAsALoadWould) {
    ConvertSettings s;
    EXPECT_EQ(ApplySettingText(*FindSettingsKey("Img", "xdpi"), "1200", s), 1);
    EXPECT_EQ(s.img.nXDpi, 600);
    ApplySettingText(*FindSettingsKey("Set", "mode"), "3", s);
    EXPECT_EQ(s.m_nOutputMode, 1);
    ApplySettingText(*FindSettingsKey("Img", "gifc"), std::string(50, 'g'), s);
    EXPECT_EQ(s.img.szGifColor.size(), 31u);
    ApplySettingText(*FindSettingsKey("Set", "output"), "", s);
    EXPECT_EQ(s.m_szOutputDir, m_home.Path() + "My Doc/");
    EXPECT_EQ(ApplySettingText(*FindSettingsKey("Set", "AddFile"), "/x", s), 0);
    EXPECT_EQ(SettingDefaultText(*FindSettingsKey("Set", "AddFile")), m_home.Path());
    EXPECT_EQ(SettingDefaultText(*FindSettingsKey("Img", "height")), "842");

    IniFile ini;
    s.stamp.crColor = 16711680;
    ASSERT_TRUE(WriteSetting(ini, *FindSettingsKey("Pdf", "fcolor"), s));
    EXPECT_EQ(ini.Text(), "[Pdf]\nfcolor=16711680\n");
}

} // namespace
