// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "settings/sheets/OpenSettings.h"

#include <QCoreApplication>

#include "convert/OutputKind.h"
#include "imageconv/ImageFormats.h"
#include "settings/sheets/CMyPropSheet.h"
#include "settings/sheets/CTxtDlg.h"
#include "settings/sheets/ImagePages.h"
#include "settings/sheets/PdfPages.h"

namespace {

template <class Page, class Group>
Page *AddPage(CMyPropSheet &sheet, const Group &group, const std::string &iniPath) {
    auto *page = new Page(&sheet); // owned by the sheet's tabs
    sheet.AddPage(page);
    page->Setup(group, iniPath);
    return page;
}

} // namespace

void BuildImageSheet(CMyPropSheet &sheet, const std::string &iniPath,
                     const ConvertSettings &current) {
    AddPage<CComn>(sheet, current.img, iniPath);
    // The format pages by their tab positions, 1 on.
    for (int tab = 1; tab <= static_cast<int>(kImageFormats.size()); ++tab) {
        for (const ImageFormat &format : kImageFormats) {
            if (format.page.tab != tab)
                continue;
            if (CImagePage *page = MakeFormatPage(format, &sheet)) { // owned by the sheet's tabs
                sheet.AddPage(page);
                page->Setup(current.img, iniPath);
            }
        }
    }
}

int ImagePageOfFormat(int formatIndex) {
    // The Common page (0) stands for the formats without a page of their own.
    if (formatIndex < 0 || formatIndex >= static_cast<int>(kImageFormats.size()))
        return 0;
    return kImageFormats[static_cast<std::size_t>(formatIndex)].page.tab;
}

void BuildPdfSheet(CMyPropSheet &sheet, const std::string &iniPath,
                   const ConvertSettings &current) {
    auto *security = AddPage<CSecurity>(sheet, current.pdf, iniPath);
    AddPage<CInfo>(sheet, current.pdf, iniPath);
    AddPage<CStampDlg>(sheet, current.stamp, iniPath);
    auto *quality = AddPage<CQuality>(sheet, current.pdf, iniPath);
    // PDF/A and encryption exclude each other.
    QObject::connect(security, &CSecurity::EncryptionChanged, quality, &CQuality::SetEncryptionOn);
    QObject::connect(quality, &CQuality::PdfAChanged, security, &CSecurity::SetPdfAOn);
}

bool OpenSettings(QWidget *parent, int outputKind, const std::string &iniPath,
                  const ConvertSettings &current) {
    if (!IsOutputKind(outputKind))
        return false;
    switch (ToOutputKind(outputKind)) {
    case OutputKind::Image: {
        CMyPropSheet sheet(QCoreApplication::translate("CMainDlg", "Image Settings"), parent);
        BuildImageSheet(sheet, iniPath, current);
        sheet.SetStartPage(ImagePageOfFormat(current.m_nFormat));
        return sheet.exec() == QDialog::Accepted;
    }
    case OutputKind::Pdf: {
        CMyPropSheet sheet(QCoreApplication::translate("CMainDlg", "PDF Settings"), parent);
        BuildPdfSheet(sheet, iniPath, current);
        return sheet.exec() == QDialog::Accepted;
    }
    case OutputKind::Text: {
        CTxtDlg dialog(parent);
        dialog.Setup(current.txt.nTextMode, current.txt.bPageBreak, iniPath);
        return dialog.exec() == QDialog::Accepted;
    }
    }
    return false;
}
