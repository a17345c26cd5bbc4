// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// tessarin.so with the real interpreter: PDF output (plain and encrypted,
// read back with qpdf and poppler), result codes of quit and of broken
// files, and a helper child that is killed, crashes or can't be started.
// What the helper's confinement stops is in HostileFileTest and ConfineTest.
#include "tests/modules/ModuleTestUtil.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstring>
#include <fstream>
#include <optional>
#include <thread>

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-page.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>

#include "imageconv/Dib.h"

using namespace moduletest;

namespace {

// The state letter and parent pid of process `pid`; state 0 when it is gone.
std::pair<char, pid_t> StateOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(in, stat); // empty when the process is gone
    size_t close = stat.rfind(')');
    int ppid = 0;
    char state = 0;
    if (close == std::string::npos ||
        sscanf(stat.c_str() + close + 1, " %c %d", &state, &ppid) != 2)
        return {0, 0};
    return {state, ppid};
}

pid_t ParentOf(pid_t pid) {
    return StateOf(pid).second;
}

// Gone, or ended and waiting to be reaped by whoever adopted it, within a
// few seconds (a killed process closes its files before it has ended).
bool HasEnded(pid_t pid) {
    for (int i = 0; i < 500; ++i) {
        char state = StateOf(pid).first;
        if (state == 0 || state == 'Z')
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// True when `pid` runs tessarin-run as the child of a warm server (a
// tessarin-run child of this process) that runs one file.
bool IsFileChild(pid_t pid) {
    const std::string helper = fs::canonical(BinDir() + "/tessarin-run").string();
    auto runsHelper = [&](pid_t p) {
        std::error_code ec;
        return fs::read_symlink("/proc/" + std::to_string(p) + "/exe", ec).string() == helper;
    };
    pid_t server = ParentOf(pid);
    return server != 0 && runsHelper(pid) && runsHelper(server) && ParentOf(server) == getpid();
}

// The child of a warm server that has `marker` among its open files; nullopt
// after the timeout.
std::optional<pid_t> FindHelperChild(const std::string &marker,
                                     std::chrono::seconds timeout = std::chrono::seconds(60)) {
    auto until = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < until) {
        std::error_code ec;
        for (const auto &entry : fs::directory_iterator("/proc", ec)) {
            std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos ||
                !IsFileChild(static_cast<pid_t>(std::stoi(name))))
                continue;
            std::error_code e2;
            for (const auto &fd : fs::directory_iterator(entry.path() / "fd", e2)) {
                std::error_code e3;
                if (fs::read_symlink(fd.path(), e3).string() == marker)
                    return static_cast<pid_t>(std::stoi(name));
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
}

class TessarinTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        ASSERT_TRUE(engine.ok()) << "tessarin.so or one of its symbols is missing";
    }
    TempFolder dir;
    Engine engine;
};

} // namespace

TEST_F(TessarinTest, WritesPdfReadableByQpdfAndPoppler) {
    std::string ps = dir.File("two pages.ps");
    std::string pdf = dir.File("two pages.pdf");
    WriteFile(ps, PagesPs({"First page text", "Second page text"}));

    EXPECT_EQ(engine.Run(PdfArgs(pdf, ps)), 0);

    QPDF q;
    ASSERT_NO_THROW(q.processFile(pdf.c_str()));
    EXPECT_FALSE(q.isEncrypted());
    EXPECT_EQ(q.getAllPages().size(), 2u);
    EXPECT_NE(readback::PdfPageText(pdf, 0).find("First page text"), std::string::npos);
    EXPECT_NE(readback::PdfPageText(pdf, 1).find("Second page text"), std::string::npos);
}

TEST_F(TessarinTest, RendersPagesToBitmapFiles) {
    std::string ps = dir.File("pages.ps");
    WriteFile(ps, PagesPs({"one", "two"}));
    std::string pattern = (fs::path(dir.Path()) / "_%03d.bmp").string();
    EXPECT_EQ(engine.Run({"tessarin", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=bmp16m",
                          "-sOutputFile=" + pattern, "-r36", ps}),
              0);
    for (const char *name : {"_001.bmp", "_002.bmp"}) {
        std::string bmp = ReadFile(dir.File(name));
        ASSERT_GT(bmp.size(), 54u) << name;
        EXPECT_EQ(bmp.substr(0, 2), "BM");
        EXPECT_EQ(bmp[28], 24) << "24 bits a pixel";
        uint32_t declared = 0;
        std::memcpy(&declared, bmp.data() + 2, sizeof declared);
        EXPECT_EQ(bmp.size(), declared) << name << ": written in full";
    }
    EXPECT_FALSE(fs::exists(dir.File("_003.bmp")));
}

