// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "PostScript.h"

#include <filesystem>
#include <sstream>

#include "Files.h"

namespace testsupport {

void WritePs(const std::string &path, const PsOptions &o) {
    std::ostringstream ps;
    if (o.broken) {
        ps << "%!PS\n/Helvetica findfont 12 scalefont setfont\n72 72 moveto (half) show\n"
              "this_is_not_an_operator\nshowpage\n";
        WriteFile(path, ps.str());
        return;
    }
    std::string name = std::filesystem::path(path).filename().string();
    std::string safe;
    for (char c : name)
        if (c != '(' && c != ')' && c != '\\')
            safe += c;
    ps << "%!PS-Adobe-3.0\n%%Pages: " << o.pages << "\n";
    for (int k = 1; k <= o.pages; ++k) {
        int w = o.widthStep ? 200 + k * o.widthStep : 612;
        int h = o.widthStep ? 300 : 792;
        ps << "%%Page: " << k << " " << k << "\n";
        ps << "<< /PageSize [" << w << " " << h << "] >> setpagedevice\n";
        if (o.colour) {
            ps << "1 0 0 setrgbcolor 10 10 " << (w / 3) << " 40 rectfill\n";
            ps << "0 0.6 0 setrgbcolor " << (w / 3 + 10) << " 10 " << (w / 4) << " 40 rectfill\n";
            ps << "0 0 1 setrgbcolor 10 60 60 60 rectfill\n";
        }
        ps << "0 0 0 setrgbcolor /Helvetica findfont 14 scalefont setfont\n";
        ps << "20 " << (h - 40) << " moveto (Page " << k << " of " << safe << ") show\n";
        ps << "20 " << (h - 60) << " moveto (Quick brown fox line two) show\n";
        ps << "showpage\n";
    }
    if (o.quitAtEnd)
        ps << "quit\n";
    ps << "%%EOF\n";
    WriteFile(path, ps.str());
}

std::string EpsFigure(int x, int y, int w, int h) {
    std::ostringstream ps;
    ps << "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: " << x << " " << y << " " << x + w << " "
       << y + h << "\n%%EndComments\n";
    ps << "0 0 1 setrgbcolor " << x << " " << y << " " << w << " " << h << " rectfill\n";
    ps << "0 0 0 setrgbcolor /Helvetica findfont 12 scalefont setfont\n";
    ps << x + 10 << " " << y + h / 2 << " moveto (Figure) show\n%%EOF\n";
    return ps.str();
}

std::string PagesPs(const std::vector<std::string> &lines) {
    std::string ps = "%!PS-Adobe-3.0\n/Helvetica findfont 20 scalefont setfont\n";
    for (const std::string &line : lines)
        ps += "72 700 moveto (" + line + ") show showpage\n";
    return ps;
}

} // namespace testsupport
