// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "settings/sheets/OpenSettings.h"

#include <QCoreApplication>

#include <algorithm>
#include <iterator>

#include "convert/ImageFormat.h"
#include "convert/OutputKind.h"
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
    const ImageSettings &img = current.img;
    AddPage<CComn>(sheet, img, iniPath);
    AddPage<CBmpp>(sheet, img, iniPath);
    AddPage<CTiff>(sheet, img, iniPath);
    AddPage<CJpg>(sheet, img, iniPath);
    AddPage<CGif>(sheet, img, iniPath);
    AddPage<CPng>(sheet, img, iniPath);
    AddPage<CPcx>(sheet, img, iniPath);
    AddPage<CJp2>(sheet, img, iniPath);
    AddPage<CJpc>(sheet, img, iniPath);
    AddPage<CRas>(sheet, img, iniPath);
    AddPage<CTga>(sheet, img, iniPath);
}

int ImagePageOfFormat(int formatIndex) {
    // The format codes of the pages above, in tab order; the Common page
    // (0) stands for the formats without a page of their own.
    constexpr int kPageFormats[] = {0,
                                    IC_FORMAT_BMP,
                                    IC_FORMAT_TIFF,
                                    IC_FORMAT_JPEG,
                                    IC_FORMAT_GIF,
                                    IC_FORMAT_PNG,
                                    IC_FORMAT_PCX,
                                    IC_FORMAT_JP2,
                                    IC_FORMAT_JPC,
                                    IC_FORMAT_RAS,
                                    IC_FORMAT_TGA};
    if (formatIndex < 0 || formatIndex >= static_cast<int>(kImageFormats.size()))
        return 0;
    const int code = kImageFormats[static_cast<std::size_t>(formatIndex)].code;
    const auto *page = std::find(std::begin(kPageFormats), std::end(kPageFormats), code);
    return page == std::end(kPageFormats) ? 0 : static_cast<int>(page - std::begin(kPageFormats));
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
