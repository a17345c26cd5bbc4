// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The PDF path end to end: the real interpreter writes, the text extractor
// finishes, qpdf and poppler read the result back.
#include <gtest/gtest.h>

#include <cmath>
#include <exception>
#include <filesystem>
#include <iterator>
#include <mutex>
#include <set>
#include <sstream>

#include <qpdf/Buffer.hh>

#include <qpdf/QPDF.hh>

#include "ReadBack.h"
#include "RunFixture.h"
#include "convert/EngineModule.h"

using testsupport::Exists;
using testsupport::PsOptions;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

enum class Access { None, User, Owner };

// How `password` opens the file.
Access OpensAs(const std::string &pdf, const std::string &password) {
    QPDF q;
    q.setSuppressWarnings(true);
    try {
        q.processFile(pdf.c_str(), password.c_str());
    } catch (const std::exception &) {
        return Access::None;
    }
    return q.ownerPasswordMatched() ? Access::Owner : Access::User;
}

// What a reader may do, as qpdf reads the permissions.
struct Rights {
    bool printLow = false, printHigh = false, assemble = false, modifyOther = false;
    bool extract = false, accessibility = false, annotate = false, fillForms = false;
    bool operator==(const Rights &) const = default;
};

Rights RightsOf(const std::string &pdf, const std::string &password = "") {
    QPDF q;
    q.setSuppressWarnings(true);
    q.processFile(pdf.c_str(), password.c_str());
    return {q.allowPrintLowRes(),      q.allowPrintHighRes(), q.allowModifyAssembly(),
            q.allowModifyOther(),      q.allowExtractAll(),   q.allowAccessibility(),
            q.allowModifyAnnotation(), q.allowModifyForm()};
}

} // namespace

class PdfPath : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        s.m_nOutputKind = 1;
    }
};

TEST_F(PdfPath, PlainPdfsWithTheRowProtocolAndProgress) {
    std::vector<std::string> rows = {Input("a.ps"), Input("b.ps", {.pages = 3}), Input("c.ps")};
    Convert(rows);

    for (const char *name : {"a.pdf", "b.pdf", "c.pdf"}) {
        readback::PdfFacts f = readback::ReadPdf(Out(name));
        ASSERT_TRUE(f.ok) << name << ": " << f.error;
        EXPECT_FALSE(f.encrypted);
    }
    EXPECT_EQ(readback::ReadPdf(Out("b.pdf")).pages, 3);
    EXPECT_NE(readback::PdfText(Out("b.pdf")).find("Page 3 of b.ps"), std::string::npos);

    std::vector<std::string> expected = {"selected Selected: 1"};
    const char *progress[] = {"progress 33", "progress 66", "progress 100"};
    for (int i = 0; i < 3; ++i) {
        std::string r = std::to_string(i);
        for (std::string e :
             {"select " + r, "status " + r + " Converting.", "status " + r + " Converting..",
              "status " + r + " Converting...", std::string(progress[i]),
              "status " + r + " Succeed", "finished " + r})
            expected.push_back(e);
    }
    expected.push_back("restore");
    expected.push_back("select 0");
    EXPECT_EQ(view.Events(), expected);
    // Only the output files are left in the output folder.
    EXPECT_EQ(testsupport::ListNames(dir.File("out/")),
              (std::vector<std::string>{"a.pdf", "b.pdf", "c.pdf"}));
}

