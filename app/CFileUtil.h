// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// CFileUtil: the window's names for the stateless file-system helpers.
// CreatePath and FileExists forward to the one set of rules in
// common/FileRules, which the conversion core and the settings store use
// too.
//
// Paths are UTF-8 strings with '/' as the separator; folder paths end in '/'.
// No operation throws or reports an error: each one gives its documented
// neutral result (0, an empty effect) when the file system says no. Safe to
// call from any thread.
#pragma once

#include <string>

class CFileUtil {
public:
    // The full path of the data file `name` (help.html, ...): beside the
    // program in a build folder, in share/vantoria/ of an installed tree.
    static std::string GetProgramPath(const std::string &name);

    // For every '/' in `path`, from the left, creates the folder named by the
    // text before it. Existing folders and failures pass silently; the text
    // after the last '/' is not created, so "a/b/" makes a and a/b, and
    // "a/b/file" makes the same two folders and no file.
    static void CreatePath(const std::string &path);

    // The user's documents folder for default outputs (the home folder),
    // ending in '/'.
    static std::string GetDocumentsFolder();

    // 1 when `path` is non-null, fits the platform's limits and names a
    // regular file that opens for reading; otherwise 0. A folder is not a file
    // here. Nothing is left open.
    static int FileExists(const char *path);

    // The size of the first file matching `path` (which may hold the
    // wildcards '*' and '?' in its last component; an existing file of that
    // exact name comes first) in KB: the length as an unsigned 32-bit byte
    // count, times 1/1024, plus 0.9, truncated. No match, a folder or a null
    // path give 0.
    static int GetFileSizeKB(const char *path);
};
