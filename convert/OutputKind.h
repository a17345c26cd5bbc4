// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// OutputKind: the three output kinds a run can make, in the order of the
// main window's output-kind list; the value is the "otype" setting.
//
// The setting stays a plain int (a stored file may hold any number); code
// turns it into an OutputKind only after IsOutputKind says it names one.
// Constant data and pure functions; thread-safe.
#pragma once

#include <array>
#include <string_view>

enum class OutputKind : int { Image = 0, Pdf = 1, Text = 2 };

struct OutputKindName {
    OutputKind kind;
    const char *cliName; // the value of --kind
};

inline constexpr std::array<OutputKindName, 3> kOutputKinds = {{
    {OutputKind::Image, "image"},
    {OutputKind::Pdf, "pdf"},
    {OutputKind::Text, "text"},
}};

// True when the "otype" value `otype` names one of the kinds.
constexpr bool IsOutputKind(int otype) {
    return otype >= static_cast<int>(OutputKind::Image) &&
           otype <= static_cast<int>(OutputKind::Text);
}

// The kind "otype" names; only for a value IsOutputKind accepts.
constexpr OutputKind ToOutputKind(int otype) {
    return static_cast<OutputKind>(otype);
}

// The "otype" value of `kind`.
constexpr int OtypeOf(OutputKind kind) {
    return static_cast<int>(kind);
}

// The kind whose --kind name is `cliName` (exact, lower case); false when
// there is none.
constexpr bool OutputKindOfName(std::string_view cliName, OutputKind &kind) {
    for (const OutputKindName &k : kOutputKinds) {
        if (cliName == k.cliName) {
            kind = k.kind;
            return true;
        }
    }
    return false;
}
