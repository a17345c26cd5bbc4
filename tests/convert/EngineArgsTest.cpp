// The argument vectors, entry by entry.
#include <gtest/gtest.h>

#include "convert/EngineArgs.h"
#include "settings/ConvertSettings.h"

namespace {

const ArgumentVector kHead = {"tessarin", "-dNOPAUSE", "-dBATCH", "-dSAFER"};

ArgumentVector With(ArgumentVector v, std::initializer_list<std::string> more) {
    v.insert(v.end(), more);
    return v;
}

} // namespace

TEST(PdfArguments, PlainHasSevenEntries) {
    PdfSettings pdf;
    ArgumentVector v = PdfArguments(pdf, "/out/a.pdf", "/ps/a.ps");
    EXPECT_EQ(v, With(kHead, {"-sDEVICE=pdfwrite", "-sOutputFile=/out/a.pdf", "/ps/a.ps"}));
    EXPECT_EQ(v.size(), 7u);
}

TEST(PdfArguments, EncryptedWithoutPasswordsUsesTheFixedOwnerEntry) {
    PdfSettings pdf;
    pdf.bEncrypt = 1;
    ArgumentVector v = PdfArguments(pdf, "/out/a.pdf", "/ps/a.ps");
    EXPECT_EQ(
        v, With(kHead, {"-sDEVICE=pdfwrite", "-sOutputFile=/out/a.pdf", "-sOwnerPassword=kelvaro",
                        "-dEncryptionR=3", "-dKeyLength=40", "-dPermissions=0", "/ps/a.ps"}));
    EXPECT_EQ(v.size(), 11u);
}

TEST(PdfArguments, UserPasswordMakesTwelveEntries) {
    PdfSettings pdf;
    pdf.bEncrypt = 1;
    pdf.szOwnerPassword = "own";
    pdf.szUserPassword = "usr";
    pdf.nKeyLevel = 2; // any non-zero level is 128-bit
    pdf.bAllowPrint = 1;
    pdf.bAllowChange = 1;
    pdf.bAllowCopy = 1;
    pdf.bAllowForms = 1;
    ArgumentVector v = PdfArguments(pdf, "/out/a.pdf", "/ps/a.ps");
    EXPECT_EQ(v, With(kHead, {"-sDEVICE=pdfwrite", "-sOutputFile=/out/a.pdf", "-sOwnerPassword=own",
                              "-sUserPassword=usr", "-dEncryptionR=3", "-dKeyLength=128",
                              "-dPermissions=60", "/ps/a.ps"}));
    EXPECT_EQ(v.size(), 12u);
}

TEST(PdfArguments, EncryptionOffIgnoresPasswords) {
    PdfSettings pdf;
    pdf.szOwnerPassword = "own";
    pdf.szUserPassword = "usr";
    EXPECT_EQ(PdfArguments(pdf, "/o.pdf", "/i.ps").size(), 7u);
}

TEST(PdfPermissions, EachFlagCountsOnlyWhenExactlyOne) {
    PdfSettings pdf;
    EXPECT_EQ(PdfPermissions(pdf), 0);
    pdf.bAllowPrint = 2;
    EXPECT_EQ(PdfPermissions(pdf), 0);
    pdf.bAllowPrint = 1;
    EXPECT_EQ(PdfPermissions(pdf), 4);
    pdf.bAllowChange = 1;
    EXPECT_EQ(PdfPermissions(pdf), 12);
    pdf.bAllowCopy = 1;
    EXPECT_EQ(PdfPermissions(pdf), 28);
    pdf.bAllowForms = -1;
    EXPECT_EQ(PdfPermissions(pdf), 28);
    pdf.bAllowForms = 1;
    EXPECT_EQ(PdfPermissions(pdf), 60);
}

TEST(PdfArguments, PercentInTheOutputNameIsLiteral) {
    PdfSettings pdf;
    ArgumentVector v = PdfArguments(pdf, "/out/100%report.pdf", "/ps/100%report.ps");
    EXPECT_EQ(v[5], "-sOutputFile=/out/100%%report.pdf");
    // The input is a plain file name to the engine: left as it is.
    EXPECT_EQ(v[6], "/ps/100%report.ps");
}

TEST(RenderArguments, EightEntriesWithPagePatternAndResolution) {
    ArgumentVector v = RenderArguments("/tmp/mtmp_745/", "report", 150, 300, "/ps/report.ps");
    EXPECT_EQ(v, With(kHead, {"-sDEVICE=bmp16m", "-sOutputFile=/tmp/mtmp_745/report_%03d.bmp",
                              "-r150x300", "/ps/report.ps"}));
}

TEST(RenderArguments, OnlyThePageNumberStaysAField) {
    ArgumentVector v = RenderArguments("/t%d/mtmp_1/", "50% off", 72, 72, "/ps/50% off.ps");
    EXPECT_EQ(v[5], "-sOutputFile=/t%%d/mtmp_1/50%% off_%03d.bmp");
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
