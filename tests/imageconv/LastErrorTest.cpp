// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Why a conversion failed, as ImageConverterLastError tells it: a full disk
// for every format (a child process whose files can't grow past a limit), a
// read-only output folder, a page too large for its format and a damaged
// page file; and that a failed page leaves neither the output nor a
// temporary behind. A long output path the platform allows is written.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "PageSupport.h"
#include "Process.h"
#include "imageconv/ImageConverter.h"

using namespace testsupport;

namespace {

struct Converter {
    int h = ImageConverterCreate();
    ~Converter() {
        if (h)
            ImageConverterDestroy(h);
    }
    void Set(int option, int value) { ImageConverterSetOption(h, option, nullptr, value); }
    std::string LastError() const {
        char text[256];
        int length = ImageConverterLastError(h, text, sizeof text);
        EXPECT_EQ(length, int(std::strlen(text)));
        return text;
    }
};

// Pixels that no encoder can squeeze much.
Rgb Noise(int x, int y) {
    uint32_t v = uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u;
    v ^= v >> 13;
    v *= 0x5bd1e995u;
    return Rgb{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)};
}

struct FormatCase {
    const char *name;
    int code;
    bool multiPage = false;
};

const FormatCase kFormats[] = {
    {"BMP", IC_FORMAT_BMP},   {"EMF", IC_FORMAT_EMF},        {"WMF", IC_FORMAT_WMF},
    {"JPEG", IC_FORMAT_JPEG}, {"PNG", IC_FORMAT_PNG},        {"GIF", IC_FORMAT_GIF},
    {"TIFF", IC_FORMAT_TIFF}, {"TIFF", IC_FORMAT_TIFF, true}, {"PCX", IC_FORMAT_PCX},
    {"TGA", IC_FORMAT_TGA},   {"JP2", IC_FORMAT_JP2},        {"RAS", IC_FORMAT_RAS},
    {"JPC", IC_FORMAT_JPC},
};

// Converts `input` to `output` in format `f`; the converter's last error.
std::string Convert(const FormatCase &f, const std::string &input, const std::string &output) {
    Converter c;
    if (f.multiPage) {
        ImageConverterSetOption(c.h, IC_OPT_MULTIPAGE_PATH, output.c_str(), 0);
        c.Set(IC_OPT_MULTIPAGE, 1);
        ImageConverterAddFile(c.h, input.c_str(), IC_INPUT_BMP);
        ImageConverterAddFile(c.h, input.c_str(), IC_INPUT_BMP);
    } else {
        ImageConverterSetOption(c.h, IC_OPT_OUTPUT_PATH, output.c_str(), 0);
        ImageConverterAddFile(c.h, input.c_str(), IC_INPUT_BMP);
    }
    c.Set(IC_OPT_FORMAT, f.code);
    c.Set(IC_OPT_BPP, 24);
    EXPECT_EQ(ImageConverterConvert(c.h), 1);
    return c.LastError();
}

// Runs `body` in a child (with files limited to `fileSizeLimit` bytes when
// not 0) and returns the text it sends back.
std::string InChild(const std::function<std::string()> &body, long long fileSizeLimit) {
    int fds[2];
    if (::pipe(fds) != 0)
        return "no pipe";
    int code = RunInChild(
        [&] {
            ::close(fds[0]);
            std::string text = body();
            ssize_t n = ::write(fds[1], text.data(), text.size());
            return n == ssize_t(text.size()) ? 0 : 1;
        },
        fileSizeLimit);
    ::close(fds[1]);
    std::string text;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, size_t(n));
    ::close(fds[0]);
    EXPECT_EQ(code, 0);
    return text;
}

} // namespace

TEST(LastError, AFullDiskReadsDiskFullForEveryFormatAndLeavesNoFile) {
    TempFolder dir;
    const std::string input = WriteBmp24(dir.File("page.bmp"), 160, 120, Noise);
    CreateFolder(dir.File("out"));
    for (const FormatCase &f : kFormats) {
        SCOPED_TRACE(std::string(f.name) + (f.multiPage ? " multi-page" : ""));
        const std::string output = dir.File("out/page.out");
        std::string error =
            InChild([&] { return Convert(f, input, output); }, /*fileSizeLimit=*/4096);
        EXPECT_EQ(error, std::string(f.name) + ": disk full");
        EXPECT_EQ(ListNames(dir.File("out")), std::vector<std::string>{})
            << "neither the output nor a temporary";
    }
}

