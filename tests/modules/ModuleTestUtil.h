// Helpers shared by the module tests: a temporary folder per test, small file
// utilities, and the two modules opened from VANTORIA_BIN_DIR by dlopen.
#pragma once

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "convert/EngineModule.h"
#include "modules/tessarin/Tessarin.h"

#include <memory>

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-page.h>

namespace fs = std::filesystem;

namespace moduletest {

inline std::string BinDir() {
    return VANTORIA_BIN_DIR;
}

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "vantoria-modtest-XXXXXX").string();
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data()))
            m_path = buffer.data();
    }
    ~TempDir() {
        std::error_code ec;
        if (!m_path.empty())
            fs::remove_all(m_path, ec);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const fs::path &path() const { return m_path; }
    std::string file(const std::string &name) const { return (m_path / name).string(); }

private:
    fs::path m_path;
};

inline void WriteFile(const std::string &path, const std::string &data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

inline std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A module opened with dlopen; symbols by name.
class Module {
public:
    explicit Module(const std::string &path) {
        m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!m_handle) {
            const char *e = dlerror();
            m_error = e ? e : "dlopen failed";
        }
    }
    ~Module() {
        if (m_handle)
            dlclose(m_handle);
    }
    Module(const Module &) = delete;
    Module &operator=(const Module &) = delete;

    bool ok() const { return m_handle != nullptr; }
    const std::string &error() const { return m_error; }
    template <typename Fn> Fn get(const char *name) const {
        return m_handle ? reinterpret_cast<Fn>(dlsym(m_handle, name)) : nullptr;
    }

private:
    void *m_handle = nullptr;
    std::string m_error;
};

// Standard PostScript page: one line of Helvetica text per entry, one page each.
inline std::string PagesPs(const std::vector<std::string> &lines) {
    std::string ps = "%!PS-Adobe-3.0\n/Helvetica findfont 20 scalefont setfont\n";
    for (const std::string &line : lines)
        ps += "72 700 moveto (" + line + ") show showpage\n";
    return ps;
}

// tessarin.so, bound by name.
class Engine {
public:
    explicit Engine(const std::string &path = BinDir() + "/tessarin.so") : m_module(path) {
        create = m_module.get<EngineCreateFn>("ordinal_1");
        version = m_module.get<EngineVersionFn>("ordinal_2");
        run = m_module.get<EngineRunFn>("ordinal_3");
        exit = m_module.get<EngineExitFn>("ordinal_4");
        destroy = m_module.get<EngineDeleteFn>("ordinal_5");
        kill = m_module.get<TessarinKillRunningFn>(TESSARIN_KILL_RUNNING_SYMBOL);
    }
    bool ok() const { return create && version && run && exit && destroy && kill; }

    // One run the way the program does it: create, run, exit, delete.
    int Run(std::vector<std::string> args) {
        void *instance = nullptr;
        int code = create(&instance, nullptr);
        if (code < 0)
            return code;
        std::vector<char *> argv;
        for (std::string &a : args)
            argv.push_back(a.data());
        int result = run(instance, static_cast<int>(argv.size()), argv.data());
        exit(instance);
        destroy(instance);
        return result;
    }

    EngineCreateFn create = nullptr;
    EngineVersionFn version = nullptr;
    EngineRunFn run = nullptr;
    EngineExitFn exit = nullptr;
    EngineDeleteFn destroy = nullptr;
    TessarinKillRunningFn kill = nullptr;

private:
    Module m_module;
};

inline std::vector<std::string> PdfArgs(const std::string &out, const std::string &in,
                                        const std::vector<std::string> &extras = {}) {
    std::vector<std::string> v = {"tessarin", "-dNOPAUSE",         "-dBATCH",
                                  "-dSAFER",  "-sDEVICE=pdfwrite", "-sOutputFile=" + out};
    v.insert(v.end(), extras.begin(), extras.end());
    v.push_back(in);
    return v;
}

// Text of one page as poppler reads it.
inline std::string PageText(const std::string &pdf, int page, const std::string &password = "") {
    std::unique_ptr<poppler::document> doc(
        poppler::document::load_from_file(pdf, password, password));
    if (!doc || doc->is_locked() || page >= doc->pages())
        return {};
    std::unique_ptr<poppler::page> p(doc->create_page(page));
    auto bytes = p->text().to_utf8();
    return std::string(bytes.begin(), bytes.end());
}

// Runs the interpreter on `ps` (written first) to make `pdf`; true on result 0.
inline bool MakePdf(Engine &engine, const std::string &pdf, const std::string &ps,
                    const std::string &psText, const std::vector<std::string> &extras = {}) {
    WriteFile(ps, psText);
    return engine.Run(PdfArgs(pdf, ps, extras)) == 0;
}

} // namespace moduletest
