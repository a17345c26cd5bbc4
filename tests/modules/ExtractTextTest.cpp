// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PdfExtractText of lumbrel.so on a multi-page PDF the real interpreter
// writes: both text modes, both page-break values, UTF-8 output, and the
// failures (missing or broken PDF, unwritable text path) that leave an
// existing text file alone.
#include "tests/modules/ModuleTestUtil.h"

#include <algorithm>

using namespace moduletest;

namespace {

// Page n has two columns of two lines each, the right column drawn first:
// the physical layout reads "LeftTopN ... RightTopN" on one line and the
// bottom pair on the next, the content-stream order reads the right column
// before the left one.
constexpr int kPages = 4;

std::string FourPagesPs() {
    std::string ps = "%!PS\n/Helvetica findfont 20 scalefont setfont\n";
    for (int n = 1; n <= kPages; ++n) {
        std::string k = std::to_string(n);
        ps +=
            "320 700 moveto (RightTop" + k + ") show 320 670 moveto (RightBottom" + k + ") show\n";
        ps += "72 700 moveto (LeftTop" + k + ") show 72 670 moveto (LeftBottom" + k +
              ") show showpage\n";
    }
    return ps;
}

class ExtractTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        ASSERT_TRUE(engine.ok());
        extract = module.get<PdfExtractTextFn>("ordinal_3");
        ASSERT_TRUE(extract);
        pdf = dir.File("four pages.pdf");
        ASSERT_TRUE(MakePdf(engine, pdf, dir.File("four.ps"), FourPagesPs()));
    }
    int Extract(const std::string &txt, int mode, int pageBreak, const std::string &from = "") {
        return extract((from.empty() ? pdf : from).c_str(), txt.c_str(), mode, pageBreak, 1);
    }

    TempFolder dir;
    Engine engine;
    Module module{BinDir() + "/lumbrel.so"};
    PdfExtractTextFn extract = nullptr;
    std::string pdf;
};

std::vector<std::string> Split(const std::string &text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t pos; (pos = text.find(separator, start)) != std::string::npos; start = pos + 1)
        parts.push_back(text.substr(start, pos - start));
    parts.push_back(text.substr(start));
    return parts;
}

// Where each word of page n stands in `page`; npos fails the caller's checks.
struct Words {
    size_t leftTop, rightTop, leftBottom, rightBottom;
};
Words Find(const std::string &page, int n) {
    const std::string k = std::to_string(n);
    return {page.find("LeftTop" + k), page.find("RightTop" + k), page.find("LeftBottom" + k),
            page.find("RightBottom" + k)};
}

// The text as pages, split at the form feeds: one fewer than pages.
std::vector<std::string> Pages(const std::string &text) {
    EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), kPages - 1);
    EXPECT_FALSE(text.empty() || text.back() == '\f') << "no form feed after the last page";
    return Split(text, '\f');
}

} // namespace

TEST_F(ExtractTextTest, PhysicalLayoutReadsTheColumnsSideBySide) {
    std::string txt = dir.File("out.txt");
    ASSERT_EQ(Extract(txt, 1, 1), 1);
    std::vector<std::string> pages = Pages(ReadFile(txt));
    ASSERT_EQ(pages.size(), size_t(kPages));
    for (int n = 1; n <= kPages; ++n) {
        const std::string &page = pages[static_cast<size_t>(n - 1)];
        const Words w = Find(page, n);
        ASSERT_NE(w.rightBottom, std::string::npos) << page;
        ASSERT_NE(w.leftBottom, std::string::npos) << page;
        EXPECT_LT(w.leftTop, w.rightTop) << page;
        EXPECT_LT(w.rightTop, w.leftBottom) << page;
        EXPECT_LT(w.leftBottom, w.rightBottom) << page;
        EXPECT_EQ(page.substr(w.leftTop, w.rightTop - w.leftTop).find('\n'), std::string::npos)
            << "one line, as on the page";
        for (int other = 1; other <= kPages; ++other) {
            if (other != n) {
                EXPECT_EQ(page.find("LeftTop" + std::to_string(other)), std::string::npos);
            }
        }
    }
}

