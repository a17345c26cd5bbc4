// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PageCount: how many pages a document has, by the interpreter's own count
// (it runs the whole document, confined, as a conversion would), never from
// the file's comments.
//
// CountPages blocks until the interpreter is done; safe to call from any
// thread, several at once. The input is checked and unpacked as a row's is
// (EngineInput); the interpreter runs as a row's engine step (EngineCode:
// on a row's thread it counts against that row's time) and writes only
// into a page folder of its own under `tempFolder`, gone again when the
// call returns. The time bound and `stop` end the interpreter through the
// module's signal entry point; a module without one can't be ended early.
#pragma once

#include <functional>
#include <string>

#include "convert/EngineModule.h"

struct PageCountResult {
    int pages = -1;     // -1 when the count failed
    std::string reason; // why it failed, for a user; empty otherwise
};

// The page count of `input`. `tempFolder` (ending in '/') is where the
// scratch files go; `timeLimitSeconds` (0: a default bound) ends a document
// that never finishes; `stop`, asked at least every 100 ms when given (on a
// thread of the call's own while the interpreter runs), ends the count
// early (the result then has pages -1 and an empty reason).
PageCountResult CountPages(const EngineModule &engine, const std::string &input,
                           const std::string &tempFolder, int timeLimitSeconds,
                           const std::function<bool()> &stop = {});
