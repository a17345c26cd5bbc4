// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PdfPostProcess of lumbrel.so on PDFs the real interpreter writes: document
// information and XMP, the stamp (every page, Chinese text, the nine
// positions, rotated pages, under or over the content, colour), encryption
// kept, and input left untouched when post-processing fails.
#include "tests/modules/ModuleTestUtil.h"

#include "Process.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-image.h>
#include <poppler/cpp/poppler-page-renderer.h>
#include <poppler/cpp/poppler-page.h>

using namespace moduletest;

namespace {

const char kAppText[] = "Quorvane Vantroia";

// The nineteen arguments, with the program's defaults.
struct Post {
    std::string opass, upass, appText = kAppText;
    int tuse = 0;
    std::string text = "watermark";
    int fcolor = 255, fsize = 16;
    int fpos = 0; // passed as -1 - fpos
    int frotate = 0, foffx = 0, foffy = 0, bground = 0;
    std::string title, author, subject, keywords, creator, producer;
};

class Lumbrel {
public:
    Lumbrel() : m_module(BinDir() + "/lumbrel.so") {
        post = m_module.get<PdfPostProcessFn>("ordinal_1");
        extract = m_module.get<PdfExtractTextFn>("ordinal_3");
        version = m_module.get<ExtractorVersionFn>("ordinal_5");
        secured = m_module.get<PdfPostProcessSecuredFn>("ordinal_6");
        finish = m_module.get<PdfFinishFn>("lumbrel_finish_pdf");
        lastError = m_module.get<ExtractorLastErrorFn>("lumbrel_last_error");
    }
    bool ok() const { return post && extract && version && secured && finish && lastError; }
    std::string LastError() const {
        char text[512];
        int length = lastError(text, sizeof text);
        EXPECT_EQ(length, int(std::strlen(text)));
        return text;
    }
    int Run(const std::string &pdf, const Post &p) const {
        return post(pdf.c_str(), p.opass.c_str(), p.upass.c_str(), p.appText.c_str(), p.tuse,
                    p.text.c_str(), p.fcolor, p.fsize, -1 - p.fpos, p.frotate, p.foffx, p.foffy,
                    p.bground, p.title.c_str(), p.author.c_str(), p.subject.c_str(),
                    p.keywords.c_str(), p.creator.c_str(), p.producer.c_str());
    }
    // ordinal_6: the same plus encrypt, key level and permission value P.
    int RunSecured(const std::string &pdf, const Post &p, int keyLevel, int permissions) const {
        return secured(pdf.c_str(), p.opass.c_str(), p.upass.c_str(), p.appText.c_str(), p.tuse,
                       p.text.c_str(), p.fcolor, p.fsize, -1 - p.fpos, p.frotate, p.foffx, p.foffy,
                       p.bground, p.title.c_str(), p.author.c_str(), p.subject.c_str(),
                       p.keywords.c_str(), p.creator.c_str(), p.producer.c_str(), 1, keyLevel,
                       permissions);
    }
    // lumbrel_finish_pdf: the same plus PDF/A part, fast web view and
    // embedded stamp fonts.
    int Finish(const std::string &pdf, const Post &p, int encrypt, int pdfaPart,
               int embedFonts) const {
        return finish(pdf.c_str(), p.opass.c_str(), p.upass.c_str(), p.appText.c_str(), p.tuse,
                      p.text.c_str(), p.fcolor, p.fsize, -1 - p.fpos, p.frotate, p.foffx, p.foffy,
                      p.bground, p.title.c_str(), p.author.c_str(), p.subject.c_str(),
                      p.keywords.c_str(), p.creator.c_str(), p.producer.c_str(), encrypt, 2, -3904,
                      pdfaPart, 0, embedFonts);
    }
    PdfPostProcessFn post = nullptr;
    PdfPostProcessSecuredFn secured = nullptr;
    PdfFinishFn finish = nullptr;
    PdfExtractTextFn extract = nullptr;
    ExtractorVersionFn version = nullptr;
    ExtractorLastErrorFn lastError = nullptr;

private:
    Module m_module;
};

std::string InfoValue(QPDF &q, const char *key) {
    QPDFObjectHandle v = q.getTrailer().getKey("/Info").getKey(key);
    return v.isString() ? v.getUTF8Value() : std::string();
}

std::string Xmp(QPDF &q) {
    QPDFObjectHandle m = q.getRoot().getKey("/Metadata");
    if (!m.isStream())
        return {};
    auto data = m.getStreamData(qpdf_dl_all);
    return std::string(reinterpret_cast<const char *>(data->getBuffer()), data->getSize());
}

size_t Count(const std::string &haystack, const std::string &needle) {
    size_t n = 0;
    for (size_t pos = haystack.find(needle); pos != std::string::npos;
         pos = haystack.find(needle, pos + 1))
        ++n;
    return n;
}

// What identifies a file's encryption.
struct EncryptionState {
    std::string encrypt; // the /Encrypt dictionary, unparsed
    std::string id0;
    bool operator==(const EncryptionState &) const = default;
};

EncryptionState Encryption(const std::string &pdf, const std::string &password) {
    QPDF q;
    q.setSuppressWarnings(true);
    q.processFile(pdf.c_str(), password.c_str());
    EncryptionState s;
    s.encrypt = q.getTrailer().getKey("/Encrypt").unparseResolved();
    s.id0 = q.getTrailer().getKey("/ID").getArrayItem(0).getStringValue();
    return s;
}

// How `password` opens the file: 0 not at all, 1 as the user, 2 as the owner.
int OpensAs(const std::string &pdf, const std::string &password) {
    QPDF q;
    q.setSuppressWarnings(true);
    try {
        q.processFile(pdf.c_str(), password.c_str());
    } catch (QPDFExc &) {
        return 0;
    }
    return q.ownerPasswordMatched() ? 2 : 1;
}

using readback::Word;

std::optional<Word> FindWord(const std::vector<Word> &words, const std::string &text) {
    for (const Word &w : words)
        if (w.text == text)
            return w;
    return std::nullopt;
}

// Sets /Rotate on every page of `pdf`.
void SetRotate(const std::string &pdf, int rotate) {
    std::string temp = pdf + ".rot";
    {
        QPDF q;
        q.processFile(pdf.c_str());
        for (QPDFPageObjectHelper &page : QPDFPageDocumentHelper(q).getAllPages())
            page.getObjectHandle().replaceKey("/Rotate", QPDFObjectHandle::newInteger(rotate));
        QPDFWriter w(q, temp.c_str());
        w.write();
    }
    fs::rename(temp, pdf);
}

class PostProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        ASSERT_TRUE(engine.ok());
        ASSERT_TRUE(lumbrel.ok());
    }
    // A PDF of `pages` pages, each with "Page N body".
    std::string Pdf(const std::string &name, int pages = 1,
                    const std::vector<std::string> &extras = {}) {
        std::vector<std::string> lines;
        for (int i = 1; i <= pages; ++i)
            lines.push_back("Page " + std::to_string(i) + " body");
        std::string pdf = dir.File(name + ".pdf");
        EXPECT_TRUE(MakePdf(engine, pdf, dir.File(name + ".ps"), PagesPs(lines), extras));
        return pdf;
    }
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto &e : fs::directory_iterator(fs::path(dir.Path())))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder dir;
    Engine engine;
    Lumbrel lumbrel;
};

} // namespace

