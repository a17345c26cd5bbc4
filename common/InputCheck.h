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
//   "not a PostScript file"         its first bytes are not PostScript
// The checks come in that order, so a file that fails several gets the
// first reason.
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

// The reason CheckInput gives for nothing at `path`: a caller that tells a
// file gone from a failed one compares against it.
extern const char kInputMissing[];
