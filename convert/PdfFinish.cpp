// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/PdfFinish.h"

#include "convert/EngineArgs.h"
#include "convert/EngineModule.h"
#include "settings/ConvertSettings.h"

namespace {

// Whether the settings ask for more than the older entry points can write.
bool NeedsFinishEntry(const ConvertSettings &settings) {
    const PdfSettings &p = settings.pdf;
    return PdfAPartOf(p) != 0 || p.bFastWeb == 1 ||
           (p.bEmbedFonts == 1 && settings.stamp.bUseText == 1);
}

} // namespace

bool FinishPdf(const ExtractorModule &extractor, const ConvertSettings &settings,
               const std::string &pdf) {
    const PdfSettings &p = settings.pdf;
    const StampSettings &st = settings.stamp;
    const bool encrypted = p.bEncrypt == 1;
    int result = 0;
    if (extractor.finish)
        result = extractor.finish(
            pdf.c_str(), p.szOwnerPassword.c_str(), p.szUserPassword.c_str(), kPdfAppText,
            st.bUseText, st.szText.c_str(), st.crColor, st.nFontSize, -1 - st.nPosition,
            st.nRotation, st.nOffsetX, st.nOffsetY, st.bBackground, p.szTitle.c_str(),
            p.szAuthor.c_str(), p.szSubject.c_str(), p.szKeywords.c_str(), p.szCreator.c_str(),
            p.szProducer.c_str(), p.bEncrypt, static_cast<int>(KeyLevelOf(p)), PdfPermissions(p),
            PdfAPartOf(p), p.bFastWeb, p.bEmbedFonts);
    else if (NeedsFinishEntry(settings))
        result = 0;
    else if (extractor.postProcessSecured)
        result = extractor.postProcessSecured(
            pdf.c_str(), p.szOwnerPassword.c_str(), p.szUserPassword.c_str(), kPdfAppText,
            st.bUseText, st.szText.c_str(), st.crColor, st.nFontSize, -1 - st.nPosition,
            st.nRotation, st.nOffsetX, st.nOffsetY, st.bBackground, p.szTitle.c_str(),
            p.szAuthor.c_str(), p.szSubject.c_str(), p.szKeywords.c_str(), p.szCreator.c_str(),
            p.szProducer.c_str(), p.bEncrypt, static_cast<int>(KeyLevelOf(p)), PdfPermissions(p));
    else if (extractor.postProcess && !encrypted)
        result = extractor.postProcess(
            pdf.c_str(), p.szOwnerPassword.c_str(), p.szUserPassword.c_str(), kPdfAppText,
            st.bUseText, st.szText.c_str(), st.crColor, st.nFontSize, -1 - st.nPosition,
            st.nRotation, st.nOffsetX, st.nOffsetY, st.bBackground, p.szTitle.c_str(),
            p.szAuthor.c_str(), p.szSubject.c_str(), p.szKeywords.c_str(), p.szCreator.c_str(),
            p.szProducer.c_str());
    return result == 1;
}
