// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// A test build of the interpreter helper without its confinement, so the
// hostile-file tests can show each attack works before showing that the
// real helper stops it. It serves warm as the real helper does, confining
// nothing there either. Never installed; the program has no such switch.
#include <cstring>

#include "modules/tessarin/HelperInterpreter.h"
#include "modules/tessarin/WarmProtocol.h"
#include "modules/tessarin/WarmServer.h"

int main(int argc, char **argv) {
    if (argc == 2 && std::strcmp(argv[1], tessarin::warm::kServerSwitch) == 0)
        tessarin::ServeWarm(tessarin::kResultFd, tessarin::WarmConfinement{});
    return tessarin::RunInterpreter(argc, argv);
}
