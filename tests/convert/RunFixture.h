// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// A conversion run over inputs written into a test folder, with the real
// engine modules and a recording view.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "RunSupport.h"
#include "convert/ConversionRun.h"
#include "convert/OutputKind.h"
#include "settings/ConvertSettings.h"
#include "settings/SettingsStore.h"

// A document the interpreter never finishes.
inline constexpr char kLoop[] = "%!PS\n{} loop\n";

inline constexpr OutputKind kKinds[] = {OutputKind::Image, OutputKind::Pdf, OutputKind::Text};

inline const char *KindName(OutputKind k) {
    return k == OutputKind::Image ? "image" : k == OutputKind::Pdf ? "pdf" : "text";
}

class RunFixture : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::CreateFolder(dir.File("in/"));
        testsupport::CreateFolder(dir.File("tmp/"));
        // The program's defaults, as a missing Profile.ini gives them.
        LoadAllSettings(dir.File("no-such-profile.ini"), s);
        s.m_nOutputMode = 1;
        s.m_szOutputDir = dir.File("out/");
        run = std::make_unique<ConversionRun>(view, testsupport::Engine(), testsupport::Extractor(),
                                              dir.File("tmp/"), memory.Path());
    }

    void TearDown() override {
        run.reset();
        if (checkTempEmpty) {
            EXPECT_TRUE(testsupport::ListNames(dir.File("tmp/")).empty())
                << "temporary files left: " << testsupport::ListNames(dir.File("tmp/")).size();
            EXPECT_TRUE(testsupport::ListNames(memory.Path()).empty())
                << "page folders left in memory: " << testsupport::ListNames(memory.Path()).size();
        }
    }

    std::string Input(const std::string &name, const testsupport::PsOptions &o = {}) {
        std::string path = dir.File("in/" + name);
        testsupport::WritePs(path, o);
        return path;
    }

    // Start, wait, and check the run is idle again.
    void Convert(const std::vector<std::string> &rows) {
        ASSERT_TRUE(run->Start(s, rows));
        run->Wait();
        EXPECT_FALSE(run->Running());
        EXPECT_FALSE(run->StopRequested());
    }

    std::string Out(const std::string &name) { return dir.File("out/" + name); }

    // Convert `rows` in a child process, under `fileSizeLimit` (0: none), and
    // with `honourPermissions` where file permissions hold even for the
    // superuser; the first row's status and reason come back as
    // "status|reason".
    std::string ConvertInChild(const std::vector<std::string> &rows, long long fileSizeLimit,
                               bool honourPermissions = false) {
        const std::string result = dir.File("child-result");
        int code = testsupport::RunInChild(
            [&] {
                if ((honourPermissions && !testsupport::HonourFilePermissions()) ||
                    !run->Start(s, rows))
                    return 2;
                run->Wait();
                testsupport::WriteFile(result, view.Status(0) + "|" + view.Reason(0));
                testsupport::AbandonServers();
                return 0;
            },
            fileSizeLimit);
        EXPECT_EQ(code, 0);
        return testsupport::ReadFile(result);
    }

    testsupport::TempFolder dir;
    // The run's memory folder for page files (a folder of this test's).
    testsupport::TempFolder memory{testsupport::MemoryFolderParent()};
    testsupport::RecordingView view;
    ConvertSettings s;
    std::unique_ptr<ConversionRun> run;
    bool checkTempEmpty = true;
};
