// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/PdfFinish.h"

#include <algorithm>

#include "convert/EngineArgs.h"
#include "convert/EngineModule.h"
#include "settings/ConvertSettings.h"

std::string LumbrelLastError(const ExtractorModule &extractor) {
    if (!extractor.lastError)
        return {};
    char buffer[512];
    int length = extractor.lastError(buffer, sizeof buffer);
    if (length <= 0)
        return {};
    if (length < int(sizeof buffer))
        return std::string(buffer, size_t(length));
    std::string text(size_t(length) + 1, '\0');
    length = extractor.lastError(text.data(), int(text.size()));
    text.resize(length > 0 ? std::min(size_t(length), text.size() - 1) : 0);
    return text;
}

bool FinishPdf(const ExtractorModule &extractor, const ConvertSettings &settings,
               const std::string &pdf) {
    if (!extractor.finish)
        return false;
    const PdfSettings &p = settings.pdf;
    const StampSettings &st = settings.stamp;
    return extractor.finish(pdf.c_str(), p.szOwnerPassword.c_str(), p.szUserPassword.c_str(),
                            kPdfAppText, st.bUseText, st.szText.c_str(), st.crColor, st.nFontSize,
                            -1 - st.nPosition, st.nRotation, st.nOffsetX, st.nOffsetY,
                            st.bBackground, p.szTitle.c_str(), p.szAuthor.c_str(),
                            p.szSubject.c_str(), p.szKeywords.c_str(), p.szCreator.c_str(),
                            p.szProducer.c_str(), p.bEncrypt, static_cast<int>(KeyLevelOf(p)),
                            PdfPermissions(p), PdfAPartOf(p), p.bFastWeb, p.bEmbedFonts) == 1;
}
