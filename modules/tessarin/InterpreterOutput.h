// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// What the interpreter prints, kept for its first error line (internal to
// tessarin-run).
//
// The interpreter's stdout and stderr callbacks append to an Output; only the
// text up to the end of the first "Error: " line is kept, and never more than
// a few lines' worth. FirstErrorLine then gives that line without the
// "Error: " in front and the newline ("/undefined in foo"). Single-threaded,
// like the interpreter.
#pragma once

#include <string>

#include <ghostscript/iapi.h>

namespace tessarin {

struct Output {
    std::string text;
    bool full = false;
    // Told of every kPageMark the interpreter prints, with the count so far;
    // the marks themselves are not kept. Null: marks are dropped uncounted.
    void (*onPage)(void *context, int pages) = nullptr;
    void *pageContext = nullptr;
    int pages = 0;
};

// What the page device's end-of-page procedure prints for each page it puts
// out, when the child asks to be told (P between two record separators).
inline constexpr char kPageMark[] = "\x1eP\x1e";

// Standard input callback: the interpreter reads nothing.
int GSDLLCALL ReadNothing(void *handle, char *buffer, int size);
// Standard output and error callback; `handle` is an Output.
int GSDLLCALL Keep(void *handle, const char *data, int len);

// The first error line of `text`, or the empty text when there is none.
std::string FirstErrorLine(const std::string &text);

// Writes all of `size` bytes to `fd` unless it fails; true when all went.
bool WriteAll(int fd, const void *data, size_t size);

} // namespace tessarin
