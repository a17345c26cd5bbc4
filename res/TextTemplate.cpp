// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Template 173: the text settings dialog.
#include "res/SettingsTemplates.h"

namespace dlgtpl {

namespace {

constexpr Row kText[] = {
    {kStaticId, Kind::GroupBox, QT_TRANSLATE_NOOP("dlgtpl", "模式"), 7, 7, 228, 48},
    {1066, Kind::RadioButton, QT_TRANSLATE_NOOP("dlgtpl", "保持原始的物理布局"), 16, 21, 210, 10,
     Group},
    {1067, Kind::RadioButton, QT_TRANSLATE_NOOP("dlgtpl", "保持内容流顺序中的字符串"), 16, 37, 210,
     10},
    {kStaticId, Kind::GroupBox, QT_TRANSLATE_NOOP("dlgtpl", "页面"), 7, 61, 228, 32},
    {1068, Kind::CheckBox, QT_TRANSLATE_NOOP("dlgtpl", "在页面之间插入分页符"), 16, 75, 210, 10},
    {1, Kind::PushButton, QT_TRANSLATE_NOOP("dlgtpl", "确定"), 124, 106, 52, 15, Default},
    {2, Kind::PushButton, QT_TRANSLATE_NOOP("dlgtpl", "取消"), 183, 106, 52, 15},
};

} // namespace

const Dialog kTplText = MakeDialog(173, QT_TRANSLATE_NOOP("dlgtpl", "文字设置"), 242, 129, kText);

} // namespace dlgtpl