// A figure of 120 x 80 pt becomes a page of that size, named from the base
// name; a figure in a file named .ps is cropped just the same.
TEST_F(PdfPath, AnEpsFigureIsAPageOfItsBoundingBoxWhateverItsName) {
    const std::string figure = dir.File("in/figure.eps"), framed = dir.File("in/framed.ps");
    testsupport::WriteFile(figure, testsupport::EpsFigure(100, 200, 120, 80));
    testsupport::WriteFile(framed, testsupport::EpsFigure(0, 0, 120, 80));
    Convert({figure, framed});
    EXPECT_EQ(testsupport::ListNames(dir.File("out/")),
              (std::vector<std::string>{"figure.pdf", "framed.pdf"}));
    for (const char *name : {"figure.pdf", "framed.pdf"}) {
        double w = 0, h = 0;
        std::vector<readback::Word> words = readback::PdfWords(Out(name), 0, &w, &h);
        EXPECT_DOUBLE_EQ(w, 120) << name;
        EXPECT_DOUBLE_EQ(h, 80) << name;
        ASSERT_EQ(words.size(), 1u) << name;
        EXPECT_EQ(words[0].text, "Figure");
        EXPECT_NEAR(words[0].x, 10, 1) << name; // the box's corner is the page's
    }
}

TEST_F(PdfPath, EncryptedWithUserPasswordKeyLengthAndPermissions) {
    s.pdf.bEncrypt = 1;
    s.pdf.szOwnerPassword = "owner-pw";
    s.pdf.szUserPassword = "user-pw";
    s.pdf.nKeyLevel = 1;
    s.pdf.bAllowPrint = 1;
    s.pdf.bAllowCopy = 1;
    Convert({Input("secret.ps")});
    ASSERT_EQ(view.Status(0), "Succeed");

    readback::PdfFacts noPassword = readback::ReadPdf(Out("secret.pdf"));
    EXPECT_FALSE(noPassword.ok) << "opened without the user password";
    readback::PdfFacts f = readback::ReadPdf(Out("secret.pdf"), "user-pw");
    ASSERT_TRUE(f.ok) << f.error;
    EXPECT_TRUE(f.encrypted);
    EXPECT_EQ(f.R, 3);
    EXPECT_EQ(f.keyLength, 128);
    // The reserved bits, print (3, 12) and copy (5, 10).
    EXPECT_EQ(static_cast<unsigned>(f.P), 0xFFFFF0C0u | 4u | 2048u | 16u | 512u);
    EXPECT_EQ(OpensAs(Out("secret.pdf"), "owner-pw"), Access::Owner);
}

TEST_F(PdfPath, AnEmptyOwnerPasswordGivesEachFileItsOwnRandomOne) {
    s.pdf.bEncrypt = 1;
    s.pdf.nKeyLevel = 0;
    s.pdf.bAllowChange = 1;
    Convert({Input("one.ps"), Input("two.ps")});
    ASSERT_EQ(view.Status(0), "Succeed");
    ASSERT_EQ(view.Status(1), "Succeed");
    std::string owners[2];
    for (int i = 0; i < 2; ++i) {
        std::string pdf = Out(i == 0 ? "one.pdf" : "two.pdf");
        readback::PdfFacts f = readback::ReadPdf(pdf);
        ASSERT_TRUE(f.ok) << f.error; // no user password: opens as it is
        EXPECT_TRUE(f.encrypted);
        EXPECT_EQ(f.keyLength, 40);
        EXPECT_EQ(OpensAs(pdf, ""), Access::User);
        EXPECT_NE(OpensAs(pdf, "kelvaro"), Access::Owner);
        QPDF q;
        q.processFile(pdf.c_str());
        owners[i] = q.getTrailer().getKey("/Encrypt").getKey("/O").getStringValue();
    }
    // /O of RC4 comes from the two passwords alone: the owners differ.
    EXPECT_NE(owners[0], owners[1]);
}

