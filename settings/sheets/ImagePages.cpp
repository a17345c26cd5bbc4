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

#include <array>

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
    IDC_EACH = 1034,
    IDC_ANGLE = 1033,
    IDC_ANTIALIAS = 1065,
};
// Format pages.
enum : int {
    IDC_DESCRIPTION = 1035,
    IDC_QUALITY_TEXT = 1042,
    IDC_JPG_COLOUR = 1031,
    IDC_JPG_QUALITY = 1041,
    IDC_TIF_COLOUR = 1040,
    IDC_TIF_COMPRESS = 1030,
    IDC_TIF_QUALITY_LABEL = 1062,
    IDC_TIF_QUALITY = 1032,
    IDC_TIF_MULTIPAGE = 1043,
};

constexpr int kSizeDigits = 4;

const char *const kDescBmp = QT_TRANSLATE_NOOP(
    "CImagePage",
    "The BMP file format, also known as bitmap or Device Independent Bitmap (DIB) file format, "
    "is a image file format used to store bitmap digital images, especially on Microsoft Windows "
    "and OS/2 operating systems.");
const char *const kDescTiff = QT_TRANSLATE_NOOP(
    "CImagePage", "Tagged Image File Format (abbreviated TIFF) is a file format for "
                  "storing images, including photographs and line art.");
const char *const kDescJpeg = QT_TRANSLATE_NOOP(
    "CImagePage", "JPEG is a compression method specifically intended for continuous-tone images.");
const char *const kDescGif = QT_TRANSLATE_NOOP(
    "CImagePage",
    "The Graphics Interchange Format (GIF) is a bitmap image format that was introduced by "
    "CompuServe in 1987 and has since come into widespread usage on the World Wide Web due to its "
    "wide support and portability.");
const char *const kDescPng = QT_TRANSLATE_NOOP(
    "CImagePage",
    "Portable Network Graphics is a bitmapped image format that employs lossless data "
    "compression.");
const char *const kDescPcx = QT_TRANSLATE_NOOP(
    "CImagePage",
    "PCX is the native file format for PC Paintbrush (PCX = 'Personal Computer eXchange') and "
    "became one of the first widely accepted DOS imaging standards.");
const char *const kDescJp2 = QT_TRANSLATE_NOOP(
    "CImagePage",
    "JPEG 2000 is an image compression standard and coding system. It was created by the Joint "
    "Photographic Experts Group committee in 2000 with the intention of superseding their "
    "original discrete cosine transform-based JPEG standard (created in 1992) with a newly "
    "designed, wavelet-based method.");
const char *const kDescJpc = QT_TRANSLATE_NOOP(
    "CImagePage",
    "JPC is an image file similar to JPEG-1, and it is in connection with File containing JPEG "
    "2000 Code. There is no standardized extension for code-stream data because code-stream data "
    "is not to be considered to be stored in files in first place, though when done for testing "
    "purposes, the extension .JPC or .J2K appear frequently.");
const char *const kDescRas = QT_TRANSLATE_NOOP(
    "CImagePage",
    "The RAS file extension is related to Sun Raster format. The Sun Raster format is the native "
    "bitmap format on the Sun UNIX platforms. It is a simple bitmap format with wide "
    "distribution, particularly in the UNIX world. The default extension for Sun Raster files is "
    "RAS.");
const char *const kDescTga = QT_TRANSLATE_NOOP(
    "CImagePage",
    "Truevision TGA, often referred to as TARGA, is a raster graphics file format. TARGA is an "
    "acronym for Truevision Advanced Raster Graphics Adapter; TGA is an initialism for Truevision "
    "Graphics Adapter.");

const CColourPage::Info kBmpInfo{&dlgtpl::kTplBmp, 1036, "bmpc", &ImageSettings::szBmpColor,
                                 kDescBmp};
const CColourPage::Info kGifInfo{&dlgtpl::kTplGif, 1037, "gifc", &ImageSettings::szGifColor,
                                 kDescGif};
const CColourPage::Info kPngInfo{&dlgtpl::kTplPng, 1039, "pngc", &ImageSettings::szPngColor,
                                 kDescPng};
const CColourPage::Info kPcxInfo{&dlgtpl::kTplPcx, 1038, "pcxc", &ImageSettings::szPcxColor,
                                 kDescPcx};
const CColourPage::Info kJp2Info{&dlgtpl::kTplJp2, 1053, "jp2c", &ImageSettings::szJp2Color,
                                 kDescJp2};
const CColourPage::Info kJpcInfo{&dlgtpl::kTplJpc, 1052, "jpcc", &ImageSettings::szJpcColor,
                                 kDescJpc};
const CColourPage::Info kRasInfo{&dlgtpl::kTplRas, 1051, "rasc", &ImageSettings::szRasColor,
                                 kDescRas};
const CColourPage::Info kTgaInfo{&dlgtpl::kTplTga, 1050, "tgac", &ImageSettings::szTgaColor,
                                 kDescTga};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

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

    SetItemText(IDC_XDPI, IntText(m_settings.nXDpi));
    SetItemText(IDC_YDPI, IntText(m_settings.nYDpi));

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
    Write(ini, "xdpi", ItemText(IDC_XDPI, IniFile::kMaxString));
    Write(ini, "ydpi", ItemText(IDC_YDPI, IniFile::kMaxString));
    WriteInt(ini, "antialias", m_bAntialias);
}