TEST_F(ExtractTextTest, RawOrderReadsTheColumnsAsDrawn) {
    std::string txt = dir.File("raw.txt");
    ASSERT_EQ(Extract(txt, 3, 1), 1);
    std::vector<std::string> pages = Pages(ReadFile(txt));
    ASSERT_EQ(pages.size(), size_t(kPages));
    for (int n = 1; n <= kPages; ++n) {
        const std::string &page = pages[static_cast<size_t>(n - 1)];
        const Words w = Find(page, n);
        ASSERT_NE(w.leftBottom, std::string::npos) << page;
        EXPECT_LT(w.rightTop, w.rightBottom) << page;
        EXPECT_LT(w.rightBottom, w.leftTop) << "the right column was drawn first\n" << page;
        EXPECT_LT(w.leftTop, w.leftBottom) << page;
    }
}

TEST_F(ExtractTextTest, NewlinesInsteadOfFormFeeds) {
    for (int mode : {1, 3}) {
        std::string txt = dir.File("nl" + std::to_string(mode) + ".txt");
        ASSERT_EQ(Extract(txt, mode, 0), 1);
        std::string text = ReadFile(txt);
        EXPECT_EQ(text.find('\f'), std::string::npos);
        EXPECT_EQ(text.back(), '\n');
        size_t p1 = text.find("LeftBottom1"), p2 = text.find("LeftBottom2"),
               p4 = text.find("LeftBottom4");
        EXPECT_TRUE(p1 < p2 && p2 < p4 && p4 != std::string::npos);

        // The same text as with page breaks, a newline where each form feed was.
        std::string withBreaks = dir.File("ff" + std::to_string(mode) + ".txt");
        ASSERT_EQ(Extract(withBreaks, mode, 1), 1);
        std::string expected = ReadFile(withBreaks);
        std::replace(expected.begin(), expected.end(), '\f', '\n');
        EXPECT_EQ(text, expected);
    }
}

TEST_F(ExtractTextTest, OtherModesCountAsPhysical) {
    std::string physical = dir.File("p.txt");
    ASSERT_EQ(Extract(physical, 1, 1), 1);
    for (int mode : {0, 2, 4, -1}) {
        std::string txt = dir.File("m.txt");
        ASSERT_EQ(Extract(txt, mode, 1), 1) << mode;
        EXPECT_EQ(ReadFile(txt), ReadFile(physical)) << mode;
    }
}

TEST_F(ExtractTextTest, WritesUtf8AndReplacesAnExistingFile) {
    // A Latin-1 character drawn through an ISO Latin-1 font comes out as UTF-8.
    std::string ps = "%!PS\n/Helvetica findfont dup length dict begin\n"
                     "{ 1 index /FID ne { def } { pop pop } ifelse } forall\n"
                     "/Encoding ISOLatin1Encoding def currentdict end\n"
                     "/HelvLatin exch definefont 20 scalefont setfont\n"
                     "72 700 moveto (Caf\\351 na\\357ve) show showpage\n";
    std::string latin = dir.File("latin.pdf");
    ASSERT_TRUE(MakePdf(engine, latin, dir.File("latin.ps"), ps));
    std::string txt = dir.File("latin.txt");
    WriteFile(txt, "old contents that must go");
    ASSERT_EQ(Extract(txt, 1, 0, latin), 1);
    std::string text = ReadFile(txt);
    EXPECT_NE(text.find("Café naïve"), std::string::npos) << text;
    EXPECT_EQ(text.find("old contents"), std::string::npos);
}

