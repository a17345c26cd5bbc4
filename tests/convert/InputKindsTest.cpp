// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// What a row takes as its input: PostScript without a header line, and
// gzip-compressed PostScript, which converts exactly as the document inside
// it does and is named after it; what it refuses, with the reason.
#include <gtest/gtest.h>

#include "ReadBack.h"
#include "RunFixture.h"

using testsupport::Gzip;
using testsupport::ListNames;
using testsupport::ReadFile;
using testsupport::WriteFile;

class InputKinds : public RunFixture {};

// Written without "%!": the interpreter's own sample files start with a
// copyright comment, hand-written files often with nothing.
TEST_F(InputKinds, PostScriptWithoutAHeaderLineConverts) {
    const std::string in = dir.File("in/sample.ps");
    WriteFile(in, "% Copyright notice of a sample file\n"
                  "/Helvetica findfont 24 scalefont setfont\n"
                  "72 700 moveto (No header line) show showpage\n");
    s.m_nOutputKind = 1;
    Convert({in});
    ASSERT_EQ(view.Status(0), "Succeed") << view.Reason(0);
    EXPECT_NE(readback::PdfText(Out("sample.pdf")).find("No header line"), std::string::npos);
}

// paper.ps.gz gives paper.pdf, paper_001.png ... and paper.txt, the same
// as paper.ps gives them; an EPS figure inside a .eps.gz is cropped to its
// bounding box as the figure itself is.
TEST_F(InputKinds, ACompressedDocumentConvertsAsTheDocumentInsideIt) {
    const std::string plain = Input("paper.ps", {.pages = 2});
    testsupport::CreateFolder(dir.File("gz/"));
    const std::string packed = dir.File("gz/paper.ps.gz");
    WriteFile(packed, Gzip(ReadFile(plain)));
    const std::string figure = dir.File("gz/figure.EPS.GZ");
    WriteFile(figure, Gzip(testsupport::EpsFigure(100, 200, 120, 80)));

    // Images: the same pixels, byte for byte, under the inner name.
    s.m_nOutputKind = 0;
    s.m_nFormat = 3; // PNG
    s.img.nXDpi = s.img.nYDpi = 150;
    s.m_szOutputDir = dir.File("plain/");
    Convert({plain});
    s.m_szOutputDir = dir.File("out/");
    Convert({packed, figure});
    ASSERT_EQ(view.Status(0), "Succeed") << view.Reason(0);
    ASSERT_EQ(view.Status(1), "Succeed") << view.Reason(1);
    EXPECT_EQ(ListNames(dir.File("out/")),
              (std::vector<std::string>{"figure.png", "paper_001.png", "paper_002.png"}));
    for (const char *page : {"paper_001.png", "paper_002.png"}) {
        const std::string got = ReadFile(Out(page));
        EXPECT_FALSE(got.empty()) << page;
        EXPECT_TRUE(got == ReadFile(dir.File(std::string("plain/") + page))) << page;
    }
    readback::RgbImage crop = readback::ReadPngRgb(Out("figure.png"));
    EXPECT_EQ(crop.width, 250);
    EXPECT_EQ(crop.height, 167);

    // PDF and text: the document's pages and words.
    s.m_nOutputKind = 1;
    Convert({packed});
    ASSERT_EQ(view.Status(0), "Succeed") << view.Reason(0);
    EXPECT_EQ(readback::ReadPdf(Out("paper.pdf")).pages, 2);
    EXPECT_NE(readback::PdfPageText(Out("paper.pdf"), 1).find("Page 2 of paper.ps"),
              std::string::npos);
    s.m_nOutputKind = 2;
    Convert({packed});
    ASSERT_EQ(view.Status(0), "Succeed") << view.Reason(0);
    EXPECT_NE(ReadFile(Out("paper.txt")).find("Page 1 of paper.ps"), std::string::npos);
}

// A damaged compressed file, and a file that is something else (a PDF, a
// picture), fail that row with the reason, and leave nothing.
TEST_F(InputKinds, ADamagedOrForeignInputFailsWithItsReason) {
    const std::string packed = Gzip(ReadFile(Input("doc.ps")));
    const std::string cut = dir.File("in/cut.ps.gz");
    WriteFile(cut, packed.substr(0, packed.size() - 12));
    const std::string pdf = dir.File("in/report.ps");
    WriteFile(pdf, "%PDF-1.7\n1 0 obj << >> endobj\n");
    const std::string photo = dir.File("in/photo.psz");
    WriteFile(photo, Gzip(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)));
    for (int kind : {0, 1, 2}) {
        SCOPED_TRACE(kind);
        s.m_nOutputKind = kind;
        Convert({cut, pdf, photo});
        EXPECT_EQ(view.Status(0), "Failed");
        EXPECT_EQ(view.Reason(0), "damaged compressed file: unexpected end of file");
        EXPECT_EQ(view.Status(1), "Failed");
        EXPECT_EQ(view.Reason(1), "is a PDF document, not PostScript");
        EXPECT_EQ(view.Status(2), "Failed");
        EXPECT_EQ(view.Reason(2), "is a PNG image, not PostScript");
    }
    EXPECT_TRUE(ListNames(dir.File("out/")).empty());
}
