// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The row of each output kind: one input converted into its outputs, all or
// nothing, reporting its steps through `run` (RunContext.h) and returning
// its outcome (the run reports it). Called on any of the run's threads.
//
//   PdfRow    PdfRow.cpp     the engine's PDF, finished by the text extractor
//   TextRow   TextRow.cpp    the engine's PDF, its text extracted
//   ImageRow  ImageRows.cpp  the engine's page files, encoded by the image
//                            converter while the engine still renders
#pragma once

#include "convert/ConversionView.h"
#include "convert/ImageFormat.h"
#include "convert/RunContext.h"

RowOutcome PdfRow(RunContext &run, int i);
RowOutcome TextRow(RunContext &run, int i);
RowOutcome ImageRow(RunContext &run, int i, const ImageFormatChoice &format);
