#include "settings/sheets/OpenSettings.h"

#include <QCoreApplication>

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
