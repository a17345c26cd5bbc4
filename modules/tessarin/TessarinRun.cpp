// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// tessarin-run: the helper process in which the PostScript interpreter runs
// once, confined, over its own argument vector, or a warm interpreter server
// (see HelperMain.h).
//
// Started by tessarin.so (HelperSpawn.cpp) with stdin, stdout and stderr on
// /dev/null, the result pipe (a server: its control socket) on descriptor 3
// and TMPDIR naming a private scratch folder.
#include "modules/tessarin/HelperMain.h"

#if defined(__SANITIZE_ADDRESS__)
// Under the helper's data limit an allocation the sanitizer can't make
// returns null, as the C library's does, so the interpreter reports its
// VMerror instead of the sanitizer ending the process.
extern "C" const char *__asan_default_options() {
    return "allocator_may_return_null=1";
}
#endif

int main(int argc, char **argv) {
    return tessarin::HelperMain(argc, argv);
}