TEST_F(PostProcessTest, InformationAndXmpAgree) {
    std::string pdf = Pdf("info");
    std::string engineProducer;
    {
        QPDF q;
        q.processFile(pdf.c_str());
        engineProducer = InfoValue(q, "/Producer");
        ASSERT_FALSE(engineProducer.empty());
        ASSERT_FALSE(Xmp(q).empty()) << "the engine writes XMP";
    }

    Post p;
    p.title = "Quarterly report 季度报告";
    p.author = "Ann & Bob <team>";
    p.subject = "Figures 'n' \"quotes\"";
    p.keywords = "alpha, beta";
    p.creator = "Report tool";
    ASSERT_EQ(lumbrel.Run(pdf, p), 1);

    QPDF q;
    q.processFile(pdf.c_str());
    EXPECT_EQ(InfoValue(q, "/Title"), p.title);
    EXPECT_EQ(InfoValue(q, "/Author"), p.author);
    EXPECT_EQ(InfoValue(q, "/Subject"), p.subject);
    EXPECT_EQ(InfoValue(q, "/Keywords"), p.keywords);
    EXPECT_EQ(InfoValue(q, "/Creator"), p.creator);
    EXPECT_EQ(InfoValue(q, "/Producer"), engineProducer + "; " + kAppText);

    std::string xmp = Xmp(q);
    EXPECT_NE(xmp.find("Quarterly report 季度报告"), std::string::npos);
    EXPECT_NE(xmp.find("Ann &amp; Bob &lt;team&gt;"), std::string::npos);
    EXPECT_NE(xmp.find("Figures &apos;n&apos; &quot;quotes&quot;"), std::string::npos);
    EXPECT_NE(xmp.find("<pdf:Keywords>alpha, beta</pdf:Keywords>"), std::string::npos);
    EXPECT_NE(xmp.find("<xmp:CreatorTool>Report tool</xmp:CreatorTool>"), std::string::npos);
    EXPECT_NE(xmp.find("<pdf:Producer>" + engineProducer + "; " + kAppText), std::string::npos);
    EXPECT_EQ(Count(xmp, "pdf:Producer"), 2u) << "one element, opened and closed";
    EXPECT_EQ(Count(xmp, "<dc:title>"), 1u);
    EXPECT_EQ(xmp.find("Untitled"), std::string::npos) << "the engine's placeholder is gone";
    EXPECT_EQ(xmp.find("UnknownApplication"), std::string::npos);
    EXPECT_NE(xmp.find("DocumentID"), std::string::npos) << "other XMP is kept";
    EXPECT_NE(xmp.find("<?xpacket end="), std::string::npos);

    // poppler reads the same values from both places.
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(pdf));
    ASSERT_TRUE(doc);
    auto title = doc->get_title().to_utf8();
    EXPECT_EQ(std::string(title.begin(), title.end()), p.title);
    // (poppler-cpp hands XMP back as 8-bit text, so only ASCII compares.)
    auto metadata = doc->metadata().to_utf8();
    EXPECT_NE(std::string(metadata.begin(), metadata.end()).find(">Quarterly report "),
              std::string::npos);
}

