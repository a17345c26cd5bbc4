// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PostScript as real producers write it, made while the test runs by the
// Debian programs that write it: text printers, a typesetter, page
// rearrangers, a plotting tool, a diagram tool, an image converter, and a
// printer driver's job put together here. Each converts through tessarin.so
// (on its warm servers, as the program converts) exactly as the
// interpreter's own program converts it with the same device and
// resolution: a PDF of the same pages with the same text, drawn to the same
// pixels, and PNG pages of the same pixels; and its text is the text it was
// made from. A producer that is not installed is skipped, saying so.
#include "tests/modules/ModuleTestUtil.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include "Process.h"

using namespace moduletest;

namespace {

// The program `name` as installed; empty when it is not.
std::string Installed(const std::string &name) {
    for (const char *folder : {"/usr/bin/", "/bin/", "/usr/local/bin/"}) {
        const std::string path = folder + name;
        if (access(path.c_str(), X_OK) == 0)
            return path;
    }
    return {};
}

// A folder for one producer's files, and a way to run programs in it.
class Corpus {
public:
    Corpus() {
        for (const char *folder : {"home", "config", "tmp"})
            fs::create_directory(dir.File(folder));
    }

    // Runs `argv` (argv[0] a program's name) with nothing on its input, its
    // output into the file `out` (when given) and its messages into the
    // log; its exit status, -1 when it did not start.
    int Run(std::vector<std::string> argv, const std::string &out = {}) {
        argv[0] = Installed(argv[0]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.empty() ? "/dev/null" : out.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, Log().c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0600);
        const pid_t pid =
            testsupport::SpawnInOwnGroup(argv, testsupport::EnvironmentIn(dir), actions);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        if (pid < 0 || waitpid(pid, &status, 0) != pid)
            return -1;
        return testsupport::ExitStatus(status);
    }
    std::string Log() const { return dir.File("messages.log"); }

