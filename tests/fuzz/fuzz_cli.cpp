// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Fuzz target: the command-line parser and the setting edits it produces.
//
// Each input is an argument vector, its arguments separated by NUL bytes.
// A parse that succeeds has its edits applied to the program's default
// settings, the way vantoria-cli applies them after a load.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "settings/ConvertSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<std::string> args;
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += char(data[i]);
        }
    }
    if (!current.empty())
        args.push_back(current);

    CliOptions options;
    std::string error;
    if (ParseCliArguments(args, options, error)) {
        ConvertSettings s;
        ApplyEdits(options.edits, s);
    }
    return 0;
}
