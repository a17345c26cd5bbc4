// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The handle interface and the option table.
#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <thread>
#include <vector>

#include "imageconv/ConverterRecord.h"
#include "imageconv/ImageConverter.h"

using imageconv::LookupConverter;

namespace {

struct Converter {
    int h = ImageConverterCreate();
    ~Converter() { ImageConverterDestroy(h); }
    imageconv::ImageConverter &rec() { return *LookupConverter(h); }
};

} // namespace

TEST(Handles, CreateGivesFreshRecordWithInitialValues) {
    Converter c;
    ASSERT_GT(c.h, 0);
    const auto &r = c.rec();
    EXPECT_TRUE(r.m_files.empty());
    EXPECT_EQ(r.m_szOutput, "");
    EXPECT_EQ(r.m_szMultiOutput, "");
    EXPECT_EQ(r.m_nFormatCode, 4);
    EXPECT_EQ(r.m_nBpp, 24);
    EXPECT_EQ(r.m_bMultiPage, 0);
    EXPECT_EQ(r.m_nWorkBpp, 0);
    EXPECT_EQ(r.m_nTiffCompression, 2);
    EXPECT_EQ(r.m_bGray, 0);
    EXPECT_EQ(r.m_nQuality, 75);
    EXPECT_EQ(r.m_nRotate, 0);
    EXPECT_EQ(r.m_nWidth, 0);
    EXPECT_EQ(r.m_nHeight, 0);
    EXPECT_EQ(r.m_nXDpi, 150);
    EXPECT_EQ(r.m_nYDpi, 150);
    EXPECT_EQ(r.m_nReduceBpp, 0);
    EXPECT_EQ(r.m_pTiffImage->PageCount(), 0);
    EXPECT_NE(r.m_pTiffImage, nullptr);
    EXPECT_EQ(r.m_nInputType, 1);
    EXPECT_EQ(r.m_nJpegMode, 0);
}

TEST(Handles, ZeroNegativeAndUnknownHandlesAreRefused) {
    for (int bad : {0, -1, -1000}) {
        EXPECT_EQ(ImageConverterAddFile(bad, "/tmp/x.bmp", 1), 0);
        EXPECT_EQ(ImageConverterSetOption(bad, IC_OPT_FORMAT, nullptr, 1), 0);
        EXPECT_EQ(ImageConverterConvert(bad), 0);
        EXPECT_EQ(ImageConverterDestroy(bad), 0);
    }
    int h = ImageConverterCreate();
    ASSERT_EQ(ImageConverterDestroy(h), 1);
    // A destroyed handle is gone: a second destroy and any use are refused.
    EXPECT_EQ(ImageConverterDestroy(h), 0);
    EXPECT_EQ(ImageConverterSetOption(h, IC_OPT_FORMAT, nullptr, 1), 0);
}

TEST(Handles, ConvertWithoutFilesDoesNothingAndSucceeds) {
    Converter c;
    EXPECT_EQ(ImageConverterConvert(c.h), 1);
    EXPECT_EQ(c.rec().m_nWorkBpp, 0); // nothing was computed
}

TEST(Handles, ManyThreadsCreateUseAndDestroyDistinctHandles) {
    constexpr int kThreads = 8, kPerThread = 200;
    std::vector<std::vector<int>> seen(kThreads);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                int h = ImageConverterCreate();
                if (h <= 0 || ImageConverterSetOption(h, IC_OPT_XDPI, nullptr, 100 + t) != 1)
                    ++failures;
                seen[size_t(t)].push_back(h);
                auto r = LookupConverter(h);
                if (!r || r->m_nXDpi != 100 + t)
                    ++failures;
                if (i % 2 == 0 && ImageConverterDestroy(h) != 1)
                    ++failures;
            }
        });
    for (auto &th : threads)
        th.join();
    EXPECT_EQ(failures.load(), 0);
    // Handles still alive at the same time are never shared.
    std::set<int> alive;
    for (auto &v : seen)
        for (size_t i = 1; i < v.size(); i += 2)
            EXPECT_TRUE(alive.insert(v[i]).second);
    for (int h : alive)
        EXPECT_EQ(ImageConverterDestroy(h), 1);
}