TEST_F(PdfPath, WithoutALevelKeyFilesAreAes256) {
    s.pdf.bEncrypt = 1;
    s.pdf.szUserPassword = "u";
    s.pdf.szOwnerPassword = "o";
    s.pdf.szTitle = "Locked title";
    s.stamp.bUseText = 1;
    s.stamp.szText = "LOCKEDSTAMP";
    Convert({Input("locked.ps")});
    ASSERT_EQ(view.Status(0), "Succeed");
    EXPECT_FALSE(readback::ReadPdf(Out("locked.pdf")).ok);
    readback::PdfFacts f = readback::ReadPdf(Out("locked.pdf"), "u");
    ASSERT_TRUE(f.ok) << f.error;
    EXPECT_TRUE(f.encrypted);
    EXPECT_EQ(f.R, 6);
    EXPECT_EQ(f.V, 5);
    EXPECT_EQ(f.keyLength, 256);
    EXPECT_EQ(OpensAs(Out("locked.pdf"), "u"), Access::User);
    EXPECT_EQ(OpensAs(Out("locked.pdf"), "o"), Access::Owner);
    EXPECT_EQ(f.title, "Locked title");
    EXPECT_NE(readback::PdfText(Out("locked.pdf"), "u").find("LOCKEDSTAMP"), std::string::npos);
}

// Each box alone, with RC4 (the engine encrypts) and AES-256 (the finishing
// step does): what qpdf says a reader may do.
TEST_F(PdfPath, EachPermissionBoxAloneGrantsExactlyItsRights) {
    struct Box {
        int PdfSettings::*key;
        Rights rights;
    };
    const Box boxes[] = {
        {&PdfSettings::bAllowPrint, {.printLow = true, .printHigh = true}},
        {&PdfSettings::bAllowChange, {.assemble = true, .modifyOther = true}},
        {&PdfSettings::bAllowCopy, {.extract = true, .accessibility = true}},
        {&PdfSettings::bAllowForms, {.annotate = true, .fillForms = true}},
    };
    int n = 0;
    for (int level : {1, 2}) {
        for (const Box &box : boxes) {
            SCOPED_TRACE("level " + std::to_string(level) + ", box " + std::to_string(n));
            s.pdf = PdfSettings{};
            s.pdf.bEncrypt = 1;
            s.pdf.nKeyLevel = level;
            s.pdf.*box.key = 1;
            std::string name = "p" + std::to_string(n++);
            Convert({Input(name + ".ps")});
            ASSERT_EQ(view.Status(0), "Succeed");
            Rights expected = box.rights;
            // Revision 6 always sets the accessibility bit, which it no longer uses.
            expected.accessibility = expected.accessibility || level == 2;
            EXPECT_EQ(RightsOf(Out(name + ".pdf")), expected);
        }
    }
}

// A finishing step that can't write the security (here: a module without the
// finishing entry point) must not leave an unprotected file, nor any file.
TEST_F(PdfPath, AnEncryptedFileIsPublishedOnlyWithItsSecurityWritten) {
    ExtractorModule old = testsupport::Extractor();
    old.finish = nullptr;
    run = std::make_unique<ConversionRun>(view, testsupport::Engine(), old, dir.File("tmp/"));
    s.pdf.bEncrypt = 1;
    s.pdf.szTitle = "Title";
    for (int level : {0, 2}) {
        s.pdf.nKeyLevel = level;
        Convert({Input("guarded.ps")});
        EXPECT_EQ(view.Status(0), "Failed");
        EXPECT_FALSE(Exists(Out("guarded.pdf")));
    }
    s.pdf.bEncrypt = 0;
    Convert({Input("guarded.ps")});
    EXPECT_EQ(view.Status(0), "Failed");
    EXPECT_EQ(testsupport::ListNames(dir.File("out/")), std::vector<std::string>{});
    run.reset(); // before `old` goes
}

TEST_F(PdfPath, InformationAndStampReachTheFile) {
    s.pdf.szTitle = "The Title";
    s.pdf.szAuthor = "An Author";
    s.pdf.szSubject = "A Subject";
    s.pdf.szKeywords = "k1 k2";
    s.stamp.bUseText = 1;
    s.stamp.szText = "STAMPED";
    s.stamp.nPosition = 8;
    Convert({Input("info.ps", {.pages = 2})});
    ASSERT_EQ(view.Status(0), "Succeed");
    readback::PdfFacts f = readback::ReadPdf(Out("info.pdf"));
    ASSERT_TRUE(f.ok) << f.error;
    EXPECT_EQ(f.title, "The Title");
    EXPECT_EQ(f.author, "An Author");
    EXPECT_EQ(f.subject, "A Subject");
    EXPECT_EQ(f.keywords, "k1 k2");
    std::string text = readback::PdfText(Out("info.pdf"));
    std::size_t form = text.find('\f');
    ASSERT_NE(form, std::string::npos);
    EXPECT_NE(text.substr(0, form).find("STAMPED"), std::string::npos);
    EXPECT_NE(text.substr(form).find("STAMPED"), std::string::npos);
}