// ---- Colour-only pages -----------------------------------------------------

CColourPage::CColourPage(const Info &info, QWidget *parent)
    : CImagePage(*info.tpl, kSectionImage, parent), m_info(info) {}

void CColourPage::OnInitDialog() {
    SetItemText(IDC_DESCRIPTION, QCoreApplication::translate("CImagePage", m_info.description));
    SelectColourValue(ItemAs<QComboBox>(m_info.listId), m_settings.*m_info.field);
}

void CColourPage::WriteKeys(IniFile &ini) {
    if (auto value = SelectedColourValue(ItemAs<QComboBox>(m_info.listId)))
        Write(ini, m_info.key, *value);
}

CBmpp::CBmpp(QWidget *parent) : CColourPage(kBmpInfo, parent) {}
CGif::CGif(QWidget *parent) : CColourPage(kGifInfo, parent) {}
CPng::CPng(QWidget *parent) : CColourPage(kPngInfo, parent) {}
CPcx::CPcx(QWidget *parent) : CColourPage(kPcxInfo, parent) {}
CJp2::CJp2(QWidget *parent) : CColourPage(kJp2Info, parent) {}
CJpc::CJpc(QWidget *parent) : CColourPage(kJpcInfo, parent) {}
CRas::CRas(QWidget *parent) : CColourPage(kRasInfo, parent) {}
CTga::CTga(QWidget *parent) : CColourPage(kTgaInfo, parent) {}

// ---- JPEG ------------------------------------------------------------------

CJpg::CJpg(QWidget *parent) : CImagePage(dlgtpl::kTplJpeg, kSectionImage, parent) {}

void CJpg::OnInitDialog() {
    SetItemText(IDC_DESCRIPTION, QCoreApplication::translate("CImagePage", kDescJpeg));
    SelectColourValue(ItemAs<QComboBox>(IDC_JPG_COLOUR), m_settings.szJpgColor);
    SetupQuality(ItemAs<QSlider>(IDC_JPG_QUALITY), ItemAs<QLabel>(IDC_QUALITY_TEXT),
                 m_settings.nJpgQuality);
}

void CJpg::WriteKeys(IniFile &ini) {
    if (auto value = SelectedColourValue(ItemAs<QComboBox>(IDC_JPG_COLOUR)))
        Write(ini, "jpgc", *value);
    WriteInt(ini, "JQu", ItemAs<QSlider>(IDC_JPG_QUALITY)->value());
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

CTiff::CTiff(QWidget *parent) : CImagePage(dlgtpl::kTplTiff, kSectionImage, parent) {}

void CTiff::DoDataExchange(bool save) {
    DDX_CBIndex(save, IDC_TIF_COMPRESS, m_nCompression);
    DDX_Check(save, IDC_TIF_MULTIPAGE, m_bMultipage);
}

void CTiff::OnInitDialog() {
    SetItemText(IDC_DESCRIPTION, QCoreApplication::translate("CImagePage", kDescTiff));
    m_nCompression = m_settings.nTifCompression;
    m_bMultipage = m_settings.bTifMultipage;
    SetupQuality(ItemAs<QSlider>(IDC_TIF_QUALITY), ItemAs<QLabel>(IDC_QUALITY_TEXT),
                 m_settings.nTifQuality);
    DoDataExchange(false);
    ApplyCompressionRule();
    // The stored colour replaces the rule's choice; the enabled states stay.
    SelectColourValue(ItemAs<QComboBox>(IDC_TIF_COLOUR), m_settings.szTifColor);
    DoDataExchange(false);

    connect(ItemAs<QComboBox>(IDC_TIF_COMPRESS), &QComboBox::currentIndexChanged, this,
            &CTiff::ApplyCompressionRule);
}

void CTiff::ApplyCompressionRule() {
    DoDataExchange(true);
    EnableItem(IDC_TIF_COLOUR, true);
    for (int id : {IDC_TIF_QUALITY, IDC_TIF_QUALITY_LABEL, IDC_QUALITY_TEXT})
        EnableItem(id, false);
    if (m_nCompression >= 0 && m_nCompression < static_cast<int>(kCompressionRules.size())) {
        const CompressionRule &rule = kCompressionRules[m_nCompression];
        EnableItem(IDC_TIF_COLOUR, rule.colourList);
        for (int id : {IDC_TIF_QUALITY, IDC_TIF_QUALITY_LABEL, IDC_QUALITY_TEXT})
            EnableItem(id, rule.quality);
        ItemAs<QComboBox>(IDC_TIF_COLOUR)->setCurrentIndex(rule.colourItem);
    }
    DoDataExchange(false);
}

void CTiff::WriteKeys(IniFile &ini) {
    if (auto value = SelectedColourValue(ItemAs<QComboBox>(IDC_TIF_COLOUR)))
        Write(ini, "tifc", *value);
    WriteInt(ini, "TJQu", ItemAs<QSlider>(IDC_TIF_QUALITY)->value());
    // A stored compression outside the list leaves no item selected; the key
    // then stays as the file has it.
    if (m_nCompression >= 0)
        WriteInt(ini, "compress", m_nCompression);
    WriteInt(ini, "multpage", m_bMultipage);
}
