// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "settings/sheets/ImagePages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>

#include <array>

#include "common/AsciiCase.h"
#include "res/SettingsTemplates.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

namespace {

// The captions of the colour lists and the values they stand for.
struct ColourCaption {
    const char *caption;
    const char *value;
};
constexpr std::array<ColourCaption, 6> kColourCaptions = {{
    {"真彩", kColourValues[0]},
    {"256 色", kColourValues[1]},
    {"256 灰色", kColourValues[2]},
    {"16 色", kColourValues[3]},
    {"16 灰色", kColourValues[4]},
    {"黑白", kColourValues[5]},
}};

// Common page controls.
enum : int {
    IDC_RESIZE = 1023,
    IDC_WIDTH_LABEL = 1060,
    IDC_WIDTH = 1024,
    IDC_HEIGHT_LABEL = 1061,
    IDC_HEIGHT = 1025,
    IDC_XDPI = 1063,
    IDC_YDPI = 1064,
    IDC_SAMEDPI = 1066,
    IDC_EACH = 1034,
    IDC_ANGLE = 1033,
    IDC_ANTIALIAS = 1065,
};
// Format pages.
enum : int {
    IDC_DESCRIPTION = 1035,
    IDC_QUALITY_TEXT = 1042,
    IDC_JPG_QUALITY = 1041,
    IDC_TIF_COMPRESS = 1030,
    IDC_TIF_QUALITY_LABEL = 1062,
    IDC_TIF_QUALITY = 1032,
    IDC_TIF_MULTIPAGE = 1043,
};

constexpr int kSizeDigits = 4;

// A quality track bar: 1..100, page size 10, a tick every 10 above it, the
// number beside it following the bar once the page is set up. A stored
// value outside the range puts the bar at the nearer end while the number
// shows the stored value.
void SetupQuality(QSlider *bar, QLabel *number, int value) {
    bar->setRange(1, 100);
    bar->setPageStep(10);
    bar->setSingleStep(1);
    bar->setTickInterval(10);
    bar->setTickPosition(QSlider::TicksAbove);
    bar->setValue(value);
    number->setText(IntText(value));
    QObject::connect(bar, &QSlider::valueChanged, number,
                     [number](int v) { number->setText(IntText(v)); });
}

} // namespace

const char *ColourValueOfCaption(const QString &caption) {
    for (const ColourCaption &c : kColourCaptions)
        if (caption == QString::fromUtf8(c.caption))
            return c.value;
    return nullptr;
}

void SelectColourValue(QComboBox *list, const std::string &value) {
    for (int i = 0; i < list->count(); ++i) {
        const char *v = ColourValueOfCaption(dlgtpl::SourceItemText(list, i));
        if (v && EqualsIgnoringCase(v, value)) {
            list->setCurrentIndex(i);
            return;
        }
    }
    list->setCurrentIndex(-1);
}

std::optional<std::string> SelectedColourValue(const QComboBox *list) {
    if (list->currentIndex() < 0)
        return std::nullopt;
    const char *v = ColourValueOfCaption(dlgtpl::SourceItemText(list, list->currentIndex()));
    if (!v)
        return std::nullopt;
    return std::string(v);
}

void CImagePage::Setup(const ImageSettings &settings, const std::string &iniPath) {
    m_settings = ImageSettings{};
    m_settings = settings;
    SetIniPath(iniPath);
}

// ---- Common ----------------------------------------------------------------

CComn::CComn(QWidget *parent) : CImagePage(dlgtpl::kTplComn, kSectionImage, parent) {}

void CComn::DoDataExchange(bool save) {
    DDX_Check(save, IDC_RESIZE, m_bResize);
    DDX_Check(save, IDC_EACH, m_bFolderPerFile);
    DDX_Check(save, IDC_ANTIALIAS, m_bAntialias);
}