TEST_F(PdfPath, StampPositionAndApplicationTextReachThePostProcessing) {
    s.stamp.bUseText = 1;
    s.stamp.szText = "CORNERMARK";
    auto stampPlace = [&](int position, double *w, double *h, readback::Word *page) {
        s.stamp.nPosition = position;
        s.m_bNewIfExists = 0;
        view.onEvent = nullptr;
        Convert({Input("pos.ps")});
        EXPECT_EQ(view.Status(0), "Succeed");
        readback::Word stamp;
        for (const readback::Word &word : readback::PdfWords(Out("pos.pdf"), 0, w, h)) {
            if (word.text == "CORNERMARK")
                stamp = word;
            if (word.text == "Page")
                *page = word;
        }
        EXPECT_EQ(stamp.text, "CORNERMARK") << position;
        return stamp;
    };
    double w = 0, h = 0;
    readback::Word heading;
    readback::Word topLeft = stampPlace(0, &w, &h, &heading);
    readback::Word bottomRight = stampPlace(4, &w, &h, &heading);
    // Position 0 sits by the page's heading in the top-left corner; position
    // 4 in the opposite corner.
    EXPECT_LT(topLeft.x, w / 2);
    EXPECT_GT(bottomRight.x, w / 2);
    EXPECT_LT(std::abs(topLeft.y - heading.y), h / 4);
    EXPECT_GT(std::abs(bottomRight.y - heading.y), h / 2);
    // With no producer set, the application text joins the engine's.
    EXPECT_NE(readback::ReadPdf(Out("pos.pdf")).producer.find("Quorvane Vantroia"),
              std::string::npos);
}

TEST_F(PdfPath, QuitAtTheEndCountsAsSuccessAndIsFinished) {
    s.pdf.szTitle = "After quit";
    Convert({Input("quits.ps", {.quitAtEnd = true})});
    EXPECT_EQ(view.Status(0), "Succeed");
    EXPECT_EQ(readback::ReadPdf(Out("quits.pdf")).title, "After quit");
}

TEST_F(PdfPath, BrokenInputFailsAndTheRunGoesOn) {
    std::vector<std::string> rows = {Input("good1.ps"), Input("bad.ps", {.broken = true}),
                                     Input("good2.ps")};
    Convert(rows);
    EXPECT_EQ(view.Status(0), "Succeed");
    EXPECT_EQ(view.Status(1), "Failed");
    EXPECT_EQ(view.Status(2), "Succeed");
    EXPECT_FALSE(Exists(Out("bad.pdf")));
    EXPECT_TRUE(readback::ReadPdf(Out("good2.pdf")).ok);
}

TEST_F(PdfPath, AFailedRunLeavesAnExistingOutputAsItWas) {
    testsupport::CreateFolder(dir.File("out/"));
    WriteFile(Out("keep.pdf"), "precious bytes");
    s.m_bNewIfExists = 0;
    Convert({Input("keep.ps", {.broken = true})});
    EXPECT_EQ(view.Status(0), "Failed");
    EXPECT_EQ(ReadFile(Out("keep.pdf")), "precious bytes");
    EXPECT_EQ(testsupport::ListNames(dir.File("out/")), std::vector<std::string>{"keep.pdf"});
}

