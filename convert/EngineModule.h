// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The two engine modules, loaded from the program's folder and bound by
// ordinal: ordinal N is the exported C symbol "ordinal_N".
//
//   tessarin.so  the PostScript interpreter (five entry points)
//   lumbrel.so   PDF finishing and PDF-to-text (three entry points)
//
// Loading resolves the ordinals in order and stops at the first one that is
// missing. tessarin.so's kill, error-text, signal, confinement and memory
// entry points are bound by their names as well; they are optional, so a
// module without them still loads (killRunning, errorText, signalThreadRun,
// confinement, setMemoryLimit and pagesDone stay null). A
// loaded module stays loaded until Free*; the entry points are plain function
// pointers that may be called from any thread once loaded. Nothing here
// throws.
#pragma once

#include <string>

extern "C" {
typedef int (*EngineCreateFn)(void **instance, void *caller);
typedef int (*EngineVersionFn)(char *buffer, int size);
typedef int (*EngineRunFn)(void *instance, int argc, char **argv);
typedef int (*EngineExitFn)(void *instance);
typedef void (*EngineDeleteFn)(void *instance);
// Kill every interpreter child running now; how many were signalled.
// Async-signal-safe.
typedef int (*EngineKillRunningFn)(void);
// The interpreter's first error line of the instance's last run.
typedef int (*EngineErrorTextFn)(void *instance, char *buffer, int size);
// Send a signal to the interpreter of the run thread `tid` waits for; how
// many got it.
typedef int (*EngineSignalThreadRunFn)(int tid, int sig);
// How the interpreter is confined on this machine, as text.
typedef int (*EngineConfinementFn)(char *buffer, int size);
typedef int (*EngineAbandonServersFn)(void);
// Set the interpreter's memory limit in MiB (0: the default); the limit now
// in effect.
typedef int (*EngineSetMemoryLimitFn)(int mib);
// The pages the run thread `tid` waits for has finished writing into its one
// output file so far; -1 when unknown.
typedef int (*EnginePagesDoneFn)(int tid);

typedef int (*PdfPostProcessFn)(const char *pdf, const char *opass, const char *upass,
                                const char *appText, int tuse, const char *text, int fcolor,
                                int fsize, int fposInverted, int frotate, int foffx, int foffy,
                                int bground, const char *title, const char *author,
                                const char *subject, const char *keywords, const char *creator,
                                const char *producer);
// PdfPostProcess that also writes the security: the nineteen arguments, then
// encrypt, key level (0, 1, 2) and the permission value P.
typedef int (*PdfPostProcessSecuredFn)(
    const char *pdf, const char *opass, const char *upass, const char *appText, int tuse,
    const char *text, int fcolor, int fsize, int fposInverted, int frotate, int foffx, int foffy,
    int bground, const char *title, const char *author, const char *subject, const char *keywords,
    const char *creator, const char *producer, int encrypt, int keyLevel, int permissions);
// PdfPostProcessSecured with PDF/A part (0-3), fast web view and embedded
// stamp fonts (lumbrel_finish_pdf, see modules/lumbrel/Lumbrel.h).
typedef int (*PdfFinishFn)(const char *pdf, const char *opass, const char *upass,
                           const char *appText, int tuse, const char *text, int fcolor, int fsize,
                           int fposInverted, int frotate, int foffx, int foffy, int bground,
                           const char *title, const char *author, const char *subject,
                           const char *keywords, const char *creator, const char *producer,
                           int encrypt, int keyLevel, int permissions, int pdfaPart, int fastWeb,
                           int embedFonts);
typedef int (*PdfExtractTextFn)(const char *pdf, const char *txt, int mode, int pageBreak, int one);
typedef int (*ExtractorVersionFn)(char *buffer, int size);
// Why the calling thread's last call into the module failed, as text.
typedef int (*ExtractorLastErrorFn)(char *buffer, int size);
}

struct EngineModule {
    void *handle = nullptr;
    EngineCreateFn create = nullptr;                   // ordinal 1
    EngineVersionFn version = nullptr;                 // ordinal 2
    EngineRunFn run = nullptr;                         // ordinal 3
    EngineExitFn exit = nullptr;                       // ordinal 4
    EngineDeleteFn destroy = nullptr;                  // ordinal 5
    EngineKillRunningFn killRunning = nullptr;         // by name, optional
    EngineErrorTextFn errorText = nullptr;             // by name, optional
    EngineSignalThreadRunFn signalThreadRun = nullptr; // by name, optional
    EngineConfinementFn confinement = nullptr;         // by name, optional
    EngineAbandonServersFn abandonServers = nullptr;   // by name, optional
    EngineSetMemoryLimitFn setMemoryLimit = nullptr;   // by name, optional
    EnginePagesDoneFn pagesDone = nullptr;             // by name, optional
};

struct ExtractorModule {
    void *handle = nullptr;
    PdfPostProcessFn postProcess = nullptr; // ordinal 1
    PdfExtractTextFn extractText = nullptr; // ordinal 3
    ExtractorVersionFn version = nullptr;   // ordinal 5
    // ordinal 6, optional: a module without it still loads (null here)
    PdfPostProcessSecuredFn postProcessSecured = nullptr;
    PdfFinishFn finish = nullptr;             // by name, optional
    ExtractorLastErrorFn lastError = nullptr; // by name, optional
};

// Load the module at `path` (a full path). 1 on success; 0 when the file can't
// be loaded or an ordinal is missing, in which case the handle may still be
// set (the caller frees it, as it would a loaded module).
int LoadEngineModule(const std::string &path, EngineModule &module);
int LoadExtractorModule(const std::string &path, ExtractorModule &module);

// Release the module if its handle is set; always 1. The handle is kept.
int FreeEngineModule(EngineModule &module);
int FreeExtractorModule(ExtractorModule &module);

// Folder of the running program, ending in '/'.
std::string ProgramFolder();
