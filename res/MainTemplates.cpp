// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Templates 102 (main window) and 140 (About box), menu 142.
#include "res/MainTemplates.h"

#include <iterator>

#include "common/Licence.h"

namespace dlgtpl {

namespace {

constexpr Row kMain[] = {
    {IDC_ADDFILES, Kind::Custom, QT_TRANSLATE_NOOP("dlgtpl", "添加文件"), 5, 5, 75, 25, None,
     nullptr, 0, kIconButtonClass},
    {IDC_FILELIST, Kind::ListView, nullptr, 5, 35, 415, 155, None,
     QT_TRANSLATE_NOOP("dlgtpl", "Files\nSize\nStatus\nReason")},
    {IDC_START, Kind::Custom, QT_TRANSLATE_NOOP("dlgtpl", "开始转换"), 325, 198, 95, 66, Disabled,
     nullptr, 0, kIconButtonClass},
    {IDC_FORMAT, Kind::ComboBox, nullptr, 115, 208, 110, 100},
    {IDC_ADDFOLDER, Kind::Custom, QT_TRANSLATE_NOOP("dlgtpl", "添加文件夹"), 85, 5, 75, 25, None,
     nullptr, 0, kIconButtonClass},
    {IDC_REMOVE, Kind::Custom, QT_TRANSLATE_NOOP("dlgtpl", "移除"), 165, 5, 75, 25, Disabled,
     nullptr, 0, kIconButtonClass},
    {IDC_SETTINGS, Kind::Custom, QT_TRANSLATE_NOOP("dlgtpl", "设置"), 245, 5, 85, 25, None, nullptr,
     0, kIconButtonClass},
    {IDC_PROGRESS, Kind::Progress, nullptr, 290, 274, 130, 10, Hidden},
    {kStaticId, Kind::GroupBox, QT_TRANSLATE_NOOP("dlgtpl", "输出格式 && 文件夹"), 5, 195, 315, 70},
    {IDC_OUTPUTDIR, Kind::Edit, nullptr, 15, 239, 200, 12},
    {IDC_BROWSE, Kind::PushButton, QT_TRANSLATE_NOOP("dlgtpl", "浏览"), 230, 223, 39, 12},
    {IDC_VIEW, Kind::PushButton, QT_TRANSLATE_NOOP("dlgtpl", "查看..."), 270, 223, 39, 12},
    {IDC_ABOUT, Kind::Custom, "", 398, 5, 25, 25, None, nullptr, 0, kIconButtonClass},
    {kStaticId, Kind::EtchedLine, nullptr, 0, 270, 427, 1},
    {kStaticId, Kind::EtchedLine, nullptr, 140, 273, 1, 11},
    {kStaticId, Kind::EtchedLine, nullptr, 280, 273, 1, 11},
    {IDC_FILECOUNT, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "文件数: 0"), 5, 274, 115, 8, NoWrap},
    {IDC_SELCOUNT, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "已选择: 0"), 145, 274, 115, 8,
     NoWrap},
    {IDC_FOLDERMODE, Kind::ComboBox, nullptr, 15, 223, 210, 75, None,
     QT_TRANSLATE_NOOP("dlgtpl", "转换到源文件文件夹\n转换到指定的目录")},
    {IDC_OUTPUTKIND, Kind::ComboBox, nullptr, 15, 208, 95, 30, None,
     QT_TRANSLATE_NOOP("dlgtpl", "图像文件 -->\nPDF 文件(*.pdf)\nText 文件(*.txt)")},
    {IDC_NEWIFEXISTS, Kind::CheckBox,
     QT_TRANSLATE_NOOP("dlgtpl", "创建一个新的（如果存在输出文件）"), 15, 252, 139, 10},
    {IDC_TIMELIMIT_LABEL, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "每个文件限时（秒）："), 185,
     254, 75, 8, Right | NoWrap},
    {IDC_TIMELIMIT, Kind::SpinBox, nullptr, 262, 252, 48, 11},
    {IDC_SUBFOLDERS, Kind::CheckBox, QT_TRANSLATE_NOOP("dlgtpl", "包含子文件夹"), 335, 5, 60, 25},
    {IDC_KEEPTREE, Kind::CheckBox, QT_TRANSLATE_NOOP("dlgtpl", "保持文件夹结构"), 230, 208, 80, 10},
    {IDC_RUNSUMMARY, Kind::Static, "", 285, 274, 137, 8, NoWrap},
    {IDC_PAGES_LABEL, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "页码："), 218, 241, 30, 8,
     Right | NoWrap},
    {IDC_PAGES, Kind::Edit, nullptr, 250, 239, 60, 12},
};

constexpr Row kAbout[] = {
    {IDC_ABOUT_ICON, Kind::Icon, ":/icons/128.svg", 12, 12, 21, 20},
    {IDC_ABOUT_TITLE, Kind::Static, "Quorvane Vantoria", 45, 14, 240, 9, NoWrap},
    {IDC_ABOUT_VERSION, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "Version: 8.6.7"), 45, 28, 240, 9,
     NoWrap},
    {IDC_ABOUT_COPYRIGHT, Kind::Static, kCopyrightLine, 45, 42, 240, 9, NoWrap},
    {IDC_ABOUT_LINK, Kind::Custom, kHomePageUrl, 45, 60, 240, 9, None, nullptr, 0, kHyperLinkClass},
    {IDC_ABOUT_LICENCE, Kind::Static, kLicenceLine, 45, 76, 240, 27},
    {kStaticId, Kind::EtchedLine, nullptr, 7, 112, 283, 1},
    {IDC_ABOUT_HELP, Kind::PushButton, QT_TRANSLATE_NOOP("dlgtpl", "帮助"), 176, 121, 52, 15},
    {IDC_ABOUT_OK, Kind::PushButton, QT_TRANSLATE_NOOP("dlgtpl", "确定"), 235, 121, 52, 15,
     Default},
};

constexpr MenuEntry kListEntries[] = {
    {ID_LIST_ADDFILES, QT_TRANSLATE_NOOP("dlgtpl", "Add File(s)...")},
    {ID_LIST_ADDFOLDER, QT_TRANSLATE_NOOP("dlgtpl", "添加文件夹")},
    {0, nullptr},
    {ID_LIST_DELETE, QT_TRANSLATE_NOOP("dlgtpl", "删除所选项目          Del")},
    {ID_LIST_CLEAR, QT_TRANSLATE_NOOP("dlgtpl", "清除所有项目")},
    {0, nullptr},
    {ID_LIST_VIEWSOURCE, QT_TRANSLATE_NOOP("dlgtpl", "查看原始文件")},
    {ID_LIST_SHOWINFOLDER, QT_TRANSLATE_NOOP("dlgtpl", "Show in Folder")},
    {ID_LIST_COPYREASON, QT_TRANSLATE_NOOP("dlgtpl", "Copy Reason")},
};

} // namespace

const Dialog kTplMain = MakeDialog(102, QT_TRANSLATE_NOOP("dlgtpl", "转换"), 427, 285, kMain);
const Dialog kTplAbout = MakeDialog(140, QT_TRANSLATE_NOOP("dlgtpl", "关于..."), 297, 144, kAbout);
const Menu kMenuList = {142, QT_TRANSLATE_NOOP("dlgtpl", "列表"), kListEntries,
                        std::size(kListEntries)};

} // namespace dlgtpl
