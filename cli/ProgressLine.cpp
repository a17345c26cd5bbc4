// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "cli/ProgressLine.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

int TerminalColumns(std::FILE *f) {
    winsize ws{};
    if (::ioctl(::fileno(f), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0)
        return ws.ws_col;
    return 80;
}

} // namespace

std::string ProgressLine::Text(int k, int n, int page, int pages, const std::string &name,
                               int columns) {
    std::string head = "file " + std::to_string(k) + " of " + std::to_string(n);
    if (page > 0)
        head += ", page " + std::to_string(page);
    if (page > 0 && pages > 0)
        head += " of " + std::to_string(pages);
    head += ": ";
    // One column spare, so that the cursor never wraps onto a new line.
    const std::size_t room = columns > 0 ? static_cast<std::size_t>(columns - 1) : 0;
    if (room == 0 || head.size() + name.size() <= room)
        return head + name;
    if (head.size() + 4 > room)
        return head.substr(0, room);
    // Keep the end of the name, starting on a character boundary.
    std::size_t from = name.size() - (room - head.size() - 3);
    while (from < name.size() && (static_cast<unsigned char>(name[from]) & 0xC0) == 0x80)
        ++from;
    return head + "..." + name.substr(from);
}

void ProgressLine::File(int k, int n, const std::string &name) {
    m_k = k;
    m_n = n;
    m_page = m_pages = 0;
    m_name = name;
    if (m_mode == ProgressMode::Lines) {
        std::fprintf(m_err, "vantoria-cli: file %d of %d: %s\n", k, n, name.c_str());
        std::fflush(m_err);
    } else {
        Draw();
    }
}

void ProgressLine::Page(int page, int pages) {
    m_page = page;
    m_pages = pages;
    Draw();
}

void ProgressLine::Clear() {
    if (m_mode == ProgressMode::Terminal && m_drawn) {
        std::fputs("\r\033[K", m_err);
        std::fflush(m_err);
        m_drawn = false;
    }
}

void ProgressLine::Redraw() {
    if (m_k > 0)
        Draw();
}

void ProgressLine::Draw() {
    if (m_mode != ProgressMode::Terminal)
        return;
    std::string text = Text(m_k, m_n, m_page, m_pages, m_name, TerminalColumns(m_err));
    std::fprintf(m_err, "\r\033[K%s", text.c_str());
    std::fflush(m_err);
    m_drawn = true;
}
