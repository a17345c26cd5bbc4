// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// RowLine: the line the command line and the watched folder print for an
// input that is done with:
//
//   Succeed  /in/a/report.ps -> /out/a/report.pdf
//   Succeed  /in/b/report.ps -> /out/report_001.png and 2 more
//   Failed  /in/c.ps: disk full
//   Skipped  /in/d.ps: up to date
//
// The outputs (the first and how many more) follow a row that succeeded;
// the reason, when there is one, any other row. Pure; thread-safe.
#pragma once

#include <string>
#include <vector>

// The status text of an input --skip-existing did not convert again, in its
// line and in the report.
inline constexpr char kSkippedLine[] = "Skipped";
inline constexpr char kSkippedStatus[] = "skipped";
inline constexpr char kUpToDateReason[] = "up to date";

// The line for `input` with status text `status`, without its line end.
std::string RowLine(const std::string &status, const std::string &input, const std::string &reason,
                    const std::vector<std::string> &outputs);