void CComn::OnInitDialog() {
    ItemAs<QLineEdit>(IDC_WIDTH)->setMaxLength(kSizeDigits);
    ItemAs<QLineEdit>(IDC_HEIGHT)->setMaxLength(kSizeDigits);

    // The resolution can only be one the run takes; the two boxes move
    // together while "Same for both" is on.
    auto *xdpi = ItemAs<QSpinBox>(IDC_XDPI);
    auto *ydpi = ItemAs<QSpinBox>(IDC_YDPI);
    for (QSpinBox *box : {xdpi, ydpi}) {
        box->setRange(kMinDpi, kMaxDpi);
        box->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    }
    xdpi->setValue(m_settings.nXDpi);
    ydpi->setValue(m_settings.nYDpi);
    auto *same = ItemAs<QCheckBox>(IDC_SAMEDPI);
    same->setChecked(xdpi->value() == ydpi->value());
    connect(xdpi, &QSpinBox::valueChanged, this, [ydpi, same](int v) {
        if (same->isChecked())
            ydpi->setValue(v);
    });
    connect(ydpi, &QSpinBox::valueChanged, this, [xdpi, same](int v) {
        if (same->isChecked())
            xdpi->setValue(v);
    });
    connect(same, &QCheckBox::toggled, this, [xdpi, ydpi](bool on) {
        if (on)
            ydpi->setValue(xdpi->value());
    });

    // The first rotation whose text begins with the stored angle.
    auto *angle = ItemAs<QComboBox>(IDC_ANGLE);
    const QString prefix = IntText(m_settings.nAngle);
    angle->setCurrentIndex(-1);
    for (int i = 0; i < angle->count(); ++i) {
        if (angle->itemText(i).startsWith(prefix, Qt::CaseInsensitive)) {
            angle->setCurrentIndex(i);
            break;
        }
    }

    SetItemText(IDC_WIDTH, IntText(m_settings.nWidth));
    SetItemText(IDC_HEIGHT, IntText(m_settings.nHeight));

    m_bResize = m_settings.bResize;
    m_bFolderPerFile = m_settings.bFolderPerFile;
    m_bAntialias = m_settings.bAntialias;
    DoDataExchange(false);
    ApplyResizeRule();

    connect(ItemAs<QCheckBox>(IDC_RESIZE), &QCheckBox::toggled, this, &CComn::OnResize);
}

QString CComn::Refusal() {
    for (int id : {IDC_XDPI, IDC_YDPI}) {
        auto *box = ItemAs<QSpinBox>(id);
        if (!box->hasAcceptableInput()) {
            box->setFocus(Qt::OtherFocusReason);
            box->selectAll();
            return tr("The resolution is %1 to %2 DPI.").arg(kMinDpi).arg(kMaxDpi);
        }
    }
    return {};
}

void CComn::OnResize() {
    DoDataExchange(true);
    ApplyResizeRule();
}

void CComn::ApplyResizeRule() {
    const bool on = m_bResize != 0;
    for (int id : {IDC_WIDTH, IDC_HEIGHT, IDC_WIDTH_LABEL, IDC_HEIGHT_LABEL})
        EnableItem(id, on);
}

void CComn::WriteKeys(IniFile &ini) {
    // Everything as it stands in the controls; the re-read corrects.
    if (ItemAs<QComboBox>(IDC_ANGLE)->currentIndex() >= 0)
        Write(ini, "angle", ItemText(IDC_ANGLE, IniFile::kMaxString));
    Write(ini, "width", ItemText(IDC_WIDTH, IniFile::kMaxString));
    Write(ini, "height", ItemText(IDC_HEIGHT, IniFile::kMaxString));
    WriteInt(ini, "resize", m_bResize);
    WriteInt(ini, "each", m_bFolderPerFile);
    WriteInt(ini, "xdpi", ItemAs<QSpinBox>(IDC_XDPI)->value());
    WriteInt(ini, "ydpi", ItemAs<QSpinBox>(IDC_YDPI)->value());
    WriteInt(ini, "antialias", m_bAntialias);
}

// ---- Format pages ----------------------------------------------------------

CColourPage::CColourPage(const ImageFormat &format, QWidget *parent)
    : CImagePage(*dlgtpl::ImagePageTemplate(format.page.templateId), kSectionImage, parent),
      m_format(format) {}

void CColourPage::OnInitDialog() {
    SetItemText(IDC_DESCRIPTION,
                QCoreApplication::translate("CImagePage", m_format.page.description));
    SelectColourValue(ItemAs<QComboBox>(m_format.page.colourList),
                      ImageSettingText(m_settings, m_format.keys.colour));
}

void CColourPage::WriteKeys(IniFile &ini) {
    WriteColour(ini);
}

void CColourPage::WriteColour(IniFile &ini) {
    if (auto value = SelectedColourValue(ItemAs<QComboBox>(m_format.page.colourList)))
        Write(ini, m_format.keys.colour, *value);
}

