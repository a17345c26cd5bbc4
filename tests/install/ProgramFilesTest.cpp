// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Where the programs look for their modules and data: beside themselves in a
// build folder, in the install layout's folders relative to themselves in an
// installed tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TempFolder.h"
#include "convert/ProgramFiles.h"

namespace fs = std::filesystem;

namespace {

struct Scratch {
    testsupport::TempFolder dir;
    fs::path root = dir.Path();

    std::string Make(const std::string &relative) const {
        fs::path p = (root / relative).lexically_normal();
        fs::create_directories(p.parent_path());
        if (relative.back() == '/')
            fs::create_directories(p);
        else
            std::ofstream(p) << "x";
        return p.string();
    }
    std::string Folder(const std::string &relative) const {
        std::string s = (root / relative).lexically_normal().string();
        return s.back() == '/' ? s : s + '/';
    }
};

} // namespace

TEST(ProgramFilesTest, BuildFolderAndInstalledTreeAreToldApart) {
    Scratch s;
    // An installed tree: the program in bin/, the layout's folders beside bin/.
    s.Make("prefix/bin/vantoria");
    s.Make("prefix/bin/" VANTORIA_MODULE_SUBDIR "/tessarin.so");
    s.Make("prefix/bin/" VANTORIA_DATA_SUBDIR "/help.html");
    const std::string bin = s.Folder("prefix/bin");
    EXPECT_EQ(ModuleFolderOf(bin), s.Folder("prefix/bin/" VANTORIA_MODULE_SUBDIR));
    EXPECT_EQ(DataFolderOf(bin), s.Folder("prefix/bin/" VANTORIA_DATA_SUBDIR));
    EXPECT_EQ(ModuleFolderOf(bin).find(".."), std::string::npos) << "the folder is normalised";
    // Without the trailing '/', the same.
    EXPECT_EQ(ModuleFolderOf(bin.substr(0, bin.size() - 1)), ModuleFolderOf(bin));

    // A build folder: tessarin.so beside the program wins, even where the
    // folders of an installed tree happen to exist too.
    s.Make("prefix/bin/tessarin.so");
    EXPECT_EQ(ModuleFolderOf(bin), bin);
    EXPECT_EQ(DataFolderOf(bin), bin);

    // A folder with neither (a test binary's) counts as a build folder, so a
    // failure message names the program's own folder.
    s.Make("tests/");
    EXPECT_EQ(ModuleFolderOf(s.Folder("tests")), s.Folder("tests"));
    EXPECT_EQ(DataFolderOf(s.Folder("tests")), s.Folder("tests"));
}
