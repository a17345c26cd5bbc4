// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The image path's page scheduling: pages encoded while the engine renders,
// by one worker or several, give the same files; a stop mid-document and the
// bound on waiting page files, with the real interpreter.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "RunFixture.h"
#include "convert/EngineArgs.h"
#include "convert/ImageFormat.h"
#include "convert/PageQueue.h"
#include "convert/RunEngine.h"
#include "convert/TempFiles.h"
#include "imageconv/ImageConverter.h"

using testsupport::Exists;
using testsupport::ListNames;

namespace {

class PageView : public testsupport::RecordingView {
public:
    std::function<void(int row, int page)> onPage;
    void PageStarted(int row, int page, int) override {
        if (onPage)
            onPage(row, page);
    }
};

class PageScheduling : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        s.m_nOutputKind = 0;
        run = std::make_unique<ConversionRun>(pageView, testsupport::Engine(),
                                              testsupport::Extractor(), dir.File("tmp/"));
    }

    // Every output of one run over `input`, name to bytes; the out folder is
    // emptied first.
    std::map<std::string, std::string> Outputs(const std::string &input, int workers) {
        std::filesystem::remove_all(dir.File("out/"));
        run->SetPageWorkers(workers);
        Convert({input});
        EXPECT_EQ(pageView.Status(0), "Succeed") << "workers " << workers;
        std::map<std::string, std::string> files;
        for (const std::string &name : ListNames(dir.File("out/")))
            files[name] = testsupport::ReadFile(Out(name));
        return files;
    }

    PageView pageView;
};

TEST_F(PageScheduling, EveryFormatIsByteForByteTheSameWithOneWorkerAndFour) {
    const std::string input = Input("six.ps", {.pages = 6});
    for (int format = 0; format < static_cast<int>(kImageFormats.size()); ++format) {
        SCOPED_TRACE(ImageFormatItemText(format));
        s.m_nFormat = format;
        std::map<std::string, std::string> one = Outputs(input, 1);
        EXPECT_LE(run->LastPageStreamPeak(), 2);
        std::map<std::string, std::string> four = Outputs(input, 4);
        EXPECT_LE(run->LastPageStreamPeak(), 8);
        ASSERT_EQ(one.size(), 6u);
        EXPECT_TRUE(one == four);
    }
}

TEST_F(PageScheduling, NumberedNamesAreThoseOfOnePageAfterAnother) {
    const std::string input = Input("six.ps", {.pages = 6});
    s.m_nFormat = 0; // JPEG
    s.m_bNewIfExists = 1;
    std::vector<std::string> names[2];
    for (int k = 0; k < 2; ++k) {
        std::filesystem::remove_all(dir.File("out/"));
        testsupport::CreateFolder(dir.File("out/"));
        for (const char *taken : {"six_002.jpg", "six_005.jpg", "six_005-01.jpg"})
            testsupport::WriteFile(Out(taken), "x");
        run->SetPageWorkers(k == 0 ? 1 : 4);
        Convert({input});
        EXPECT_EQ(pageView.Status(0), "Succeed");
        names[k] = ListNames(dir.File("out/"));
    }
    const std::vector<std::string> expected = {"six_001.jpg",    "six_002-01.jpg", "six_002.jpg",
                                               "six_003.jpg",    "six_004.jpg",    "six_005-01.jpg",
                                               "six_005-02.jpg", "six_005.jpg",    "six_006.jpg"};
    EXPECT_EQ(names[0], expected);
    EXPECT_EQ(names[1], expected);
}

TEST_F(PageScheduling, AStopDuringTheThirdPageOfSixLeavesNoPageFiles) {
    s.m_nFormat = 0;
    run->SetPageWorkers(2);
    pageView.onPage = [&](int, int page) {
        if (page == 3)
            run->RequestStop();
    };
    Convert({Input("six.ps", {.pages = 6}), Input("next.ps")});
    EXPECT_EQ(pageView.Status(0), "Aborted");
    EXPECT_EQ(pageView.Status(1), "");
    // A stopped row publishes none of its pages.
    EXPECT_TRUE(ListNames(dir.File("out/")).empty());
    // TearDown: no page file and no page folder left.
}

// The stream itself, over the real engine: a slow reader never has more than
// the bound waiting, the engine is paused meanwhile, and every page comes in
// page order.
TEST_F(PageScheduling, WaitingPagesNeverExceedTheBound) {
    const std::string input = Input("twelve.ps", {.pages = 12});
    const std::string folder = CreatePageFolder(dir.File("tmp/"));
    ASSERT_FALSE(folder.empty());
    std::vector<std::string> got;
    {
        PageStream stream(folder, "twelve", 2);
        stream.SetEngineSignal(testsupport::Engine().signalThreadRun);
        stream.Start([&] {
            ImageSettings img;
            img.nXDpi = img.nYDpi = 72;
            ArgumentVector args = RenderArguments(folder, "twelve", img, IC_FORMAT_BMP, input);
            ArgvView view(args);
            return RunEngineCode(testsupport::Engine(), view.argc(), view.argv());
        });
        std::vector<std::thread> readers;
        for (std::string page = stream.Next(); !page.empty(); page = stream.Next()) {
            got.push_back(page);
            // Reading is slow next to rendering, so pages pile up.
            readers.emplace_back([&stream, page] {
                std::this_thread::sleep_for(std::chrono::milliseconds(40));
                ::unlink(page.c_str());
                stream.Done();
            });
        }
        EXPECT_EQ(stream.Finish(), 0);
        for (std::thread &t : readers)
            t.join();
        EXPECT_LE(stream.PeakWaiting(), 2);
        EXPECT_EQ(stream.PeakWaiting(), 2);
        EXPECT_GE(stream.Pauses(), 1);
    }
    ASSERT_EQ(got.size(), 12u);
    for (int k = 1; k <= 12; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "twelve_%03d.bmp", k);
        EXPECT_EQ(got[static_cast<std::size_t>(k - 1)], folder + name);
    }
    EXPECT_TRUE(ListNames(folder).empty());
    ::rmdir(folder.c_str());
}

} // namespace
