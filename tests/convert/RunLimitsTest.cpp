// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The limits a run puts on each file: a file past its time limit, and one
// whose interpreter needs more than its memory limit, fail with the limit
// named and leave nothing, while the rows after them convert; a real page at
// the largest resolution converts under the default memory limit.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "ReadBack.h"
#include "RunFixture.h"
#include "convert/OutputKind.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A document that keeps every string it makes: a chain of 1 MiB strings
// that grows until memory runs out.
constexpr char kAllocate[] = "%!PS\n/keep [] def\n{ /keep [ keep 1048576 string ] def } loop\n";
// The same after setting its page size: the interpreter then ends it with
// another code, and says /VMerror only in its error line.
constexpr char kAllocateSized[] = "%!PS\n<< /PageSize [200 240] >> setpagedevice\n"
                                  "/keep [] def\n{ /keep [ keep 1048576 string ] def } loop\n";

class RunLimitsTest : public RunFixture {
protected:
    // Converts `first` and then a good file in `kind`; how long it took.
    Clock::duration ConvertThenGood(OutputKind kind, const std::string &first) {
        s.m_nOutputKind = static_cast<int>(kind);
        const std::string good = Input("good.ps");
        const auto started = Clock::now();
        Convert({first, good});
        return Clock::now() - started;
    }
    // The only output is the good file's.
    void ExpectOnlyTheGoodOutput(OutputKind kind) {
        const char *ext = kind == OutputKind::Image ? "good.jpg"
                          : kind == OutputKind::Pdf ? "good.pdf"
                                                    : "good.txt";
        EXPECT_EQ(testsupport::ListNames(Out("")), (std::vector<std::string>{ext}));
    }
};

TEST_F(RunLimitsTest, AFilePastItsTimeLimitFailsAtTheLimitAndTheNextFileConverts) {
    const std::string loop = dir.File("in/loop.ps");
    testsupport::WriteFile(loop, kLoop);
    s.m_nTimeLimit = 2;
    for (OutputKind kind : kKinds) {
        SCOPED_TRACE(KindName(kind));
        std::filesystem::remove_all(Out(""));
        const auto took = ConvertThenGood(kind, loop);
        EXPECT_EQ(view.Status(0), "Failed");
        EXPECT_EQ(view.Reason(0), "took longer than 2 s");
        EXPECT_EQ(view.Status(1), "Succeed");
        ExpectOnlyTheGoodOutput(kind);
        EXPECT_GE(took, 2s);
        EXPECT_LT(took, 30s) << "the limit ended the loop";
    }
}

TEST_F(RunLimitsTest, AFileNeedingMoreThanTheMemoryLimitFailsWithItAndTheNextFileConverts) {
    const std::string hungry = dir.File("in/hungry.ps");
    testsupport::WriteFile(hungry, kAllocate);
    s.m_nMemLimit = 512;
    for (OutputKind kind : {OutputKind::Image, OutputKind::Pdf}) {
        SCOPED_TRACE(KindName(kind));
        std::filesystem::remove_all(Out(""));
        const auto took = ConvertThenGood(kind, hungry);
        EXPECT_EQ(view.Status(0), "Failed");
        EXPECT_EQ(view.Reason(0), "the interpreter needed more than 512 MiB");
        EXPECT_EQ(view.Status(1), "Succeed");
        ExpectOnlyTheGoodOutput(kind);
        EXPECT_LT(took, 60s) << "the limit ended the allocation";
    }
    testsupport::WriteFile(hungry, kAllocateSized);
    std::filesystem::remove_all(Out(""));
    ConvertThenGood(OutputKind::Pdf, hungry);
    EXPECT_EQ(view.Reason(0), "the interpreter needed more than 512 MiB");
}

// A3 (297 x 420 mm) at 600 dpi, the largest resolution there is, under the
// default limit: the page is 7016 x 9921 pixels, some 200 MB of page file.
TEST_F(RunLimitsTest, AnA3PageAt600DpiConvertsUnderTheDefaultMemoryLimit) {
    const std::string a3 = dir.File("in/a3.ps");
    testsupport::WriteFile(a3, "%!PS\n<< /PageSize [841.89 1190.55] >> setpagedevice\n"
                               "0.2 0.4 0.8 setrgbcolor 36 36 770 1118 rectfill\n"
                               "1 setgray /Helvetica findfont 72 scalefont setfont\n"
                               "100 600 moveto (A3 at 600 dpi) show showpage\n");
    s.m_nOutputKind = static_cast<int>(OutputKind::Image);
    s.m_nFormat = 0; // JPEG
    s.img.nXDpi = s.img.nYDpi = 600;
    ASSERT_EQ(s.m_nMemLimit, 0);
    Convert({a3});
    ASSERT_EQ(view.Status(0), "Succeed") << view.Reason(0);
    readback::ImageFacts jpeg = readback::ReadJpeg(Out("a3.jpg"));
    ASSERT_TRUE(jpeg.ok);
    EXPECT_NEAR(jpeg.width, 7016, 2);
    EXPECT_NEAR(jpeg.height, 9921, 2);
}

} // namespace