TEST_F(PdfPath, OverwriteOrNumberedNewNames) {
    testsupport::CreateFolder(dir.File("out/"));
    WriteFile(Out("a.pdf"), "old");
    s.m_bNewIfExists = 1;
    std::string a = Input("a.ps");
    Convert({a, a});
    EXPECT_EQ(ReadFile(Out("a.pdf")), "old");
    EXPECT_TRUE(readback::ReadPdf(Out("a-01.pdf")).ok);
    EXPECT_TRUE(readback::ReadPdf(Out("a-02.pdf")).ok);

    s.m_bNewIfExists = 0;
    Convert({a});
    EXPECT_TRUE(readback::ReadPdf(Out("a.pdf")).ok);
    EXPECT_FALSE(Exists(Out("a-03.pdf")));
}

TEST_F(PdfPath, ModeZeroWritesBesideTheSourceAndPercentAndSpacesSurvive) {
    s.m_nOutputMode = 0;
    std::string in = Input("100% sure a.b.ps");
    Convert({in});
    EXPECT_EQ(view.Status(0), "Succeed");
    EXPECT_TRUE(readback::ReadPdf(dir.File("in/100% sure a.b.pdf")).ok);
    // The output folder is created all the same, and stays empty.
    EXPECT_TRUE(Exists(dir.File("out")));
    EXPECT_TRUE(testsupport::ListNames(dir.File("out/")).empty());
}

TEST_F(PdfPath, EmptyListCreatesTheOutputFolderAndTouchesNothing) {
    s.m_szOutputDir = dir.File("new/deeper/");
    Convert({});
    EXPECT_TRUE(Exists(dir.File("new/deeper")));
    EXPECT_EQ(view.Events(),
              (std::vector<std::string>{"selected Selected: 1", "restore", "select 0"}));
}

TEST_F(PdfPath, StopDuringARowLetsItFinishAndEndsBeforeTheNext) {
    std::vector<std::string> rows = {Input("a.ps"), Input("b.ps"), Input("c.ps")};
    view.onEvent = [&](const std::string &e) {
        if (e == "status 0 Converting..") {
            run->RequestStop();
            run->RequestStop(); // a second press changes nothing more
        }
    };
    Convert(rows);
    EXPECT_EQ(view.Status(0), "Succeed");
    EXPECT_TRUE(readback::ReadPdf(Out("a.pdf")).ok);
    EXPECT_EQ(view.Status(1), "");
    EXPECT_TRUE(view.EventsMatching("select 1").empty());
    std::vector<std::string> ev = view.Events();
    ASSERT_GE(ev.size(), 3u);
    EXPECT_EQ(ev[ev.size() - 3], "finished 0");
    EXPECT_EQ(ev[ev.size() - 2], "restore");
    EXPECT_EQ(ev.back(), "select 0");
    EXPECT_EQ(view.EventsMatching("progress"), std::vector<std::string>{"progress 33"});
}

TEST_F(PdfPath, NameTooLongForThePlatformFailsWithoutCutting) {
    // The input fits (255 characters); its output name would not.
    std::string in = Input(std::string(252, 'n') + ".ps");
    Convert({in, Input("short.ps")});
    EXPECT_EQ(view.Status(0), "Failed");
    EXPECT_EQ(view.Status(1), "Succeed");
    EXPECT_EQ(testsupport::ListNames(dir.File("out/")), std::vector<std::string>{"short.pdf"});
}

