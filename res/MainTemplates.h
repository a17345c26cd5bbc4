// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The main window's resources: dialog template 102 (the main window),
// dialog template 140 (the About box) and menu 142 (the file list's context
// menu), as constant tables.
//
// Control ids are the ones the window's code and its tests look controls up
// by. The image-format list is not part of template 102's items: the window
// fills it from the one list of format texts the conversion core reads
// (imageconv/ImageFormats.h), so the two can never disagree.
#pragma once

#include <cstddef>

#include "res/DialogTemplate.h"

namespace dlgtpl {

// Template 102 control ids.
inline constexpr int IDC_ADDFILES = 1007;
inline constexpr int IDC_FILELIST = 1001;
inline constexpr int IDC_START = 1002;
inline constexpr int IDC_FORMAT = 1003;
inline constexpr int IDC_ADDFOLDER = 1008;
inline constexpr int IDC_REMOVE = 1009;
inline constexpr int IDC_SETTINGS = 1010;
inline constexpr int IDC_PROGRESS = 1011;
inline constexpr int IDC_OUTPUTDIR = 1012;
inline constexpr int IDC_BROWSE = 1013;
inline constexpr int IDC_VIEW = 1014;
inline constexpr int IDC_ABOUT = 1016;
inline constexpr int IDC_FILECOUNT = 1047;
inline constexpr int IDC_SELCOUNT = 1048;
inline constexpr int IDC_FOLDERMODE = 1058;
inline constexpr int IDC_OUTPUTKIND = 1059;
inline constexpr int IDC_NEWIFEXISTS = 1075;
inline constexpr int IDC_TIMELIMIT_LABEL = 1076;
inline constexpr int IDC_TIMELIMIT = 1077;  // "timelimit", seconds a file may take
inline constexpr int IDC_SUBFOLDERS = 1078; // Add Folder takes the subfolders too
inline constexpr int IDC_KEEPTREE = 1079;   // outputs keep the added folder's tree
inline constexpr int IDC_RUNSUMMARY = 1080; // how the last run went, in the status line
inline constexpr int IDC_PAGES_LABEL = 1081;
inline constexpr int IDC_PAGES = 1082; // "pages", the pages to convert

// The class name under which template 102's icon buttons are made; the
// window registers the factory for it when it builds the template.
inline constexpr char kIconButtonClass[] = "CIconButton";

extern const Dialog kTplMain; // 102 "转换"

// Template 140 control ids.
inline constexpr int IDC_ABOUT_ICON = 1019;
inline constexpr int IDC_ABOUT_TITLE = 1020;
inline constexpr int IDC_ABOUT_VERSION = 1021;
inline constexpr int IDC_ABOUT_COPYRIGHT = 1022;
inline constexpr int IDC_ABOUT_LINK = 1023;
inline constexpr int IDC_ABOUT_HELP = 1024;
inline constexpr int IDC_ABOUT_LICENCE = 1025;
inline constexpr int IDC_ABOUT_OK = 1;

// The class name of the About box's link control.
inline constexpr char kHyperLinkClass[] = "CHyperLink";

// The program's home page, opened by the About box's link.
inline constexpr char kHomePageUrl[] = "https://www.quorvane.example/vantoria/";

extern const Dialog kTplAbout; // 140 "关于..."

// Menu 142: one popup; an entry with id 0 is a separator.
struct MenuEntry {
    int id;
    const char *text;
};

inline constexpr int ID_LIST_ADDFILES = 32771;
inline constexpr int ID_LIST_ADDFOLDER = 32772;
inline constexpr int ID_LIST_DELETE = 32773;
inline constexpr int ID_LIST_CLEAR = 32774;
inline constexpr int ID_LIST_VIEWSOURCE = 32776;
inline constexpr int ID_LIST_SHOWINFOLDER = 32777;
inline constexpr int ID_LIST_COPYREASON = 32778;

struct Menu {
    int id;
    const char *popupText;
    const MenuEntry *entries;
    std::size_t count;
};

extern const Menu kMenuList; // 142 "列表"

} // namespace dlgtpl
