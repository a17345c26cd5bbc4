// RunEngine: one run of the engine over an argument vector.
//
// Every run uses a fresh engine instance: create, run, exit, delete. The run
// succeeds when its result code is 0 or -101; no other code is interpreted.
// A run can't be interrupted from here; it returns when the engine does.
// Safe to call from several threads at once (each call has its own instance).
#pragma once

#include "convert/EngineArgs.h"
#include "convert/EngineModule.h"

// The run's result code: EngineCreate's when it is negative, else EngineRun's.
// A module without its entry points gives -100 and calls nothing.
int RunEngineCode(const EngineModule &engine, int argc, char **argv);

// True on result code 0 or -101.
bool RunEngine(const EngineModule &engine, int argc, char **argv);
bool RunEngine(const EngineModule &engine, ArgumentVector args);

inline constexpr int kEngineQuit = -101;