TEST_F(PostProcessTest, EmptyValuesKeepWhatIsThere) {
    std::string pdf = Pdf("keep");
    Post first;
    first.title = "First title";
    first.producer = "My producer";
    ASSERT_EQ(lumbrel.Run(pdf, first), 1);

    Post second;
    second.author = "Second author";
    ASSERT_EQ(lumbrel.Run(pdf, second), 1);

    QPDF q;
    q.processFile(pdf.c_str());
    EXPECT_EQ(InfoValue(q, "/Title"), "First title");
    EXPECT_EQ(InfoValue(q, "/Author"), "Second author");
    EXPECT_EQ(InfoValue(q, "/Producer"), std::string("My producer; ") + kAppText);
    std::string xmp = Xmp(q);
    EXPECT_NE(xmp.find("First title"), std::string::npos);
    EXPECT_NE(xmp.find("Second author"), std::string::npos);
    EXPECT_NE(xmp.find(std::string("My producer; ") + kAppText), std::string::npos);

    // Finishing the same file again does not repeat the application text.
    ASSERT_EQ(lumbrel.Run(pdf, Post{}), 1);
    QPDF again;
    again.processFile(pdf.c_str());
    EXPECT_EQ(InfoValue(again, "/Producer"), std::string("My producer; ") + kAppText);
}