TEST(AddFile, ResolvesToAbsolutePathsInOrderAndLastTypeWins) {
    Converter c;
    EXPECT_EQ(ImageConverterAddFile(c.h, "a.bmp", 1), 1);
    EXPECT_EQ(ImageConverterAddFile(c.h, "/tmp/sub/../b.bmp", 1), 1);
    EXPECT_EQ(ImageConverterAddFile(c.h, "/tmp/c.bmp", 6), 1);
    const auto &r = c.rec();
    ASSERT_EQ(r.m_files.size(), 3u);
    EXPECT_EQ(r.m_files[0], (std::filesystem::current_path() / "a.bmp").string());
    EXPECT_EQ(r.m_files[1], "/tmp/b.bmp");
    EXPECT_EQ(r.m_files[2], "/tmp/c.bmp");
    EXPECT_EQ(r.m_nInputType, 6);
}

TEST(AddFile, EmptyNullAndOverlongPathsAreRefusedNotCut) {
    Converter c;
    EXPECT_EQ(ImageConverterAddFile(c.h, nullptr, 1), 0);
    EXPECT_EQ(ImageConverterAddFile(c.h, "", 1), 0);
    std::string longest = "/" + std::string(imageconv::kMaxInputPath - 1, 'a');
    EXPECT_EQ(ImageConverterAddFile(c.h, longest.c_str(), 1), 1);
    std::string tooLong = longest + "b";
    EXPECT_EQ(ImageConverterAddFile(c.h, tooLong.c_str(), 3), 0);
    ASSERT_EQ(c.rec().m_files.size(), 1u);
    EXPECT_EQ(c.rec().m_files[0], longest);
    EXPECT_EQ(c.rec().m_nInputType, 1);
}

TEST(Options, OutputPathsResolveAndKeepThePreviousOnEmptyText) {
    Converter c;
    EXPECT_EQ(ImageConverterSetOption(c.h, IC_OPT_OUTPUT_PATH, "/tmp/./out.bmp", 0), 1);
    EXPECT_EQ(ImageConverterSetOption(c.h, IC_OPT_MULTIPAGE_PATH, "/tmp/x/../m.tif", 0), 1);
    EXPECT_EQ(c.rec().m_szOutput, "/tmp/out.bmp");
    EXPECT_EQ(c.rec().m_szMultiOutput, "/tmp/m.tif");
    EXPECT_EQ(ImageConverterSetOption(c.h, IC_OPT_OUTPUT_PATH, "", 0), 1);
    EXPECT_EQ(ImageConverterSetOption(c.h, IC_OPT_OUTPUT_PATH, nullptr, 0), 1);
    EXPECT_EQ(ImageConverterSetOption(c.h, IC_OPT_MULTIPAGE_PATH, nullptr, 0), 1);
    EXPECT_EQ(c.rec().m_szOutput, "/tmp/out.bmp");
    EXPECT_EQ(c.rec().m_szMultiOutput, "/tmp/m.tif");
    // A path longer than the output limit is refused and the old one stays.
    std::string tooLong = "/" + std::string(imageconv::kMaxOutputPath, 'o');
    EXPECT_EQ(ImageConverterSetOption(c.h, IC_OPT_OUTPUT_PATH, tooLong.c_str(), 0), 0);
    EXPECT_EQ(c.rec().m_szOutput, "/tmp/out.bmp");
}

TEST(Options, FormatCodeFallsBackToJpeg) {
    Converter c;
    auto &r = c.rec();
    for (int v : {1, 7, 12}) {
        ImageConverterSetOption(c.h, IC_OPT_FORMAT, nullptr, v);
        EXPECT_EQ(r.m_nFormatCode, v);
    }
    for (int v : {0, 13, -1, 1000}) {
        ImageConverterSetOption(c.h, IC_OPT_FORMAT, nullptr, 1);
        ImageConverterSetOption(c.h, IC_OPT_FORMAT, nullptr, v);
        EXPECT_EQ(r.m_nFormatCode, 4) << v;
    }
}

