// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Helpers shared by the module tests: the two modules opened from
// VANTORIA_BIN_DIR by dlopen, and the engine run the way the program runs it.
#pragma once

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Files.h"
#include "PostScript.h"
#include "ReadBack.h"
#include "TempFolder.h"
#include "convert/EngineModule.h"
#include "modules/tessarin/Tessarin.h"

namespace fs = std::filesystem;

namespace moduletest {

inline std::string BinDir() {
    return VANTORIA_BIN_DIR;
}

using testsupport::PagesPs;
using testsupport::ReadFile;
using testsupport::TempFolder;
using testsupport::WriteFile;

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
        errorText = m_module.get<TessarinErrorTextFn>(TESSARIN_ERROR_TEXT_SYMBOL);
    }
    bool ok() const { return create && version && run && exit && destroy && kill && errorText; }

    // One run the way the program does it: create, run, exit, delete. The
    // run's error line is kept in lastError.
    int Run(std::vector<std::string> args) {
        lastError.clear();
        void *instance = nullptr;
        int code = create(&instance, nullptr);
        if (code < 0)
            return code;
        std::vector<char *> argv;
        for (std::string &a : args)
            argv.push_back(a.data());
        int result = run(instance, static_cast<int>(argv.size()), argv.data());
        char line[512] = "";
        if (errorText)
            errorText(instance, line, sizeof line);
        lastError = line;
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
    TessarinErrorTextFn errorText = nullptr;
    std::string lastError;

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

// Runs the interpreter on `ps` (written first) to make `pdf`; true on result 0.
inline bool MakePdf(Engine &engine, const std::string &pdf, const std::string &ps,
                    const std::string &psText, const std::vector<std::string> &extras = {}) {
    WriteFile(ps, psText);
    return engine.Run(PdfArgs(pdf, ps, extras)) == 0;
}

} // namespace moduletest