TEST_F(PostProcessTest, StampOnEveryPageOnlyWhenAskedFor) {
    std::string pdf = Pdf("stamp", 3);
    Post off;
    off.tuse = 0;
    off.text = "NOTSHOWN";
    ASSERT_EQ(lumbrel.Run(pdf, off), 1);
    Post empty;
    empty.tuse = 1;
    empty.text = "";
    ASSERT_EQ(lumbrel.Run(pdf, empty), 1);
    Post two;
    two.tuse = 2;
    two.text = "NOTSHOWN";
    ASSERT_EQ(lumbrel.Run(pdf, two), 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(readback::PdfPageText(pdf, i).find("NOTSHOWN"), std::string::npos);

    Post on;
    on.tuse = 1;
    on.text = "Draft (v2) \\ caf\xC3\xA9 \xE2\x82\xAC"
              "5";
    ASSERT_EQ(lumbrel.Run(pdf, on), 1);
    for (int i = 0; i < 3; ++i) {
        std::string text = readback::PdfPageText(pdf, i);
        EXPECT_NE(text.find("Draft (v2) \\ café €5"), std::string::npos) << "page " << i;
        EXPECT_NE(text.find("Page " + std::to_string(i + 1) + " body"), std::string::npos);
    }
}

TEST_F(PostProcessTest, ChineseStampUsesCidFontAndIsFound) {
    std::string pdf = Pdf("cjk", 2);
    Post p;
    p.tuse = 1;
    p.text = "机密文件 A1";
    p.fpos = 8;
    ASSERT_EQ(lumbrel.Run(pdf, p), 1);
    for (int i = 0; i < 2; ++i)
        EXPECT_NE(readback::PdfPageText(pdf, i).find("机密文件"), std::string::npos)
            << "page " << i;

    // Centred by its own widths: the words' span is centred on the page.
    double width = 0, height = 0;
    double left = 1e9, right = -1e9;
    for (const Word &w : readback::PdfWords(pdf, 0, &width, &height)) {
        if (w.text.find("机") != std::string::npos || w.text == "A1") {
            left = std::min(left, w.x);
            right = std::max(right, w.x + w.w);
        }
    }
    ASSERT_LT(left, right);
    EXPECT_NEAR((left + right) / 2, width / 2, 4);

    QPDF q;
    q.processFile(pdf.c_str());
    bool found = false;
    for (QPDFPageObjectHelper &page : QPDFPageDocumentHelper(q).getAllPages()) {
        QPDFObjectHandle fonts = page.getAttribute("/Resources", false).getKey("/Font");
        for (const std::string &key : fonts.getKeys()) {
            QPDFObjectHandle font = fonts.getKey(key);
            if (font.getKey("/Subtype").isNameAndEquals("/Type0")) {
                found = true;
                EXPECT_TRUE(font.getKey("/Encoding").isNameAndEquals("/UniGB-UTF16-H"));
                QPDFObjectHandle info =
                    font.getKey("/DescendantFonts").getArrayItem(0).getKey("/CIDSystemInfo");
                EXPECT_EQ(info.getKey("/Registry").getUTF8Value(), "Adobe");
                EXPECT_EQ(info.getKey("/Ordering").getUTF8Value(), "GB1");
            }
        }
    }
    EXPECT_TRUE(found);
}

// Column (0 left, 1 centre, 2 right) and row (0 top, 1 middle, 2 bottom) of
// each position.
struct PositionCase {
    int fpos;
    int column, row;
};

class StampPositionTest : public PostProcessTest,
                          public ::testing::WithParamInterface<PositionCase> {};

TEST_P(StampPositionTest, LandsInItsRegion) {
    const PositionCase c = GetParam();
    std::string pdf = Pdf("pos");
    Post p;
    p.tuse = 1;
    p.text = "POSMARK";
    p.fsize = 20;
    p.fpos = c.fpos;
    ASSERT_EQ(lumbrel.Run(pdf, p), 1);

    double width = 0, height = 0;
    std::optional<Word> w = FindWord(readback::PdfWords(pdf, 0, &width, &height), "POSMARK");
    ASSERT_TRUE(w.has_value());
    double cx = w->x + w->w / 2, cy = w->y + w->h / 2;
    EXPECT_EQ(static_cast<int>(cx / (width / 3)), c.column) << "x centre " << cx;
    EXPECT_EQ(static_cast<int>(cy / (height / 3)), c.row) << "y centre " << cy;
    // Edge positions keep the margin.
    if (c.column == 0) {
        EXPECT_NEAR(w->x, 18, 2);
    }
    if (c.column == 2) {
        EXPECT_NEAR(width - (w->x + w->w), 18, 2);
    }
    if (c.column == 1) {
        EXPECT_NEAR(cx, width / 2, 2);
    }
    if (c.row == 0) {
        EXPECT_NEAR(w->y, 18, 4);
    }
    if (c.row == 2) {
        EXPECT_NEAR(height - (w->y + w->h), 18, 4);
    }
    if (c.row == 1) {
        EXPECT_NEAR(cy, height / 2, 3);
    }
}

INSTANTIATE_TEST_SUITE_P(
    NinePositions, StampPositionTest,
    ::testing::Values(PositionCase{0, 0, 0}, PositionCase{1, 1, 0}, PositionCase{2, 2, 0},
                      PositionCase{3, 2, 1}, PositionCase{4, 2, 2}, PositionCase{5, 1, 2},
                      PositionCase{6, 0, 2}, PositionCase{7, 0, 1}, PositionCase{8, 1, 1},
                      // Indexes outside 0-8 count as the top-left corner.
                      PositionCase{9, 0, 0}, PositionCase{-1, 0, 0}, PositionCase{-1000, 0, 0}));

TEST_F(PostProcessTest, OffsetsMoveRightAndDown) {
    std::string pdf = Pdf("offset");
    Post p;
    p.tuse = 1;
    p.text = "OFFMARK";
    p.foffx = 100;
    p.foffy = 50;
    ASSERT_EQ(lumbrel.Run(pdf, p), 1);
    std::optional<Word> w = FindWord(readback::PdfWords(pdf, 0), "OFFMARK");
    ASSERT_TRUE(w.has_value());
    EXPECT_NEAR(w->x, 118, 2);
    EXPECT_NEAR(w->y, 68, 4);
}

TEST_F(PostProcessTest, StampIsUprightOnRotatedPages) {
    for (int rotate : {90, 180, 270, -90}) {
        SCOPED_TRACE(rotate);
        std::string pdf = Pdf("rot");
        SetRotate(pdf, rotate);
        Post p;
        p.tuse = 1;
        p.text = "ROTMARK";
        p.fpos = 4; // bottom-right corner
        ASSERT_EQ(lumbrel.Run(pdf, p), 1);

        double width = 0, height = 0;
        std::optional<Word> w = FindWord(readback::PdfWords(pdf, 0, &width, &height), "ROTMARK");
        ASSERT_TRUE(w.has_value());
        EXPECT_EQ(w->rotation, 0) << "reads left to right as shown";
        EXPECT_NEAR(width - (w->x + w->w), 18, 2);
        EXPECT_NEAR(height - (w->y + w->h), 18, 4);
    }
}

TEST_F(PostProcessTest, RotationTurnsCounterClockwise) {
    std::string pdf = Pdf("turn");
    Post p;
    p.tuse = 1;
    p.text = "TURNMARK";
    p.fpos = 6; // bottom-left: turned 90 degrees it runs upwards from there
    p.frotate = 90;
    ASSERT_EQ(lumbrel.Run(pdf, p), 1);
    double width = 0, height = 0;
    std::optional<Word> w = FindWord(readback::PdfWords(pdf, 0, &width, &height), "TURNMARK");
    ASSERT_TRUE(w.has_value());
    EXPECT_GT(w->h, w->w) << "the word stands upright";
    EXPECT_LT(w->x, width / 3);
    EXPECT_GT(w->y + w->h / 2, height * 2 / 3) << "it rose from the bottom";
}

// Counts pixels close to the colour (r, g, b) at 72 dpi.
int CountPixels(const std::string &pdf, int r, int g, int b) {
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(pdf));
    std::unique_ptr<poppler::page> page(doc->create_page(0));
    poppler::page_renderer renderer;
    renderer.set_image_format(poppler::image::format_bgr24);
    poppler::image image = renderer.render_page(page.get(), 72, 72);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto *row =
            reinterpret_cast<const unsigned char *>(image.const_data() + y * image.bytes_per_row());
        for (int x = 0; x < image.width(); ++x) {
            const unsigned char *px = row + 3 * x;
            if (std::abs(px[2] - r) < 40 && std::abs(px[1] - g) < 40 && std::abs(px[0] - b) < 40)
                ++count;
        }
    }
    return count;
}