    TempFolder dir;
};

// A text of `lines` lines, as a text printer is given.
std::string Listing(int lines) {
    std::string text = "Quarterly report of the northern warehouse\n"
                       "Crates received this quarter: 1204\n"
                       "Crates shipped this quarter: 1187\n";
    for (int k = 1; k <= lines; ++k)
        text += "Line " + std::to_string(k) + " of the inventory listing, aisle " +
                std::to_string(k % 7 + 1) + "\n";
    return text;
}

// The lines of `text`, each the words of one line.
std::vector<std::string> LinesOf(const std::string &text) {
    std::vector<std::string> lines;
    for (size_t at = 0, end; at < text.size(); at = end + 1) {
        end = std::min(text.find('\n', at), text.size());
        if (end > at)
            lines.push_back(text.substr(at, end - at));
    }
    return lines;
}

// `text` with every run of white space (line and page breaks too) as one space.
std::string Words(const std::string &text) {
    std::string out;
    for (char c : text) {
        const bool space = c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f';
        if (!space)
            out += c;
        else if (!out.empty() && out.back() != ' ')
            out += ' ';
    }
    return out;
}

// A typeset paper's source (no hyphenation, so every word stays whole) and
// what it says.
constexpr char kPaperText[] =
    "The rivers of the valley were measured at twelve stations along their course.\n"
    "Each station recorded the depth and the speed of the water every morning.\n"
    "The results show that the water was deepest in April and lowest in August.\n";

// A printer driver's print-to-file job: an end-of-job byte, then a PJL
// header that enters PostScript, the page, and the PJL trailer.
const std::string kDriverJob = std::string("\x04\x1b%-12345X@PJL JOB NAME=\"Report\"\r\n") +
                               "@PJL SET RESOLUTION=600\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n" +
                               "%!PS-Adobe-3.0\n%%Pages: 1\n%%Page: 1 1\n" +
                               "/Helvetica findfont 20 scalefont setfont 72 700 moveto\n" +
                               "(Printed through a driver) show\n" +
                               "0.8 0.2 0.1 setrgbcolor 72 600 200 50 rectfill showpage\n" +
                               "%%EOF\n\x04\x1b%-12345X@PJL EOJ NAME=\"Report\"\r\n\x1b%-12345X";

struct Producer {
    std::string name;
    std::vector<std::string> programs; // what must be installed
    // Writes `ps` in the corpus's folder; false when it could not.
    std::function<bool(Corpus &, const std::string &ps)> make;
    std::vector<std::string> text; // what its pages must say
};

void PrintTo(const Producer &producer, std::ostream *out) {
    *out << producer.name;
}

// Prints the listing with enscript (no page header) into `ps`.
bool Enscript(Corpus &c, const std::string &ps) {
    const std::string txt = c.dir.File("listing.txt");
    WriteFile(txt, Listing(150));
    return c.Run({"enscript", "-B", "-q", "-p", ps, txt}) == 0;
}

// The enscript listing, rearranged by one of the page tools.
std::function<bool(Corpus &, const std::string &)> Rearranged(std::vector<std::string> argv) {
    return [argv](Corpus &c, const std::string &ps) {
        const std::string listing = c.dir.File("listing.ps");
        std::vector<std::string> run = argv;
        run.push_back(listing);
        run.push_back(ps);
        return Enscript(c, listing) && c.Run(run) == 0;
    };
}

std::vector<Producer> Producers() {
    const std::vector<std::string> listing = LinesOf(Listing(150));
    return {
        {"enscript", {"enscript"}, Enscript, listing},
        {"a2ps",
         {"a2ps"},
         [](Corpus &c, const std::string &ps) {
             const std::string txt = c.dir.File("listing.txt");
             WriteFile(txt, Listing(150));
             return c.Run({"a2ps", "-q", "-o", ps, txt}) == 0;
         },
         listing},
        {"groff",
         {"groff"},
         [](Corpus &c, const std::string &ps) {
             const std::string ms = c.dir.File("paper.ms");
             WriteFile(ms, std::string(".nh\n.TL\nAnnual Survey of Rivers\n.PP\n") + kPaperText);
             return c.Run({"groff", "-Tps", "-ms", ms}, ps) == 0;
         },
         [] {
             std::vector<std::string> text = LinesOf(kPaperText);
             text.insert(text.begin(), "Annual Survey of Rivers");
             return text;
         }()},
        {"psnup", {"psnup", "enscript"}, Rearranged({"psnup", "-q", "-2"}), listing},
        {"psselect", {"psselect", "enscript"}, Rearranged({"psselect", "-q", "-r"}), listing},
        {"psbook", {"psbook", "enscript"}, Rearranged({"psbook", "-q"}), listing},
        {"gnuplot",
         {"gnuplot"},
         [](Corpus &c, const std::string &ps) {
             return c.Run({"gnuplot", "-e",
                           "set terminal postscript enhanced color; set output '" + ps +
                               "'; set title 'Sine wave'; set xlabel 'Angle'; "
                               "plot sin(x) title 'sine' with lines"}) == 0;
         },
         {"Sine wave", "Angle", "sine"}},
        {"dot",
         {"dot"},
         [](Corpus &c, const std::string &ps) {
             const std::string gv = c.dir.File("rooms.gv");
             WriteFile(gv, "digraph rooms { Kitchen -> Garden; Garden -> Cellar;"
                           " Kitchen -> Cellar [label=\"stairs\"]; }\n");
             return c.Run({"dot", "-Tps", gv, "-o", ps}) == 0;
         },
         {"Kitchen", "Garden", "Cellar", "stairs"}},
        {"pnmtops",
         {"pnmtops"},
         [](Corpus &c, const std::string &ps) {
             std::string ppm = "P6\n64 48\n255\n";
             for (int y = 0; y < 48; ++y)
                 for (int x = 0; x < 64; ++x)
                     ppm += {static_cast<char>(x * 4), static_cast<char>(y * 5),
                             static_cast<char>((x + y) * 2)};
             const std::string picture = c.dir.File("picture.ppm");
             WriteFile(picture, ppm);
             return c.Run({"pnmtops", "-noturn", picture}, ps) == 0;
         },
         {}},
        {"driver_job",
         {},
         [](Corpus &, const std::string &ps) {
             WriteFile(ps, kDriverJob);
             return true;
         },
         {"Printed through a driver"}},
    };
}

// The files in `folder`, by name.
std::vector<std::string> FilesIn(const std::string &folder) {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(folder, ec))
        files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

// Expects the PNG pages in the two folders to be the same pixels; their count.
size_t ExpectSamePixels(const std::string &got, const std::string &want, const char *what) {
    const std::vector<std::string> gotPages = FilesIn(got);
    const std::vector<std::string> wantPages = FilesIn(want);
    EXPECT_EQ(gotPages.size(), wantPages.size()) << what;
    for (size_t k = 0; k < std::min(gotPages.size(), wantPages.size()); ++k) {
        const readback::RgbImage a = readback::ReadPngRgb(gotPages[k]);
        const readback::RgbImage b = readback::ReadPngRgb(wantPages[k]);
        EXPECT_FALSE(a.rgb.empty()) << what << " page " << k + 1;
        EXPECT_TRUE(a.width == b.width && a.height == b.height && a.rgb == b.rgb)
            << what << " page " << k + 1 << ": " << a.width << "x" << a.height << " against "
            << b.width << "x" << b.height;
    }
    return wantPages.size();
}

class CorpusTest : public ::testing::TestWithParam<Producer> {
protected:
    void SetUp() override {
        ASSERT_TRUE(engine.ok()) << "tessarin.so or one of its symbols is missing";
        ASSERT_FALSE(Installed("gs").empty()) << "the interpreter's own program is missing";
        for (const std::string &program : GetParam().programs) {
            if (Installed(program).empty())
                GTEST_SKIP() << program << " is not installed";
        }
    }

