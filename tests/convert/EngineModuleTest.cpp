// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Loading the engine modules: the ordinals and the entry points bound by
// name.
#include <gtest/gtest.h>

#include <string>

#include "convert/EngineModule.h"
#include "convert/PdfFinish.h"

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

// The text module's reason for a failure, read through its optional entry
// point; a module without it has none to give.
TEST(EngineModule, TheTextModuleTellsWhyItsLastCallFailed) {
    ExtractorModule m;
    ASSERT_EQ(LoadExtractorModule(std::string(VANTORIA_BIN_DIR) + "/lumbrel.so", m), 1);
    ASSERT_NE(m.lastError, nullptr);
    const std::string missing = "/nonexistent-folder/missing.pdf";
    EXPECT_EQ(m.postProcess(missing.c_str(), "", "", "", 0, "", 0, 0, -1, 0, 0, 0, 0, "", "", "",
                            "", "", ""),
              0);
    EXPECT_EQ(LumbrelLastError(m), "can't read the PDF: No such file or directory");
    ExtractorModule without = m;
    without.lastError = nullptr;
    EXPECT_EQ(LumbrelLastError(without), "");
    FreeExtractorModule(m);
}
