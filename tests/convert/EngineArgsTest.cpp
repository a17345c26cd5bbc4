// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The argument vectors, entry by entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "Files.h"
#include "TempFolder.h"
#include "convert/EngineArgs.h"
#include "imageconv/ImageConverter.h"
#include "settings/ConvertSettings.h"

namespace {

const ArgumentVector kHead = {"tessarin", "-dNOPAUSE", "-dBATCH", "-dSAFER"};

ArgumentVector With(ArgumentVector v, std::initializer_list<std::string> more) {
    v.insert(v.end(), more);
    return v;
}

} // namespace

TEST(PdfArguments, WithoutEmbeddingOrPresetsHasSevenEntries) {
    PdfSettings pdf;
    pdf.bEmbedFonts = 0;
    ArgumentVector v = PdfArguments(pdf, "/out/a.pdf", "/ps/a.ps");
    EXPECT_EQ(v, With(kHead, {"-sDEVICE=pdfwrite", "-sOutputFile=/out/a.pdf", "/ps/a.ps"}));
}

TEST(PdfArguments, PresetThenEmbeddingThenPdfABeforeTheInput) {
    PdfSettings pdf;
    pdf.nQuality = 1;
    pdf.nPdfA = 2;
    pdf.bEmbedFonts = 0; // PDF/A embeds all the same
    EXPECT_EQ(
        PdfArguments(pdf, "/o.pdf", "/i.ps"),
        With(kHead, {"-sDEVICE=pdfwrite", "-sOutputFile=/o.pdf", "-dPDFSETTINGS=/screen",
                     "-dEmbedAllFonts=true", "-dSubsetFonts=true", "-dNeverEmbed={}", "-dPDFA=2",
                     "-dPDFACompatibilityPolicy=1", "-sColorConversionStrategy=RGB", "/i.ps"}));
    // Out of their lists: the interpreter's default, no PDF/A.
    pdf.nQuality = 5;
    pdf.nPdfA = 4;
    EXPECT_EQ(PdfArguments(pdf, "/o.pdf", "/i.ps").size(), 7u);
}

// Passwords on a command line can be read by every local user: the engine
// writes a plain file and the finishing step encrypts it, whatever the level.
TEST(PdfArguments, NoKeyLevelGivesTheEngineAPassword) {
    for (int level : {0, 1, 2, 7}) {
        PdfSettings pdf;
        pdf.bEncrypt = 1;
        pdf.szOwnerPassword = "own-secret";
        pdf.szUserPassword = "usr-secret";
        pdf.nKeyLevel = level;
        for (const std::string &entry : PdfArguments(pdf, "/o.pdf", "/i.ps")) {
            EXPECT_EQ(entry.find("secret"), std::string::npos) << level << ": " << entry;
            EXPECT_EQ(entry.find("Password"), std::string::npos) << level << ": " << entry;
        }
    }
}

TEST(KeyLevelOf, ZeroAndTwoAreTheirOwnEverythingElseIs128BitRc4) {
    PdfSettings pdf;
    const std::pair<int, PdfKeyLevel> cases[] = {{0, PdfKeyLevel::Rc4Bits40},
                                                 {1, PdfKeyLevel::Rc4Bits128},
                                                 {2, PdfKeyLevel::Aes256},
                                                 {3, PdfKeyLevel::Rc4Bits128},
                                                 {-1, PdfKeyLevel::Rc4Bits128}};
    for (const auto &[stored, level] : cases) {
        pdf.nKeyLevel = stored;
        EXPECT_EQ(KeyLevelOf(pdf), level) << stored;
    }
}

TEST(PdfPermissions, ReservedBitsSetAndEachBoxGrantsItsTwoBits) {
    PdfSettings pdf;
    // Bits 7, 8 and 13-32 set, bits 1-2 clear: negative, as readers require.
    EXPECT_EQ(static_cast<unsigned>(PdfPermissions(pdf)), 0xFFFFF0C0u);
    const std::pair<int PdfSettings::*, unsigned> boxes[] = {
        {&PdfSettings::bAllowPrint, (1u << 2) | (1u << 11)},  // bits 3, 12
        {&PdfSettings::bAllowChange, (1u << 3) | (1u << 10)}, // bits 4, 11
        {&PdfSettings::bAllowCopy, (1u << 4) | (1u << 9)},    // bits 5, 10
        {&PdfSettings::bAllowForms, (1u << 5) | (1u << 8)},   // bits 6, 9
    };
    for (const auto &[box, bits] : boxes) {
        PdfSettings one;
        one.*box = 1;
        EXPECT_EQ(static_cast<unsigned>(PdfPermissions(one)), 0xFFFFF0C0u | bits);
        one.*box = 2; // only exactly 1 grants
        EXPECT_EQ(static_cast<unsigned>(PdfPermissions(one)), 0xFFFFF0C0u);
    }
    pdf.bAllowPrint = pdf.bAllowChange = pdf.bAllowCopy = pdf.bAllowForms = 1;
    EXPECT_EQ(PdfPermissions(pdf), -4);
}