TEST_F(PostProcessTest, UnderOrOverThePageContentInItsColour) {
    // A page painted black all over, stamped in pure blue (0x00BBGGRR).
    const std::string blackPage = "%!PS\n0 setgray clippath fill showpage\n";
    for (int bground : {0, 1}) {
        SCOPED_TRACE(bground);
        std::string pdf = dir.File("layer.pdf");
        ASSERT_TRUE(MakePdf(engine, pdf, dir.File("layer.ps"), blackPage));
        Post p;
        p.tuse = 1;
        p.text = "LAYER";
        p.fsize = 72;
        p.fpos = 8;
        p.fcolor = 0xFF0000;
        p.bground = bground;
        ASSERT_EQ(lumbrel.Run(pdf, p), 1);
        int blue = CountPixels(pdf, 0, 0, 255);
        if (bground == 1)
            EXPECT_EQ(blue, 0) << "hidden under the black page";
        else
            EXPECT_GT(blue, 500) << "drawn over the black page";
        EXPECT_EQ(CountPixels(pdf, 255, 0, 0), 0) << "red and blue are not swapped";
        EXPECT_NE(readback::PdfPageText(pdf, 0).find("LAYER"), std::string::npos);
    }
}

struct KeyCase {
    int keyLength;
    int permissions;
};

class EncryptedPostProcessTest : public PostProcessTest,
                                 public ::testing::WithParamInterface<KeyCase> {};

TEST_P(EncryptedPostProcessTest, EncryptionIsKept) {
    const KeyCase c = GetParam();
    const std::vector<std::string> security = {"-sOwnerPassword=kelvaro",
                                               "-sUserPassword=open sesame", "-dEncryptionR=3",
                                               "-dKeyLength=" + std::to_string(c.keyLength),
                                               "-dPermissions=" + std::to_string(c.permissions)};
    std::string pdf = Pdf("enc", 2, security);
    EncryptionState before = Encryption(pdf, "open sesame");

    // The owner password the engine got is not the one stored: only the user
    // password opens it here.
    Post p;
    p.opass = "";
    p.upass = "open sesame";
    p.tuse = 1;
    p.text = "SECRETMARK";
    p.title = "Locked title";
    ASSERT_EQ(lumbrel.Run(pdf, p), 1);

    EXPECT_EQ(Encryption(pdf, "open sesame"), before);
    EXPECT_EQ(Encryption(pdf, "kelvaro"), before) << "owner password still works";
    {
        QPDF q;
        q.setSuppressWarnings(true);
        EXPECT_THROW(q.processFile(pdf.c_str(), ""), QPDFExc) << "still needs a password";
    }
    QPDF q;
    q.processFile(pdf.c_str(), "open sesame");
    int R = 0, P = 0, V = 0;
    QPDF::encryption_method_e s, str, f;
    ASSERT_TRUE(q.isEncrypted(R, P, V, s, str, f));
    EXPECT_EQ(P & 0x3C, c.permissions);
    EXPECT_EQ(InfoValue(q, "/Title"), "Locked title");
    EXPECT_NE(Xmp(q).find("Locked title"), std::string::npos);
    for (int i = 0; i < 2; ++i)
        EXPECT_NE(readback::PdfPageText(pdf, i, "open sesame").find("SECRETMARK"),
                  std::string::npos);

    // Opened with the owner password as well.
    Post owner;
    owner.opass = "kelvaro";
    owner.upass = "wrong";
    owner.author = "Owner";
    ASSERT_EQ(lumbrel.Run(pdf, owner), 1);
    EXPECT_EQ(Encryption(pdf, "kelvaro"), before);
}

