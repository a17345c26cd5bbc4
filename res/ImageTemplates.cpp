// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Templates 143-149 and 162-165: the pages of the image settings sheet.
#include "res/SettingsTemplates.h"

#include <initializer_list>

namespace dlgtpl {

namespace {

constexpr int kW = 247;
constexpr int kH = 164;

constexpr const char *kAllColours =
    QT_TRANSLATE_NOOP("dlgtpl", "真彩\n256 色\n256 灰色\n16 色\n16 灰色\n黑白");
constexpr const char *kTrueOrGrey = QT_TRANSLATE_NOOP("dlgtpl", "真彩\n256 灰色");
constexpr const char *kGifColours =
    QT_TRANSLATE_NOOP("dlgtpl", "256 色\n256 灰色\n16 色\n16 灰色\n黑白");
constexpr const char *kTgaColours = QT_TRANSLATE_NOOP("dlgtpl", "真彩\n256 色\n256 灰色");

constexpr Row kComn[] = {
    {kStaticId, Kind::GroupBox, "", 7, 7, 233, 44},
    {1023, Kind::CheckBox, QT_TRANSLATE_NOOP("dlgtpl", "调整图像大小（像素）"), 14, 6, 110, 10},
    {1060, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "宽度"), 18, 28, 26, 8},
    {1024, Kind::Edit, "", 46, 26, 44, 13, Number, nullptr, 4},
    {1061, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "高度"), 110, 28, 26, 8},
    {1025, Kind::Edit, "", 138, 26, 44, 13, Number, nullptr, 4},
    {kStaticId, Kind::GroupBox, QT_TRANSLATE_NOOP("dlgtpl", "解析度"), 7, 57, 233, 50},
    {kStaticId, Kind::Static, "X-DPI", 18, 74, 26, 8},
    {1063, Kind::SpinBox, nullptr, 46, 72, 44, 13},
    {kStaticId, Kind::Static, "Y-DPI", 98, 74, 26, 8},
    {1064, Kind::SpinBox, nullptr, 124, 72, 44, 13},
    {1066, Kind::CheckBox, QT_TRANSLATE_NOOP("dlgtpl", "两者相同"), 176, 73, 60, 10},
    {1065, Kind::CheckBox, QT_TRANSLATE_NOOP("dlgtpl", "平滑文本和图形（抗锯齿）"), 18, 91, 180,
     10},
    {kStaticId, Kind::GroupBox, QT_TRANSLATE_NOOP("dlgtpl", "转换输出"), 7, 113, 118, 38},
    {1034, Kind::CheckBox, QT_TRANSLATE_NOOP("dlgtpl", "为每个文件创建目录"), 15, 130, 104, 10},
    {kStaticId, Kind::GroupBox, QT_TRANSLATE_NOOP("dlgtpl", "旋转"), 131, 113, 109, 38},
    {1033, Kind::ComboBox, "", 139, 128, 56, 70, None, "0\n90\n180\n270"},
};

constexpr const char *kIntro = QT_TRANSLATE_NOOP("dlgtpl", "介绍：");
constexpr const char *kColour = QT_TRANSLATE_NOOP("dlgtpl", "颜色");

// The rows every format page opens with: the introduction and its text.
#define FORMAT_INTRO(descH)                                                                        \
    {kStaticId, Kind::Static, kIntro, 7, 7, 60, 8}, {                                              \
        1035, Kind::Static, "", 7, 18, 233, descH                                                  \
    }

// A colour-only page: introduction, description, colour group and list.
#define COLOUR_PAGE(name, listId, items)                                                           \
    constexpr Row name[] = {                                                                       \
        FORMAT_INTRO(92),                                                                          \
        {kStaticId, Kind::GroupBox, kColour, 7, 116, 233, 36},                                     \
        {listId, Kind::ComboBox, "", 16, 131, 100, 80, None, items},                               \
    }

