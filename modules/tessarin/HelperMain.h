// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The whole of tessarin-run: confine, then run the interpreter.
//
// Whoever starts the helper and whatever its arguments say, HelperMain
// confines the process (Confine.h, with the plan of HelperPlan.h) before the
// interpreter starts, and then runs it (HelperInterpreter.h) over the
// arguments as the plan rewrote them. When the confinement fails it hands back
// TESSARIN_E_CONFINE, says why on standard error (when that still is the
// caller's) and runs nothing. Returns the process's exit status. With the one
// argument warm::kServerSwitch the process is a warm server instead, confined
// as ConfinedWarm() says (WarmServer.h), and HelperMain does not return.
#pragma once

namespace tessarin {

int HelperMain(int argc, char **argv);

} // namespace tessarin
