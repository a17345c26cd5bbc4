// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Compressed inputs unpacked into a sealed memory file: the bytes that come
// out, the damaged files and the ones that unpack past the limit, and the
// input a row hands to the engine.
#include "common/CompressedInput.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "Files.h"
#include "TempFolder.h"

using testsupport::Gzip;
using testsupport::ReadFile;
using testsupport::TempFolder;
using testsupport::WriteFile;

namespace {

constexpr char kPs[] = "%!PS-Adobe-3.0\n/Helvetica findfont 20 scalefont setfont\n"
                       "72 700 moveto (Hello) show showpage\n";

// `path` opened for reading; -1 when it can't be.
int OpenRead(const std::string &path) {
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

// What `fd` unpacks to within `limit`, or "error: <reason>".
std::string Unpacked(const std::string &path, std::uint64_t limit) {
    int fd = OpenRead(path);
    std::string reason;
    int memory = DecompressToMemory(fd, limit, &reason);
    ::close(fd);
    if (memory < 0)
        return "error: " + reason;
    std::string bytes = ReadFile("/proc/self/fd/" + std::to_string(memory));
    ::close(memory);
    return bytes;
}

} // namespace

TEST(DecompressToMemory, GivesTheBytesInASealedMemoryFile) {
    TempFolder dir;
    // Large enough for several reads and writes, and two members one after
    // the other, as `cat a.gz b.gz` makes.
    std::string big;
    for (int k = 0; big.size() < 3'000'000; ++k)
        big += "% line " + std::to_string(k * 7919 % 100003) + "\n";
    WriteFile(dir.File("two.gz"), Gzip(big) + Gzip(kPs));
    EXPECT_EQ(Unpacked(dir.File("two.gz"), 1 << 30), big + kPs);
    // Padding after the data is not part of it.
    WriteFile(dir.File("padded.gz"), Gzip(kPs) + std::string(512, '\0'));
    EXPECT_EQ(Unpacked(dir.File("padded.gz"), 1 << 30), kPs);

    int fd = OpenRead(dir.File("two.gz"));
    std::string reason;
    int memory = DecompressToMemory(fd, 1 << 30, &reason);
    ::close(fd);
    ASSERT_GE(memory, 0) << reason;
    EXPECT_EQ(::fcntl(memory, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
    EXPECT_EQ(::fcntl(memory, F_GET_SEALS),
              F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    EXPECT_LT(::pwrite(memory, "x", 1, 0), 0) << "sealed against writing";
    EXPECT_NE(::ftruncate(memory, 0), 0) << "sealed against shrinking";
    // Nothing of it is on disk: the descriptor names an anonymous file.
    char link[256] = {};
    ASSERT_GT(
        ::readlink(("/proc/self/fd/" + std::to_string(memory)).c_str(), link, sizeof link - 1), 0);
    EXPECT_TRUE(std::string(link).starts_with("/memfd:")) << link;
    ::close(memory);
}

TEST(DecompressToMemory, DamagedAndOversizedFilesFailWithTheirReasons) {
    TempFolder dir;
    const std::string packed = Gzip(std::string(200'000, 'a') + kPs);
    // Cut short, a flipped bit in the check sum, a broken deflate stream.
    WriteFile(dir.File("cut.gz"), packed.substr(0, packed.size() / 2));
    std::string crc = packed;
    crc[crc.size() - 6] ^= 0x01;
    WriteFile(dir.File("crc.gz"), crc);
    std::string stream = packed;
    stream[10] = '\xff';
    WriteFile(dir.File("stream.gz"), stream);
    EXPECT_EQ(Unpacked(dir.File("cut.gz"), 1 << 30),
              "error: damaged compressed file: unexpected end of file");
    EXPECT_EQ(Unpacked(dir.File("crc.gz"), 1 << 30),
              "error: damaged compressed file: incorrect data check");
    EXPECT_TRUE(
        Unpacked(dir.File("stream.gz"), 1 << 30).starts_with("error: damaged compressed file: "));

    // 16 MiB of zeros packs into about 16 KiB: with a limit of 1 MiB it
    // stops at the limit, and says so; the same limit takes a file of 1 MiB.
    WriteFile(dir.File("bomb.gz"), Gzip(std::string(16 << 20, '\0')));
    EXPECT_LT(ReadFile(dir.File("bomb.gz")).size(), 20'000u);
    EXPECT_EQ(Unpacked(dir.File("bomb.gz"), 1 << 20),
              "error: compressed file too large: more than 1 MiB once decompressed");
    WriteFile(dir.File("full.gz"), Gzip(std::string(1 << 20, '\0')));
    EXPECT_EQ(Unpacked(dir.File("full.gz"), 1 << 20).size(), std::size_t(1) << 20);
    EXPECT_GT(DecompressedLimit(), 0u);
    EXPECT_LE(DecompressedLimit(), std::uint64_t(1) << 30);
}

TEST(EngineInput, ACompressedInputIsReadFromMemoryAndChecked) {
    TempFolder dir;
    WriteFile(dir.File("plain.ps"), kPs);
    WriteFile(dir.File("paper.ps.gz"), Gzip(kPs));
    // Already unpacked by a browser, the name kept: read as it is.
    WriteFile(dir.File("unpacked.ps.gz"), kPs);
    WriteFile(dir.File("photo.ps.gz"), Gzip("\x89PNG\r\n\x1a\n rest of a picture"));
    WriteFile(dir.File("nothing.ps.gz"), Gzip(""));
    WriteFile(dir.File("cut.psz"), Gzip(kPs).substr(0, 20));

    {
        EngineInput in;
        EXPECT_EQ(in.Open(dir.File("plain.ps")), "");
        EXPECT_EQ(in.Path(), dir.File("plain.ps"));
        EXPECT_FALSE(in.Decompressed());
    }
    {
        EngineInput in;
        EXPECT_EQ(in.Open(dir.File("unpacked.ps.gz")), "");
        EXPECT_EQ(in.Path(), dir.File("unpacked.ps.gz"));
    }
    int fd = -1;
    {
        EngineInput in;
        ASSERT_EQ(in.Open(dir.File("paper.ps.gz")), "");
        EXPECT_TRUE(in.Decompressed());
        ASSERT_TRUE(in.Path().starts_with("/proc/self/fd/")) << in.Path();
        EXPECT_EQ(ReadFile(in.Path()), kPs);
        fd = std::stoi(in.Path().substr(std::string("/proc/self/fd/").size()));
        EXPECT_GE(::fcntl(fd, F_GETFD), 0);
    }
    EXPECT_LT(::fcntl(fd, F_GETFD), 0) << "closed with the input";

    const std::pair<const char *, const char *> refused[] = {
        {"photo.ps.gz", "is a PNG image, not PostScript"},
        {"nothing.ps.gz", "empty input file"},
        {"cut.psz", "damaged compressed file: unexpected end of file"},
        {"missing.ps.gz", "input file is missing"},
    };
    for (const auto &[name, reason] : refused) {
        EngineInput in;
        EXPECT_EQ(in.Open(dir.File(name)), reason) << name;
        EXPECT_FALSE(in.Decompressed());
    }
    EngineInput small;
    WriteFile(dir.File("big.ps.gz"), Gzip(kPs + std::string(3 << 20, ' ')));
    EXPECT_EQ(small.Open(dir.File("big.ps.gz"), 1 << 20), TooLargeReason(1 << 20));
}