TEST_F(PdfPath, TwoJobsKeepSameNamedOutputsApart) {
    testsupport::CreateFolder(dir.File("in/a/"));
    testsupport::CreateFolder(dir.File("in/b/"));
    testsupport::CreateFolder(dir.File("in/c/"));
    std::vector<std::string> rows = {Input("a/x.ps"), Input("b/x.ps", {.pages = 2}),
                                     Input("c/x.ps", {.pages = 3}), Input("y.ps")};
    s.m_bNewIfExists = 1;
    run->SetJobs(2);
    Convert(rows);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(view.Status(i), "Succeed") << i;
    std::vector<int> pages;
    for (const char *name : {"x.pdf", "x-01.pdf", "x-02.pdf"}) {
        readback::PdfFacts f = readback::ReadPdf(Out(name));
        ASSERT_TRUE(f.ok) << name;
        pages.push_back(f.pages);
    }
    std::sort(pages.begin(), pages.end());
    EXPECT_EQ(pages, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(readback::ReadPdf(Out("y.pdf")).ok);
    std::vector<std::string> progress = view.EventsMatching("progress");
    EXPECT_EQ(progress.size(), 4u);
    EXPECT_EQ(progress.back(), "progress 100");
}

// Overwriting, two rows of one name at once: neither replaces the other's
// output, the one that claims the name second takes the numbered name.
TEST_F(PdfPath, TwoJobsOverwritingTheSameNameKeepBothOutputs) {
    testsupport::CreateFolder(dir.File("in/a/"));
    testsupport::CreateFolder(dir.File("in/b/"));
    std::vector<std::string> rows = {Input("a/x.ps", {.pages = 2}), Input("b/x.ps", {.pages = 4})};
    s.m_bNewIfExists = 0;
    run->SetJobs(2);
    Convert(rows);
    EXPECT_EQ(testsupport::ListNames(dir.File("out/")),
              (std::vector<std::string>{"x-01.pdf", "x.pdf"}));
    const int pages = readback::ReadPdf(Out("x.pdf")).pages;
    EXPECT_TRUE(pages == 2 || pages == 4) << pages;
    EXPECT_EQ(readback::ReadPdf(Out("x-01.pdf")).pages, 6 - pages);
}

namespace {

// The engine as the program loads it, with each argument vector it is handed
// recorded before the real run.
std::mutex g_handedLock;
std::vector<std::vector<std::string>> g_handed;
EngineRunFn g_realRun = nullptr;

int RecordingRun(void *instance, int argc, char **argv) {
    {
        std::lock_guard<std::mutex> lock(g_handedLock);
        g_handed.emplace_back(argv, argv + argc);
    }
    return g_realRun(instance, argc, argv);
}

// A page of standard-font text and a 400 x 400 pixel colour image one inch
// square (400 dpi).
std::string ImagePs() {
    return "%!PS-Adobe-3.0\n"
           "/Helvetica findfont 14 scalefont setfont 72 720 moveto (Preset page) show\n"
           "/row 1200 string def 0 1 1199 { row exch dup 7 mul 255 mod put } for\n"
           "gsave 72 500 translate 72 72 scale\n"
           "400 400 8 [400 0 0 -400 0 400] { row } false 3 colorimage grestore\n"
           "showpage\n";
}

// The x resolutions pdfimages lists for the images of `pdf`.
std::vector<int> ImageXPpi(const std::string &pdf) {
    readback::ToolResult r = readback::RunReader({"pdfimages", "-list", pdf});
    EXPECT_EQ(r.status, 0) << r.output;
    std::vector<int> ppi;
    std::istringstream lines(r.output);
    std::string line;
    for (int n = 0; std::getline(lines, line); ++n) {
        if (n < 2) // the heading and its rule
            continue;
        std::istringstream fields(line);
        std::vector<std::string> f{std::istream_iterator<std::string>(fields), {}};
        if (f.size() >= 13)
            ppi.push_back(std::stoi(f[12]));
    }
    return ppi;
}

} // namespace

TEST_F(PdfPath, Rc4PasswordsNeverReachTheEngineYetProtectTheFile) {
    EngineModule engine = testsupport::Engine();
    g_realRun = engine.run;
    engine.run = RecordingRun;
    g_handed.clear();
    run = std::make_unique<ConversionRun>(view, engine, testsupport::Extractor(), dir.File("tmp/"));
    s.pdf.bEncrypt = 1;
    s.pdf.szOwnerPassword = "owner-pw-41";
    s.pdf.szUserPassword = "user-pw-41";
    s.pdf.bAllowPrint = 1;
    for (int level : {0, 1}) {
        SCOPED_TRACE(level);
        s.pdf.nKeyLevel = level;
        std::string name = "rc4-" + std::to_string(level);
        Convert({Input(name + ".ps")});
        ASSERT_EQ(view.Status(0), "Succeed");
        EXPECT_FALSE(readback::ReadPdf(Out(name + ".pdf")).ok);
        readback::PdfFacts f = readback::ReadPdf(Out(name + ".pdf"), "user-pw-41");
        ASSERT_TRUE(f.ok) << f.error;
        EXPECT_EQ(f.keyLength, level == 0 ? 40 : 128);
        EXPECT_EQ(OpensAs(Out(name + ".pdf"), "owner-pw-41"), Access::Owner);
        const Rights rights = RightsOf(Out(name + ".pdf"), "user-pw-41");
        EXPECT_TRUE(rights.printHigh);
        EXPECT_FALSE(rights.extract);
    }
    run.reset();
    ASSERT_EQ(g_handed.size(), 2u);
    for (const auto &args : g_handed)
        for (const std::string &entry : args)
            EXPECT_EQ(entry.find("pw-41"), std::string::npos) << entry;
}

TEST_F(PdfPath, PdfAWithEncryptionFailsEachRowBeforeAnythingIsWritten) {
    s.pdf.nPdfA = 1;
    s.pdf.bEncrypt = 1;
    Convert({Input("a.ps"), Input("b.ps")});
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(view.Status(i), "Failed");
        EXPECT_EQ(view.Reason(i), "PDF/A files can't be encrypted");
    }
    EXPECT_EQ(testsupport::ListNames(dir.File("out/")), std::vector<std::string>{});
}

