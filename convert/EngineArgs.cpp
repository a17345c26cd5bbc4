// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/EngineArgs.h"

#include <cstdint>

#include "common/FileRules.h"
#include "convert/ApplyImageSettings.h"
#include "convert/PathRules.h"
#include "convert/TempFiles.h"
#include "settings/ConvertSettings.h"

namespace {

ArgumentVector Head(const char *device, const std::string &outputPath) {
    return {"tessarin",
            "-dNOPAUSE",
            "-dBATCH",
            "-dSAFER",
            std::string("-sDEVICE=") + device,
            "-sOutputFile=" + outputPath};
}

void AppendPageList(ArgumentVector &args, const std::string &pageList) {
    if (!pageList.empty())
        args.push_back("-sPageList=" + pageList);
}

// The input path, last, after the crop of an encapsulated figure.
void AppendInput(ArgumentVector &args, const std::string &inputPath) {
    if (IsEpsFile(inputPath))
        args.push_back("-dEPSCrop");
    args.push_back(inputPath);
}

} // namespace

PdfKeyLevel KeyLevelOf(const PdfSettings &pdf) {
    switch (pdf.nKeyLevel) {
    case 0:
        return PdfKeyLevel::Rc4Bits40;
    case 2:
        return PdfKeyLevel::Aes256;
    default:
        return PdfKeyLevel::Rc4Bits128;
    }
}

int PdfPermissions(const PdfSettings &pdf) {
    // Bit n of the standard is the value 1 << (n - 1).
    constexpr std::uint32_t kReserved = 0xFFFFF0C0u; // bits 7, 8 and 13-32
    constexpr std::uint32_t kPrint = (1u << 2) | (1u << 11);
    constexpr std::uint32_t kChange = (1u << 3) | (1u << 10);
    constexpr std::uint32_t kCopy = (1u << 4) | (1u << 9);
    constexpr std::uint32_t kForms = (1u << 5) | (1u << 8);
    std::uint32_t p = kReserved;
    if (pdf.bAllowPrint == 1)
        p |= kPrint;
    if (pdf.bAllowChange == 1)
        p |= kChange;
    if (pdf.bAllowCopy == 1)
        p |= kCopy;
    if (pdf.bAllowForms == 1)
        p |= kForms;
    return static_cast<int>(p);
}

int PdfAPartOf(const PdfSettings &pdf) {
    return pdf.nPdfA >= 1 && pdf.nPdfA <= 3 ? pdf.nPdfA : 0;
}

bool PdfAWithEncryption(const PdfSettings &pdf) {
    return PdfAPartOf(pdf) != 0 && pdf.bEncrypt == 1;
}

ArgumentVector PdfArguments(const PdfSettings &pdf, const std::string &outputPath,
                            const std::string &inputPath, const std::string &pageList) {
    static constexpr const char *kPresets[] = {"/screen", "/ebook", "/printer", "/prepress"};
    ArgumentVector args = Head("pdfwrite", EscapeFormatField(outputPath));
    if (pdf.nQuality >= 1 && pdf.nQuality <= 4)
        args.push_back(std::string("-dPDFSETTINGS=") + kPresets[pdf.nQuality - 1]);
    const int part = PdfAPartOf(pdf);
    if (pdf.bEmbedFonts == 1 || part != 0) {
        // The presets leave the standard fonts out through their never-embed
        // list; an empty procedure is the one-token way to empty it.
        args.push_back("-dEmbedAllFonts=true");
        args.push_back("-dSubsetFonts=true");
        args.push_back("-dNeverEmbed={}");
    }
    if (part != 0) {
        args.push_back("-dPDFA=" + std::to_string(part));
        args.push_back("-dPDFACompatibilityPolicy=1");
        args.push_back("-sColorConversionStrategy=RGB");
    }
    AppendPageList(args, pageList);
    AppendInput(args, inputPath);
    return args;
}

ArgumentVector RenderArguments(const std::string &pageFolder, const ImageSettings &img,
                               int formatCode, const std::string &inputPath,
                               const std::string &pageList) {
    ArgumentVector args = Head("bmp16m", PageFilePattern(pageFolder));
    args.push_back("-r" + std::to_string(img.nXDpi) + "x" + std::to_string(img.nYDpi));
    if (SmoothRendering(formatCode, img)) {
        args.push_back("-dTextAlphaBits=4");
        args.push_back("-dGraphicsAlphaBits=4");
    }
    AppendPageList(args, pageList);
    AppendInput(args, inputPath);
    return args;
}

ArgumentVector TextPdfArguments(const std::string &tempPdfPath, const std::string &inputPath,
                                const std::string &pageList) {
    ArgumentVector args = Head("pdfwrite", EscapeFormatField(tempPdfPath));
    AppendPageList(args, pageList);
    AppendInput(args, inputPath);
    return args;
}

ArgumentVector PageCountArguments(const std::string &pageFolder, const std::string &inputPath) {
    ArgumentVector args = Head("bmpmono", PageFilePattern(pageFolder));
    args.push_back("-r10");
    AppendInput(args, inputPath);
    return args;
}

ArgvView::ArgvView(ArgumentVector &args) {
    m_ptrs.reserve(args.size() + 1);
    for (std::string &a : args)
        m_ptrs.push_back(a.data());
    m_ptrs.push_back(nullptr);
}
