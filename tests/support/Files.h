// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Whole files read and written in one call, and small folder queries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// The file's bytes; empty when it can't be read.
std::string ReadFile(const std::string &path);
std::vector<uint8_t> ReadBytes(const std::string &path);
// Replaces the file's contents.
void WriteFile(const std::string &path, const std::string &bytes);
void WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes);

// True when anything is there, a dangling link included.
bool Exists(const std::string &path);
// Makes the folder and its parents.
void CreateFolder(const std::string &path);
// Names in `folder`, hidden ones included (not recursive), sorted.
std::vector<std::string> ListNames(const std::string &folder);
// One entry per name in `folder` with its size and modification time: two
// calls return the same when nothing there was written in between.
std::vector<std::string> FolderState(const std::string &folder);
// `bytes` as one gzip member, as the gzip program writes it (zlib's deflate).
std::string Gzip(const std::string &bytes);

// The lines of `text`, without their line ends.
std::vector<std::string> LinesOf(const std::string &text);

} // namespace testsupport
