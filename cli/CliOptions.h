// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// CliOptions: the command line of vantoria-cli and the checks on its inputs.
//
//   vantoria-cli [options] [FILE...]
//
// Input names come from the FILE arguments and then from the --files-from
// lists in the order given; the lists are read by the caller
// (cli/FileList.h), not here. A FILE that is a folder stands for the
// PostScript files in it and in its subfolders.
//
// Every option that changes a setting becomes one edit of a Profile.ini key,
// applied in command-line order to the settings after they are loaded, so a
// later option wins. Edits live in memory only; the settings file is never
// written. Pure functions; inputs are checked with CheckInput
// (common/InputCheck.h).
#pragma once

#include <string>
#include <vector>

struct ConvertSettings;

struct SettingEdit {
    std::string section;
    std::string key;
    std::string value;
};

struct CliOptions {
    std::string profile; // empty: the program's own Profile.ini
    std::vector<SettingEdit> edits;
    int jobs = 1;
    int threads = 0; // --threads: image pages rendered and encoded at once (0: per processor)
    bool quiet = false;
    bool skipExisting = false; // --skip-existing: an input whose outputs are newer is skipped
    std::vector<std::string> fileLists; // --files-from, in order; "-" is standard input
    bool nulSeparated = false;          // -0: the lists' names end in NUL, not a line end
    std::string report;                 // --report FILE, or empty
    std::string watchFolder;            // --watch IN (absolute, ending in '/'), or empty
    std::string doneFolder;             // --done DIR, or empty: IN/done/
    std::string failedFolder;           // --failed DIR, or empty: IN/failed/
    bool help = false;
    bool version = false;
    std::vector<std::string> files;
};

// Parse argv[1..]. True on success; false with `error` set on a usage error.
// --help and --version need no files; otherwise there must be a FILE or a
// --files-from list, or --watch with neither.
bool ParseCliArguments(const std::vector<std::string> &args, CliOptions &out, std::string &error);

// Apply the edits to `s` with the same parsing and corrections as a load.
// Edits of keys that carry no conversion setting are skipped.
void ApplyEdits(const std::vector<SettingEdit> &edits, ConvertSettings &s);

// The usage text of --help.
std::string UsageText();
