// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The program's copyright and licence lines, as vantoria-cli --version and
// the About box show them. The licence line names the licence and where its
// full text is: the package's copyright file, and COPYING in the source.
// Constants only; no Qt.
#pragma once

inline constexpr char kCopyrightLine[] = "Copyright 2026 Quorvane";
inline constexpr char kLicenceLine[] =
    "License: GNU AGPL version 3 or later (AGPL-3.0-or-later), with no warranty; "
    "full text in /usr/share/doc/vantoria/copyright, and COPYING in the source";