INSTANTIATE_TEST_SUITE_P(Keys, EncryptedPostProcessTest,
                         ::testing::Values(KeyCase{40, 4}, KeyCase{128, 60}, KeyCase{128, 0}));

// P with bits 3, 12 (print) and 5 (extract) granted besides the reserved ones.
constexpr int kPrintAndExtract = static_cast<int>(0xFFFFF0C0u | (1u << 2) | (1u << 11) | (1u << 4));

TEST_F(PostProcessTest, Aes256IsWrittenWithBothPasswordsAndThePermissions) {
    std::string pdf = Pdf("aes", 2);
    Post p;
    p.opass = "the owner";
    p.upass = "the user";
    p.tuse = 1;
    p.text = "AESMARK";
    p.title = "AES title";
    ASSERT_EQ(lumbrel.RunSecured(pdf, p, 2, kPrintAndExtract), 1);

    EXPECT_EQ(OpensAs(pdf, ""), 0);
    EXPECT_EQ(OpensAs(pdf, "the user"), 1);
    EXPECT_EQ(OpensAs(pdf, "the owner"), 2);
    QPDF q;
    q.processFile(pdf.c_str(), "the user");
    int R = 0, P = 0, V = 0;
    QPDF::encryption_method_e streams, strings, files;
    ASSERT_TRUE(q.isEncrypted(R, P, V, streams, strings, files));
    EXPECT_EQ(R, 6);
    EXPECT_EQ(V, 5);
    EXPECT_EQ(streams, QPDF::e_aesv3);
    EXPECT_EQ(strings, QPDF::e_aesv3);
    EXPECT_EQ(q.getTrailer().getKey("/Encrypt").getKey("/Length").getIntValueAsInt(), 256);
    EXPECT_TRUE(q.allowPrintHighRes());
    EXPECT_TRUE(q.allowExtractAll());
    EXPECT_FALSE(q.allowModifyOther());
    EXPECT_FALSE(q.allowModifyAssembly());
    EXPECT_FALSE(q.allowModifyAnnotation());
    EXPECT_FALSE(q.allowModifyForm());
    EXPECT_EQ(InfoValue(q, "/Title"), "AES title");
    EXPECT_NE(Xmp(q).find("AES title"), std::string::npos);
    for (int i = 0; i < 2; ++i)
        EXPECT_NE(readback::PdfPageText(pdf, i, "the user").find("AESMARK"), std::string::npos);
}

// The interpreter writes a plain file; every key level is written here.
TEST_F(PostProcessTest, EachKeyLevelIsWrittenWithARandomOwnerForEveryFile) {
    struct Level {
        int keyLevel, R, keyBits;
    };
    for (const Level &level : {Level{0, 2, 40}, Level{1, 3, 128}, Level{2, 6, 256}}) {
        SCOPED_TRACE(level.keyLevel);
        Post p;
        p.upass = "u";
        std::string owners[2];
        for (int n = 0; n < 2; ++n) {
            std::string pdf = Pdf("rand" + std::to_string(n));
            ASSERT_EQ(lumbrel.RunSecured(pdf, p, level.keyLevel, kPrintAndExtract), 1);
            EXPECT_EQ(OpensAs(pdf, ""), 0);
            EXPECT_EQ(OpensAs(pdf, "u"), 1);
            EXPECT_NE(OpensAs(pdf, "kelvaro"), 2);
            QPDF q;
            q.processFile(pdf.c_str(), "u");
            QPDFObjectHandle encrypt = q.getTrailer().getKey("/Encrypt");
            owners[n] = encrypt.getKey("/O").getStringValue();
            int R = 0, P = 0, V = 0;
            QPDF::encryption_method_e streams, strings, files;
            ASSERT_TRUE(q.isEncrypted(R, P, V, streams, strings, files));
            EXPECT_EQ(R, level.R);
            const int keyBits = V > 1 ? encrypt.getKey("/Length").getIntValueAsInt() : 40;
            EXPECT_EQ(keyBits, level.keyBits);
            // Revision 2 knows bits 3-6 only; revision 6 always sets bit 10.
            if (level.R == 2) {
                EXPECT_EQ(P & 0x3C, kPrintAndExtract & 0x3C);
            } else {
                EXPECT_EQ(P, level.R == 6 ? kPrintAndExtract | (1 << 9) : kPrintAndExtract);
            }
            EXPECT_TRUE(q.allowPrintHighRes());
            EXPECT_TRUE(q.allowExtractAll());
            EXPECT_FALSE(q.allowModifyOther());
        }
        // With RC4 /O depends on the two passwords alone: different owners.
        if (level.keyLevel != 2) {
            EXPECT_NE(owners[0], owners[1]);
        }
    }
}

