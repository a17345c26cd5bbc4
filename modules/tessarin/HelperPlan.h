// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The confinement plan of one tessarin-run process, made from its argument
// vector and its environment before anything of the interpreter runs.
//
// The scratch folder is $TMPDIR (the caller makes a private one per run). The
// output named by "-sOutputFile=" or "-o" is the one write target: the file
// itself, or its folder when the name is a page pattern ("_%03d.bmp"); a file
// that does not exist yet is created empty first (never through a link), so
// the confinement can name it. Names that go to the standard streams or to a
// pipe give no target. Every other argument that is not an option, nor
// PostScript given after -c, may name an input file to read. Relative names
// are made absolute against the working folder the helper started in (the
// confinement then moves it to the scratch folder), in the plan and in the
// arguments handed on to the interpreter alike. An input named
// "/proc/self/fd/N" is the descriptor N the helper was started with
// (HelperProcess.h), which the plan keeps open. Not thread-safe (reads the
// environment); never throws beyond std::bad_alloc.
#pragma once

#include <string>
#include <vector>

#include "modules/tessarin/Confine.h"

namespace tessarin {

struct HelperPlan {
    ConfinePlan plan;
    std::vector<std::string> args; // the argument vector for the interpreter
};

// `keepFd` is the descriptor the result goes to. `scratch` is the value of
// TMPDIR, or null.
HelperPlan MakeHelperPlan(int argc, char **argv, const char *scratch, int keepFd);

} // namespace tessarin
