// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// What every writer promises about files: a failed write leaves nothing
// behind and never touches a file that already has the output's name; a
// successful one replaces it.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "WriterTestSupport.h"
#include "imageconv/Writers.h"

using namespace imageconv;
using namespace wtest;

namespace {

using Writer = std::function<Status(const Dib &, const std::string &)>;

struct Named {
    const char *name;
    Writer write;
    Dib good;
    Dib refused;
};

std::vector<Named> AllWriters() {
    Dib colour = Page24(9, 7, Gradient);
    Dib grey = PagePaletted(9, 7, 8, GreyRamp(), [](int x, int y) { return x * 20 + y; });
    Dib four =
        PagePaletted(9, 7, 4, {Quad(1, 2, 3), Quad(4, 5, 6)}, [](int x, int) { return x & 1; });
    Dib invalid;
    WriteParams p;
    return {
        {"jpeg", [p](const Dib &d, const std::string &s) { return WriteJpeg(d, s, p); }, colour,
         four},
        {"png", [](const Dib &d, const std::string &s) { return WritePng(d, s); }, colour, invalid},
        {"gif", [](const Dib &d, const std::string &s) { return WriteGif(d, s); }, grey, colour},
        {"tiff", [p](const Dib &d, const std::string &s) { return WriteTiff(d, s, p); }, colour,
         invalid},
        {"pcx", [](const Dib &d, const std::string &s) { return WritePcx(d, s); }, four, invalid},
        {"tga", [](const Dib &d, const std::string &s) { return WriteTga(d, s); }, grey, four},
        {"jp2", [](const Dib &d, const std::string &s) { return WriteJpeg2000(d, s, false, 75); },
         colour, four},
        {"jpc", [](const Dib &d, const std::string &s) { return WriteJpeg2000(d, s, true, 75); },
         grey, four},
        {"ras", [](const Dib &d, const std::string &s) { return WriteRas(d, s); }, colour, four},
        {"emf", [](const Dib &d, const std::string &s) { return WriteEmf(d, s, 20, 20); }, colour,
         grey},
        {"wmf", [](const Dib &d, const std::string &s) { return WriteWmf(d, s, 20, 20); }, colour,
         grey},
    };
}

} // namespace

TEST(OutputFiles, RefusedPageKeepsTheExistingFileAndLeavesNoTemporary) {
    for (const Named &w : AllWriters()) {
        SCOPED_TRACE(w.name);
        TempFolder dir;
        std::string path = dir.File(std::string("out.") + w.name);
        testsupport::WriteFile(path, "user's file");
        Status refused = w.write(w.refused, path);
        EXPECT_FALSE(refused);
        EXPECT_FALSE(refused.message().empty());
        EXPECT_EQ(testsupport::ReadFile(path), "user's file");
        EXPECT_EQ(ListNames(dir.Path()).size(), 1u);
    }
}

TEST(OutputFiles, SuccessReplacesTheFileAndLeavesOnlyIt) {
    for (const Named &w : AllWriters()) {
        SCOPED_TRACE(w.name);
        TempFolder dir;
        std::string path = dir.File(std::string("out.") + w.name);
        testsupport::WriteFile(path, "old");
        Status written = w.write(w.good, path);
        ASSERT_TRUE(written) << written.message();
        EXPECT_GT(ReadBytes(path).size(), 3u);
        EXPECT_EQ(ListNames(dir.Path()), std::vector<std::string>{std::string("out.") + w.name});
        // Created like any new file: readable by others under the usual umask.
        struct stat st;
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0600, 0600u);
    }
}

TEST(OutputFiles, UnwritableFolderFailsCleanly) {
    for (const Named &w : AllWriters()) {
        SCOPED_TRACE(w.name);
        TempFolder dir;
        Status noFolder = w.write(w.good, dir.File("no/such/folder/x"));
        EXPECT_FALSE(noFolder);
        EXPECT_NE(noFolder.message().find("no/such/folder/x"), std::string::npos)
            << noFolder.message();
        Status noName = w.write(w.good, "");
        EXPECT_FALSE(noName);
        EXPECT_EQ(noName.message(), "No output file name");
        EXPECT_TRUE(ListNames(dir.Path()).empty());
    }
}

TEST(OutputFiles, AFolderInTheWayIsNotReplaced) {
    for (const Named &w : AllWriters()) {
        SCOPED_TRACE(w.name);
        TempFolder dir;
        std::string path = dir.File("taken");
        ASSERT_TRUE(std::filesystem::create_directory(path));
        std::filesystem::path inner = std::filesystem::path(path) / "keep";
        testsupport::WriteFile(inner.string(), "x");
        EXPECT_FALSE(w.write(w.good, path));
        EXPECT_TRUE(std::filesystem::is_directory(path));
        EXPECT_EQ(ListNames(dir.Path()).size(), 1u);
    }
}

TEST(OutputFiles, WritersCloseEveryDescriptorTheyOpen) {
    auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator{});
    };
    TempFolder dir;
    auto before = openDescriptors();
    for (const Named &w : AllWriters()) {
        EXPECT_TRUE(w.write(w.good, dir.File(std::string("ok.") + w.name))) << w.name;
        EXPECT_FALSE(w.write(w.refused, dir.File(std::string("no.") + w.name))) << w.name;
    }
    EXPECT_EQ(openDescriptors(), before);
}

TEST(OutputFiles, NamesNearTheFileSystemLimitStillWork) {
    TempFolder dir;
    std::string name(240, 'n');
    name += ".png";
    ASSERT_TRUE(WritePng(Page24(3, 3, Gradient), dir.File(name)));
    EXPECT_EQ(ListNames(dir.Path()), std::vector<std::string>{name});
}
