// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// UpToDate: whether a queued input needs converting again, for a batch that
// resumes (the command line's --skip-existing, the watched folder).
//
// An input is up to date when every output a row of it would write under
// its own name exists and each is newer than the input: the PDF or text
// file, the multi-page TIFF, or the page images (the one-page name, or
// "_001", "_002", ... for as long as they go on). Numbered names
// ("-01") are never counted: they are another run's outputs. Looks at the
// file system only; thread-safe.
#pragma once

#include <string>
#include <vector>

#include "convert/ConversionRun.h"

// The outputs of `row` when it is up to date under `settings`, in page
// order; the empty list when it is not (an output missing or not newer).
std::vector<std::string> UpToDateOutputs(const ConvertSettings &settings, const RunRow &row);