TEST(Options, ResolutionsAreClampedTo72Through600) {
    Converter c;
    auto &r = c.rec();
    const std::pair<int, int> cases[] = {{50, 72},   {1200, 600}, {300, 300}, {72, 72},
                                         {600, 600}, {-5, 72},    {71, 72},   {601, 600}};
    for (auto [in, out] : cases) {
        ImageConverterSetOption(c.h, IC_OPT_XDPI, nullptr, in);
        ImageConverterSetOption(c.h, IC_OPT_YDPI, nullptr, in);
        EXPECT_EQ(r.m_nXDpi, out) << in;
        EXPECT_EQ(r.m_nYDpi, out) << in;
    }
}

TEST(Options, StoredAsGivenAndFlags) {
    Converter c;
    auto &r = c.rec();
    ImageConverterSetOption(c.h, IC_OPT_BPP, nullptr, 16);
    ImageConverterSetOption(c.h, IC_OPT_QUALITY, nullptr, 300);
    ImageConverterSetOption(c.h, IC_OPT_TIFF_COMPRESSION, nullptr, 42);
    EXPECT_EQ(r.m_nBpp, 16);
    EXPECT_EQ(r.m_nQuality, 300);
    EXPECT_EQ(r.m_nTiffCompression, 42);
    ImageConverterSetOption(c.h, IC_OPT_MULTIPAGE, nullptr, 5);
    ImageConverterSetOption(c.h, IC_OPT_GRAY, nullptr, -1);
    EXPECT_EQ(r.m_bMultiPage, 1);
    EXPECT_EQ(r.m_bGray, 1);
    ImageConverterSetOption(c.h, IC_OPT_MULTIPAGE, nullptr, 0);
    ImageConverterSetOption(c.h, IC_OPT_GRAY, nullptr, 0);
    EXPECT_EQ(r.m_bMultiPage, 0);
    EXPECT_EQ(r.m_bGray, 0);
}

TEST(Options, SizeRotationAndJpegModeIgnoreValuesAtOrBelowZero) {
    Converter c;
    auto &r = c.rec();
    ImageConverterSetOption(c.h, IC_OPT_WIDTH, nullptr, 600);
    ImageConverterSetOption(c.h, IC_OPT_HEIGHT, nullptr, 800);
    ImageConverterSetOption(c.h, IC_OPT_ROTATE, nullptr, 90);
    ImageConverterSetOption(c.h, IC_OPT_JPEG_MODE, nullptr, 2);
    for (int v : {0, -1, -90}) {
        EXPECT_EQ(ImageConverterSetOption(c.h, IC_OPT_WIDTH, nullptr, v), 1);
        EXPECT_EQ(ImageConverterSetOption(c.h, IC_OPT_HEIGHT, nullptr, v), 1);
        EXPECT_EQ(ImageConverterSetOption(c.h, IC_OPT_ROTATE, nullptr, v), 1);
        EXPECT_EQ(ImageConverterSetOption(c.h, IC_OPT_JPEG_MODE, nullptr, v), 1);
    }
    EXPECT_EQ(r.m_nWidth, 600);
    EXPECT_EQ(r.m_nHeight, 800);
    EXPECT_EQ(r.m_nRotate, 90);
    EXPECT_EQ(r.m_nJpegMode, 2);
}

TEST(Options, UnknownNumbersAreAcceptedAndChangeNothing) {
    Converter c;
    for (int opt : {3, 4, 16, 29, 31, 1000, -7}) {
        EXPECT_EQ(ImageConverterSetOption(c.h, opt, "/tmp/zzz", 7, "ignored"), 1) << opt;
    }
    const auto &r = c.rec();
    EXPECT_EQ(r.m_szOutput, "");
    EXPECT_EQ(r.m_nFormatCode, 4);
    EXPECT_EQ(r.m_nBpp, 24);
    EXPECT_EQ(r.m_nQuality, 75);
    EXPECT_EQ(r.m_nXDpi, 150);
    EXPECT_EQ(r.m_nRotate, 0);
    EXPECT_EQ(r.m_nJpegMode, 0);
}
