// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Whether a file can be an input, and the one reason each refusal reads.
#include "common/InputCheck.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>

#include "Files.h"
#include "TempFolder.h"

using testsupport::TempFolder;
using testsupport::WriteFile;

namespace {

constexpr char kPs[] = "%!PS-Adobe-3.0\nshowpage\n";

struct Case {
    const char *name;    // in the test's folder
    const char *listing; // CheckInput(..., Listing)
    const char *content; // CheckInput(..., Content)
};

TEST(CheckInput, OneReasonPerCase) {
    TempFolder dir;
    WriteFile(dir.File("a.ps"), kPs);
    WriteFile(dir.File("B.PS"), kPs);
    WriteFile(dir.File("c.eps"), "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n");
    WriteFile(dir.File("d.epsf"), std::string("\xc5\xd0\xd3\xc6", 4) + std::string(40, '\0'));
    WriteFile(dir.File("e.epsi"), kPs);
    // What printer drivers put before the program: Ctrl-D, a printer-job
    // header, a byte order mark, white space.
    WriteFile(dir.File("driver.ps"), "\x04\x1b%-12345X@PJL JOB\r\n@PJL ENTER "
                                     "LANGUAGE=POSTSCRIPT\r\n\xef\xbb\xbf \n" +
                                         std::string(kPs));
    WriteFile(dir.File("notes.ps.txt"), kPs);
    WriteFile(dir.File("noext"), kPs);
    WriteFile(dir.File("empty.ps"), "");
    WriteFile(dir.File("photo.ps"), "\x89PNG\r\n\x1a\n");
    // No "%!" line: old and hand-written files, the interpreter's own samples.
    WriteFile(dir.File("headerless.ps"), "% Copyright notice\n/Times-Roman findfont setfont\n");
    WriteFile(dir.File("paper.ps.gz"), testsupport::Gzip(kPs));
    WriteFile(dir.File("figure.EPS.GZ"), testsupport::Gzip(kPs));
    WriteFile(dir.File("old.psz"), testsupport::Gzip(kPs));
    WriteFile(dir.File("notes.gz"), testsupport::Gzip(kPs));
    testsupport::CreateFolder(dir.File("folder.ps/"));
    ASSERT_EQ(::mkfifo(dir.File("pipe.ps").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("a.ps", dir.File("link.ps").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere.ps", dir.File("dangling.ps").c_str()), 0);
    WriteFile(dir.File("file"), "x");

    const Case cases[] = {
        {"a.ps", "", ""},
        {"B.PS", "", ""},
        {"c.eps", "", ""},
        {"d.epsf", "", ""},
        {"e.epsi", "", ""},
        {"driver.ps", "", ""},
        {"link.ps", "", ""}, // a link to a regular file is followed
        {"missing.ps", "input file is missing", "input file is missing"},
        {"dangling.ps", "input file is missing", "input file is missing"},
        {"file/under.ps", "input file is missing", "input file is missing"},
        {"folder.ps", "not a regular file", "not a regular file"},
        {"pipe.ps", "not a regular file", "not a regular file"},
        {"notes.ps.txt", "is not a .ps or .eps file", "is not a .ps or .eps file"},
        {"noext", "is not a .ps or .eps file", "is not a .ps or .eps file"},
        {"empty.ps", "", "empty input file"},
        {"photo.ps", "", "is a PNG image, not PostScript"},
        {"headerless.ps", "", ""},
        // Compressed: what it holds is checked once unpacked.
        {"paper.ps.gz", "", ""},
        {"figure.EPS.GZ", "", ""},
        {"old.psz", "", ""},
        {"notes.gz", "is not a .ps or .eps file", "is not a .ps or .eps file"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CheckInput(dir.File(c.name), InputLook::Listing), c.listing);
        EXPECT_EQ(CheckInput(dir.File(c.name), InputLook::Content), c.content);
    }
    EXPECT_EQ(CheckInput(dir.File("missing.ps")), kInputMissing);

    // A device is refused from its kind alone, never opened.
    EXPECT_EQ(CheckInput("/dev/null"), "not a regular file");
    EXPECT_EQ(CheckInput(""), "name too long");
    EXPECT_EQ(CheckInput(dir.File(std::string(300, 'n') + ".ps")), "name too long");
    EXPECT_EQ(CheckInput(dir.File(std::string(5000, 'n'))), "name too long");
}

// A file is refused for its content only when it is recognisably something
// else, named by what it is, or holds nothing printable; any other text goes
// to the interpreter, whose own error is the reason when it fails.
TEST(CheckContent, ForeignFilesAreNamedAndTheRestGoesToTheInterpreter) {
    const std::pair<std::string, std::string> cases[] = {
        {std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "is a PNG image, not PostScript"},
        {"\xff\xd8\xff\xe0\0\x10JFIF", "is a JPEG image, not PostScript"},
        {"GIF89a\x10\0", "is a GIF image, not PostScript"},
        {"GIF87a\x10\0", "is a GIF image, not PostScript"},
        {std::string("II*\0\x08\0\0\0", 8), "is a TIFF image, not PostScript"},
        {std::string("MM\0*\0\0\0\x08", 8), "is a TIFF image, not PostScript"},
        {std::string("RIFF\x24\0\0\0WEBPVP8 ", 16), "is a WebP image, not PostScript"},
        {"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n", "is a PDF document, not PostScript"},
        {"PK\x03\x04\x14\0", "is a ZIP archive, not PostScript"},
        {"\x7f"
         "ELF\x02\x01\x01",
         "is an ELF program, not PostScript"},
        {"<!DOCTYPE html>\n<html>", "is an HTML page, not PostScript"},
        {std::string("\x1f\x8b\x08\0", 4), "is a gzip-compressed file, not PostScript"},
        {"BZh91AY&SY", "is a bzip2-compressed file, not PostScript"},
        {std::string(300, '\0'), "no printable content"},
        {" \n\t\r\n\f", "no printable content"},
        {"", "empty input file"},
        {"%!PS-Adobe-3.0\n", ""},
        {"% a comment first\n72 72 moveto\n", ""},
        {"/Helvetica findfont 12 scalefont setfont\n", ""},
        {std::string("\xc5\xd0\xd3\xc6", 4) + std::string(40, '\0'), ""}, // figure with preview
        {"%PDF is mentioned later, not first", ""},
    };
    TempFolder dir;
    for (const auto &[bytes, reason] : cases) {
        SCOPED_TRACE(bytes);
        WriteFile(dir.File("in.ps"), bytes);
        int fd = ::open(dir.File("in.ps").c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(CheckContent(fd), reason);
        ::close(fd);
        // A file given by name reads the same, as long as it is not
        // compressed (that is unpacked first).
        if (!bytes.starts_with("\x1f\x8b")) {
            EXPECT_EQ(CheckInput(dir.File("in.ps")), reason);
        }
    }
}

// Where the caller moves its sources, a link is refused rather than
// followed: what it names is not the caller's to move.
TEST(CheckInput, LinksRefusedWhenAsked) {
    TempFolder dir;
    WriteFile(dir.File("a.ps"), kPs);
    ASSERT_EQ(::symlink("a.ps", dir.File("link.ps").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere.ps", dir.File("dangling.ps").c_str()), 0);
    EXPECT_EQ(CheckInput(dir.File("a.ps"), InputLook::Content, InputLinks::Refuse), "");
    EXPECT_EQ(CheckInput(dir.File("link.ps"), InputLook::Content, InputLinks::Refuse),
              "not a regular file");
    EXPECT_EQ(CheckInput(dir.File("dangling.ps"), InputLook::Content, InputLinks::Refuse),
              "not a regular file");
}

TEST(CheckInput, UnreadableSaysWhy) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    TempFolder dir;
    WriteFile(dir.File("locked.ps"), kPs);
    ASSERT_EQ(::chmod(dir.File("locked.ps").c_str(), 0), 0);
    testsupport::CreateFolder(dir.File("shut/"));
    WriteFile(dir.File("shut/inside.ps"), kPs);
    ASSERT_EQ(::chmod(dir.File("shut/").c_str(), 0), 0);
    EXPECT_EQ(CheckInput(dir.File("locked.ps"), InputLook::Listing),
              "can't read the input: Permission denied");
    EXPECT_EQ(CheckInput(dir.File("shut/inside.ps")), "can't read the input: Permission denied");
    ::chmod(dir.File("shut/").c_str(), 0700);
}

} // namespace