TEST_F(TessarinTest, ArgumentsAreUtf8) {
    std::string ps = dir.File("输入文件.ps");
    std::string pdf = dir.File("输出 文件.pdf");
    WriteFile(ps, PagesPs({"utf8"}));
    EXPECT_EQ(engine.Run(PdfArgs(pdf, ps)), 0);
    EXPECT_TRUE(fs::exists(fs::u8path(pdf)));
}

struct EncryptionCase {
    int keyLength;
    int permissions;
};

class TessarinEncryptionTest : public TessarinTest,
                               public ::testing::WithParamInterface<EncryptionCase> {};

TEST_P(TessarinEncryptionTest, KeyLengthPermissionsAndPasswords) {
    const EncryptionCase c = GetParam();
    std::string ps = dir.File("secret.ps");
    std::string pdf = dir.File("secret.pdf");
    WriteFile(ps, PagesPs({"Protected text"}));

    int code = engine.Run(PdfArgs(pdf, ps,
                                  {"-sOwnerPassword=owner pw", "-sUserPassword=user",
                                   "-dEncryptionR=3", "-dKeyLength=" + std::to_string(c.keyLength),
                                   "-dPermissions=" + std::to_string(c.permissions)}));
    ASSERT_EQ(code, 0);

    {
        QPDF wrong;
        wrong.setSuppressWarnings(true);
        EXPECT_THROW(wrong.processFile(pdf.c_str(), "nope"), QPDFExc);
    }
    for (const char *password : {"user", "owner pw"}) {
        QPDF q;
        ASSERT_NO_THROW(q.processFile(pdf.c_str(), password)) << password;
        int R = 0, P = 0, V = 0;
        QPDF::encryption_method_e s, str, f;
        ASSERT_TRUE(q.isEncrypted(R, P, V, s, str, f));
        EXPECT_EQ(R, 3);
        QPDFObjectHandle encrypt = q.getTrailer().getKey("/Encrypt");
        int length = encrypt.getKey("/Length").isInteger()
                         ? static_cast<int>(encrypt.getKey("/Length").getIntValue())
                         : 40;
        EXPECT_EQ(length, c.keyLength);
        EXPECT_EQ(P & 0x3C, c.permissions);
        EXPECT_EQ(q.allowPrintLowRes(), (c.permissions & 4) != 0);
        EXPECT_EQ(q.allowExtractAll(), (c.permissions & 16) != 0);
        EXPECT_EQ(q.getAllPages().size(), 1u);
    }
    EXPECT_NE(readback::PdfPageText(pdf, 0, "user").find("Protected text"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Keys, TessarinEncryptionTest,
                         ::testing::Values(EncryptionCase{40, 4}, EncryptionCase{40, 0},
                                           EncryptionCase{128, 60}, EncryptionCase{128, 16}));

TEST_F(TessarinTest, ResultCodesOfQuitAndBrokenFiles) {
    std::string quitPs = dir.File("quit.ps");
    WriteFile(quitPs, PagesPs({"Ends with quit"}) + "quit\n");
    EXPECT_EQ(engine.Run(PdfArgs(dir.File("quit.pdf"), quitPs)), -101);
    EXPECT_NE(readback::PdfPageText(dir.File("quit.pdf"), 0).find("Ends with quit"),
              std::string::npos);

    const std::vector<std::pair<const char *, std::string>> broken = {
        {"undefined name", "%!PS\n72 72 moveto nosuchoperator\nshowpage\n"},
        {"unbalanced procedure", "%!PS\n{ 1 2 add\n"},
        {"type check", "%!PS\n(text) 5 add\n"},
        {"not PostScript at all", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
    };
    for (const auto &[name, body] : broken) {
        std::string ps = dir.File("broken.ps");
        WriteFile(ps, body);
        int code = engine.Run(PdfArgs(dir.File("broken.pdf"), ps));
        EXPECT_LT(code, 0) << name;
        EXPECT_NE(code, -101) << name;
        EXPECT_GT(code, TESSARIN_E_START) << name << ": the interpreter's own code";
    }

    int missing = engine.Run(PdfArgs(dir.File("missing.pdf"), dir.File("no such file.ps")));
    EXPECT_LT(missing, 0);
    EXPECT_NE(missing, -101);
}

// The helper may write a file as large as a page file of the converter's
// largest page (its pixels and the two BMP headers), and not one byte more:
// a write past it is an interpreter error, not the end of the helper. The
// file is sparse: one byte at the last offset.
TEST_F(TessarinTest, FilesAreLimitedToTheLargestPageFile) {
    const unsigned long long limit = imageconv::Dib::kMaxPageFileBytes;
    const std::string file = dir.File("big.bin");
    auto writeByteAt = [&](unsigned long long offset) {
        std::string program = "(" + file + ") (w) file dup " + std::to_string(offset) +
                              " setfileposition dup 65 write closefile";
        // The file is the run's output, the one file the helper may write.
        return engine.Run({"tessarin", "-dNOSAFER", "-dBATCH", "-dNOPAUSE", "-dNODISPLAY",
                           "-sOutputFile=" + file, "-c", program});
    };
    EXPECT_EQ(writeByteAt(limit - 1), 0);
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(static_cast<unsigned long long>(st.st_size), limit);
    int past = writeByteAt(limit);
    EXPECT_LT(past, 0);
    EXPECT_GT(past, TESSARIN_E_START) << "the interpreter's own error, the helper lived";
    unlink(file.c_str());
}

TEST_F(TessarinTest, RefusesUnusableCalls) {
    void *instance = nullptr;
    EXPECT_EQ(engine.create(nullptr, nullptr), TESSARIN_E_CALL);
    ASSERT_EQ(engine.create(&instance, nullptr), 0);
    ASSERT_NE(instance, nullptr);
    char arg0[] = "tessarin";
    char *argv[] = {arg0, nullptr};
    EXPECT_EQ(engine.run(nullptr, 1, argv), TESSARIN_E_CALL);
    EXPECT_EQ(engine.run(instance, 0, argv), TESSARIN_E_CALL);
    EXPECT_EQ(engine.run(instance, 1, nullptr), TESSARIN_E_CALL);
    EXPECT_EQ(engine.run(instance, 2, argv), TESSARIN_E_CALL);
    EXPECT_EQ(engine.exit(instance), 0);
    engine.destroy(instance);

    char small[8];
    int length = engine.version(small, sizeof small);
    EXPECT_GT(length, 7);
    EXPECT_EQ(std::strlen(small), 7u);
    std::vector<char> big(static_cast<size_t>(length) + 1);
    EXPECT_EQ(engine.version(big.data(), static_cast<int>(big.size())), length);
    EXPECT_EQ(std::string(big.data()).rfind("tessarin", 0), 0u);
}

TEST_F(TessarinTest, MissingHelperIsAFailedStart) {
    std::string lonely = dir.File("tessarin.so");
    fs::copy_file(BinDir() + "/tessarin.so", lonely);
    Engine alone(lonely);
    ASSERT_TRUE(alone.ok());
    std::string ps = dir.File("a.ps");
    WriteFile(ps, PagesPs({"never"}));
    EXPECT_EQ(alone.Run(PdfArgs(dir.File("a.pdf"), ps)), TESSARIN_E_START);
    EXPECT_FALSE(fs::exists(dir.File("a.pdf")));
}

// A run that never ends on its own, and a way to reach its child.
class TessarinChildTest : public TessarinTest {
protected:
    void StartEndlessRun() {
        ps = fs::canonical(fs::path(dir.Path())).string() + "/endless.ps";
        WriteFile(ps, "%!PS\n{ 1 pop } loop\n");
        worker = std::thread([this] {
            result = engine.Run(PdfArgs(dir.File("e.pdf"), ps));
            errorLine = engine.lastError;
        });
    }
    void TearDown() override {
        if (worker.joinable()) {
            engine.kill();
            worker.join();
        }
    }
    // A one-page file that must convert after whatever happened before.
    void ExpectTheNextFileConverts() {
        std::string again = dir.File("again.ps");
        WriteFile(again, PagesPs({"after the kill"}));
        EXPECT_EQ(engine.Run(PdfArgs(dir.File("again.pdf"), again)), 0);
        EXPECT_NE(readback::PdfPageText(dir.File("again.pdf"), 0).find("after the kill"),
                  std::string::npos);
    }
    std::string ps;
    std::thread worker;
    std::atomic<int> result{1};
    std::string errorLine;
};

TEST_F(TessarinChildTest, KilledChildFailsItsFileLeavesNothingAndTheNextConverts) {
    // A descriptor this process leaves inheritable must not reach the child.
    std::string markerPath = fs::canonical(fs::path(dir.Path())).string() + "/marker";
    WriteFile(markerPath, "x");
    int marker = open(markerPath.c_str(), O_RDONLY);
    ASSERT_GE(marker, 0);

    // The interpreter's temporary files go to a folder of the server's own.
    const char *oldTmp = getenv("TMPDIR");
    std::string savedTmp = oldTmp ? oldTmp : "";
    const fs::path tmp = fs::path(dir.Path()) / "tmp";
    fs::create_directory(tmp);
    setenv("TMPDIR", tmp.c_str(), 1);
    StartEndlessRun();
    std::optional<pid_t> child = FindHelperChild(ps);
    if (oldTmp)
        setenv("TMPDIR", savedTmp.c_str(), 1);
    else
        unsetenv("TMPDIR");
    ASSERT_TRUE(child.has_value()) << "the interpreter child never opened its input";
    std::string environ = ReadFile("/proc/" + std::to_string(*child) + "/environ");
    EXPECT_NE(environ.find("TMPDIR=" + (tmp / "tessarin-").string()), std::string::npos);

    EXPECT_NE(getpgid(*child), getpgrp()) << "a Ctrl+C at the terminal doesn't reach it";
    std::string fdDir = "/proc/" + std::to_string(*child) + "/fd";
    for (int fd : {0, 1, 2})
        EXPECT_EQ(fs::read_symlink(fdDir + "/" + std::to_string(fd)).string(), "/dev/null");
    for (const auto &entry : fs::directory_iterator(fdDir)) {
        std::error_code ec;
        EXPECT_NE(fs::read_symlink(entry.path(), ec).string(), markerPath);
    }
    close(marker);

    EXPECT_EQ(result.load(), 1) << "still running";
    EXPECT_EQ(engine.kill(), 1);
    worker.join();
    EXPECT_EQ(result.load(), TESSARIN_E_SIGNAL_BASE - SIGKILL);
    EXPECT_FALSE(fs::exists("/proc/" + std::to_string(*child) + "/stat")) << "child reaped";
    // What is left under TMPDIR is the server's own folder; the killed
    // file's folder inside it is gone.
    std::vector<fs::path> left(fs::directory_iterator(tmp), {});
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].filename().string().rfind("tessarin-", 0), 0u);
    for (const auto &entry : fs::directory_iterator(left[0]))
        EXPECT_FALSE(entry.is_directory()) << "left behind: " << entry.path();

    EXPECT_EQ(engine.kill(), 0) << "nothing is running any more";
    ExpectTheNextFileConverts();
}

TEST_F(TessarinChildTest, CrashingChildIsAFailure) {
    StartEndlessRun();
    std::optional<pid_t> child = FindHelperChild(ps);
    ASSERT_TRUE(child.has_value());
    // SIGABRT, not SIGSEGV: a sanitizer build turns the latter into exit(1).
    ASSERT_EQ(kill(*child, SIGABRT), 0);
    worker.join();
    EXPECT_EQ(result.load(), TESSARIN_E_SIGNAL_BASE - SIGABRT) << "the signal is told";
    ExpectTheNextFileConverts();
}

TEST_F(TessarinChildTest, AKilledServerFailsTheFileItServedAndIsStartedAgain) {
    StartEndlessRun();
    std::optional<pid_t> child = FindHelperChild(ps);
    ASSERT_TRUE(child.has_value());
    const pid_t server = ParentOf(*child);
    ASSERT_EQ(kill(server, SIGKILL), 0);
    worker.join();
    EXPECT_EQ(result.load(), TESSARIN_E_DIED);
    EXPECT_EQ(errorLine, "the interpreter server stopped unexpectedly");
    EXPECT_TRUE(HasEnded(*child)) << "the child went with its server";
    ExpectTheNextFileConverts();
}

// A run given up (the program about to end without its destructors) ends the
// servers and removes their scratch folders, a server another thread is
// starting at that moment included: here one whose helper sleeps before it
// starts, beside a copy of the module of its own.
TEST_F(TessarinTest, AbandoningEndsAServerThatIsBeingStarted) {
    const fs::path slow = fs::path(dir.Path()) / "slow";
    fs::create_directory(slow);
    fs::copy_file(BinDir() + "/tessarin.so", slow / "tessarin.so");
    const std::string helper = fs::canonical(BinDir() + "/tessarin-run").string();
    WriteFile((slow / "tessarin-run").string(),
              "#!/bin/sh\nsleep 3 3>&-\nexec '" + helper + "' \"$@\"\n");
    fs::permissions(slow / "tessarin-run", fs::perms::owner_all);
    Engine starting((slow / "tessarin.so").string());
    Module module((slow / "tessarin.so").string());
    auto abandon = module.get<TessarinAbandonServersFn>(TESSARIN_ABANDON_SERVERS_SYMBOL);
    ASSERT_TRUE(starting.ok() && abandon);

    const char *oldTmp = getenv("TMPDIR");
    const std::string savedTmp = oldTmp ? oldTmp : "";
    const fs::path tmp = fs::path(dir.Path()) / "tmp";
    fs::create_directory(tmp);
    setenv("TMPDIR", tmp.c_str(), 1);
    std::string ps = dir.File("a.ps");
    WriteFile(ps, PagesPs({"never"}));
    std::atomic<int> result{1};
    std::thread worker([&] { result = starting.Run(PdfArgs(dir.File("a.pdf"), ps)); });
    for (int i = 0; i < 1000 && fs::is_empty(tmp); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(fs::is_empty(tmp)) << "no server was started";

    EXPECT_EQ(abandon(), 1);
    std::vector<fs::path> left(fs::directory_iterator(tmp), {});
    EXPECT_TRUE(left.empty()) << "left behind: " << left[0];
    worker.join();
    if (oldTmp)
        setenv("TMPDIR", savedTmp.c_str(), 1);
    else
        unsetenv("TMPDIR");
    EXPECT_LT(result.load(), 0);
    EXPECT_FALSE(fs::exists(dir.File("a.pdf")));
    EXPECT_TRUE(fs::is_empty(tmp)) << "a server was started afterwards";
}

// Every file starts from the interpreter as it was after its start-up: what
// one file defines, in local or in global memory, the next can't see.
// A child closes its output itself, and a file that ends on another device
// than the one it was given still gets its pages written.
TEST_F(TessarinTest, AFileThatLeavesItsDeviceStillGetsItsPages) {
    const std::string left = dir.File("left.ps");
    WriteFile(left, PagesPs({"Before the other device"}) + "nulldevice\n");
    ASSERT_EQ(engine.Run(PdfArgs(dir.File("left.pdf"), left)), 0) << engine.lastError;
    EXPECT_NE(readback::PdfPageText(dir.File("left.pdf"), 0).find("Before the other device"),
              std::string::npos);
}

namespace {

// The same run on an interpreter started for this file alone: a switch the
// server doesn't take makes the module start one.
std::vector<std::string> Fresh(std::vector<std::string> args) {
    args.insert(args.end() - 1, "-f");
    return args;
}

// The page files of `ps` at 72 dpi, named `prefix`_001.bmp and on in `dir`.
std::vector<std::string> PageArgs(const TempFolder &dir, const std::string &prefix,
                                  const std::string &ps) {
    return {"tessarin", "-dNOPAUSE",         "-dBATCH",
            "-dSAFER",  "-sDEVICE=bmp16m",   "-sOutputFile=" + dir.File(prefix + "_%03d.bmp"),
            "-r72",     "-dTextAlphaBits=4", "-dGraphicsAlphaBits=4",
            ps};
}

// A PDF without what differs from run to run: the command line in the
// header (a fresh run's has the extra switch), the trailer with the IDs and
// the offsets, every number (dates among them), the document's UUIDs, and
// the order of the objects (the interpreter orders fonts by ids it counts
// from its start, which a forked child counts from elsewhere).
std::vector<std::string> WithoutIdsAndDates(std::string pdf) {
    pdf.erase(std::min(pdf.rfind("\nxref"), pdf.size()));
    if (size_t line = pdf.find("%%Invocation:"); line != std::string::npos)
        pdf.erase(line, pdf.find('\n', line) - line);
    std::string out;
    for (size_t i = 0; i < pdf.size(); ++i) {
        const bool uuid = pdf.compare(i, 5, "uuid:") == 0;
        if (!uuid && !std::isdigit(static_cast<unsigned char>(pdf[i]))) {
            out += pdf[i];
            continue;
        }
        out += '#';
        i += uuid ? 5 : 0;
        auto masked = [uuid](unsigned char c) {
            return uuid ? std::isxdigit(c) || c == '-' : std::isdigit(c);
        };
        while (i < pdf.size() && masked(static_cast<unsigned char>(pdf[i])))
            ++i;
        --i;
    }
    std::vector<std::string> objects;
    for (size_t at = 0, end; at < out.size(); at = end) {
        end = std::min(out.find("endobj", at), out.size());
        objects.push_back(out.substr(at, end - at));
        end += end < out.size() ? 6 : 0;
    }
    std::sort(objects.begin(), objects.end());
    return objects;
}

} // namespace

// A file converts on a warm server as on an interpreter started for it
// alone: page files byte for byte, a PDF apart from its IDs and dates (its
// title and the pages' orientation from its header comments too); the
// first file on a server just started, and the next ones on the server that
// has loaded the common fonts meanwhile.
TEST_F(TessarinTest, AWarmServerWritesWhatAFreshInterpreterWrites) {
    const std::string ps = dir.File("doc.ps");
    // Its header comments are read as on an interpreter that read no other
    // file first: the title becomes the PDF's, the orientation its pages'.
    WriteFile(ps,
              "%!PS-Adobe-3.0\n%%Title: Warm or cold\n%%Orientation: Portrait\n"
              "%%EndComments\n"
              "/Times-Roman findfont 14 scalefont setfont 72 700 moveto (Warm or cold) show\n"
              "0.2 0.5 0.8 setrgbcolor 72 500 200 100 rectfill\n"
              "0.1 0.2 0.3 0.4 setcmykcolor 5 setlinewidth 100 300 moveto 300 400 lineto stroke\n"
              "/Courier findfont 10 scalefont setfont 0 setgray 72 250 moveto (Courier) show\n"
              "showpage\n"
              "/Helvetica findfont 20 scalefont setfont 300 100 moveto 90 rotate\n"
              "(page two, turned) show showpage\n");
    const std::vector<std::string> warmRuns = {"warm1", "warm2", "warm3"};
    ASSERT_EQ(engine.Run(Fresh(PageArgs(dir, "cold", ps))), 0);
    for (const std::string &warm : warmRuns) {
        ASSERT_EQ(engine.Run(PageArgs(dir, warm, ps)), 0);
        for (const char *page : {"_001.bmp", "_002.bmp"}) {
            const std::string got = ReadFile(dir.File(warm + page));
            ASSERT_GT(got.size(), 54u) << warm << page;
            EXPECT_TRUE(got == ReadFile(dir.File(std::string("cold") + page))) << warm << page;
        }
    }

    ASSERT_EQ(engine.Run(Fresh(PdfArgs(dir.File("cold.pdf"), ps))), 0);
    const auto cold = WithoutIdsAndDates(ReadFile(dir.File("cold.pdf")));
    ASSERT_GT(cold.size(), 10u);
    for (const std::string &warm : warmRuns) {
        ASSERT_EQ(engine.Run(PdfArgs(dir.File(warm + ".pdf"), ps)), 0);
        EXPECT_TRUE(WithoutIdsAndDates(ReadFile(dir.File(warm + ".pdf"))) == cold) << warm;
    }
}

// Whatever a file defines or leaves behind, the steps a warm child runs
// after it are the system's own: each of these converts warm as on an
// interpreter of its own, with the same result code and error, the same PDF
// (pages and text) and the same page files.
TEST_F(TessarinTest, WhatAFileLeavesBehindDoesNotChangeHowItsOutputIsClosed) {
    const std::string page = "/Times-Roman findfont 20 scalefont setfont 72 700 moveto ";
    const std::vector<std::pair<const char *, std::string>> files = {
        // What page-rearranging tools do so that the pages they wrap can't
        // reset the page, with a currentpagedevice that still answers.
        {"redefines",
         "%!PS\n/realshowpage /showpage load def\nuserdict begin\n"
         "/setpagedevice { pop } bind def /showpage { } def\n"
         "/currentpagedevice { systemdict /currentpagedevice get exec } bind def\nend\n"
         "<< /PageSize [300 300] >> setpagedevice\n" +
             page + "(Wrapped page one) show realshowpage\n" + page +
             "(Wrapped page two) show showpage realshowpage\n"},
        {"dictionaries", "%!PS\n" + page +
                             "(Two dictionaries left) show showpage\n"
                             "10 dict begin /setpagedevice { pop } def 5 dict begin\n"
                             "(left on the stack) 1 2 3\n"},
        // A save the file never restores, its own definitions made inside it.
        {"save", "%!PS\nsave " + page +
                     "(Inside a save) show showpage save gsave 0.5 setgray\n"
                     "userdict /setpagedevice { pop } put true setglobal\n"},
        {"quit", "%!PS\n" + page + "(Ends with quit) show showpage quit\n" + page +
                     "(never drawn) show showpage\n"},
        {"stop", "%!PS\n/setpagedevice { pop } def\n" + page +
                     "(Stopped at the top) show showpage stop\n" + page +
                     "(never drawn) show showpage\n"},
        // Refused under -dSAFER.
        {"exitserver",
         "%!PS\nserverdict begin 0 exitserver\n" + page + "(After exitserver) show showpage\n"},
    };
    for (const auto &[name, text] : files) {
        SCOPED_TRACE(name);
        const std::string ps = dir.File(std::string(name) + ".ps");
        WriteFile(ps, text);
        const std::string coldPdf = dir.File(std::string(name) + "-cold.pdf");
        const std::string warmPdf = dir.File(std::string(name) + "-warm.pdf");
        const int cold = engine.Run(Fresh(PdfArgs(coldPdf, ps)));
        const std::string coldError = engine.lastError;
        EXPECT_EQ(engine.Run(PdfArgs(warmPdf, ps)), cold);
        EXPECT_EQ(engine.lastError, coldError);
        if (cold == 0 || cold == -101) {
            const readback::PdfFacts facts = readback::ReadPdf(warmPdf);
            EXPECT_TRUE(facts.ok) << facts.error;
            EXPECT_EQ(facts.pages, readback::ReadPdf(coldPdf).pages);
            EXPECT_EQ(readback::PdfText(warmPdf), readback::PdfText(coldPdf));
            EXPECT_TRUE(WithoutIdsAndDates(ReadFile(warmPdf)) ==
                        WithoutIdsAndDates(ReadFile(coldPdf)));
        }

        const std::string prefix = std::string(name) + "-pages";
        EXPECT_EQ(engine.Run(PageArgs(dir, prefix + "-warm", ps)),
                  engine.Run(Fresh(PageArgs(dir, prefix + "-cold", ps))));
        for (int k = 1; fs::exists(dir.File(prefix + "-cold_00" + std::to_string(k) + ".bmp")) ||
                        fs::exists(dir.File(prefix + "-warm_00" + std::to_string(k) + ".bmp"));
             ++k) {
            const std::string number = "_00" + std::to_string(k) + ".bmp";
            EXPECT_TRUE(ReadFile(dir.File(prefix + "-warm" + number)) ==
                        ReadFile(dir.File(prefix + "-cold" + number)))
                << "page " << k;
        }
    }
}

TEST_F(TessarinTest, AFilesDefinitionsDoNotReachTheNextFile) {
    std::string first = dir.File("defines.ps");
    WriteFile(first, "%!PS\n/leakedname (x) def globaldict /leakedglobal 1 put\n");
    ASSERT_EQ(engine.Run(PdfArgs(dir.File("first.pdf"), first)), 0);

    for (const char *name : {"leakedname", "leakedglobal"}) {
        std::string second = dir.File(std::string(name) + ".ps");
        WriteFile(second, std::string("%!PS\n") + name + " pop\n");
        EXPECT_LT(engine.Run(PdfArgs(dir.File("second.pdf"), second)), 0) << name;
        EXPECT_EQ(engine.lastError, std::string("/undefined in ") + name);
    }
}

// The input is opened by the module and reaches the interpreter as an open
// descriptor, and the output name byte for byte: a name that isn't UTF-8
// converts that very file, never the one its name would become with the odd
// bytes dropped.
TEST_F(TessarinTest, ANameThatIsNotUtf8ConvertsExactlyThatFile) {
    const std::string odd = dir.File("bad\xff\xfe_.ps");
    const std::string plain = dir.File("bad_.ps");
    WriteFile(odd, PagesPs({"the odd one"}));
    WriteFile(plain, PagesPs({"the plain one"}));
    const std::string oddPdf = dir.File("out\xff.pdf");

    EXPECT_EQ(engine.Run(PdfArgs(oddPdf, odd)), 0);

    EXPECT_NE(readback::PdfPageText(oddPdf, 0).find("the odd one"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.File("out.pdf")));

    const std::string pages = dir.File("pages\xfe/");
    fs::create_directory(pages);
    EXPECT_EQ(engine.Run({"tessarin", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=bmp16m",
                          "-sOutputFile=" + pages + "p\xff_%03d.bmp", "-r36", odd}),
              0);
    EXPECT_EQ(ReadFile(pages + "p\xff_001.bmp").substr(0, 2), "BM");
}

TEST_F(TessarinTest, AnInputThatIsNotARegularFileFailsWithAReason) {
    const std::string fifo = dir.File("pipe.ps");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string &input : {fifo, dir.Path()}) {
        int code = engine.Run(PdfArgs(dir.File("x.pdf"), input));
        EXPECT_LT(code, 0) << input;
        EXPECT_GT(code, TESSARIN_E_START) << input;
        EXPECT_FALSE(engine.lastError.empty()) << input;
    }
}

// A compressed input the program has unpacked into an anonymous memory file
// reaches the interpreter by its descriptor's name ("/proc/self/fd/N"), on a
// warm server and on an interpreter started for the file alone, both
// confined; the module keeps none of it open afterwards.
TEST_F(TessarinTest, AnInputInAMemoryFileConvertsWarmAndCold) {
    const std::string ps = PagesPs({"Read from memory"});
    const int memory = memfd_create("unpacked-input", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    ASSERT_GE(memory, 0);
    ASSERT_EQ(write(memory, ps.data(), ps.size()), static_cast<ssize_t>(ps.size()));
    ASSERT_EQ(fcntl(memory, F_ADD_SEALS, F_SEAL_WRITE | F_SEAL_GROW | F_SEAL_SHRINK), 0);
    const std::string input = "/proc/self/fd/" + std::to_string(memory);
    auto openCopies = [] {
        int n = 0;
        for (const auto &e : fs::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            n += fs::read_symlink(e.path(), ec).string().starts_with("/memfd:unpacked-input");
        }
        return n;
    };

    ASSERT_EQ(engine.Run(PdfArgs(dir.File("warm.pdf"), input)), 0) << engine.lastError;
    std::vector<std::string> cold = PdfArgs(dir.File("cold.pdf"), input);
    cold.insert(cold.end() - 1, "-f"); // a switch the warm server doesn't take
    ASSERT_EQ(engine.Run(cold), 0) << engine.lastError;
    for (const char *name : {"warm.pdf", "cold.pdf"})
        EXPECT_NE(readback::PdfText(dir.File(name)).find("Read from memory"), std::string::npos)
            << name;
    EXPECT_EQ(openCopies(), 1) << "only the caller's own descriptor is left";
    // The helper takes one such input at most; a second is refused, and
    // leaves nothing open either.
    cold.insert(cold.end() - 1, input);
    EXPECT_EQ(engine.Run(cold), TESSARIN_E_CALL);
    EXPECT_EQ(openCopies(), 1) << "a refused vector leaves no copy open";
    close(memory);
}
