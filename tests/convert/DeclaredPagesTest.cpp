// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The page count a PostScript file declares in its comments.
#include <gtest/gtest.h>

#include <string>

#include "RunSupport.h"
#include "convert/DeclaredPages.h"

using testsupport::TempFolder;
using testsupport::WriteFile;

TEST(DeclaredPageCount, FromTheHeaderOrTheTrailer) {
    TempFolder dir;
    const struct {
        const char *name;
        std::string text;
        int pages;
    } cases[] = {
        {"header.ps", "%!PS-Adobe-3.0\n%%Title: x\n%%Pages: 10\n%%EndComments\nshowpage\n", 10},
        {"crlf.ps", "%!PS-Adobe-3.0\r\n%%Pages:\t3 1\r\n", 3},
        {"atend.ps",
         "%!PS-Adobe-3.0\n%%Pages: (atend)\n%%EndComments\n" + std::string(100000, ' ') +
             "\n%%Trailer\n%%Pages: 7\n%%EOF\n",
         7},
        {"none.ps", "%!PS\n/Helvetica findfont\nshowpage\n", 0},
        // A comment in the body is not the header's.
        {"body.ps", "%!PS-Adobe-3.0\n%%EndComments\n%%Pages: 4\n", 0},
        {"after-code.ps", "%!PS\nshowpage\n%%Pages: 4\n", 0},
        {"huge.ps", "%!PS-Adobe-3.0\n%%Pages: 99999999999999999999\n", 0},
        {"garbage.ps", "%!PS-Adobe-3.0\n%%Pages: many\n", 0},
        {"atend-missing.ps", "%!PS-Adobe-3.0\n%%Pages: (atend)\n", 0},
    };
    for (const auto &c : cases) {
        WriteFile(dir.File(c.name), c.text);
        EXPECT_EQ(DeclaredPageCount(dir.File(c.name)), c.pages) << c.name;
    }
    EXPECT_EQ(DeclaredPageCount(dir.Path()), 0);
    EXPECT_EQ(DeclaredPageCount(dir.File("missing.ps")), 0);
}
