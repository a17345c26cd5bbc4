// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The interpreter's own page count: right where the document's comment
// lies, for a figure, from several threads at once; a failing document, one
// that never ends and a stop give no count; nothing is left behind.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "RunFixture.h"
#include "convert/PageCount.h"

using testsupport::Engine;
using testsupport::ListNames;
using testsupport::WriteFile;

TEST(PageCount, TheInterpretersCountNotTheComments) {
    testsupport::TempFolder dir;
    const std::string tmp = dir.File("tmp/");
    testsupport::CreateFolder(tmp);
    // Declares 3 pages and has 5.
    const std::string lying = dir.File("lying.ps");
    testsupport::WritePs(lying, {.pages = 5});
    std::string ps = testsupport::ReadFile(lying);
    ps.replace(ps.find("%%Pages: 5"), 10, "%%Pages: 3");
    WriteFile(lying, ps);
    const std::string figure = dir.File("figure.eps");
    WriteFile(figure, testsupport::EpsFigure(10, 10, 50, 30));

    PageCountResult counts[2];
    std::thread other([&] { counts[1] = CountPages(Engine(), figure, tmp, 0); });
    counts[0] = CountPages(Engine(), lying, tmp, 0);
    other.join();
    EXPECT_EQ(counts[0].pages, 5) << counts[0].reason;
    EXPECT_EQ(counts[1].pages, 1) << counts[1].reason;
    EXPECT_EQ(counts[0].reason, "");

    const std::string broken = dir.File("broken.ps");
    testsupport::WritePs(broken, {.broken = true});
    const PageCountResult failed = CountPages(Engine(), broken, tmp, 0);
    EXPECT_EQ(failed.pages, -1);
    EXPECT_EQ(failed.reason, "interpreter error: /undefined in this_is_not_an_operator");
    EXPECT_EQ(CountPages(Engine(), dir.File("missing.ps"), tmp, 0).pages, -1);

    const std::string loop = dir.File("loop.ps");
    WriteFile(loop, kLoop);
    const PageCountResult late = CountPages(Engine(), loop, tmp, 1);
    EXPECT_EQ(late.pages, -1);
    EXPECT_EQ(late.reason, "took longer than 1 s");
    const auto start = std::chrono::steady_clock::now();
    const PageCountResult stopped = CountPages(Engine(), loop, tmp, 0, [&] {
        return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(300);
    });
    EXPECT_EQ(stopped.pages, -1);
    EXPECT_EQ(stopped.reason, "");
    EXPECT_TRUE(ListNames(tmp).empty());
}
