// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The image path's page scheduling: pages encoded while the engine renders,
// by one worker or several, and rendered by one interpreter or several
// sharing the document, give the same files; a failing page and a stop
// mid-document; and the page stream's bound on waiting page files, with the
// real interpreter paused through the engine module.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "RunFixture.h"
#include "convert/EngineArgs.h"
#include "convert/ImageFormat.h"
#include "convert/PageStream.h"
#include "convert/RunEngine.h"
#include "convert/TempFiles.h"
#include "imageconv/ImageConverter.h"

using testsupport::Exists;
using testsupport::FormatIndex;
using testsupport::ListNames;

namespace {

class PageScheduling : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        s.m_nOutputKind = 0;
        run = std::make_unique<ConversionRun>(pageView, testsupport::Engine(),
                                              testsupport::Extractor(), dir.File("tmp/"),
                                              memory.Path());
    }

    // Every output of one run over `input`, name to bytes; the out folder is
    // emptied first.
    std::map<std::string, std::string> Outputs(const std::string &input, int workers,
                                               int shares = 1) {
        std::filesystem::remove_all(dir.File("out/"));
        run->SetPageWorkers(workers);
        run->SetPageShares(shares);
        Convert({input});
        EXPECT_EQ(pageView.Status(0), "Succeed") << "workers " << workers;
        std::map<std::string, std::string> files;
        for (const std::string &name : ListNames(dir.File("out/")))
            files[name] = testsupport::ReadFile(Out(name));
        return files;
    }

    testsupport::PageView pageView;
};

// Four workers, and three interpreters each rendering every third page
// (each listing its pages), then two (odd and even pages).
TEST_F(PageScheduling, EveryFormatIsByteForByteTheSameWithOneWorkerAndFourAndSharedPages) {
    const std::string input = Input("seven.ps", {.pages = 7});
    for (int format = 0; format < static_cast<int>(kImageFormats.size()); ++format) {
        SCOPED_TRACE(ImageFormatItemText(format));
        s.m_nFormat = format;
        std::map<std::string, std::string> one = Outputs(input, 1);
        EXPECT_LE(run->LastPageStreamPeak(), 2);
        ASSERT_EQ(one.size(), 7u);
        EXPECT_TRUE(one == Outputs(input, 4));
        EXPECT_LE(run->LastPageStreamPeak(), 8);
        EXPECT_TRUE(one == Outputs(input, 4, 3));
        EXPECT_LE(run->LastPageStreamPeak(), 9); // three shares of 8 / 3 pages
        EXPECT_TRUE(one == Outputs(input, 2, 2));
    }
    s.m_nFormat = FormatIndex(".tif");
    s.img.bTifMultipage = 1;
    std::map<std::string, std::string> one = Outputs(input, 1);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_TRUE(one == Outputs(input, 2, 2));
}

// Page 5 of 9 fails in both interpreters of a row that shares its pages
// (each interprets every page): the row fails with the interpreter's reason
// and nothing is published or left behind (TearDown looks).
TEST_F(PageScheduling, AFailingPageFailsARowOfSharedPages) {
    std::string page = "/Helvetica findfont 24 scalefont setfont 72 700 moveto (shown) show "
                       "showpage\n";
    std::string doc = "%!PS\n";
    for (int k = 1; k <= 9; ++k)
        doc += (k == 5 ? "this_is_not_an_operator\n" : "") + page;
    const std::string input = dir.File("in/nine.ps");
    testsupport::WriteFile(input, doc);
    s.m_nFormat = FormatIndex(".png");
    for (int multiPage : {0, 1}) {
        s.m_nFormat = FormatIndex(multiPage ? ".tif" : ".png");
        s.img.bTifMultipage = multiPage;
        run->SetPageWorkers(2);
        run->SetPageShares(2);
        Convert({input});
        EXPECT_EQ(pageView.Status(0), "Failed");
        EXPECT_EQ(pageView.Reason(0), "interpreter error: /undefined in this_is_not_an_operator");
        EXPECT_FALSE(std::filesystem::exists(dir.File("out/")) &&
                     !ListNames(dir.File("out/")).empty());
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
    for (int shares : {1, 2}) {
        SCOPED_TRACE(shares);
        run->SetPageShares(shares);
        Convert({Input("six.ps", {.pages = 6}), Input("next.ps")});
        EXPECT_EQ(pageView.Status(0), "Aborted");
        EXPECT_EQ(pageView.Status(1), "");
        // A stopped row publishes none of its pages.
        EXPECT_TRUE(ListNames(dir.File("out/")).empty());
    }
    // TearDown: no page file and no page folder left.
}

// The stream itself, over the real engine: a slow reader never has more than
// the bound waiting and every page comes in page order. The engine is paused
// meanwhile through the module's signalThreadRun, both when a warm server's
// child runs the file and when a one-off helper does (a vector not of the
// program's shape); a module without that entry point is never paused.
TEST_F(PageScheduling, WaitingPagesNeverExceedTheBound) {
    const std::string input = Input("twelve.ps", {.pages = 12});
    struct Case {
        const char *name;
        bool oneOff;
        EngineSignalThreadRunFn signal;
    };
    const EngineSignalThreadRunFn moduleSignal = testsupport::Engine().signalThreadRun;
    ASSERT_NE(moduleSignal, nullptr);
    for (const Case &c :
         {Case{"warm server", false, moduleSignal}, Case{"one-off helper", true, moduleSignal},
          Case{"no signal entry point", false, nullptr}}) {
        SCOPED_TRACE(c.name);
        const std::string folder = CreatePageFolder(dir.File("tmp/"));
        ASSERT_FALSE(folder.empty());
        std::vector<std::string> got;
        {
            PageStream stream(folder, 2);
            stream.SetEngineSignal(c.signal);
            stream.Start([&] {
                ImageSettings img;
                img.nXDpi = img.nYDpi = 72;
                ArgumentVector args = RenderArguments(folder, img, IC_FORMAT_BMP, input);
                if (c.oneOff)
                    args.insert(args.end() - 1, "-f");
                ArgvView view(args);
                return RunEngineCode(testsupport::Engine(), view.argc(), view.argv());
            });
            // Each page is read only after the next one was handed out (or
            // none is left), and slowly, so pages pile up to the bound
            // however fast the engine renders.
            std::mutex lock;
            std::condition_variable handedOut;
            std::size_t handed = 0;
            bool last = false;
            std::vector<std::thread> readers;
            for (std::string page = stream.Next();; page = stream.Next()) {
                {
                    std::lock_guard<std::mutex> hold(lock);
                    last = page.empty();
                    handed = got.size() + (last ? 0 : 1);
                }
                handedOut.notify_all();
                if (page.empty())
                    break;
                got.push_back(page);
                readers.emplace_back([&, page, number = got.size()] {
                    {
                        std::unique_lock<std::mutex> hold(lock);
                        handedOut.wait(hold, [&] { return handed > number || last; });
                    }
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
            if (c.signal)
                EXPECT_GE(stream.Pauses(), 1);
            else
                EXPECT_EQ(stream.Pauses(), 0);
        }
        ASSERT_EQ(got.size(), 12u);
        for (int k = 1; k <= 12; ++k) {
            char name[32];
            std::snprintf(name, sizeof name, kPageFileFormat, k);
            EXPECT_EQ(got[static_cast<std::size_t>(k - 1)], folder + name);
        }
        EXPECT_TRUE(ListNames(folder).empty());
        ::rmdir(folder.c_str());
    }
}

} // namespace
