// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "imageconv/ImageFormats.h"

#include <array>

#include "imageconv/Writers.h"

namespace {

using namespace imageconv;

// The writers behind the one signature of the table. JPEG and TIFF take all
// the parameters; the others the page alone, the quality (JPEG 2000) or the
// target size (the metafiles).
template <Status (*Write)(const Dib &, const std::string &)>
Status PageOnly(const Dib &d, const std::string &p, const WriteParams &) {
    return Write(d, p);
}
template <bool codestream>
Status Jpeg2000(const Dib &d, const std::string &p, const WriteParams &w) {
    return WriteJpeg2000(d, p, codestream, w.quality);
}
template <Status (*Write)(const Dib &, const std::string &, int, int)>
Status Sized(const Dib &d, const std::string &p, const WriteParams &w) {
    return Write(d, p, w.width, w.height);
}

// The descriptions of the format pages.
constexpr const char *kDescBmp = VANTORIA_TRANSLATE_NOOP(
    "CImagePage",
    "The BMP file format, also known as bitmap or Device Independent Bitmap (DIB) file format, "
    "is a image file format used to store bitmap digital images, especially on Microsoft Windows "
    "and OS/2 operating systems.");
constexpr const char *kDescTiff = VANTORIA_TRANSLATE_NOOP(
    "CImagePage", "Tagged Image File Format (abbreviated TIFF) is a file format for "
                  "storing images, including photographs and line art.");
constexpr const char *kDescJpeg = VANTORIA_TRANSLATE_NOOP(
    "CImagePage", "JPEG is a compression method specifically intended for continuous-tone images.");
constexpr const char *kDescGif = VANTORIA_TRANSLATE_NOOP(
    "CImagePage",
    "The Graphics Interchange Format (GIF) is a bitmap image format that was introduced by "
    "CompuServe in 1987 and has since come into widespread usage on the World Wide Web due to its "
    "wide support and portability.");
constexpr const char *kDescPng = VANTORIA_TRANSLATE_NOOP(
    "CImagePage",
    "Portable Network Graphics is a bitmapped image format that employs lossless data "
    "compression.");
constexpr const char *kDescPcx = VANTORIA_TRANSLATE_NOOP(
    "CImagePage",
    "PCX is the native file format for PC Paintbrush (PCX = 'Personal Computer eXchange') and "
    "became one of the first widely accepted DOS imaging standards.");
constexpr const char *kDescJp2 = VANTORIA_TRANSLATE_NOOP(
    "CImagePage",
    "JPEG 2000 is an image compression standard and coding system. It was created by the Joint "
    "Photographic Experts Group committee in 2000 with the intention of superseding their "
    "original discrete cosine transform-based JPEG standard (created in 1992) with a newly "
    "designed, wavelet-based method.");
constexpr const char *kDescJpc = VANTORIA_TRANSLATE_NOOP(
    "CImagePage",
    "JPC is an image file similar to JPEG-1, and it is in connection with File containing JPEG "
    "2000 Code. There is no standardized extension for code-stream data because code-stream data "
    "is not to be considered to be stored in files in first place, though when done for testing "
    "purposes, the extension .JPC or .J2K appear frequently.");
constexpr const char *kDescRas = VANTORIA_TRANSLATE_NOOP(
    "CImagePage",
    "The RAS file extension is related to Sun Raster format. The Sun Raster format is the native "
    "bitmap format on the Sun UNIX platforms. It is a simple bitmap format with wide "
    "distribution, particularly in the UNIX world. The default extension for Sun Raster files is "
    "RAS.");
constexpr const char *kDescTga = VANTORIA_TRANSLATE_NOOP(
    "CImagePage",
    "Truevision TGA, often referred to as TARGA, is a raster graphics file format. TARGA is an "
    "acronym for Truevision Advanced Raster Graphics Adapter; TGA is an initialism for Truevision "
    "Graphics Adapter.");

using C = ColourStep;
using G = GeometryStep;
using D = DepthRule;
using S = SheetPage;

// clang-format off
constexpr std::array<ImageFormat, 12> kRows = {{
    // list text, --format, extension, code, name, scan rank
    //   {colour step, geometry, depth rule, multi-page, writer}
    //   {colour key, quality key, compression key, multi-page key}
    //   {sheet page, tab, template, colour list, description}
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "JPEG 文件(*.jpg)"), "jpg", ".jpg", IC_FORMAT_JPEG, "JPEG", 1,
        {C::Grey, G::Page, D::GreyFromEight, false, WriteJpeg},
        {"jpgc", "JQu", nullptr, nullptr},
        {S::Jpeg, 3, 143, 1031, kDescJpeg}},
    // The TIFF item ends in one blank.
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "TIFF 文件(*.tif) "), "tif", ".tif", IC_FORMAT_TIFF, "TIFF", 0,
        {C::TiffReduce, G::Page, D::PaletteOr24, true, WriteTiff},
        {"tifc", "TJQu", "compress", "multpage"},
        {S::Tiff, 2, 146, 1040, kDescTiff}},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "BMP 文件(*.bmp)"), "bmp", ".bmp", IC_FORMAT_BMP, "BMP", 2,
        {C::Reduce, G::Page, D::PaletteOr24, false, PageOnly<WriteBmp>},
        {"bmpc", nullptr, nullptr, nullptr},
        {S::Colour, 1, 145, 1036, kDescBmp}},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "PNG 文件(*.png)"), "png", ".png", IC_FORMAT_PNG, "PNG", 4,
        {C::Reduce, G::Page, D::PaletteOr24, false, PageOnly<WritePng>},
        {"pngc", nullptr, nullptr, nullptr},
        {S::Colour, 5, 147, 1039, kDescPng}},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "GIF 文件(*.gif)"), "gif", ".gif", IC_FORMAT_GIF, "GIF", 3,
        {C::Reduce, G::Page, D::PaletteOr8, false, PageOnly<WriteGif>},
        {"gifc", nullptr, nullptr, nullptr},
        {S::Colour, 4, 148, 1037, kDescGif}},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "PCX 文件(*.pcx)"), "pcx", ".pcx", IC_FORMAT_PCX, "PCX", 5,
        {C::Reduce, G::Page, D::PaletteOr24, false, PageOnly<WritePcx>},
        {"pcxc", nullptr, nullptr, nullptr},
        {S::Colour, 6, 149, 1038, kDescPcx}},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "WMF 文件(*.wmf)"), "wmf", ".wmf", IC_FORMAT_WMF, "WMF", 6,
        {C::None, G::FreeRotate, D::PaletteOr24, false, Sized<WriteWmf>},
        {nullptr, nullptr, nullptr, nullptr},
        {S::None, 0, 0, 0, nullptr}},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "EMF 文件(*.emf)"), "emf", ".emf", IC_FORMAT_EMF, "EMF", 7,
        {C::None, G::FreeRotate, D::PaletteOr24, false, Sized<WriteEmf>},
        {nullptr, nullptr, nullptr, nullptr},
        {S::None, 0, 0, 0, nullptr}},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "TGA 文件(*.tga)"), "tga", ".tga", IC_FORMAT_TGA, "TGA", 8,
        {C::TgaReduce, G::Page, D::EightOr24, false, PageOnly<WriteTga>},
        {"tgac", nullptr, nullptr, nullptr},
        {S::Colour, 10, 162, 1050, kDescTga}},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "JPEG2000 文件(*.jp2)"), "jp2", ".jp2", IC_FORMAT_JP2, "JP2", 9,
        {C::Grey, G::Page, D::GreyOr24, false, Jpeg2000<false>},
        {"jp2c", nullptr, nullptr, nullptr},
        {S::Colour, 7, 163, 1053, kDescJp2}},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "JPEG2000 文件(*.jpc)"), "jpc", ".jpc", IC_FORMAT_JPC, "JPC", 11,
        {C::Grey, G::Page, D::GreyOr24, false, Jpeg2000<true>},
        {"jpcc", nullptr, nullptr, nullptr},
        {S::Colour, 8, 164, 1052, kDescJpc}},
    {VANTORIA_TRANSLATE_NOOP("ImageFormat", "RAS 文件(*.ras)"), "ras", ".ras", IC_FORMAT_RAS, "RAS", 10,
        {C::Grey, G::Page, D::GreyOr24, false, PageOnly<WriteRas>},
        {"rasc", nullptr, nullptr, nullptr},
        {S::Colour, 9, 165, 1051, kDescRas}},
}};
// clang-format on

} // namespace

const std::span<const ImageFormat> kImageFormats(kRows);

const ImageFormat *FindImageFormat(int code) {
    for (const ImageFormat &f : kRows)
        if (f.code == code)
            return &f;
    return nullptr;
}

const ImageFormat &FallbackImageFormat() {
    return *FindImageFormat(IC_FORMAT_JPEG);
}