namespace {

// The class of a colour-only page, by the page's template.
CImagePage *MakeColourPage(const ImageFormat &format, QWidget *parent) {
    switch (format.page.templateId) {
    case 145:
        return new CBmpp(format, parent);
    case 147:
        return new CPng(format, parent);
    case 148:
        return new CGif(format, parent);
    case 149:
        return new CPcx(format, parent);
    case 162:
        return new CTga(format, parent);
    case 163:
        return new CJp2(format, parent);
    case 164:
        return new CJpc(format, parent);
    case 165:
        return new CRas(format, parent);
    }
    return new CColourPage(format, parent);
}

} // namespace

CImagePage *MakeFormatPage(const ImageFormat &format, QWidget *parent) {
    switch (format.page.kind) {
    case SheetPage::Colour:
        return MakeColourPage(format, parent);
    case SheetPage::Jpeg:
        return new CJpg(format, parent);
    case SheetPage::Tiff:
        return new CTiff(format, parent);
    case SheetPage::None:
        break;
    }
    return nullptr;
}

// ---- JPEG ------------------------------------------------------------------

void CJpg::OnInitDialog() {
    CColourPage::OnInitDialog();
    SetupQuality(ItemAs<QSlider>(IDC_JPG_QUALITY), ItemAs<QLabel>(IDC_QUALITY_TEXT),
                 ImageSettingInt(m_settings, m_format.keys.quality).value_or(0));
}

void CJpg::WriteKeys(IniFile &ini) {
    WriteColour(ini);
    WriteInt(ini, m_format.keys.quality, ItemAs<QSlider>(IDC_JPG_QUALITY)->value());
}

// ---- TIFF ------------------------------------------------------------------

namespace {

// What each compression allows: the colour list enabled, the quality
// controls enabled, and the colour item it selects.
struct CompressionRule {
    bool colourList;
    bool quality;
    int colourItem;
};
constexpr std::array<CompressionRule, 7> kCompressionRules = {{
    {true, false, 0},  // 未压缩
    {true, false, 0},  // LZW
    {true, false, 0},  // RLE
    {false, true, 0},  // JPEG
    {true, false, 0},  // PACKBITS
    {false, false, 5}, // CCITT FAX3
    {false, false, 5}, // CCITT FAX4
}};

} // namespace

void CTiff::DoDataExchange(bool save) {
    DDX_CBIndex(save, IDC_TIF_COMPRESS, m_nCompression);
    DDX_Check(save, IDC_TIF_MULTIPAGE, m_bMultipage);
}

void CTiff::OnInitDialog() {
    m_nCompression = ImageSettingInt(m_settings, m_format.keys.compression).value_or(0);
    m_bMultipage = ImageSettingInt(m_settings, m_format.keys.multiPage).value_or(0);
    SetupQuality(ItemAs<QSlider>(IDC_TIF_QUALITY), ItemAs<QLabel>(IDC_QUALITY_TEXT),
                 ImageSettingInt(m_settings, m_format.keys.quality).value_or(0));
    DoDataExchange(false);
    ApplyCompressionRule();
    // The stored colour (and the description) replace the rule's choice; the
    // enabled states stay.
    CColourPage::OnInitDialog();
    DoDataExchange(false);

    connect(ItemAs<QComboBox>(IDC_TIF_COMPRESS), &QComboBox::currentIndexChanged, this,
            &CTiff::ApplyCompressionRule);
}

void CTiff::ApplyCompressionRule() {
    DoDataExchange(true);
    const int colourList = m_format.page.colourList;
    EnableItem(colourList, true);
    for (int id : {IDC_TIF_QUALITY, IDC_TIF_QUALITY_LABEL, IDC_QUALITY_TEXT})
        EnableItem(id, false);
    if (m_nCompression >= 0 && m_nCompression < static_cast<int>(kCompressionRules.size())) {
        const CompressionRule &rule = kCompressionRules[m_nCompression];
        EnableItem(colourList, rule.colourList);
        for (int id : {IDC_TIF_QUALITY, IDC_TIF_QUALITY_LABEL, IDC_QUALITY_TEXT})
            EnableItem(id, rule.quality);
        ItemAs<QComboBox>(colourList)->setCurrentIndex(rule.colourItem);
    }
    DoDataExchange(false);
}

void CTiff::WriteKeys(IniFile &ini) {
    WriteColour(ini);
    WriteInt(ini, m_format.keys.quality, ItemAs<QSlider>(IDC_TIF_QUALITY)->value());
    // A stored compression outside the list leaves no item selected; the key
    // then stays as the file has it.
    if (m_nCompression >= 0)
        WriteInt(ini, m_format.keys.compression, m_nCompression);
    WriteInt(ini, m_format.keys.multiPage, m_bMultipage);
}
