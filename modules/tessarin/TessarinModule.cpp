// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The five entry points of tessarin.so and the functions it exports by name.
// See Tessarin.h.
#include "modules/tessarin/Confine.h"
#include "modules/tessarin/HelperProcess.h"
#include "modules/tessarin/HelperSpawn.h"
#include "modules/tessarin/ProcessRegistry.h"
#include "modules/tessarin/Tessarin.h"
#include "modules/tessarin/WarmClient.h"

#include <dlfcn.h>

#include "common/CopyText.h"

#include <cerrno>
#include <filesystem>
#include <new>
#include <string>

#define TESSARIN_EXPORT __attribute__((visibility("default")))

#ifndef VANTORIA_VERSION
#define VANTORIA_VERSION "0"
#endif

namespace {

const char kVersionText[] = "tessarin " VANTORIA_VERSION " (PostScript interpreter helper)";

// State of one instance. The interpreter itself lives in the helper process
// for the length of one run, so an instance only has to exist.
struct Instance {
    int runs = 0;
    std::string errorLine; // the last run's first error line
};

} // namespace

extern "C" {

TESSARIN_EXPORT int ordinal_3(void *instance, int argc, char **argv);

// EngineCreate
TESSARIN_EXPORT int ordinal_1(void **instance, void * /*caller*/) {
    if (!instance)
        return TESSARIN_E_CALL;
    *instance = nullptr;
    Instance *created = new (std::nothrow) Instance;
    if (!created)
        return TESSARIN_E_START;
    *instance = created;
    return 0;
}

// Version text.
TESSARIN_EXPORT int ordinal_2(char *buffer, int size) {
    return CopyText(kVersionText, buffer, size);
}

// EngineRun
TESSARIN_EXPORT int ordinal_3(void *instance, int argc, char **argv) {
    if (!instance || !argv || argc < 1)
        return TESSARIN_E_CALL;
    for (int i = 0; i < argc; ++i) {
        if (!argv[i])
            return TESSARIN_E_CALL;
    }
    try {
        Dl_info info = {};
        if (!dladdr(reinterpret_cast<void *>(&ordinal_3), &info) || !info.dli_fname)
            return TESSARIN_E_START;
        std::filesystem::path helper =
            std::filesystem::path(info.dli_fname).parent_path() / "tessarin-run";
        Instance *self = static_cast<Instance *>(instance);
        ++self->runs;
        tessarin::WarmRequest request;
        if (tessarin::SplitWarmRequest(argc, argv, &request))
            return tessarin::RunWarm(helper.string(), request, &self->errorLine);
        return tessarin::RunHelperProcess(helper.string(), argc, argv, &self->errorLine);
    } catch (...) {
        return TESSARIN_E_START;
    }
}

// EngineExit
TESSARIN_EXPORT int ordinal_4(void * /*instance*/) {
    return 0;
}

// EngineDelete
TESSARIN_EXPORT void ordinal_5(void *instance) {
    delete static_cast<Instance *>(instance);
}

TESSARIN_EXPORT int tessarin_error_text(void *instance, char *buffer, int size) {
    if (!instance)
        return CopyText("", buffer, size);
    return CopyText(static_cast<Instance *>(instance)->errorLine.c_str(), buffer, size);
}

TESSARIN_EXPORT int tessarin_confinement(char *buffer, int size) {
    try {
        return CopyText(tessarin::ConfinementLayers().c_str(), buffer, size);
    } catch (...) {
        return CopyText("", buffer, size);
    }
}

TESSARIN_EXPORT int tessarin_kill_running(void) {
    int saved = errno;
    int count = tessarin::KillRegisteredProcesses();
    errno = saved;
    return count;
}

TESSARIN_EXPORT int tessarin_abandon_servers(void) {
    try {
        return tessarin::AbandonWarmServers();
    } catch (...) {
        return 0;
    }
}

TESSARIN_EXPORT int tessarin_signal_thread_run(int tid, int sig) {
    int saved = errno;
    int count = tessarin::SignalProcessOfThread(tid, sig);
    errno = saved;
    return count;
}

TESSARIN_EXPORT int tessarin_pages_done(int tid) {
    return tessarin::PagesOfThread(tid);
}

TESSARIN_EXPORT int tessarin_set_memory_limit(int mib) {
    return tessarin::SetHelperDataLimitMiB(mib);
}

} // extern "C"