TEST_F(PdfPath, EveryFontIsEmbeddedWithAndWithoutALatinOrChineseStamp) {
    const std::pair<int, std::string> stamps[] = {{0, ""}, {1, "CONFIDENTIAL"}, {1, "机密 A1"}};
    for (const auto &[tuse, text] : stamps) {
        SCOPED_TRACE(text);
        s.stamp.bUseText = tuse;
        s.stamp.szText = text;
        Convert({Input("fonts.ps")});
        ASSERT_EQ(view.Status(0), "Succeed");
        std::vector<readback::FontFacts> fonts = readback::PdfFonts(Out("fonts.pdf"));
        EXPECT_EQ(fonts.size(), tuse ? 2u : 1u);
        for (const readback::FontFacts &f : fonts) {
            EXPECT_TRUE(f.embedded) << f.name;
            EXPECT_TRUE(f.subset) << f.name;
        }
        if (tuse) {
            EXPECT_NE(readback::PdfText(Out("fonts.pdf")).find(text.substr(0, 6)),
                      std::string::npos);
        }
    }
    // Switched off, the interpreter leaves its standard font out as before.
    s.pdf.bEmbedFonts = 0;
    s.stamp.bUseText = 0;
    Convert({Input("fonts.ps")});
    std::vector<readback::FontFacts> fonts = readback::PdfFonts(Out("fonts.pdf"));
    ASSERT_EQ(fonts.size(), 1u);
    EXPECT_FALSE(fonts[0].embedded);
}