TEST_F(PostProcessTest, PdfAWithEncryptionLeavesTheFileAsItWas) {
    std::string plain = Pdf("plain");
    std::string bytes = ReadFile(plain);
    std::vector<std::string> entries = FolderEntries();
    Post p;
    p.title = "never";
    EXPECT_EQ(lumbrel.Finish(plain, p, 1, 1, 1), 0);
    EXPECT_EQ(ReadFile(plain), bytes);
    EXPECT_EQ(FolderEntries(), entries);
}

// The embedded stamp: a subset of an installed font that draws the text in
// its colour and gives it back to a reader, Latin and Chinese.
TEST_F(PostProcessTest, EmbeddedStampFontsAreSubsetsThatDrawAndGiveBackTheirText) {
    struct Case {
        std::string text, fontFile, search;
    };
    const Case cases[] = {{"WWWWWWWW été", "/FontFile3", "été"},
                          {"机密文件 A1", "/FontFile2", "机密文件"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fontFile);
        std::string pdf = Pdf("embedded");
        Post p;
        p.tuse = 1;
        p.text = c.text;
        p.fsize = 40;
        p.fcolor = 0xFF0000; // blue
        p.fpos = 8;
        ASSERT_EQ(lumbrel.Finish(pdf, p, 0, 0, 1), 1);
        EXPECT_NE(readback::PdfPageText(pdf, 0).find(c.search), std::string::npos);
        EXPECT_GT(CountPixels(pdf, 0, 0, 255), 200) << "the glyphs are drawn";
        bool stampFound = false;
        for (const readback::FontFacts &f : readback::PdfFonts(pdf)) {
            stampFound = stampFound || f.name.find("Nimbus") != std::string::npos ||
                         f.name.find("WenQuanYi") != std::string::npos;
            if (f.name.find("Helvetica") == std::string::npos) {
                EXPECT_TRUE(f.embedded) << f.name;
                EXPECT_TRUE(f.subset) << f.name;
            }
        }
        EXPECT_TRUE(stampFound);
        // A subset, not the whole font: the file stays small.
        EXPECT_LT(fs::file_size(pdf), 40000u);
        EXPECT_NE(ReadFile(pdf).find(c.fontFile), std::string::npos);
    }
}

