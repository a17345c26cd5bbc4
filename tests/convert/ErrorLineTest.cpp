// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The interpreter's error line as a reason: printable, bounded.
#include <gtest/gtest.h>

#include <string>

#include "convert/ErrorLine.h"

TEST(PrintableErrorLine, KeepsTheNameAndEscapesTheRest) {
    EXPECT_EQ(PrintableErrorLine("/undefined in foo\n"), "/undefined in foo");
    EXPECT_EQ(PrintableErrorLine(std::string("/undefined in \x89PNG\r\n\x1a\0x", 23)),
              "/undefined in \\x89PNG\\x0d\\x0a\\x1a\\x00x");
    EXPECT_EQ(PrintableErrorLine("/syntaxerror in a\\b"), "/syntaxerror in a\\\\b");
    EXPECT_EQ(PrintableErrorLine("/undefined in \xe5\x9b\xbe"), "/undefined in \\xe5\\x9b\\xbe");

    const std::string cut = PrintableErrorLine("/undefined in " + std::string(300, '\x01'));
    EXPECT_LE(cut.size(), kErrorLineChars + 3);
    EXPECT_EQ(cut.substr(cut.size() - 3), "...");
    EXPECT_EQ(cut.find("\\x0"), std::string("/undefined in ").size());
}
