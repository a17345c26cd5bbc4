// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/EngineModule.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "common/FileRules.h"
#include "modules/lumbrel/Lumbrel.h"
#include "modules/tessarin/Tessarin.h"

namespace {

void *Ordinal(void *handle, int n) {
    std::string name = "ordinal_" + std::to_string(n);
    return dlsym(handle, name.c_str());
}

template <typename Fn> bool Bind(void *handle, int n, Fn &fn) {
    fn = reinterpret_cast<Fn>(Ordinal(handle, n));
    return fn != nullptr;
}

} // namespace

int LoadEngineModule(const std::string &path, EngineModule &m) {
    m = EngineModule{};
    m.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m.handle)
        return 0;
    if (!Bind(m.handle, 1, m.create) || !Bind(m.handle, 2, m.version) ||
        !Bind(m.handle, 3, m.run) || !Bind(m.handle, 4, m.exit) || !Bind(m.handle, 5, m.destroy))
        return 0;
    m.killRunning =
        reinterpret_cast<EngineKillRunningFn>(dlsym(m.handle, TESSARIN_KILL_RUNNING_SYMBOL));
    m.errorText = reinterpret_cast<EngineErrorTextFn>(dlsym(m.handle, TESSARIN_ERROR_TEXT_SYMBOL));
    m.signalThreadRun = reinterpret_cast<EngineSignalThreadRunFn>(
        dlsym(m.handle, TESSARIN_SIGNAL_THREAD_RUN_SYMBOL));
    m.confinement =
        reinterpret_cast<EngineConfinementFn>(dlsym(m.handle, TESSARIN_CONFINEMENT_SYMBOL));
    m.abandonServers =
        reinterpret_cast<EngineAbandonServersFn>(dlsym(m.handle, TESSARIN_ABANDON_SERVERS_SYMBOL));
    m.setMemoryLimit =
        reinterpret_cast<EngineSetMemoryLimitFn>(dlsym(m.handle, TESSARIN_SET_MEMORY_LIMIT_SYMBOL));
    m.pagesDone = reinterpret_cast<EnginePagesDoneFn>(dlsym(m.handle, TESSARIN_PAGES_DONE_SYMBOL));
    return 1;
}

int LoadExtractorModule(const std::string &path, ExtractorModule &m) {
    m = ExtractorModule{};
    m.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m.handle)
        return 0;
    if (!Bind(m.handle, 1, m.postProcess) || !Bind(m.handle, 3, m.extractText) ||
        !Bind(m.handle, 5, m.version))
        return 0;
    Bind(m.handle, 6, m.postProcessSecured);
    m.finish = reinterpret_cast<PdfFinishFn>(dlsym(m.handle, LUMBREL_FINISH_PDF_SYMBOL));
    m.lastError =
        reinterpret_cast<ExtractorLastErrorFn>(dlsym(m.handle, LUMBREL_LAST_ERROR_SYMBOL));
    return 1;
}

int FreeEngineModule(EngineModule &m) {
    if (m.handle)
        dlclose(m.handle);
    return 1;
}

int FreeExtractorModule(ExtractorModule &m) {
    if (m.handle)
        dlclose(m.handle);
    return 1;
}

std::string ProgramFolder() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "./";
    return WithTrailingSeparator(exe.parent_path().string());
}
