// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// ProgramFiles: where the program finds its own files, relative to where it
// runs from, never at a fixed prefix.
//
// Two layouts are told apart by the program's folder:
//   build folder    everything beside the program: the engine modules, the
//                   interpreter helper, help.html
//   installed tree  PREFIX/bin/<program>, the modules and the helper in
//                   PREFIX/lib/vantoria/, help.html and the translations in
//                   PREFIX/share/vantoria/ (the install rules give the real
//                   relative folders)
// The folder is a build folder when tessarin.so lies beside the program or
// the installed module folder does not exist; so a moved installed tree keeps
// working, and a test binary's folder counts as a build folder.
//
// Every folder returned ends in '/' and is lexically normal (no "..").
// Nothing here throws. Thread-safe.
#pragma once

#include <string>

// The module folder and data folder of a program living in `programFolder`
// (a full folder path, with or without the trailing '/').
std::string ModuleFolderOf(const std::string &programFolder);
std::string DataFolderOf(const std::string &programFolder);

// The same for the running program (ProgramFolder()).
std::string ModuleFolder();
std::string DataFolder();
