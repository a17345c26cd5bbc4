// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// One file's exchange with a warm server (WarmProtocol.h): the File message
// with the open input and a new reply socket, then the reply socket read to
// its end - Started (the child, registered in the process registry while it
// runs), Page (kept in the registry for tessarin_pages_done), Code, Ended. A
// child that has handed back its code and does not end is killed after
// kExitGraceMs. Blocks the calling thread until the file is done; any number
// of threads may run files at once.
#pragma once

#include <string>

#include "modules/tessarin/Tessarin.h"
#include "modules/tessarin/WarmRequest.h"

namespace tessarin {

struct WarmOutcome {
    int code = TESSARIN_E_DIED; // the file's result code
    bool serverDied = false;
    bool retry = false; // the server died before it took the file
};

// Runs `request` on the server whose control socket is `control`, reading
// the input from `inputFd`; its first error line (or what went wrong around
// the file) goes to `errorLine`.
WarmOutcome RunOnServer(int control, const WarmRequest &request, int inputFd,
                        std::string *errorLine);

} // namespace tessarin
