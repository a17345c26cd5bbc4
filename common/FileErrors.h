// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The short English texts a failed file step is reported with, shared by the
// conversion run and the image converter so a cause reads the same wherever
// it was met.
#pragma once

#include <string>

// The short English text for a failed file step's errno: "disk full",
// "output folder is read-only", "name too long", ... `what` says what the
// step was doing ("can't write the output") for the errors without a text
// of their own.
std::string FailReason(int err, const std::string &what);
