// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// TempFiles: the temporary page folder of the image path and the temporary
// PDF of the text path, both under the system's temporary folder; the names
// of the page files the engine writes; and the staging folder an image row
// writes its outputs into before they take their names.
//
// Names follow "mtmp_%d%d/" and "msrc_%d%d.pdf" from the seconds (0-59) and
// milliseconds (0-999) of the local time, without leading zeros. Each is
// created exclusively with owner-only permissions; when the name is taken a
// suffix "-2", "-3", ... is added until a fresh one is made, so something
// another user or program prepared there is never reused. Every temporary
// made here is registered with LiveTemporaries. Thread-safe.
#pragma once

#include <string>
#include <vector>

// The system's temporary folder ($TMPDIR or /tmp), ending in '/'.
std::string SystemTempFolder();

// The folder image rows make their page folders in: `tempFolder` itself
// when it is already held in memory (tmpfs, ramfs), or can't be told; else
// the memory-backed `memoryFolder` (ending in '/') when it is a writable
// tmpfs with room for `bytes` in its own space and in the memory the system
// has available, so a page file reaches the converter without crossing a
// disk twice; else `tempFolder`.
inline constexpr char kMemoryFolder[] = "/dev/shm/";
std::string PageFolderRoot(const std::string &tempFolder, unsigned long long bytes,
                           const std::string &memoryFolder = kMemoryFolder);

// The "%d%d" stamp of the local time now: seconds then milliseconds.
std::string LocalTimeStamp();

// Create a fresh page folder (mode 0700) under `tempFolder` and return its
// path ending in '/', or the empty text when none could be made.
std::string CreatePageFolder(const std::string &tempFolder);
// The same with a given "%d%d" stamp instead of the clock's.
std::string CreatePageFolder(const std::string &tempFolder, const std::string &stamp);
// The longest path CreatePageFolder can return under `tempFolder` (the
// longest stamp with the highest suffix, ending in '/'): a page file name
// that fits the platform's limits there fits in every page folder.
std::string LongestPageFolder(const std::string &tempFolder);

// Create a fresh, empty temporary PDF (mode 0600) under `tempFolder` and
// return its path, or the empty text when none could be made.
std::string CreateTempPdf(const std::string &tempFolder);
std::string CreateTempPdf(const std::string &tempFolder, const std::string &stamp);

// The engine's page files: page k (from 1) in `pageFolder` is pageFolder +
// "p_001.bmp", ... ("p_%03d.bmp"; page 1000 on has more digits). The names
// are the program's own and short, whatever the document is called: a page
// folder is one document's.
inline constexpr char kPageFileFormat[] = "p_%03d.bmp";
std::string PageFileName(const std::string &pageFolder, int page);
// The engine's output-file pattern for those names: every literal '%' of the
// folder doubled, then the page name with its page-number field.
std::string PageFilePattern(const std::string &pageFolder);

// The regular files directly in `folder`, as full paths in name order
// (numbers inside names compare by value, so page 1000 follows page 999).
std::vector<std::string> ListPageFiles(const std::string &folder);
// Delete the listed files, then remove the folder if nothing is left.
void DeletePageFiles(const std::string &folder, const std::vector<std::string> &files);

// Create a fresh hidden staging folder (mode 0700) ".vantoria-XXXXXX" in
// `folder` and return its path ending in '/', registered with
// LiveTemporaries; the empty text on failure, with errno telling why.
std::string CreateStagingFolder(const std::string &folder);