// Typeset text draws "fi", "fl" and "ffi" as one glyph each, which a PDF
// may map to U+FB01, U+FB02 and U+FB03 (here through the glyph names
// uniFB01 ... of a font of boxes): the text file has the letters, so
// "figures" is found.
TEST_F(ExtractTextTest, LigaturesAreWrittenAsTheirLetters) {
    const std::string ps =
        "%!PS\n/Boxes 10 dict dup begin /FontType 3 def /FontMatrix [0.001 0 0 0.001 0 0] def\n"
        "/FontBBox [0 0 600 700] def /Encoding 256 array def\n"
        "0 1 255 { Encoding exch /.notdef put } for\n"
        "[32 /space 97 /uniFB01 98 /uniFB02 99 /uniFB03 100 /g 101 /u 102 /r 103 /e 104 /s\n"
        " 105 /o 106 /w 107 /c] aload length 2 idiv { Encoding 3 1 roll put } repeat\n"
        "/BuildGlyph { exch pop 600 0 0 0 600 700 setcachedevice\n"
        "  /space ne { 50 0 500 700 rectfill } if } bind def\n"
        "/BuildChar { 1 index /Encoding get exch get 1 index /BuildGlyph get exec } bind def\n"
        "end definefont 20 scalefont setfont\n"
        "72 700 moveto (adefgh bij) show 72 670 moveto (ickg) show showpage\n";
    std::string ligatures = dir.File("ligatures.pdf");
    ASSERT_TRUE(MakePdf(engine, ligatures, dir.File("ligatures.ps"), ps));
    ASSERT_NE(readback::PdfText(ligatures).find("\xEF\xAC\x81"), std::string::npos)
        << "the PDF itself holds U+FB01";
    for (int mode : {1, 3}) {
        std::string txt = dir.File("ligatures.txt");
        ASSERT_EQ(Extract(txt, mode, 0, ligatures), 1);
        std::string text = ReadFile(txt);
        EXPECT_NE(text.find("figures flow"), std::string::npos) << text;
        EXPECT_NE(text.find("office"), std::string::npos) << text;
        EXPECT_EQ(text.find("\xEF\xAC"), std::string::npos) << text;
    }
}

TEST_F(ExtractTextTest, FailuresLeaveTheTextPathAlone) {
    std::string txt = dir.File("keep.txt");
    WriteFile(txt, "existing text");
    std::string garbage = dir.File("garbage.pdf");
    WriteFile(garbage, "%PDF-1.4\nthis is not really a PDF\n");
    std::string empty = dir.File("empty.pdf");
    WriteFile(empty, "");

    for (const std::string &source : {dir.File("missing.pdf"), garbage, empty}) {
        SCOPED_TRACE(source);
        EXPECT_EQ(Extract(txt, 1, 1, source), 0);
        EXPECT_EQ(ReadFile(txt), "existing text");
    }

    // Unwritable text paths: a folder, and a file in a folder that doesn't exist.
    EXPECT_EQ(Extract(dir.Path(), 1, 1), 0);
    EXPECT_EQ(Extract(dir.File("no such folder/out.txt"), 1, 1), 0);
    EXPECT_FALSE(fs::exists(dir.File("no such folder")));
    EXPECT_EQ(Extract("", 1, 1), 0);
    EXPECT_EQ(extract(nullptr, txt.c_str(), 1, 1, 1), 0);
    EXPECT_EQ(extract(pdf.c_str(), nullptr, 1, 1, 1), 0);

    // Nothing but the files of the test is in the folder: no hidden temporary.
    for (const auto &entry : fs::directory_iterator(fs::path(dir.Path())))
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
}

TEST_F(ExtractTextTest, PasswordProtectedPdfIsAFailure) {
    std::string locked = dir.File("locked.pdf");
    ASSERT_TRUE(MakePdf(engine, locked, dir.File("locked.ps"), PagesPs({"Hidden"}),
                        {"-sOwnerPassword=o", "-sUserPassword=u", "-dEncryptionR=3",
                         "-dKeyLength=128", "-dPermissions=16"}));
    std::string txt = dir.File("locked.txt");
    EXPECT_EQ(Extract(txt, 1, 1, locked), 0);
    EXPECT_FALSE(fs::exists(txt));
}
