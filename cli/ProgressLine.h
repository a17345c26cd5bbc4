// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// ProgressLine: what vantoria-cli shows on standard error while it converts.
//
//   Terminal  one line, rewritten in place at each file and page:
//             "file 3 of 120, page 2: /data/c.ps" ("page 2 of 5" once the
//             page count is known), cut to the width of
//             the terminal (the start of the name gives way first) and wiped
//             before any other line is written
//   Lines     one plain line as each file starts, for logs:
//             "vantoria-cli: file 3 of 120: /data/c.ps"
//   None      nothing (-q)
// Not thread-safe: the caller serialises the calls.
#pragma once

#include <cstdio>
#include <string>

enum class ProgressMode { None, Lines, Terminal };

class ProgressLine {
public:
    ProgressLine(std::FILE *err, ProgressMode mode) : m_err(err), m_mode(mode) {}

    // File `k` of `n` has started.
    void File(int k, int n, const std::string &name);
    // The file shown is at page `page` of `pages` (0: not known yet).
    void Page(int page, int pages);
    // Wipe the line (Terminal) so that another line can be written.
    void Clear();
    // Draw it again after Clear.
    void Redraw();

    // The terminal line's text for a width of `columns` (0: no limit).
    static std::string Text(int k, int n, int page, int pages, const std::string &name,
                            int columns);

private:
    void Draw();

    std::FILE *m_err;
    ProgressMode m_mode;
    int m_k = 0, m_n = 0, m_page = 0, m_pages = 0;
    std::string m_name;
    bool m_drawn = false;
};
