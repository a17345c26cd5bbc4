// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// FileRules: the program's one set of file-system rules, shared by the
// window, the conversion core, the settings store and the command line.
//
// Paths are UTF-8 strings; the separator is '/' and folder paths end in '/'.
// Nothing here throws or reports an error: each function gives its stated
// neutral result (0, false, no effect) when the file system says no. No
// state; safe to call from any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// True when the path fits the platform's limits: shorter than PATH_MAX
// bytes, no component longer than NAME_MAX bytes, no NUL byte. A path that
// does not fit is refused, never cut. The empty path does not fit.
bool FitsPlatformLimits(std::string_view path);

// 1 when `path` fits the platform's limits and names a regular file that
// opens for reading; otherwise 0. A folder, a device or a named pipe is not
// a file here, and the check never blocks on one. Nothing is left open.
int FileExists(const std::string &path);

// For every '/' in `path`, from the left, creates the folder named by the
// text before it. Existing folders and failures pass silently; the text
// after the last '/' is not created, so "a/b/" makes a and a/b, and
// "a/b/file" makes the same two folders and no file. A '\' is an ordinary
// character of a name here.
void CreatePath(const std::string &path);

// `folder` with a '/' added when it does not already end in one (a '\' is an
// ordinary character here). The empty folder stays empty: it names no
// folder, so it is never turned into the root.
std::string WithTrailingSeparator(std::string folder);

// True when the file name of `path` (the text after its last '/') ends in
// one of the PostScript extensions the program takes, in any letter case:
// ".ps", ".eps", ".epsf" or ".epsi", or gzip-compressed ".ps.gz", ".eps.gz"
// or ".psz". The one rule for which names are queued, wherever they come
// from.
bool IsPostScriptName(std::string_view path);

// The name an input's outputs are named after: its file name without the
// PostScript extension IsPostScriptName takes, so "paper.ps.gz" and
// "paper.psz" give "paper" as "paper.ps" does; any other name without the
// text from its last dot ("notes.txt" gives "notes").
std::string InputBaseName(std::string_view path);

// True when the file at `path` says it is an encapsulated figure: its first
// line is a PostScript header that names EPSF ("%!PS-Adobe-3.0 EPSF-3.0"),
// or it opens with the binary header of a figure carrying a preview. The
// name plays no part. Reads the first line only, never blocks on a named
// pipe; false when the file can't be read.
bool IsEpsFile(const std::string &path);

// A file found in a folder that was added: its path and the folder it has
// under the added folder ("2019/q1/", ending in '/'; empty at the top).
struct FolderFile {
    std::string path;
    std::string subfolder;
};

// The files with a PostScript name (IsPostScriptName) in `folder` (ending in
// '/') and, with `recursive`, in its subfolders, each folder's entries in
// name order and a subfolder's files where its name comes. A link to a
// folder is not entered, so a tree that links back into itself ends.
// `anyEntry`, when given, is set to whether the folder listed any entry at
// all (a file of another kind counts).
std::vector<FolderFile> ListPostScriptFiles(const std::string &folder, bool recursive,
                                            bool *anyEntry = nullptr);
