// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// A test build of the interpreter helper as it runs on a kernel without
// Landlock: the real helper, after HideLandlock().
#include "HideLandlock.h"
#include "modules/tessarin/HelperMain.h"

int main(int argc, char **argv) {
    if (!HideLandlock())
        return 1;
    return tessarin::HelperMain(argc, argv);
}
