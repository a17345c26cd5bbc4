#include "convert/EngineArgs.h"

#include "convert/PathRules.h"
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

} // namespace

int PdfPermissions(const PdfSettings &pdf) {
    int p = 0;
    if (pdf.bAllowPrint == 1)
        p += 4;
    if (pdf.bAllowChange == 1)
        p += 8;
    if (pdf.bAllowCopy == 1)
        p += 16;
    if (pdf.bAllowForms == 1)
        p += 32;
    return p;
}

ArgumentVector PdfArguments(const PdfSettings &pdf, const std::string &outputPath,
                            const std::string &inputPath) {
    ArgumentVector args = Head("pdfwrite", EscapeFormatField(outputPath));
    if (pdf.bEncrypt == 1) {
        args.push_back("-sOwnerPassword=" + (pdf.szOwnerPassword.empty()
                                                 ? std::string(kFixedOwnerPassword)
                                                 : pdf.szOwnerPassword));
        if (!pdf.szUserPassword.empty())
            args.push_back("-sUserPassword=" + pdf.szUserPassword);
        args.push_back("-dEncryptionR=3");
        args.push_back(pdf.nKeyLevel != 0 ? "-dKeyLength=128" : "-dKeyLength=40");
        args.push_back("-dPermissions=" + std::to_string(PdfPermissions(pdf)));
    }
    args.push_back(inputPath);
    return args;
}

ArgumentVector RenderArguments(const std::string &pageFolder, const std::string &base, int xdpi,
                               int ydpi, const std::string &inputPath) {
    ArgumentVector args =
        Head("bmp16m", EscapeFormatField(pageFolder) + EscapeFormatField(base) + "_%03d.bmp");
    args.push_back("-r" + std::to_string(xdpi) + "x" + std::to_string(ydpi));
    args.push_back(inputPath);
    return args;
}

ArgumentVector TextPdfArguments(const std::string &tempPdfPath, const std::string &inputPath) {
    ArgumentVector args = Head("pdfwrite", EscapeFormatField(tempPdfPath));
    args.push_back(inputPath);
    return args;
}

ArgvView::ArgvView(ArgumentVector &args) {
    m_ptrs.reserve(args.size() + 1);
    for (std::string &a : args)
        m_ptrs.push_back(a.data());
    m_ptrs.push_back(nullptr);
}