TEST_F(PdfPath, EachPdfALevelGivesAnArchivalFile) {
    s.pdf.szTitle = "Archive title";
    s.stamp.bUseText = 1;
    s.stamp.szText = "ARCHIVED";
    for (int part : {1, 2, 3}) {
        SCOPED_TRACE(part);
        s.pdf.nPdfA = part;
        Convert({Input("archive.ps")});
        ASSERT_EQ(view.Status(0), "Succeed") << view.Reason(0);
        const std::string pdf = Out("archive.pdf");
        QPDF q;
        q.processFile(pdf.c_str());
        EXPECT_FALSE(q.isEncrypted());
        std::string xmp = readback::PdfXmp(pdf);
        EXPECT_NE(xmp.find("<pdfaid:part>" + std::to_string(part) + "</pdfaid:part>"),
                  std::string::npos);
        EXPECT_NE(xmp.find("<pdfaid:conformance>B</pdfaid:conformance>"), std::string::npos);
        EXPECT_EQ(xmp.find("pdfaid:part='"), std::string::npos) << "said once";
        EXPECT_EQ(readback::ReadPdf(pdf).title, "Archive title");
        EXPECT_NE(xmp.find(">Archive title<"), std::string::npos);

        QPDFObjectHandle intents = q.getRoot().getKey("/OutputIntents");
        ASSERT_TRUE(intents.isArray());
        ASSERT_EQ(intents.getArrayNItems(), 1);
        QPDFObjectHandle intent = intents.getArrayItem(0);
        EXPECT_TRUE(intent.getKey("/S").isNameAndEquals("/GTS_PDFA1"));
        QPDFObjectHandle icc = intent.getKey("/DestOutputProfile");
        ASSERT_TRUE(icc.isStream());
        EXPECT_EQ(icc.getDict().getKey("/N").getIntValueAsInt(), 3);
        auto profile = icc.getStreamData(qpdf_dl_all);
        ASSERT_GT(profile->getSize(), 40u);
        EXPECT_EQ(std::string(reinterpret_cast<const char *>(profile->getBuffer()) + 36, 4),
                  "acsp");

        for (const readback::FontFacts &f : readback::PdfFonts(pdf))
            EXPECT_TRUE(f.embedded) << f.name;
        if (part == 1) {
            EXPECT_EQ(q.getPDFVersion(), "1.4");
            EXPECT_EQ(ReadFile(pdf).find("/ObjStm"), std::string::npos);
        }
        readback::ToolResult check = readback::RunReader({"qpdf", "--check", pdf});
        EXPECT_EQ(check.status, 0) << check.output;
    }
}

TEST_F(PdfPath, TheFourPresetsGiveFourFilesAndTheScreenOneKeepsImagesAt72Dpi) {
    std::string in = dir.File("in/photo.ps");
    WriteFile(in, ImagePs());
    std::set<std::uintmax_t> sizes;
    for (int quality : {1, 2, 3, 4}) {
        SCOPED_TRACE(quality);
        s.pdf.nQuality = quality;
        Convert({in});
        ASSERT_EQ(view.Status(0), "Succeed");
        sizes.insert(std::filesystem::file_size(Out("photo.pdf")));
        std::vector<int> ppi = ImageXPpi(Out("photo.pdf"));
        ASSERT_EQ(ppi.size(), 1u);
        if (quality == 1) {
            EXPECT_LE(ppi[0], 72);
        }
        std::vector<readback::FontFacts> fonts = readback::PdfFonts(Out("photo.pdf"));
        ASSERT_EQ(fonts.size(), 1u);
        EXPECT_TRUE(fonts[0].embedded);
    }
    EXPECT_EQ(sizes.size(), 4u);
}

TEST_F(PdfPath, FastWebViewLinearisesPlainEncryptedAndStampedFiles) {
    s.pdf.bFastWeb = 1;
    struct Case {
        int encrypt, level, stamp;
    };
    for (const Case &c : {Case{0, 0, 0}, Case{1, 2, 1}, Case{1, 1, 1}}) {
        SCOPED_TRACE(c.level);
        s.pdf.bEncrypt = c.encrypt;
        s.pdf.nKeyLevel = c.level;
        s.pdf.szUserPassword = c.encrypt ? "web" : "";
        s.stamp.bUseText = c.stamp;
        s.stamp.szText = "WEBMARK";
        Convert({Input("web.ps", {.pages = 3})});
        ASSERT_EQ(view.Status(0), "Succeed");
        readback::ToolResult r = readback::RunReader(
            {"qpdf", "--password=web", "--check-linearization", Out("web.pdf")});
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_NE(r.output.find("no linearization errors"), std::string::npos) << r.output;
        if (c.stamp) {
            EXPECT_NE(readback::PdfText(Out("web.pdf"), "web").find("WEBMARK"), std::string::npos);
        }
    }
}
