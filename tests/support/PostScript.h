// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PostScript documents written on the spot for the interpreter to read.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct PsOptions {
    int pages = 1;
    bool colour = true;  // draw coloured bars as well as text
    int widthStep = 0;   // page k is 200 + k * widthStep points wide (0: US Letter)
    bool broken = false; // a file the interpreter refuses
    bool quitAtEnd = false;
};

// Write a PostScript document whose page k shows "Page k of NAME" (NAME:
// the file's name).
void WritePs(const std::string &path, const PsOptions &options = {});

// An encapsulated figure whose %%BoundingBox is x y x+w y+h: the box filled
// blue, with the word "Figure" in black inside it, and no showpage.
std::string EpsFigure(int x, int y, int w, int h);

// A document of one page per entry, each showing that line in 20 point
// Helvetica.
std::string PagesPs(const std::vector<std::string> &lines);

} // namespace testsupport
