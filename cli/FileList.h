// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// FileList: the input names of a --files-from list.
//
// One name a line (an empty line is skipped, a carriage return ending a line
// is dropped), or with -0 one name per NUL-terminated record, as
// `find -print0` writes them, so any name a file can have is carried
// unchanged. A line list holding a NUL byte is refused rather than split
// into names that would each point to some other file.
#pragma once

#include <string>
#include <vector>

// Split the bytes of a list into names; false with `error` set when a line
// list holds a NUL byte.
bool SplitFileList(const std::string &bytes, bool nul, std::vector<std::string> &names,
                   std::string &error);

// Read the list `list` ("-" for standard input) and append its names to
// `names`. False with `error` set when it can't be read, or when a stop
// signal arrives while waiting for it (the stop signals are blocked, so a
// list that never ends would otherwise hold the program for good).
bool ReadFileList(const std::string &list, bool nul, std::vector<std::string> &names,
                  std::string &error);
