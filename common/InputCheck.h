// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// InputCheck: whether a file can be an input, and if not, why, in the one
// wording the window, the command line, the watched folder and the run all
// show.
//
// The reasons, one per case:
//   "name too long"                 the path passes the platform's limits
//   "input file is missing"         nothing there (or a link to nothing)
//   "not a regular file"            a folder, a named pipe, a device, a socket
//                                   (or, where links are refused, a link)
//   "can't read the input: <why>"   the file or its folder can't be opened
//   "is not a .ps or .eps file"     the name has none of the PostScript
//                                   extensions (IsPostScriptName)
//   "empty input file"              nothing in it
//   "is a <what>, not PostScript"   its first bytes are the magic number
//                                   of another kind of file (one table,
//                                   in InputCheck.cpp): "is a PNG image,
//                                   not PostScript", "is a PDF document,
//                                   not PostScript", ...
//   "no printable content"          its first 4 KiB hold no printable
//                                   character at all (zeros, white space)
// The checks come in that order, so a file that fails several gets the
// first reason. Anything else goes to the interpreter, whether or not its
// first line is "%!": hand-written and old files often have no header, and
// when the interpreter can't run a file its own error is the reason.
//
// A PDF is refused rather than converted: its PDF output would be named as
// the input itself is (x.pdf beside x.pdf), so converting it could replace
// it. gzip data passes CheckInput as it is; EngineInput (CompressedInput.h)
// unpacks it and checks what it holds with CheckContent, which then gives
// the same reasons (a compressed file inside a compressed file is refused:
// "is a gzip-compressed file, not PostScript").
//
// Never blocks: the kind is decided before the file is opened, and the open
// does not wait on a named pipe; a device is never opened. No Qt; safe to
// call from any thread.
#pragma once

#include <string>

enum class InputLook {
    Listing, // name, presence, kind and readability: what adding to a list checks
    Content, // and what is in it: what a conversion checks before the interpreter runs
};

enum class InputLinks {
    Follow, // a link to a regular file is that file
    Refuse, // a link is not a regular file (for a folder whose files are moved)
};

// The empty text when `path` can be an input; otherwise why not (above).
std::string CheckInput(const std::string &path, InputLook look = InputLook::Content,
                       InputLinks links = InputLinks::Follow);

// The content checks alone, on the regular file at `fd` (read from its
// start with pread): "empty input file", "is a <what>, not PostScript" (gzip
// data included), "no printable content", or the empty text.
std::string CheckContent(int fd);

// The reason CheckInput gives for nothing at `path`: a caller that tells a
// file gone from a failed one compares against it.
extern const char kInputMissing[];
