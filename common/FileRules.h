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

// True when the extension of `path` (from the last dot of its file name, the
// name starting after the last '/') is ".ps" in any letter case.
bool HasPsExtension(std::string_view path);
