// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The dialog templates of the settings sheets and the text settings dialog.
//
// Image pages are 247 x 164 dialog units, PDF pages 277 x 139, the text
// dialog 242 x 129; all use Tahoma 8. A template's caption is the page's tab
// title (the dialog's title for the text dialog). Descriptions, list
// contents that depend on the format and values are set by the pages.
#pragma once

#include "res/DialogTemplate.h"

namespace dlgtpl {

// Image settings pages.
extern const Dialog kTplComn; // 144 "共同"
extern const Dialog kTplBmp;  // 145 "BMP"
extern const Dialog kTplTiff; // 146 "TIFF"
extern const Dialog kTplJpeg; // 143 "JPEG"
extern const Dialog kTplGif;  // 148 "GIF"
extern const Dialog kTplPng;  // 147 "PNG"
extern const Dialog kTplPcx;  // 149 "PCX"
extern const Dialog kTplJp2;  // 163 "JP2"
extern const Dialog kTplJpc;  // 164 "JPC"
extern const Dialog kTplRas;  // 165 "RAS"
extern const Dialog kTplTga;  // 162 "TGA"
// The image page template `id`, or nullptr.
const Dialog *ImagePageTemplate(int id);

// PDF settings pages.
extern const Dialog kTplSecurity; // 170 "PDF 安全"
extern const Dialog kTplInfo;     // 172 "PDF 信息"
extern const Dialog kTplStamp;    // 171 "水印"
extern const Dialog kTplQuality;  // 174 "PDF 质量"

// The text settings dialog.
extern const Dialog kTplText; // 173 "文字设置"

} // namespace dlgtpl
