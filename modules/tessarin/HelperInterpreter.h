// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The interpreter run of tessarin-run, and how its result is handed back.
//
// RunInterpreter runs the PostScript interpreter once over the argument
// vector and writes the result code (a native int) to descriptor 3, followed
// by the interpreter's first error line ("/undefined in foo", without the
// "Error: " in front and the newline; nothing when it reported none). The
// result is the code of gsapi_init_with_args (0, -101 for a file that ends
// with quit, or an error), or the code of gsapi_exit when the run itself
// succeeded but closing the interpreter (and with it the output device)
// failed. It returns the process's exit status: 0 once the result is handed
// back; without descriptor 3, 0 for success and 1 otherwise. The caller
// confines the process first (TessarinRun.cpp).
#pragma once

#include "modules/tessarin/HelperConstants.h"

namespace tessarin {

int RunInterpreter(int argc, char **argv);

// Writes `code` alone to descriptor 3; false when it can't.
bool ReportResult(int code);

} // namespace tessarin