// A file system that runs out while a page larger than the output stream's
// buffer is written in one call (a failed write once corrupted the stream's
// buffer and crashed the writer). A memory file system of its own in a
// mount namespace of the child's; skipped where that can't be made.
TEST(LastError, AFileSystemThatRunsOutMidPageIsADiskFull) {
    TempFolder dir;
    const std::string large = WriteBmp24(dir.File("large.bmp"), 800, 300, Noise);
    const std::string out = dir.File("small");
    CreateFolder(out);
    std::string result = InChild(
        [&]() -> std::string {
            if (::unshare(CLONE_NEWNS) != 0 ||
                ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                ::mount("tmpfs", out.c_str(), "tmpfs", 0, "size=256k") != 0)
                return "skip";
            // Leave a little room, so the first writes get through.
            int fd = ::open((out + "/filler").c_str(), O_WRONLY | O_CREAT, 0600);
            if (fd < 0 || ::posix_fallocate(fd, 0, 256 * 1024 - 24 * 1024) != 0)
                return "skip";
            ::close(fd);
            std::string errors;
            for (const FormatCase &f : kFormats) {
                if (f.multiPage)
                    continue;
                errors += Convert(f, large, out + "/large.out") + "\n";
                std::error_code ec;
                if (std::filesystem::directory_iterator(out, ec)->path().filename() != "filler" ||
                    std::distance(std::filesystem::directory_iterator(out, ec),
                                  std::filesystem::directory_iterator()) != 1)
                    errors += "a file is left\n";
            }
            return errors;
        },
        0);
    if (result == "skip")
        GTEST_SKIP() << "no memory file system of our own here";
    std::string expected;
    for (const FormatCase &f : kFormats)
        if (!f.multiPage)
            expected += std::string(f.name) + ": disk full\n";
    EXPECT_EQ(result, expected);
}

TEST(LastError, AReadOnlyFolderIsNamedAndKeepsItsFile) {
    TempFolder dir;
    const std::string input = WriteBmp24(dir.File("page.bmp"), 8, 6, Noise);
    const std::string folder = dir.File("locked");
    CreateFolder(folder);
    WriteFile(folder + "/page.png", "user's file");
    // Root writes anywhere: the child gives up root before it tries.
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(input.c_str(), 0644), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    std::string error = InChild(
        [&] {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                return std::string("can't give up root");
            return Convert(FormatCase{"PNG", IC_FORMAT_PNG}, input, folder + "/page.png");
        },
        0);
    EXPECT_EQ(error, "PNG: output folder is read-only");
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(ReadFile(folder + "/page.png"), "user's file");
    EXPECT_EQ(ListNames(folder), std::vector<std::string>{"page.png"});
}

TEST(LastError, APageTooLargeForItsFormatSaysSo) {
    struct Case {
        FormatCase format;
        int width;
        const char *most;
    };
    const Case cases[] = {
        {{"PCX", IC_FORMAT_PCX}, 70000, "65536"},  {{"GIF", IC_FORMAT_GIF}, 70000, "65535"},
        {{"TGA", IC_FORMAT_TGA}, 70000, "65535"},  {{"JPEG", IC_FORMAT_JPEG}, 70000, "65500"},
        {{"WMF", IC_FORMAT_WMF}, 40000, "32767"},
    };
    TempFolder dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.format.name);
        const std::string input =
            WriteBmp24(dir.File("wide.bmp"), c.width, 2, [](int, int) { return Rgb{9, 9, 9}; });
        const std::string output = dir.File("wide.out");
        EXPECT_EQ(Convert(c.format, input, output),
                  std::string(c.format.name) + ": page too large for the format (" +
                      std::to_string(c.width) + " x 2 pixels, at most " + c.most + ")");
        EXPECT_FALSE(Exists(output));
    }
}

TEST(LastError, ADamagedPageFileSaysWhatTheReaderFound) {
    TempFolder dir;
    std::vector<uint8_t> whole = ReadBytes(WriteBmp24(dir.File("whole.bmp"), 20, 10, Noise));
    std::vector<uint8_t> truncated(whole.begin(), whole.begin() + 200);
    WriteBytes(dir.File("truncated.bmp"), truncated);
    std::vector<uint8_t> unsigned_ = whole;
    unsigned_[0] = 'X';
    WriteBytes(dir.File("unsigned.bmp"), unsigned_);
    const std::pair<const char *, const char *> cases[] = {
        {"truncated.bmp", "pixel data runs past the end of the file"},
        {"unsigned.bmp", "no BM signature"},
    };
    for (const auto &[name, reader] : cases) {
        SCOPED_TRACE(name);
        const std::string output = dir.File("page.png");
        EXPECT_EQ(Convert(FormatCase{"PNG", IC_FORMAT_PNG}, dir.File(name), output),
                  std::string("PNG: damaged page file: ") + reader);
        EXPECT_FALSE(Exists(output));
    }
    // One good page after a bad one: the handle's next conversion starts clean.
    Converter c;
    ImageConverterSetOption(c.h, IC_OPT_OUTPUT_PATH, dir.File("good.png").c_str(), 0);
    ImageConverterAddFile(c.h, dir.File("whole.bmp").c_str(), IC_INPUT_BMP);
    c.Set(IC_OPT_FORMAT, IC_FORMAT_PNG);
    ImageConverterConvert(c.h);
    EXPECT_EQ(c.LastError(), "");
    EXPECT_EQ(ImageConverterLastError(c.h, nullptr, 0), 0);
}

TEST(LastError, ALongOutputPathThePlatformAllowsIsWritten) {
    TempFolder dir;
    const std::string input = WriteBmp24(dir.File("page.bmp"), 8, 6, Noise);
    std::string folder = dir.Path();
    for (char c : {'a', 'b', 'c'})
        folder += std::string(120, c) + "/";
    CreateFolder(folder);
    const std::string output = folder + std::string(200, 'n') + ".png";
    ASSERT_GT(output.size(), 500u);
    EXPECT_EQ(Convert(FormatCase{"PNG", IC_FORMAT_PNG}, input, output), "");
    EXPECT_TRUE(Exists(output));
    EXPECT_EQ(ListNames(folder), std::vector<std::string>{std::string(200, 'n') + ".png"});
}
