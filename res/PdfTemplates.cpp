// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Templates 170-172 and 174: the pages of the PDF settings sheet.
#include "res/SettingsTemplates.h"

namespace dlgtpl {

namespace {

constexpr int kW = 277;
constexpr int kH = 139;

constexpr Row kSecurity[] = {
    {kStaticId, Kind::GroupBox, "", 7, 7, 263, 128},
    {1017, Kind::CheckBox, QT_TRANSLATE_NOOP("dlgtpl", "加密 PDF"), 14, 6, 56, 10},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "打开所需的密码（用户密码）："), 15, 21,
     140, 8},
    {1018, Kind::Edit, "", 157, 19, 105, 13, Password | Disabled},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "再次输入用户密码："), 15, 37, 140, 8},
    {1026, Kind::Edit, "", 157, 35, 105, 13, Password | Disabled},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "更改权限所需的密码（所有者密码）："), 15,
     53, 140, 8},
    {1019, Kind::Edit, "", 157, 51, 105, 13, Password | Disabled},
    {kStaticId, Kind::GroupBox, QT_TRANSLATE_NOOP("dlgtpl", "加密级别"), 15, 69, 96, 60},
    {1020, Kind::RadioButton, "40-bit RC4", 24, 81, 80, 10, Group | Disabled},
    {1021, Kind::RadioButton, "128-bit RC4", 24, 96, 80, 10, Disabled},
    {1025, Kind::RadioButton, "256-bit AES", 24, 111, 80, 10, Disabled},
    {kStaticId, Kind::GroupBox, QT_TRANSLATE_NOOP("dlgtpl", "允许"), 119, 69, 143, 60},
    {1022, Kind::CheckBox, QT_TRANSLATE_NOOP("dlgtpl", "打印"), 128, 80, 128, 10, Disabled},
    {1023, Kind::CheckBox, QT_TRANSLATE_NOOP("dlgtpl", "更改文档"), 128, 92, 128, 10, Disabled},
    {1024, Kind::CheckBox, QT_TRANSLATE_NOOP("dlgtpl", "内容复制或提取"), 128, 104, 128, 10,
     Disabled},
    {1028, Kind::CheckBox, QT_TRANSLATE_NOOP("dlgtpl", "添加或更改表单字段"), 128, 116, 128, 10,
     Disabled},
};

constexpr Row kInfo[] = {
    {kStaticId, Kind::GroupBox, QT_TRANSLATE_NOOP("dlgtpl", "PDF 信息"), 7, 7, 263, 125},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "标题"), 16, 24, 44, 8},
    {1013, Kind::Edit, "", 62, 22, 198, 13},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "主题："), 16, 42, 44, 8},
    {1014, Kind::Edit, "", 62, 40, 198, 13},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "作者："), 16, 60, 44, 8},
    {1015, Kind::Edit, "", 62, 58, 198, 13},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "关键字："), 16, 78, 44, 8},
    {1016, Kind::Edit, "", 62, 76, 198, 13},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "创建者"), 16, 96, 44, 8},
    {1017, Kind::Edit, "", 62, 94, 198, 13},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "制片人"), 16, 114, 44, 8},
    {1020, Kind::Edit, "", 62, 112, 198, 13},
};

constexpr Row kStamp[] = {
    {kStaticId, Kind::GroupBox, "", 7, 7, 263, 125},
    {1031, Kind::CheckBox, QT_TRANSLATE_NOOP("dlgtpl", "文本印章"), 14, 6, 56, 10},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "文本"), 16, 26, 32, 8},
    {1032, Kind::Edit, "", 50, 24, 210, 13},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "大小"), 16, 45, 32, 8},
    {1033, Kind::Edit, "", 50, 43, 40, 13},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "颜色"), 104, 45, 24, 8},
    {1039, Kind::Static, "", 130, 43, 34, 13, Frame},
    {1036, Kind::PushButton, QT_TRANSLATE_NOOP("dlgtpl", "颜色"), 170, 42, 44, 15},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "位置"), 16, 64, 32, 8},
    {1034, Kind::ComboBox, "", 50, 62, 120, 110, None,
     QT_TRANSLATE_NOOP("dlgtpl",
                       "页面左上角（默认）\n页面顶部中心\n页面右上角\n页面右侧中心\n页面右下角\n"
                       "页面底部中心\n页面左下角\n页面左侧中心\n页面中心")},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "旋转"), 16, 83, 32, 8},
    {1035, Kind::Edit, "", 50, 81, 40, 13},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "偏移 X"), 104, 83, 30, 8},
    {1037, Kind::Edit, "", 136, 81, 40, 13},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "偏移Y"), 186, 83, 30, 8},
    {1038, Kind::Edit, "", 218, 81, 40, 13},
    {1041, Kind::CheckBox, QT_TRANSLATE_NOOP("dlgtpl", "背景"), 16, 104, 60, 10},
};

constexpr Row kQuality[] = {
    {kStaticId, Kind::GroupBox, QT_TRANSLATE_NOOP("dlgtpl", "质量"), 7, 7, 263, 36},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "预设："), 16, 24, 44, 8},
    {1050, Kind::ComboBox, "", 62, 22, 150, 90, None,
     QT_TRANSLATE_NOOP("dlgtpl", "默认\n屏幕（最小文件）\n电子书\n打印机\n印前")},
    {kStaticId, Kind::GroupBox, QT_TRANSLATE_NOOP("dlgtpl", "存档"), 7, 49, 263, 36},
    {kStaticId, Kind::Static, "PDF/A", 16, 66, 44, 8},
    {1051, Kind::ComboBox, "", 62, 64, 150, 70, None,
     QT_TRANSLATE_NOOP("dlgtpl", "无\nPDF/A-1b\nPDF/A-2b\nPDF/A-3b")},
    {kStaticId, Kind::GroupBox, QT_TRANSLATE_NOOP("dlgtpl", "选项"), 7, 91, 263, 41},
    {1052, Kind::CheckBox, QT_TRANSLATE_NOOP("dlgtpl", "嵌入所有字体"), 16, 104, 200, 10},
    {1053, Kind::CheckBox, QT_TRANSLATE_NOOP("dlgtpl", "快速 Web 查看"), 16, 118, 200, 10},
};

} // namespace

const Dialog kTplSecurity =
    MakeDialog(170, QT_TRANSLATE_NOOP("dlgtpl", "PDF 安全"), kW, kH, kSecurity);
const Dialog kTplInfo = MakeDialog(172, QT_TRANSLATE_NOOP("dlgtpl", "PDF 信息"), kW, kH, kInfo);
const Dialog kTplStamp = MakeDialog(171, QT_TRANSLATE_NOOP("dlgtpl", "水印"), kW, kH, kStamp);
const Dialog kTplQuality =
    MakeDialog(174, QT_TRANSLATE_NOOP("dlgtpl", "PDF 质量"), kW, kH, kQuality);

} // namespace dlgtpl
