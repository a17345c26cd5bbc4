// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "settings/sheets/PdfPages.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPainter>

#include "res/SettingsTemplates.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

namespace {

enum : int {
    IDC_ENCRYPT = 1017,
    IDC_USER_PASSWORD = 1018,
    IDC_USER_CONFIRM = 1026,
    IDC_OWNER_PASSWORD = 1019,
    IDC_LEVEL_40 = 1020,
    IDC_LEVEL_128 = 1021,
    IDC_LEVEL_AES256 = 1025,
    IDC_PRINT = 1022,
    IDC_CHANGE = 1023,
    IDC_COPY = 1024,
    IDC_FORMS = 1028,
};

enum : int {
    IDC_QUALITY = 1050,
    IDC_PDFA = 1051,
    IDC_EMBED_FONTS = 1052,
    IDC_FAST_WEB = 1053,
};

// "pdfa" 1-3 is a PDF/A part; any other value is none.
bool IsPdfAPart(int value) {
    return value >= 1 && value <= 3;
}

enum : int {
    IDC_STAMP_ON = 1031,
    IDC_STAMP_TEXT = 1032,
    IDC_STAMP_SIZE = 1033,
    IDC_STAMP_POSITION = 1034,
    IDC_STAMP_ROTATE = 1035,
    IDC_STAMP_COLOUR = 1036,
    IDC_STAMP_OFFX = 1037,
    IDC_STAMP_OFFY = 1038,
    IDC_STAMP_SWATCH = 1039,
    IDC_STAMP_BACKGROUND = 1041,
};

// Edits take up to 256 characters; what is written keeps at most 255.
constexpr int kEditLimit = 256;
constexpr std::size_t kWriteLimit = IniFile::kMaxString;

struct InfoRow {
    int id;
    const char *key;
    std::string PdfSettings::*field;
};
constexpr InfoRow kInfoRows[] = {
    {1013, "title", &PdfSettings::szTitle},     {1014, "subject", &PdfSettings::szSubject},
    {1015, "author", &PdfSettings::szAuthor},   {1016, "keywords", &PdfSettings::szKeywords},
    {1017, "creator", &PdfSettings::szCreator}, {1020, "producer", &PdfSettings::szProducer},
};

QColor FromColourRef(int cr) {
    return QColor(cr & 0xff, (cr >> 8) & 0xff, (cr >> 16) & 0xff);
}

int ToColourRef(const QColor &c) {
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

} // namespace

// ---- Security --------------------------------------------------------------

CSecurity::CSecurity(QWidget *parent) : CSettingsPage(dlgtpl::kTplSecurity, kSectionPdf, parent) {}

void CSecurity::Setup(const PdfSettings &settings, const std::string &iniPath) {
    m_settings = settings;
    m_bPdfAOn = IsPdfAPart(settings.nPdfA);
    SetIniPath(iniPath);
}

void CSecurity::SetPdfAOn(bool on) {
    m_bPdfAOn = on;
    if (IsCreated())
        EnableItem(IDC_ENCRYPT, !m_bPdfAOn || m_bEncrypt != 0);
}

void CSecurity::DoDataExchange(bool save) {
    DDX_Check(save, IDC_ENCRYPT, m_bEncrypt);
    DDX_Radio(save, {IDC_LEVEL_40, IDC_LEVEL_128, IDC_LEVEL_AES256}, m_nKeyLevel);
    DDX_Check(save, IDC_PRINT, m_bAllowPrint);
    DDX_Check(save, IDC_CHANGE, m_bAllowChange);
    DDX_Check(save, IDC_COPY, m_bAllowCopy);
    DDX_Check(save, IDC_FORMS, m_bAllowForms);
}

void CSecurity::OnInitDialog() {
    for (int id : {IDC_USER_PASSWORD, IDC_USER_CONFIRM, IDC_OWNER_PASSWORD})
        ItemAs<QLineEdit>(id)->setMaxLength(kEditLimit);

    m_bAllowCopy = m_settings.bAllowCopy;
    m_bAllowForms = m_settings.bAllowForms;
    m_bAllowChange = m_settings.bAllowChange;
    // 0 is 40-bit RC4, 2 is 256-bit AES, any other level 128-bit RC4.
    m_nKeyLevel = m_settings.nKeyLevel == 0 || m_settings.nKeyLevel == 2 ? m_settings.nKeyLevel : 1;
    m_bEncrypt = m_settings.bEncrypt;
    m_bAllowPrint = m_settings.bAllowPrint;

    SetItemText(IDC_USER_PASSWORD, QString::fromStdString(m_settings.szUserPassword));
    SetItemText(IDC_USER_CONFIRM, QString::fromStdString(m_settings.szUserPassword));
    SetItemText(IDC_OWNER_PASSWORD, QString::fromStdString(m_settings.szOwnerPassword));

    DoDataExchange(false);
    ApplyEncryptionRule();

    connect(ItemAs<QCheckBox>(IDC_ENCRYPT), &QCheckBox::toggled, this,
            &CSecurity::ApplyEncryptionRule);
}

void CSecurity::ApplyEncryptionRule() {
    DoDataExchange(true);
    const bool on = m_bEncrypt != 0;
    for (int id :
         {IDC_LEVEL_40, IDC_LEVEL_128, IDC_LEVEL_AES256, IDC_USER_PASSWORD, IDC_USER_CONFIRM,
          IDC_OWNER_PASSWORD, IDC_PRINT, IDC_COPY, IDC_CHANGE, IDC_FORMS})
        EnableItem(id, on);
    EnableItem(IDC_ENCRYPT, !m_bPdfAOn || on);
    emit EncryptionChanged(on);
}

QString CSecurity::Refusal() {
    // The user password is typed blind: a typo would lock every output, so
    // it must be typed the same twice while encryption is on.
    auto *confirm = ItemAs<QLineEdit>(IDC_USER_CONFIRM);
    if (!ItemAs<QCheckBox>(IDC_ENCRYPT)->isChecked() ||
        confirm->text() == ItemAs<QLineEdit>(IDC_USER_PASSWORD)->text())
        return QString();
    confirm->setFocus(Qt::OtherFocusReason);
    confirm->selectAll();
    return tr("The two user passwords differ. Type the same password in both fields.");
}

void CSecurity::WriteKeys(IniFile &ini) {
    WriteInt(ini, "encrypt", m_bEncrypt);
    WriteInt(ini, "level", m_nKeyLevel < 0 ? 0 : m_nKeyLevel);
    WriteInt(ini, "print", m_bAllowPrint);
    WriteInt(ini, "change", m_bAllowChange);
    WriteInt(ini, "copy", m_bAllowCopy);
    WriteInt(ini, "add", m_bAllowForms);
    Write(ini, "upass", ItemText(IDC_USER_PASSWORD, kWriteLimit));
    Write(ini, "opass", ItemText(IDC_OWNER_PASSWORD, kWriteLimit));
}

// ---- Information -----------------------------------------------------------

CInfo::CInfo(QWidget *parent) : CSettingsPage(dlgtpl::kTplInfo, kSectionPdf, parent) {}

void CInfo::Setup(const PdfSettings &settings, const std::string &iniPath) {
    m_settings = settings;
    SetIniPath(iniPath);
}

void CInfo::OnInitDialog() {
    for (const InfoRow &row : kInfoRows) {
        ItemAs<QLineEdit>(row.id)->setMaxLength(kEditLimit);
        SetItemText(row.id, QString::fromStdString(m_settings.*row.field));
    }
}

void CInfo::WriteKeys(IniFile &ini) {
    for (const InfoRow &row : kInfoRows)
        Write(ini, row.key, ItemText(row.id, kWriteLimit));
}

// ---- Watermark -------------------------------------------------------------

CStampDlg::CStampDlg(QWidget *parent) : CSettingsPage(dlgtpl::kTplStamp, kSectionPdf, parent) {}

void CStampDlg::Setup(const StampSettings &settings, const std::string &iniPath) {
    m_settings = settings;
    SetIniPath(iniPath);
}

void CStampDlg::DoDataExchange(bool save) {
    DDX_Check(save, IDC_STAMP_ON, m_bUseText);
    DDX_CBIndex(save, IDC_STAMP_POSITION, m_nPosition);
    DDX_Check(save, IDC_STAMP_BACKGROUND, m_bBackground);
}

void CStampDlg::OnInitDialog() {
    m_rcSwatch = Item(IDC_STAMP_SWATCH)->geometry();

    SetItemText(IDC_STAMP_TEXT, QString::fromStdString(m_settings.szText));
    SetItemText(IDC_STAMP_SIZE, IntText(m_settings.nFontSize));
    m_nPosition = m_settings.nPosition;
    m_crColor = m_settings.crColor;
    m_bBackground = m_settings.bBackground;
    SetItemText(IDC_STAMP_ROTATE, IntText(m_settings.nRotation));
    SetItemText(IDC_STAMP_OFFX, IntText(m_settings.nOffsetX));
    SetItemText(IDC_STAMP_OFFY, IntText(m_settings.nOffsetY));
    m_bUseText = m_settings.bUseText;

    DoDataExchange(false);
    ApplyStampRule();

    connect(ItemAs<QCheckBox>(IDC_STAMP_ON), &QCheckBox::toggled, this, &CStampDlg::ApplyStampRule);
    connect(ItemAs<QAbstractButton>(IDC_STAMP_COLOUR), &QAbstractButton::clicked, this,
            &CStampDlg::OnColour);
}

void CStampDlg::ApplyStampRule() {
    DoDataExchange(true);
    const bool on = m_bUseText != 0;
    for (int id : {IDC_STAMP_TEXT, IDC_STAMP_SIZE, IDC_STAMP_COLOUR, IDC_STAMP_POSITION,
                   IDC_STAMP_ROTATE, IDC_STAMP_OFFX, IDC_STAMP_OFFY, IDC_STAMP_BACKGROUND})
        EnableItem(id, on);
    update(m_rcSwatch);
}

void CStampDlg::OnColour() {
    if (m_bUseText != 1)
        return;
    // The chooser opens on the stamp's current colour; only a confirmed
    // choice replaces it.
    QColorDialog chooser(FromColourRef(m_crColor), this);
    chooser.setOption(QColorDialog::DontUseNativeDialog);
    chooser.setWindowTitle(QCoreApplication::translate("dlgtpl", "颜色"));
    if (chooser.exec() == QDialog::Accepted)
        m_crColor = ToColourRef(chooser.selectedColor());
    update(m_rcSwatch);
}

void CStampDlg::paintEvent(QPaintEvent *event) {
    CSettingsPage::paintEvent(event);
    if (!IsCreated() || !m_bUseText)
        return;
    QPainter painter(this);
    painter.fillRect(m_rcSwatch, FromColourRef(m_crColor));
}

void CStampDlg::WriteKeys(IniFile &ini) {
    Write(ini, "text", ItemText(IDC_STAMP_TEXT, kWriteLimit));
    Write(ini, "fsize", ItemText(IDC_STAMP_SIZE, kWriteLimit));
    WriteInt(ini, "fcolor", m_crColor);
    // A stored position outside the list leaves no item selected; the key
    // then stays as the file has it.
    if (m_nPosition >= 0)
        WriteInt(ini, "fpos", m_nPosition);
    Write(ini, "frotate", ItemText(IDC_STAMP_ROTATE, kWriteLimit));
    Write(ini, "foffx", ItemText(IDC_STAMP_OFFX, kWriteLimit));
    Write(ini, "foffy", ItemText(IDC_STAMP_OFFY, kWriteLimit));
    WriteInt(ini, "tuse", m_bUseText);
    WriteInt(ini, "bground", m_bBackground);
}

// ---- Quality ---------------------------------------------------------------

CQuality::CQuality(QWidget *parent) : CSettingsPage(dlgtpl::kTplQuality, kSectionPdf, parent) {}

void CQuality::Setup(const PdfSettings &settings, const std::string &iniPath) {
    m_settings = settings;
    m_bEncryptOn = settings.bEncrypt == 1;
    SetIniPath(iniPath);
}

void CQuality::DoDataExchange(bool save) {
    DDX_CBIndex(save, IDC_QUALITY, m_nQuality);
    DDX_CBIndex(save, IDC_PDFA, m_nPdfA);
    DDX_Check(save, IDC_EMBED_FONTS, m_bEmbedFonts);
    DDX_Check(save, IDC_FAST_WEB, m_bFastWeb);
}

void CQuality::OnInitDialog() {
    // A stored preset outside the list shows no item and is kept as stored.
    m_nQuality = m_settings.nQuality;
    m_nPdfA = IsPdfAPart(m_settings.nPdfA) ? m_settings.nPdfA : 0;
    m_bEmbedFonts = m_settings.bEmbedFonts;
    m_bFastWeb = m_settings.bFastWeb;
    DoDataExchange(false);
    ApplyExclusionRule();

    connect(ItemAs<QComboBox>(IDC_PDFA), &QComboBox::currentIndexChanged, this,
            &CQuality::ApplyExclusionRule);
}

void CQuality::SetEncryptionOn(bool on) {
    m_bEncryptOn = on;
    if (IsCreated())
        EnableItem(IDC_PDFA, !m_bEncryptOn || m_nPdfA > 0);
}

void CQuality::ApplyExclusionRule() {
    DoDataExchange(true);
    const bool on = m_nPdfA > 0;
    EnableItem(IDC_PDFA, !m_bEncryptOn || on);
    emit PdfAChanged(on);
}

void CQuality::WriteKeys(IniFile &ini) {
    if (m_nQuality >= 0)
        WriteInt(ini, "quality", m_nQuality);
    WriteInt(ini, "pdfa", m_nPdfA < 0 ? 0 : m_nPdfA);
    WriteInt(ini, "embedfonts", m_bEmbedFonts);
    WriteInt(ini, "fastweb", m_bFastWeb);
}
