// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// OpenSettings: the settings of one output kind, edited in their sheet or
// dialog.
//
// outputKind 0 opens the sheet "Image Settings" (eleven pages) on the page
// of the chosen format ("type"; the Common page for a format without a page
// of its own), 1 the sheet "PDF Settings" (three pages), 2 the text settings
// dialog; each page starts
// from its own copy of the group in `current` and writes its keys into
// `iniPath` when the user confirms. Returns true when the user pressed OK;
// the caller then re-reads the section (LoadImageSettings, LoadPdfSettings
// or LoadTextSettings). Any other output kind opens nothing and returns
// false. Runs modally on the GUI thread.
#pragma once

#include <QWidget>

#include <string>

#include "settings/ConvertSettings.h"

class CMyPropSheet;

bool OpenSettings(QWidget *parent, int outputKind, const std::string &iniPath,
                  const ConvertSettings &current);

// The two sheets, built and set up but not run (OpenSettings runs them).
void BuildImageSheet(CMyPropSheet &sheet, const std::string &iniPath,
                     const ConvertSettings &current);
// The image sheet's tab for image format index `formatIndex` ("type").
int ImagePageOfFormat(int formatIndex);
void BuildPdfSheet(CMyPropSheet &sheet, const std::string &iniPath, const ConvertSettings &current);