    // Converts through the module and with the interpreter's own program,
    // over the same arguments; the module's result code.
    int ConvertBoth(const std::vector<std::string> &args, const std::vector<std::string> &alone) {
        const int code = engine.Run(args);
        std::vector<std::string> gs = alone;
        gs[0] = "gs";
        EXPECT_EQ(corpus.Run(gs), 0) << ReadFile(corpus.Log());
        return code;
    }

    Engine engine;
    Corpus corpus;
};

TEST_P(CorpusTest, ConvertsAsTheInterpreterAloneDoes) {
    const Producer &producer = GetParam();
    const std::string ps = corpus.dir.File(producer.name + ".ps");
    ASSERT_TRUE(producer.make(corpus, ps)) << ReadFile(corpus.Log());
    ASSERT_GT(fs::file_size(ps), 0u);

    // PDF: the same pages, each with the same text and drawn the same.
    const std::string pdf = corpus.dir.File("warm.pdf");
    const std::string alonePdf = corpus.dir.File("alone.pdf");
    const int code = ConvertBoth(PdfArgs(pdf, ps), PdfArgs(alonePdf, ps));
    EXPECT_TRUE(code == 0 || code == -101) << code << " " << engine.lastError;
    const readback::PdfFacts facts = readback::ReadPdf(pdf);
    ASSERT_TRUE(facts.ok) << facts.error;
    const readback::PdfFacts alone = readback::ReadPdf(alonePdf);
    const int pages = alone.pages;
    EXPECT_EQ(facts.pages, pages);
    EXPECT_EQ(facts.title, alone.title);
    EXPECT_GT(pages, 0);
    for (int k = 0; k < pages; ++k)
        EXPECT_EQ(readback::PdfPageText(pdf, k), readback::PdfPageText(alonePdf, k))
            << "page " << k + 1;
    for (const auto &[from, folder] : {std::pair{pdf, "drawn"}, {alonePdf, "drawn-alone"}}) {
        fs::create_directory(corpus.dir.File(folder));
        ASSERT_EQ(corpus.Run({"pdftoppm", "-r", "36", "-png", from,
                              corpus.dir.File(std::string(folder) + "/p")}),
                  0)
            << ReadFile(corpus.Log());
    }
    ExpectSamePixels(corpus.dir.File("drawn"), corpus.dir.File("drawn-alone"), "PDF");

    // PNG pages at 72 dpi, smoothed as the program renders them.
    for (const char *folder : {"png", "png-alone"})
        fs::create_directory(corpus.dir.File(folder));
    auto pngArgs = [&](const std::string &folder) {
        return std::vector<std::string>{"tessarin",
                                        "-dNOPAUSE",
                                        "-dBATCH",
                                        "-dSAFER",
                                        "-sDEVICE=png16m",
                                        "-sOutputFile=" + corpus.dir.File(folder + "/p_%03d.png"),
                                        "-r72",
                                        "-dTextAlphaBits=4",
                                        "-dGraphicsAlphaBits=4",
                                        ps};
    };
    const int pngCode = ConvertBoth(pngArgs("png"), pngArgs("png-alone"));
    EXPECT_TRUE(pngCode == 0 || pngCode == -101) << pngCode << " " << engine.lastError;
    EXPECT_EQ(ExpectSamePixels(corpus.dir.File("png"), corpus.dir.File("png-alone"), "PNG"),
              static_cast<size_t>(pages));

    // The text it was made from.
    const std::string text = Words(readback::PdfText(pdf));
    for (const std::string &line : producer.text)
        EXPECT_NE(text.find(Words(line)), std::string::npos) << "missing: " << line;

    RecordProperty("pages", pages);
}

INSTANTIATE_TEST_SUITE_P(Producers, CorpusTest, ::testing::ValuesIn(Producers()),
                         [](const ::testing::TestParamInfo<Producer> &info) {
                             return info.param.name;
                         });

} // namespace
