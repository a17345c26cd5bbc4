// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Loading the engine module: the ordinals and the kill entry point bound by
// name.
#include <gtest/gtest.h>

#include <string>

#include "convert/EngineModule.h"

TEST(EngineModule, LoadsTheOrdinalsAndTheKillEntryPoint) {
    EngineModule m;
    ASSERT_EQ(LoadEngineModule(std::string(VANTORIA_BIN_DIR) + "/tessarin.so", m), 1);
    EXPECT_TRUE(m.create && m.version && m.run && m.exit && m.destroy);
    ASSERT_NE(m.killRunning, nullptr);
    EXPECT_EQ(m.killRunning(), 0) << "nothing is running";
    EXPECT_NE(m.signalThreadRun, nullptr);
    FreeEngineModule(m);

    EngineModule missing;
    EXPECT_EQ(LoadEngineModule(std::string(VANTORIA_BIN_DIR) + "/no-such-module.so", missing), 0);
    EXPECT_EQ(missing.handle, nullptr);
    EXPECT_EQ(missing.killRunning, nullptr);
}