COLOUR_PAGE(kBmp, 1036, kAllColours);
COLOUR_PAGE(kGif, 1037, kGifColours);
COLOUR_PAGE(kPng, 1039, kAllColours);
COLOUR_PAGE(kPcx, 1038, kAllColours);
COLOUR_PAGE(kJp2, 1053, kTrueOrGrey);
COLOUR_PAGE(kJpc, 1052, kTrueOrGrey);
COLOUR_PAGE(kRas, 1051, kTrueOrGrey);
COLOUR_PAGE(kTga, 1050, kTgaColours);

#undef COLOUR_PAGE

constexpr Row kJpeg[] = {
    FORMAT_INTRO(26),
    {kStaticId, Kind::GroupBox, QT_TRANSLATE_NOOP("dlgtpl", "颜色"), 7, 48, 233, 36},
    {1031, Kind::ComboBox, "", 16, 63, 100, 60, None, kTrueOrGrey},
    {kStaticId, Kind::GroupBox, QT_TRANSLATE_NOOP("dlgtpl", "质量"), 7, 90, 233, 56},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "小尺寸"), 14, 108, 34, 8, Right},
    {1041, Kind::TrackBar, "", 52, 101, 140, 22},
    {kStaticId, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "高质量"), 196, 108, 40, 8},
    {1042, Kind::Static, "90", 52, 128, 140, 9, Center},
};

constexpr Row kTiff[] = {
    FORMAT_INTRO(20),
    {kStaticId, Kind::GroupBox, QT_TRANSLATE_NOOP("dlgtpl", "颜色"), 7, 41, 233, 33},
    {1040, Kind::ComboBox, "", 16, 54, 100, 80, None, kAllColours},
    {kStaticId, Kind::GroupBox, QT_TRANSLATE_NOOP("dlgtpl", "压缩"), 7, 79, 233, 60},
    {1030, Kind::ComboBox, "", 16, 92, 100, 100, None,
     QT_TRANSLATE_NOOP("dlgtpl", "未压缩\nLZW\nRLE\nJPEG\nPACKBITS\nCCITT FAX3\nCCITT FAX4")},
    {1062, Kind::Static, QT_TRANSLATE_NOOP("dlgtpl", "质量"), 16, 117, 26, 8},
    {1032, Kind::TrackBar, "", 44, 110, 150, 22},
    {1042, Kind::Static, "90", 198, 117, 30, 9},
    {1043, Kind::CheckBox, QT_TRANSLATE_NOOP("dlgtpl", "将图像合并为一个TIFF文件"), 10, 146, 180,
     10},
};

#undef FORMAT_INTRO

} // namespace

const Dialog kTplComn = MakeDialog(144, QT_TRANSLATE_NOOP("dlgtpl", "共同"), kW, kH, kComn);
const Dialog kTplBmp = MakeDialog(145, "BMP", kW, kH, kBmp);
const Dialog kTplTiff = MakeDialog(146, "TIFF", kW, kH, kTiff);
const Dialog kTplJpeg = MakeDialog(143, "JPEG", kW, kH, kJpeg);
const Dialog kTplGif = MakeDialog(148, "GIF", kW, kH, kGif);
const Dialog kTplPng = MakeDialog(147, "PNG", kW, kH, kPng);
const Dialog kTplPcx = MakeDialog(149, "PCX", kW, kH, kPcx);
const Dialog kTplJp2 = MakeDialog(163, "JP2", kW, kH, kJp2);
const Dialog kTplJpc = MakeDialog(164, "JPC", kW, kH, kJpc);
const Dialog kTplRas = MakeDialog(165, "RAS", kW, kH, kRas);
const Dialog kTplTga = MakeDialog(162, "TGA", kW, kH, kTga);

const Dialog *ImagePageTemplate(int id) {
    for (const Dialog *d : {&kTplComn, &kTplBmp, &kTplTiff, &kTplJpeg, &kTplGif, &kTplPng, &kTplPcx,
                            &kTplJp2, &kTplJpc, &kTplRas, &kTplTga})
        if (d->id == id)
            return d;
    return nullptr;
}

} // namespace dlgtpl
