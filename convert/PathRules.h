// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PathRules: how the conversion paths split, name and check file paths.
//
// Pure functions over UTF-8 path strings, apart from the two that look at
// the file system (PathTaken, MakeUniqueName). Folder paths end in '/'.
// '/' is the only separator: a '\' is an ordinary character of a name. The
// drive part is always empty on this platform but is kept so the naming
// formats read as they always have ("%s%s%s-%02d%s"). Thread-safe.
//
// The file-system rules themselves (FileExists, CreatePath, the platform
// limits, the trailing separator, the PostScript name check) live in common/FileRules
// and come with this header.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/FileRules.h"

struct ConvertSettings;

struct SplitParts {
    std::string drive;  // always empty here
    std::string folder; // up to and including the last separator
    std::string base;   // the name without its extension
    std::string ext;    // from the last dot of the name, dot included; may be empty
};

SplitParts SplitPath(std::string_view path);

// True when anything at all is at `path` (a file of any kind, a folder, a
// dangling link): such a name is never chosen for a new output.
bool PathTaken(const std::string &path);

// The highest number MakeUniqueName tries.
inline constexpr long kLastNumberedName = 9999;

// The output name rule for "exists" 1: `path` itself when nothing is there,
// otherwise the first free "%s%s%s-%02d%s" (drive, folder, base, k, ext) for
// k = 1, 2, ... up to kLastNumberedName. `taken` decides what counts as
// present (PathTaken by default). Only names that fit the platform's limits
// are tried: the empty text when `path` or the next candidate does not fit
// (longer numbers never fit either), or when every number is taken.
std::string MakeUniqueName(const std::string &path,
                           const std::function<bool(const std::string &)> &taken = PathTaken);

// The engine reads '%' in an output file name as a format field: double every
// literal one so the name is taken as it stands.
std::string EscapeFormatField(std::string_view text);

// Output folder of a row: "mode" 0 the input's drive and folder, otherwise
// the "output" folder (ending in '/') and, with "keeptree" 1, the folder
// `subfolder` the input has under the folder it was added with ("2019/q1/";
// empty for a file added alone). A subfolder that is not plainly relative
// (absolute, or with an empty, "." or ".." part) counts as none.
std::string RowOutputFolder(const ConvertSettings &settings, std::string_view inputPath,
                            std::string_view subfolder = {});

// The folder an image row writes into: `rowFolder` (RowOutputFolder), and
// with "each" 1 a folder named after the input's base name in it.
std::string ImageTargetFolder(const ConvertSettings &settings, const std::string &rowFolder,
                              std::string_view inputPath);

// What an image output of a document of several pages carries after its
// base name: "_001", "_002", ... (page 1000 on has more digits).
std::string PageOutputSuffix(int page);

// The folders of `folder` (ending in '/') that do not exist yet, outermost
// first: the ones a row creates for its outputs.
std::vector<std::string> MissingFolders(const std::string &folder);
// Remove the folders `made` (as MissingFolders gave them) that are empty,
// innermost first: what a row that did not succeed leaves of them.
void RemoveEmptyFolders(const std::vector<std::string> &made);