TEST(PdfArguments, PercentInTheOutputNameIsLiteral) {
    PdfSettings pdf;
    pdf.bEmbedFonts = 0;
    ArgumentVector v = PdfArguments(pdf, "/out/100%report.pdf", "/ps/100%report.ps");
    EXPECT_EQ(v[5], "-sOutputFile=/out/100%%report.pdf");
    // The input is a plain file name to the engine: left as it is.
    EXPECT_EQ(v[6], "/ps/100%report.ps");
}

TEST(RenderArguments, PagePatternResolutionAndSmoothingUnlessOffOrBlackAndWhite) {
    ImageSettings img;
    img.nXDpi = 150;
    img.nYDpi = 300;
    img.szPngColor = "True Color";
    const ArgumentVector plain =
        With(kHead, {"-sDEVICE=bmp16m", "-sOutputFile=/tmp/mtmp_745/p_%03d.bmp", "-r150x300"});
    auto render = [&img] {
        return RenderArguments("/tmp/mtmp_745/", img, IC_FORMAT_PNG, "/ps/report.ps");
    };
    EXPECT_EQ(render(),
              With(plain, {"-dTextAlphaBits=4", "-dGraphicsAlphaBits=4", "/ps/report.ps"}));
    img.szPngColor = "b&w"; // a 1-bit page: no grey edges to threshold
    EXPECT_EQ(render(), With(plain, {"/ps/report.ps"}));
    img.szPngColor = "16 Grays";
    img.bAntialias = 0;
    EXPECT_EQ(render(), With(plain, {"/ps/report.ps"}));
}

TEST(RenderArguments, OnlyThePageNumberStaysAField) {
    ArgumentVector v =
        RenderArguments("/t%d/mtmp_1/", ImageSettings{}, IC_FORMAT_BMP, "/ps/50% off.ps");
    EXPECT_EQ(v[5], "-sOutputFile=/t%%d/mtmp_1/p_%03d.bmp");
}

TEST(EngineArguments, AnEncapsulatedFigureIsCroppedToItsBoxByEveryVector) {
    testsupport::TempFolder dir;
    const std::string figure = dir.File("figure.ps"), page = dir.File("page.eps");
    testsupport::WriteFile(figure, "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 120 80\n");
    testsupport::WriteFile(page, "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 120 80\n");
    ImageSettings img;
    img.bAntialias = 0;
    const ArgumentVector vectors[] = {
        PdfArguments(PdfSettings{}, "/o.pdf", figure),
        TextPdfArguments("/t.pdf", figure),
        RenderArguments("/p/", img, IC_FORMAT_BMP, figure),
    };
    for (const ArgumentVector &v : vectors) {
        ASSERT_GE(v.size(), 2u);
        EXPECT_EQ(v[v.size() - 2], "-dEPSCrop");
        EXPECT_EQ(v.back(), figure);
    }
    // The name decides nothing: a page that isn't a figure is left whole.
    const ArgumentVector whole = PdfArguments(PdfSettings{}, "/o.pdf", page);
    EXPECT_EQ(std::count(whole.begin(), whole.end(), "-dEPSCrop"), 0);
    EXPECT_EQ(whole.back(), page);
}

TEST(TextPdfArguments, SevenEntriesNeverEncrypted) {
    ArgumentVector v = TextPdfArguments("/tmp/msrc_745.pdf", "/ps/notes.ps");
    EXPECT_EQ(v,
              With(kHead, {"-sDEVICE=pdfwrite", "-sOutputFile=/tmp/msrc_745.pdf", "/ps/notes.ps"}));
}

TEST(ArgvView, PointsAtTheStringsAndEndsWithNull) {
    ArgumentVector v = {"a", "bb", "ccc"};
    ArgvView view(v);
    ASSERT_EQ(view.argc(), 3);
    EXPECT_STREQ(view.argv()[1], "bb");
    EXPECT_EQ(view.argv()[3], nullptr);
}
