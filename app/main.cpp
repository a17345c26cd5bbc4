// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "app/CConverterApp.h"

int main(int argc, char **argv) {
    // Lets the desktop match the window with its menu entry (icon, name).
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quorvane.vantoria"));
    CConverterApp app(argc, argv);
    return app.Run();
}