TEST_F(PostProcessTest, FailureLeavesInputByteForByte) {
    std::string locked = Pdf("locked", 1,
                             {"-sOwnerPassword=own", "-sUserPassword=usr", "-dEncryptionR=3",
                              "-dKeyLength=128", "-dPermissions=4"});
    std::string garbage = dir.File("garbage.pdf");
    WriteFile(garbage, "This is not a PDF at all.\n");
    std::string truncated = dir.File("truncated.pdf");
    std::string whole = ReadFile(Pdf("whole", 2));
    WriteFile(truncated, whole.substr(0, 40));
    fs::remove(dir.File("whole.pdf"));

    Post wrong;
    wrong.opass = "nope";
    wrong.upass = "also nope";
    wrong.tuse = 1;
    wrong.title = "never";
    Post plain;
    plain.tuse = 1;
    plain.title = "never";

    const std::vector<std::pair<std::string, Post>> cases = {
        {locked, wrong}, {garbage, plain}, {truncated, plain}};
    for (const auto &[path, post] : cases) {
        SCOPED_TRACE(path);
        std::string bytes = ReadFile(path);
        std::vector<std::string> entries = FolderEntries();
        EXPECT_EQ(lumbrel.Run(path, post), 0);
        EXPECT_EQ(ReadFile(path), bytes);
        EXPECT_EQ(FolderEntries(), entries) << "no temporary file left behind";
    }

    std::string missing = dir.File("missing.pdf");
    EXPECT_EQ(lumbrel.Run(missing, plain), 0);
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_EQ(lumbrel.post(nullptr, nullptr, nullptr, nullptr, 1, nullptr, 0, 0, -1, 0, 0, 0, 0,
                           nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              0);
}

// Why a finishing or text step failed, in a user's words, from the thread
// that called it; nothing after one that succeeded.
TEST_F(PostProcessTest, FailuresAreToldInAUsersWords) {
    std::string locked = Pdf("locked", 1,
                             {"-sOwnerPassword=own", "-sUserPassword=usr", "-dEncryptionR=3",
                              "-dKeyLength=128", "-dPermissions=4"});
    std::string garbage = dir.File("garbage.pdf");
    WriteFile(garbage, "This is not a PDF at all.\n");
    Post wrong;
    wrong.opass = "nope";
    Post plain;
    plain.title = "Title";

    EXPECT_EQ(lumbrel.Run(locked, wrong), 0);
    EXPECT_EQ(lumbrel.LastError(), "can't decrypt the PDF: wrong password");
    EXPECT_EQ(lumbrel.Run(garbage, plain), 0);
    EXPECT_EQ(lumbrel.LastError().rfind("the PDF is damaged: ", 0), 0u) << lumbrel.LastError();
    EXPECT_EQ(lumbrel.Run(dir.File("missing.pdf"), plain), 0);
    EXPECT_EQ(lumbrel.LastError(), "can't read the PDF: No such file or directory");
    EXPECT_EQ(lumbrel.extract(garbage.c_str(), dir.File("out.txt").c_str(), 0, 1, 1), 0);
    EXPECT_EQ(lumbrel.LastError(), "the PDF is damaged");

    // Each thread has its own.
    std::string other;
    std::thread([&] { other = lumbrel.LastError(); }).join();
    EXPECT_EQ(other, "");

    // A full disk: the finished file can't grow past a limit the input is
    // already over.
    std::string pdf = Pdf("big", 3);
    const std::string bytes = ReadFile(pdf);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    int code = testsupport::RunInChild(
        [&] {
            ::close(pipeFds[0]);
            int result = lumbrel.Run(pdf, plain);
            std::string text = std::to_string(result) + " " + lumbrel.LastError();
            return ::write(pipeFds[1], text.data(), text.size()) == ssize_t(text.size()) ? 0 : 1;
        },
        static_cast<long long>(bytes.size() / 2));
    ::close(pipeFds[1]);
    char reply[256] = {};
    ssize_t n = ::read(pipeFds[0], reply, sizeof reply - 1);
    ::close(pipeFds[0]);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(std::string(reply, n > 0 ? size_t(n) : 0), "0 disk full");
    EXPECT_EQ(ReadFile(pdf), bytes);

    EXPECT_EQ(lumbrel.Run(pdf, plain), 1);
    EXPECT_EQ(lumbrel.LastError(), "");
    EXPECT_EQ(lumbrel.lastError(nullptr, 0), 0);
}

TEST_F(PostProcessTest, TheFileModeIsKeptAndALinkIsReplacedNotFollowed) {
    std::string pdf = Pdf("mode");
    ASSERT_EQ(chmod(pdf.c_str(), 0640), 0);
    Post p;
    p.title = "Finished";
    ASSERT_EQ(lumbrel.Run(pdf, p), 1);
    struct stat st = {};
    ASSERT_EQ(stat(pdf.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // The name is replaced: the file a planted link points to stays as it was.
    std::string victim = Pdf("victim");
    std::string before = ReadFile(victim);
    std::string link = dir.File("link.pdf");
    fs::create_symlink(victim, link);
    p.title = "Not through a link";
    ASSERT_EQ(lumbrel.Run(link, p), 1);
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(victim), before);
    QPDF q;
    q.processFile(link.c_str());
    EXPECT_EQ(InfoValue(q, "/Title"), "Not through a link");
}

TEST_F(PostProcessTest, InvalidUtf8CountsAsLatin1) {
    std::string pdf = Pdf("latin1");
    Post p;
    p.tuse = 1;
    p.text = "Gr\xFC\xDF"
             "e"; // "Grüße" in Latin-1
    p.title = "Caf\xE9";
    ASSERT_EQ(lumbrel.Run(pdf, p), 1);
    EXPECT_NE(readback::PdfPageText(pdf, 0).find("Grüße"), std::string::npos);
    QPDF q;
    q.processFile(pdf.c_str());
    EXPECT_EQ(InfoValue(q, "/Title"), "Café");
}

TEST(LumbrelVersion, TextIsCopiedAndCut) {
    Lumbrel lumbrel;
    ASSERT_TRUE(lumbrel.ok());
    char small[6];
    int length = lumbrel.version(small, sizeof small);
    EXPECT_GT(length, 5);
    EXPECT_EQ(std::string(small), "lumbr");
    EXPECT_EQ(lumbrel.version(nullptr, 0), length);
}
