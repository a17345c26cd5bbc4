// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// tessarin-run: the helper process in which the PostScript interpreter runs
// once, confined, over its own argument vector, or a warm interpreter server
// (see HelperMain.h).
//
// Started by tessarin.so (HelperProcess.cpp) with stdin, stdout and stderr on
// /dev/null, the result pipe (a server: its control socket) on descriptor 3
// and TMPDIR naming a private scratch folder.
#include "modules/tessarin/HelperMain.h"

int main(int argc, char **argv) {
    return tessarin::HelperMain(argc, argv);
}
