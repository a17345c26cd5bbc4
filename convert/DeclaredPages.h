// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// DeclaredPages: how many pages a PostScript file says it has, before the
// interpreter has run.
//
// Documents that follow the document structuring conventions name their
// page count in a "%%Pages: N" comment of their header, or in their trailer
// when the header says "%%Pages: (atend)". Only the first and the last
// 64 KiB are read; the file is opened without blocking and only a regular
// file is read. The count is a hint for showing progress, never a limit:
// the interpreter's pages are what a row writes. No state; any thread.
#pragma once

#include <string>

// The page count `path` declares, or 0 when it declares none, declares one
// out of range (above 1,000,000) or can't be read.
int DeclaredPageCount(const std::string &path);
