// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The program's icons, looked up by their numeric resource ids.
//
//   128  application (also the window icon)   134  Start
//   130  Remove                               135  Add Files
//   131  Add Folder                           137  About / Help
//   132  Settings                             150  Stop
//
// The icons are scalable drawings compiled into the program as Qt resources
// under ":/icons/<id>.svg"; linking the vantoria_icons target registers them
// before main() runs, and every function here registers them again if needed,
// so a lookup never misses. Unknown ids give a null icon, an empty path, a
// null image and an invalid size. GUI thread only (QIcon, QImage rendering
// need a QGuiApplication).
#pragma once

#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>

// The ids that have an icon, in ascending order.
const int *VantoriaIconIds(int *count);

// ":/icons/<id>.svg", or an empty string for an id without an icon.
QString VantoriaIconPath(int id);

// The icon with every common size (16 to 64 pixels) rendered sharp.
QIcon VantoriaIcon(int id);

// The size the drawing is made for (32 x 32), invalid for an unknown id.
QSize VantoriaIconSize(int id);

// The drawing rendered into a 32-bit ARGB image (not premultiplied) of
// `size` device pixels; `size` defaults to VantoriaIconSize(id).
QImage VantoriaIconImage(int id, QSize size = QSize());
