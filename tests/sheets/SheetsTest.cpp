// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The settings sheets and the text dialog against a real Profile.ini.
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

#include <sys/stat.h>

#include <algorithm>

#include "SheetTestUtil.h"
#include "settings/IniFile.h"
#include "settings/SettingsStore.h"
#include "settings/sheets/CMyPropSheet.h"
#include "settings/sheets/CTxtDlg.h"
#include "settings/sheets/ImagePages.h"
#include "settings/sheets/OpenSettings.h"
#include "settings/sheets/PdfPages.h"

namespace {

ConvertSettings Loaded(const std::string &path) {
    ConvertSettings s;
    LoadAllSettings(path, s);
    return s;
}

// An image sheet set up from the file, shown, with tab `tab` selected.
struct ImageSheet {
    explicit ImageSheet(const TempProfile &ini) : sheet(QStringLiteral("Image Settings")) {
        BuildImageSheet(sheet, ini.Path(), Loaded(ini.Path()));
        sheet.show();
    }
    CSettingsPage *Show(int tab) {
        sheet.Tabs()->setCurrentIndex(tab);
        return sheet.Page(tab);
    }
    CMyPropSheet sheet;
};

struct PdfSheet {
    explicit PdfSheet(const TempProfile &ini) : sheet(QStringLiteral("PDF Settings")) {
        BuildPdfSheet(sheet, ini.Path(), Loaded(ini.Path()));
        sheet.show();
    }
    CSettingsPage *Show(int tab) {
        sheet.Tabs()->setCurrentIndex(tab);
        return sheet.Page(tab);
    }
    CMyPropSheet sheet;
};

enum ImageTab { kCommon, kBmp, kTiff, kJpeg, kGif, kPng, kPcx, kJp2, kJpc, kRas, kTga };
enum PdfTab { kSecurity, kInfo, kStamp, kQuality };

std::optional<std::string> Value(const TempProfile &ini, const char *section, const char *key) {
    return IniFile(ini.Path()).Find(section, key);
}

QString U(const char *utf8) {
    return QString::fromUtf8(utf8);
}

// Colours equal up to the shading a style lays over a frame.
bool Near(const QColor &a, const QColor &b) {
    return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 &&
           std::abs(a.blue() - b.blue()) <= 8;
}

// The colour a widget paints at `at`, rendered at full depth.
QColor PaintedAt(QWidget *w, QPoint at) {
    QImage image(w->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    w->render(&image);
    return image.pixelColor(at);
}

QStringList Items(const QComboBox *combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

const QByteArray kHandWritten = "; written by hand\r\n"
                                "[Set]\r\n"
                                "otype=0\r\n"
                                "\r\n"
                                "[Img]\r\n"
                                "angle=90\r\n"
                                "xdpi=300\r\n"
                                "JQu=80\r\n"
                                "gifc=16 Grays\r\n"
                                "[Pdf]\r\n"
                                "encrypt=1\r\n"
                                "upass=secret\r\n"
                                "tuse=1\r\n"
                                "[Txt]\r\n"
                                "txtmode=1\r\n";

} // namespace

class SheetsTest : public QObject {
    Q_OBJECT
private slots:
    void tabsOfBothSheets();
    void sheetHoldsEveryPage();
    void pagesBuiltWhenFirstShown();
    void cancelWritesNothing();
    void onlyVisitedPagesWrite();
    void commonPage();
    void commonRotationWithoutMatch();
    void colourLists();
    void jpegQuality();
    void tiffCompressionRule();
    void tiffStartUpKeepsStoredColour();
    void securityRule();
    void securityPasswordConfirmed();
    void securityPasswordsCut();
    void infoPage();
    void stampRuleAndSwatch();
    void stampColourChooser();
    void stampWrites();
    void qualityPageWritesItsKeys();
    void pdfAAndEncryptionExcludeEachOther();
    void textDialog();
    void readOnlyProfile();
    void openSettingsRunsTheRightDialog();
};

void SheetsTest::tabsOfBothSheets() {
    TempProfile ini;
    ImageSheet image(ini);
    QCOMPARE(image.sheet.windowTitle(), QStringLiteral("Image Settings"));
    const QStringList imageTabs = {U("共同"), "BMP", "TIFF", "JPEG", "GIF", "PNG",
                                   "PCX",     "JP2", "JPC",  "RAS",  "TGA"};
    QCOMPARE(image.sheet.Tabs()->count(), imageTabs.size());
    for (int i = 0; i < imageTabs.size(); ++i)
        QCOMPARE(image.sheet.Tabs()->tabText(i), imageTabs[i]);
    QCOMPARE(image.sheet.Tabs()->currentIndex(), 0);

    PdfSheet pdf(ini);
    QCOMPARE(pdf.sheet.windowTitle(), QStringLiteral("PDF Settings"));
    const QStringList pdfTabs = {U("PDF 安全"), U("PDF 信息"), U("水印"), U("PDF 质量")};
    QCOMPARE(pdf.sheet.Tabs()->count(), pdfTabs.size());
    for (int i = 0; i < pdfTabs.size(); ++i)
        QCOMPARE(pdf.sheet.Tabs()->tabText(i), pdfTabs[i]);

    // Only OK and Cancel, at the right end of the button row, OK first.
    const QList<QPushButton *> buttons =
        pdf.sheet.findChildren<QPushButton *>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(buttons.size(), 2);
    QPushButton *ok = pdf.sheet.OkButton();
    QPushButton *cancel = pdf.sheet.CancelButton();
    QVERIFY(ok->isVisible() && cancel->isVisible());
    QVERIFY(ok->geometry().right() < cancel->geometry().left());
    QVERIFY(pdf.sheet.width() - cancel->geometry().right() < 30);
    QVERIFY(ok->isDefault());
}

// The sheet opens large enough for its largest page and wide enough to show
// every tab without scrolling, and the user may make it larger. Visiting
// each page in turn neither resizes the sheet nor leaves any control of that
// page outside the part of the sheet that shows it.
void SheetsTest::sheetHoldsEveryPage() {
    TempProfile ini;
    ImageSheet image(ini);
    PdfSheet pdf(ini);
    for (CMyPropSheet *sheet : {&image.sheet, &pdf.sheet}) {
        QCoreApplication::processEvents();
        const QSize opened = sheet->size();
        int widest = 0;
        for (int i = 0; i < sheet->PageCount(); ++i)
            widest = std::max(widest, sheet->Page(i)->TemplateSize().width());
        QVERIFY(sheet->Page(0)->width() >= widest);
        const QTabBar *bar = sheet->Tabs()->tabBar();
        QVERIFY2(bar->tabRect(bar->count() - 1).right() < bar->width() &&
                     bar->tabRect(0).left() >= 0,
                 qPrintable(sheet->windowTitle() + ": a tab out of sight"));
        for (int i = 0; i < sheet->PageCount(); ++i) {
            sheet->Tabs()->setCurrentIndex(i);
            QCoreApplication::processEvents();
            const QString where = sheet->windowTitle() + ", " + sheet->Tabs()->tabText(i);
            QVERIFY2(sheet->size() == opened, qPrintable(where));

            CSettingsPage *page = sheet->Page(i);
            const QRect shown(page->mapTo(sheet, QPoint(0, 0)), page->size());
            QVERIFY2(sheet->rect().contains(shown), qPrintable(where));
            const QList<QWidget *> controls =
                page->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
            QVERIFY2(!controls.isEmpty(), qPrintable(where));
            for (QWidget *control : controls)
                QVERIFY2(page->rect().contains(control->geometry()),
                         qPrintable(where + ": " + control->objectName()));
        }
        sheet->resize(opened + QSize(120, 60));
        QCOMPARE(sheet->size(), opened + QSize(120, 60));
    }
}

void SheetsTest::pagesBuiltWhenFirstShown() {
    TempProfile ini;
    CMyPropSheet sheet(QStringLiteral("Image Settings"));
    BuildImageSheet(sheet, ini.Path(), Loaded(ini.Path()));
    for (int i = 0; i < sheet.PageCount(); ++i)
        QVERIFY(!sheet.Page(i)->IsCreated());
    sheet.show();
    QVERIFY(sheet.Page(kCommon)->IsCreated());
    QVERIFY(!sheet.Page(kJpeg)->IsCreated());
    QVERIFY(sheet.Page(kCommon)->Item(1023));
    QVERIFY(!sheet.Page(kJpeg)->Item(1041));

    sheet.Tabs()->setCurrentIndex(kJpeg);
    QVERIFY(sheet.Page(kJpeg)->IsCreated());
    QVERIFY(!sheet.Page(kTiff)->IsCreated());
    // Leaving a page keeps what was typed there.
    sheet.Page(kJpeg)->ItemAs<QSlider>(1041)->setValue(33);
    sheet.Tabs()->setCurrentIndex(kCommon);
    sheet.Tabs()->setCurrentIndex(kJpeg);
    QCOMPARE(sheet.Page(kJpeg)->ItemAs<QSlider>(1041)->value(), 33);
}

void SheetsTest::cancelWritesNothing() {
    TempProfile ini;
    ini.Write(kHandWritten);
    {
        ImageSheet image(ini);
        image.Show(kCommon)->ItemAs<QSpinBox>(1063)->setValue(150);
        image.Show(kTiff)->ItemAs<QComboBox>(1030)->setCurrentIndex(6);
        image.Show(kJpeg)->ItemAs<QSlider>(1041)->setValue(12);
        image.Show(kGif)->ItemAs<QComboBox>(1037)->setCurrentIndex(0);
        image.sheet.CancelButton()->click();
        QCOMPARE(image.sheet.result(), int(QDialog::Rejected));
    }
    QCOMPARE(ini.Read(), kHandWritten);
    {
        PdfSheet pdf(ini);
        pdf.Show(kSecurity)->ItemAs<QCheckBox>(1017)->setChecked(false);
        pdf.Show(kInfo)->ItemAs<QLineEdit>(1013)->setText("title");
        pdf.Show(kStamp)->ItemAs<QLineEdit>(1032)->setText("stamp");
        QTest::keyClick(&pdf.sheet, Qt::Key_Escape);
        QCOMPARE(pdf.sheet.result(), int(QDialog::Rejected));
        QVERIFY(!pdf.sheet.isVisible());
    }
    QCOMPARE(ini.Read(), kHandWritten);
    {
        CTxtDlg dlg;
        dlg.Setup(1, 0, ini.Path());
        dlg.show();
        dlgtpl::Control<QRadioButton>(&dlg, 1066)->click();
        dlgtpl::Control<QCheckBox>(&dlg, 1068)->click();
        dlg.close();
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
    }
    QCOMPARE(ini.Read(), kHandWritten);
}

void SheetsTest::onlyVisitedPagesWrite() {
    TempProfile ini;
    ini.Write("[Img]\nbmpc=16 Color\n");
    ImageSheet image(ini);
    CSettingsPage *jpeg = image.Show(kJpeg);
    jpeg->ItemAs<QComboBox>(1031)->setCurrentIndex(1);
    jpeg->ItemAs<QSlider>(1041)->setValue(42);
    image.sheet.OkButton()->click();
    QCOMPARE(image.sheet.result(), int(QDialog::Accepted));
    QVERIFY(image.sheet.Saved());

    const IniFile file(ini.Path());
    QCOMPARE(file.Find("Img", "jpgc").value_or(""), std::string("256 Grays"));
    QCOMPARE(file.Find("Img", "JQu").value_or(""), std::string("42"));
    QCOMPARE(file.Find("Img", "bmpc").value_or(""), std::string("16 Color"));
    // The eight Common keys, in their order, with the defaults it showed.
    const char *common[][2] = {{"angle", "0"},  {"width", "594"},  {"height", "842"},
                               {"resize", "0"}, {"each", "0"},     {"xdpi", "72"},
                               {"ydpi", "72"},  {"antialias", "1"}};
    for (auto &kv : common)
        QCOMPARE(file.Find("Img", kv[0]).value_or("<missing>"), std::string(kv[1]));
    for (const char *key : {"pngc", "pcxc", "gifc", "tgac", "jp2c", "rasc", "jpcc", "tifc",
                            "compress", "TJQu", "multpage"})
        QVERIFY2(!file.HasKey("Img", key), key);
    QVERIFY(!file.HasKey("Pdf", "encrypt") && !file.HasKey("Txt", "txtmode"));
    QCOMPARE(QString::fromUtf8(file.Text().c_str()),
             QStringLiteral("[Img]\nbmpc=16 Color\nangle=0\nwidth=594\nheight=842\nresize=0\n"
                            "each=0\nxdpi=72\nydpi=72\nantialias=1\njpgc=256 Grays\nJQu=42\n"));
}

void SheetsTest::commonPage() {
    TempProfile ini;
    ini.Write("[Img]\nangle=90\nwidth=300\nheight=400\nresize=1\neach=1\n");
    {
        ImageSheet image(ini);
        CSettingsPage *common = image.Show(kCommon);
        auto *width = common->ItemAs<QLineEdit>(1024);
        auto *height = common->ItemAs<QLineEdit>(1025);
        auto *xdpi = common->ItemAs<QSpinBox>(1063);
        auto *ydpi = common->ItemAs<QSpinBox>(1064);
        auto *same = common->ItemAs<QCheckBox>(1066);
        auto *angle = common->ItemAs<QComboBox>(1033);
        auto *resize = common->ItemAs<QCheckBox>(1023);

        QCOMPARE(angle->currentText(), QStringLiteral("90"));
        QCOMPARE(Items(angle), (QStringList{"0", "90", "180", "270"}));
        QVERIFY(!angle->isEditable());
        QCOMPARE(xdpi->value(), 72);
        QVERIFY(same->isChecked()); // the two are equal
        QCOMPARE(width->text(), QStringLiteral("300"));
        QVERIFY(resize->isChecked() && width->isEnabled());
        QVERIFY(common->ItemAs<QCheckBox>(1034)->isChecked());
        auto *smooth = common->ItemAs<QCheckBox>(1065);
        QVERIFY(smooth->isChecked()); // on when the profile doesn't say
        QCOMPARE(smooth->text(), QString::fromUtf8("平滑文本和图形（抗锯齿）"));
        smooth->click();

        // Digits only, four at most.
        width->clear();
        QTest::keyClicks(width, "1a2-34 5");
        QCOMPARE(width->text(), QStringLiteral("1234"));
        width->clear(); // a cleared width is written empty

        // Unchecking the resize box disables the size controls only.
        resize->click();
        for (int id : {1024, 1025, 1060, 1061})
            QVERIFY(!common->Item(id)->isEnabled());
        resize->click();
        QVERIFY(width->isEnabled());
        resize->click();

        // 72..600 only: 5000 can't be typed, "Same for both" moves the other.
        xdpi->selectAll();
        QTest::keyClicks(xdpi, "5000");
        QCOMPARE(xdpi->text(), QStringLiteral("500"));
        QCOMPARE(ydpi->value(), 500);
        same->click();
        ydpi->setValue(5000);
        QCOMPARE(ydpi->value(), 600);
        QCOMPARE(xdpi->value(), 500);
        // A box left below its range holds the sheet open.
        xdpi->selectAll();
        QTest::keyClicks(xdpi, "7");
        QVERIFY(!common->Refusal().isEmpty());
        xdpi->setValue(300);
        angle->setCurrentIndex(3);
        height->setText("0300");
        image.sheet.OkButton()->click();
    }
    const IniFile file(ini.Path());
    QCOMPARE(file.Find("Img", "xdpi").value_or(""), std::string("300"));
    QCOMPARE(file.Find("Img", "ydpi").value_or(""), std::string("600"));
    QCOMPARE(file.Find("Img", "width").value_or("<missing>"), std::string(""));
    QCOMPARE(file.Find("Img", "height").value_or(""), std::string("0300"));
    QCOMPARE(file.Find("Img", "angle").value_or(""), std::string("270"));
    QCOMPARE(file.Find("Img", "resize").value_or(""), std::string("0"));
    QCOMPARE(file.Find("Img", "each").value_or(""), std::string("1"));
    QCOMPARE(file.Find("Img", "antialias").value_or(""), std::string("0"));

    const ConvertSettings s = Loaded(ini.Path());
    QCOMPARE(s.img.nXDpi, 300);
    QCOMPARE(s.img.nYDpi, 600);
    QCOMPARE(s.img.nHeight, 300);
    QCOMPARE(s.img.nAngle, 270);
    QCOMPARE(s.img.bResize, 0);
    QCOMPARE(s.img.bAntialias, 0);
}

void SheetsTest::commonRotationWithoutMatch() {
    TempProfile ini;
    // 45 matches no item; a stored width longer than the edit's limit is
    // still shown and written whole.
    ini.Write("[Img]\nangle=45\nwidth=12345\n");
    {
        ImageSheet image(ini);
        CSettingsPage *common = image.Show(kCommon);
        QCOMPARE(common->ItemAs<QComboBox>(1033)->currentIndex(), -1);
        QCOMPARE(common->ItemAs<QLineEdit>(1024)->text(), QStringLiteral("12345"));
        image.sheet.OkButton()->click();
    }
    QCOMPARE(Value(ini, "Img", "angle").value_or(""), std::string("45"));
    QCOMPARE(Value(ini, "Img", "width").value_or(""), std::string("12345"));

    // The first item that begins with the angle: 1 shows 180.
    ini.Write("[Img]\nangle=1\n");
    ImageSheet image(ini);
    QCOMPARE(image.Show(kCommon)->ItemAs<QComboBox>(1033)->currentText(), QStringLiteral("180"));
}

void SheetsTest::colourLists() {
    TempProfile ini;
    ini.Write("[Img]\ngifc=True Color\npngc=256 grays\nbmpc=b&w\npcxc=bogus\n");
    const QString all = U("真彩\n256 色\n256 灰色\n16 色\n16 灰色\n黑白");
    const QString trueOrGrey = U("真彩\n256 灰色");
    struct Page {
        int tab;
        int list;
        QString items;
        int selected;
    };
    const Page pages[] = {
        {kBmp, 1036, all, 5},         {kTiff, 1040, all, 0},
        {kJpeg, 1031, trueOrGrey, 0}, {kGif, 1037, U("256 色\n256 灰色\n16 色\n16 灰色\n黑白"), -1},
        {kPng, 1039, all, 2},         {kPcx, 1038, all, -1},
        {kJp2, 1053, trueOrGrey, 0},  {kJpc, 1052, trueOrGrey, 0},
        {kRas, 1051, trueOrGrey, 0},  {kTga, 1050, U("真彩\n256 色\n256 灰色"), 0},
    };
    {
        ImageSheet image(ini);
        for (const Page &p : pages) {
            CSettingsPage *page = image.Show(p.tab);
            auto *list = page->ItemAs<QComboBox>(p.list);
            QVERIFY2(list, qPrintable(page->Caption()));
            QVERIFY(!list->isEditable());
            QCOMPARE(Items(list).join('\n'), p.items);
            QCOMPARE(list->currentIndex(), p.selected);
            // Every format page describes its format under "介绍：".
            auto *description = page->ItemAs<QLabel>(1035);
            QVERIFY(description && description->text().size() > 40);
        }
        QCOMPARE(image.Show(kTiff)->ItemAs<QLabel>(1035)->text(),
                 QStringLiteral("Tagged Image File Format (abbreviated TIFF) is a file format "
                                "for storing images, including photographs and line art."));
        image.Show(kPng)->ItemAs<QComboBox>(1039)->setCurrentIndex(3);
        image.Show(kTga)->ItemAs<QComboBox>(1050)->setCurrentIndex(1);
        image.sheet.OkButton()->click();
    }
    const IniFile file(ini.Path());
    // Lists without a selection leave their key as it was.
    QCOMPARE(file.Find("Img", "gifc").value_or(""), std::string("True Color"));
    QCOMPARE(file.Find("Img", "pcxc").value_or(""), std::string("bogus"));
    // Selected items write the value, in its own spelling.
    QCOMPARE(file.Find("Img", "bmpc").value_or(""), std::string("B&W"));
    QCOMPARE(file.Find("Img", "pngc").value_or(""), std::string("16 Color"));
    QCOMPARE(file.Find("Img", "tgac").value_or(""), std::string("256 Color"));
    QCOMPARE(file.Find("Img", "jp2c").value_or(""), std::string("True Color"));
}

void SheetsTest::jpegQuality() {
    TempProfile ini;
    ini.Write("[Img]\nJQu=500\n");
    {
        ImageSheet image(ini);
        CSettingsPage *jpeg = image.Show(kJpeg);
        auto *bar = jpeg->ItemAs<QSlider>(1041);
        auto *number = jpeg->ItemAs<QLabel>(1042);
        QCOMPARE(bar->minimum(), 1);
        QCOMPARE(bar->maximum(), 100);
        QCOMPARE(bar->pageStep(), 10);
        QCOMPARE(bar->tickInterval(), 10);
        QCOMPARE(bar->tickPosition(), QSlider::TicksAbove);
        QCOMPARE(bar->orientation(), Qt::Horizontal);
        QCOMPARE(bar->value(), 100);
        QCOMPARE(number->text(), QStringLiteral("500"));
        image.sheet.OkButton()->click();
    }
    QCOMPARE(Value(ini, "Img", "JQu").value_or(""), std::string("100"));

    ini.Write("[Img]\nJQu=0\n");
    {
        ImageSheet image(ini);
        CSettingsPage *jpeg = image.Show(kJpeg);
        auto *bar = jpeg->ItemAs<QSlider>(1041);
        QCOMPARE(bar->value(), 1);
        QCOMPARE(jpeg->ItemAs<QLabel>(1042)->text(), QStringLiteral("0"));
        // The number follows the bar, by keys and by page steps.
        bar->setFocus();
        QTest::keyClick(bar, Qt::Key_PageUp);
        QCOMPARE(bar->value(), 11);
        QCOMPARE(jpeg->ItemAs<QLabel>(1042)->text(), QStringLiteral("11"));
        QTest::keyClick(bar, Qt::Key_Right);
        QCOMPARE(jpeg->ItemAs<QLabel>(1042)->text(), QStringLiteral("12"));
        image.sheet.OkButton()->click();
    }
    QCOMPARE(Value(ini, "Img", "JQu").value_or(""), std::string("12"));
}

void SheetsTest::tiffCompressionRule() {
    TempProfile ini;
    ImageSheet image(ini);
    CSettingsPage *tiff = image.Show(kTiff);
    auto *compress = tiff->ItemAs<QComboBox>(1030);
    auto *colour = tiff->ItemAs<QComboBox>(1040);
    QCOMPARE(Items(compress), (QStringList{U("未压缩"), "LZW", "RLE", "JPEG", "PACKBITS",
                                           "CCITT FAX3", "CCITT FAX4"}));
    QCOMPARE(compress->currentIndex(), 3); // the default, JPEG

    struct Rule {
        bool colourEnabled;
        bool qualityEnabled;
        int colourItem;
    };
    const Rule rules[7] = {{true, false, 0}, {true, false, 0},  {true, false, 0}, {false, true, 0},
                           {true, false, 0}, {false, false, 5}, {false, false, 5}};
    for (int index : {6, 0, 1, 5, 2, 3, 4}) {
        colour->setCurrentIndex(2); // whatever was chosen, the rule resets it
        compress->setCurrentIndex(index);
        const Rule &r = rules[index];
        QVERIFY2(colour->isEnabled() == r.colourEnabled, qPrintable(QString::number(index)));
        QCOMPARE(colour->currentIndex(), r.colourItem);
        for (int id : {1032, 1062, 1042})
            QVERIFY2(tiff->Item(id)->isEnabled() == r.qualityEnabled,
                     qPrintable(QString::number(index)));
    }

    // FAX4, then LZW: black and white and locked, then true colour again.
    compress->setCurrentIndex(6);
    QCOMPARE(colour->currentText(), U("黑白"));
    QVERIFY(!colour->isEnabled() && !tiff->Item(1032)->isEnabled());
    compress->setCurrentIndex(1);
    QCOMPARE(colour->currentText(), U("真彩"));
    QVERIFY(colour->isEnabled());

    // The colour is written also while the list is locked.
    compress->setCurrentIndex(5);
    tiff->ItemAs<QSlider>(1032)->setValue(55);
    tiff->ItemAs<QCheckBox>(1043)->setChecked(true);
    image.sheet.OkButton()->click();
    const IniFile file(ini.Path());
    QCOMPARE(file.Find("Img", "tifc").value_or(""), std::string("B&W"));
    QCOMPARE(file.Find("Img", "compress").value_or(""), std::string("5"));
    QCOMPARE(file.Find("Img", "TJQu").value_or(""), std::string("55"));
    QCOMPARE(file.Find("Img", "multpage").value_or(""), std::string("1"));
}

void SheetsTest::tiffStartUpKeepsStoredColour() {
    TempProfile ini;
    ini.Write("[Img]\ncompress=3\ntifc=256 Grays\nTJQu=64\n");
    {
        ImageSheet image(ini);
        CSettingsPage *tiff = image.Show(kTiff);
        QCOMPARE(tiff->ItemAs<QComboBox>(1030)->currentText(), QStringLiteral("JPEG"));
        auto *colour = tiff->ItemAs<QComboBox>(1040);
        QVERIFY(!colour->isEnabled());
        QCOMPARE(colour->currentText(), U("256 灰色"));
        QVERIFY(tiff->Item(1032)->isEnabled());
        QCOMPARE(tiff->ItemAs<QSlider>(1032)->value(), 64);
        QCOMPARE(tiff->ItemAs<QLabel>(1042)->text(), QStringLiteral("64"));
        image.sheet.OkButton()->click();
    }
    QCOMPARE(Value(ini, "Img", "tifc").value_or(""), std::string("256 Grays"));

    // A compression outside the list: no item, colour list usable, quality
    // locked, and the key stays as the file has it.
    ini.Write("[Img]\ncompress=9\n");
    {
        ImageSheet image(ini);
        CSettingsPage *tiff = image.Show(kTiff);
        QCOMPARE(tiff->ItemAs<QComboBox>(1030)->currentIndex(), -1);
        QVERIFY(tiff->Item(1040)->isEnabled());
        QVERIFY(!tiff->Item(1032)->isEnabled());
        image.sheet.OkButton()->click();
    }
    QCOMPARE(Value(ini, "Img", "compress").value_or(""), std::string("9"));
}

void SheetsTest::securityRule() {
    TempProfile ini;
    ini.Write("[Pdf]\nencrypt=0\nlevel=1\nprint=1\ncopy=0\nchange=1\nadd=1\nupass=u1\n"
              "opass=o2\n");
    PdfSheet pdf(ini);
    CSettingsPage *page = pdf.Show(kSecurity);
    const int ruled[] = {1018, 1026, 1019, 1020, 1021, 1025, 1022, 1023, 1024, 1028};
    for (int id : ruled)
        QVERIFY2(!page->Item(id)->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(page->ItemAs<QRadioButton>(1021)->isChecked());
    QVERIFY(!page->ItemAs<QRadioButton>(1020)->isChecked());
    QVERIFY(page->ItemAs<QCheckBox>(1022)->isChecked());
    QVERIFY(!page->ItemAs<QCheckBox>(1024)->isChecked());
    QCOMPARE(page->ItemAs<QLineEdit>(1018)->text(), QStringLiteral("u1"));
    // The passwords echo no characters.
    QCOMPARE(page->ItemAs<QLineEdit>(1018)->echoMode(), QLineEdit::Password);
    QCOMPARE(page->ItemAs<QLineEdit>(1019)->echoMode(), QLineEdit::Password);

    page->ItemAs<QCheckBox>(1017)->click();
    for (int id : ruled)
        QVERIFY2(page->Item(id)->isEnabled(), qPrintable(QString::number(id)));
    page->ItemAs<QRadioButton>(1025)->click(); // "256-bit AES"
    page->ItemAs<QCheckBox>(1024)->click();
    page->ItemAs<QLineEdit>(1019)->setText("owner");
    // Unchecked again: everything is still written as it stands.
    page->ItemAs<QCheckBox>(1017)->click();
    QVERIFY(!page->Item(1019)->isEnabled());
    pdf.sheet.OkButton()->click();

    const IniFile file(ini.Path());
    const char *expect[][2] = {{"encrypt", "0"}, {"level", "2"},    {"print", "1"},
                               {"change", "1"},  {"copy", "1"},     {"add", "1"},
                               {"upass", "u1"},  {"opass", "owner"}};
    for (auto &kv : expect)
        QCOMPARE(file.Find("Pdf", kv[0]).value_or("<missing>"), std::string(kv[1]));
    // The two pages never shown wrote nothing.
    QVERIFY(!file.HasKey("Pdf", "title") && !file.HasKey("Pdf", "fcolor"));

    PdfSheet again(ini);
    QVERIFY(again.Show(kSecurity)->ItemAs<QRadioButton>(1025)->isChecked());
}

// The user password is typed twice: OK is refused, with a message and the
// Security page shown, while the two differ; nothing is written until they
// agree.
void SheetsTest::securityPasswordConfirmed() {
    TempProfile ini;
    ini.Write("[Pdf]\nencrypt=1\nupass=u1\n");
    PdfSheet pdf(ini);
    CSettingsPage *page = pdf.Show(kSecurity);
    auto *user = page->ItemAs<QLineEdit>(1018);
    auto *confirm = page->ItemAs<QLineEdit>(1026);
    QVERIFY(confirm && confirm->isEnabled());
    QCOMPARE(confirm->echoMode(), QLineEdit::Password);
    QCOMPARE(confirm->text(), QStringLiteral("u1"));
    user->setText("secret");
    confirm->setText("secert");
    pdf.Show(kInfo);

    QString said;
    auto answered = WhenModal<QMessageBox>([&](QMessageBox *box) {
        said = box->text();
        box->accept();
    });
    pdf.sheet.OkButton()->click();
    QVERIFY(*answered);
    QVERIFY2(said.contains("differ"), qPrintable(said));
    QVERIFY(pdf.sheet.isVisible());
    QCOMPARE(pdf.sheet.result(), int(QDialog::Rejected));
    QCOMPARE(pdf.sheet.Tabs()->currentIndex(), int(kSecurity));
    QCOMPARE(Value(ini, "Pdf", "upass").value_or(""), std::string("u1"));

    confirm->setText("secret");
    pdf.sheet.OkButton()->click();
    QCOMPARE(pdf.sheet.result(), int(QDialog::Accepted));
    QCOMPARE(Value(ini, "Pdf", "upass").value_or(""), std::string("secret"));
}

void SheetsTest::securityPasswordsCut() {
    TempProfile ini;
    ini.Write("[Pdf]\nlevel=7\n");
    const QString longPassword = QString(255, u'密') + u'x';
    {
        PdfSheet pdf(ini);
        CSettingsPage *page = pdf.Show(kSecurity);
        // Any level other than 0 is 128 bits.
        QVERIFY(page->ItemAs<QRadioButton>(1021)->isChecked());
        auto *user = page->ItemAs<QLineEdit>(1018);
        QCOMPARE(user->maxLength(), 256);
        user->setText(longPassword + "more");
        QCOMPARE(user->text(), longPassword);
        pdf.sheet.OkButton()->click();
    }
    const std::string written = Value(ini, "Pdf", "upass").value_or("");
    QCOMPARE(QString::fromStdString(written), QString(255, u'密'));
    QCOMPARE(Value(ini, "Pdf", "level").value_or(""), std::string("1"));
}

void SheetsTest::infoPage() {
    TempProfile ini;
    ini.Write("[Pdf]\ntitle=Old title\nproducer=P\n");
    {
        PdfSheet pdf(ini);
        CSettingsPage *page = pdf.Show(kInfo);
        QCOMPARE(page->ItemAs<QLineEdit>(1013)->text(), QStringLiteral("Old title"));
        QCOMPARE(page->ItemAs<QLineEdit>(1020)->text(), QStringLiteral("P"));
        const int ids[] = {1013, 1014, 1015, 1016, 1017, 1020};
        const char *texts[] = {"T", " spaced ", "A", "k1, k2", "C", ""};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(page->ItemAs<QLineEdit>(ids[i])->maxLength(), 256);
            page->ItemAs<QLineEdit>(ids[i])->setText(QString::fromUtf8(texts[i]));
        }
        page->ItemAs<QLineEdit>(1015)->setText(U("作者"));
        pdf.sheet.OkButton()->click();
    }
    const IniFile file(ini.Path());
    QCOMPARE(file.Find("Pdf", "title").value_or(""), std::string("T"));
    QCOMPARE(file.Find("Pdf", "subject").value_or(""), std::string(" spaced "));
    QCOMPARE(file.Find("Pdf", "author").value_or(""), U("作者").toStdString());
    QCOMPARE(file.Find("Pdf", "keywords").value_or(""), std::string("k1, k2"));
    QCOMPARE(file.Find("Pdf", "creator").value_or(""), std::string("C"));
    QCOMPARE(file.Find("Pdf", "producer").value_or("<missing>"), std::string(""));
    const ConvertSettings s = Loaded(ini.Path());
    QCOMPARE(s.pdf.szSubject, std::string(" spaced "));
}

void SheetsTest::stampRuleAndSwatch() {
    TempProfile ini;
    ini.Write("[Pdf]\ntuse=0\nfcolor=65280\n"); // green, stamp off
    PdfSheet pdf(ini);
    auto *page = static_cast<CStampDlg *>(pdf.Show(kStamp));
    const QPoint swatch = page->Item(1039)->geometry().center();
    auto swatchColour = [&] { return PaintedAt(page, swatch); };

    for (int id : {1032, 1033, 1036, 1034, 1035, 1037, 1038, 1041})
        QVERIFY2(!page->Item(id)->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(!Near(swatchColour(), QColor(0, 255, 0)));

    // The button does nothing while the stamp is off.
    auto opened = WhenModal<QColorDialog>([](QColorDialog *d) { d->reject(); }, 300);
    page->OnColour();
    QTest::qWait(400);
    QVERIFY(!*opened);

    page->ItemAs<QCheckBox>(1031)->click();
    for (int id : {1032, 1033, 1036, 1034, 1035, 1037, 1038, 1041})
        QVERIFY2(page->Item(id)->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(Near(swatchColour(), QColor(0, 255, 0)));

    page->ItemAs<QCheckBox>(1031)->click();
    QVERIFY(!Near(swatchColour(), QColor(0, 255, 0)));
}

void SheetsTest::stampColourChooser() {
    TempProfile ini;
    ini.Write("[Pdf]\ntuse=1\n");
    {
        PdfSheet pdf(ini);
        auto *page = static_cast<CStampDlg *>(pdf.Show(kStamp));
        QCOMPARE(page->CurrentColour(), 255); // red by default

        // Cancelled: the colour stays. The chooser opens on the current one.
        QColor opening;
        auto answered = WhenModal<QColorDialog>([&](QColorDialog *d) {
            opening = d->currentColor();
            d->setCurrentColor(Qt::blue);
            d->reject();
        });
        page->ItemAs<QPushButton>(1036)->click();
        QVERIFY(*answered);
        QCOMPARE(opening, QColor(255, 0, 0));
        QCOMPARE(page->CurrentColour(), 255);

        answered = WhenModal<QColorDialog>([](QColorDialog *d) {
            d->setCurrentColor(QColor(0, 0, 255));
            d->accept();
        });
        page->ItemAs<QPushButton>(1036)->click();
        QVERIFY(*answered);
        QCOMPARE(page->CurrentColour(), 16711680);
        answered = WhenModal<QColorDialog>([&](QColorDialog *d) {
            opening = d->currentColor();
            d->reject();
        });
        page->ItemAs<QPushButton>(1036)->click();
        QVERIFY(*answered);
        QCOMPARE(opening, QColor(0, 0, 255));
        const QPoint swatch = page->Item(1039)->geometry().center();
        QVERIFY(Near(PaintedAt(page, swatch), QColor(0, 0, 255)));
        pdf.sheet.OkButton()->click();
    }
    QCOMPARE(Value(ini, "Pdf", "fcolor").value_or(""), std::string("16711680"));
    QCOMPARE(Loaded(ini.Path()).stamp.crColor, 16711680);
}

void SheetsTest::stampWrites() {
    TempProfile ini;
    {
        PdfSheet pdf(ini);
        CSettingsPage *page = pdf.Show(kStamp);
        auto *position = page->ItemAs<QComboBox>(1034);
        QCOMPARE(position->count(), 9);
        QCOMPARE(position->currentText(), U("页面左上角（默认）"));
        QCOMPARE(position->itemText(8), U("页面中心"));
        QCOMPARE(page->ItemAs<QLineEdit>(1032)->text(), QStringLiteral("watermark"));
        QCOMPARE(page->ItemAs<QLineEdit>(1033)->text(), QStringLiteral("16"));
        position->setCurrentIndex(8);
        page->ItemAs<QLineEdit>(1035)->setText("-30");
        page->ItemAs<QLineEdit>(1037)->setText("12pt");
        page->ItemAs<QLineEdit>(1033)->setText("");
        page->ItemAs<QCheckBox>(1041)->setChecked(true);
        pdf.sheet.OkButton()->click();
    }
    const IniFile file(ini.Path());
    const char *expect[][2] = {{"text", "watermark"}, {"fsize", ""},      {"fcolor", "255"},
                               {"fpos", "8"},         {"frotate", "-30"}, {"foffx", "12pt"},
                               {"foffy", "0"},        {"tuse", "0"},      {"bground", "1"}};
    for (auto &kv : expect)
        QCOMPARE(file.Find("Pdf", kv[0]).value_or("<missing>"), std::string(kv[1]));
    const ConvertSettings s = Loaded(ini.Path());
    QCOMPARE(s.stamp.nPosition, 8);
    QCOMPARE(s.stamp.nRotation, -30);
    QCOMPARE(s.stamp.nOffsetX, 12);

    // A stored position outside the list shows nothing and stays.
    ini.Write("[Pdf]\nfpos=12\n");
    {
        PdfSheet pdf(ini);
        QCOMPARE(pdf.Show(kStamp)->ItemAs<QComboBox>(1034)->currentIndex(), -1);
        pdf.sheet.OkButton()->click();
    }
    QCOMPARE(Value(ini, "Pdf", "fpos").value_or(""), std::string("12"));
}

void SheetsTest::qualityPageWritesItsKeys() {
    TempProfile ini;
    ini.Write("[Pdf]\nquality=2\npdfa=3\nfastweb=1\n");
    PdfSheet pdf(ini);
    CSettingsPage *page = pdf.Show(kQuality);
    QCOMPARE(Items(page->ItemAs<QComboBox>(1050)),
             QStringList({U("默认"), U("屏幕（最小文件）"), U("电子书"), U("打印机"), U("印前")}));
    QCOMPARE(page->ItemAs<QComboBox>(1050)->currentIndex(), 2);
    QCOMPARE(page->ItemAs<QComboBox>(1051)->currentIndex(), 3);
    QVERIFY(page->ItemAs<QCheckBox>(1052)->isChecked()); // "embedfonts" defaults to 1
    QVERIFY(page->ItemAs<QCheckBox>(1053)->isChecked());

    page->ItemAs<QComboBox>(1050)->setCurrentIndex(4);
    page->ItemAs<QComboBox>(1051)->setCurrentIndex(1);
    page->ItemAs<QCheckBox>(1052)->click();
    page->ItemAs<QCheckBox>(1053)->click();
    pdf.sheet.OkButton()->click();
    const char *expect[][2] = {
        {"quality", "4"}, {"pdfa", "1"}, {"embedfonts", "0"}, {"fastweb", "0"}};
    for (auto &kv : expect)
        QCOMPARE(Value(ini, "Pdf", kv[0]).value_or("<missing>"), std::string(kv[1]));

    // A preset outside the list shows no item and stays as stored.
    ini.Write("[Pdf]\nquality=9\n");
    PdfSheet odd(ini);
    QCOMPARE(odd.Show(kQuality)->ItemAs<QComboBox>(1050)->currentIndex(), -1);
    odd.sheet.OkButton()->click();
    QCOMPARE(Value(ini, "Pdf", "quality").value_or("<missing>"), std::string("9"));
}

void SheetsTest::pdfAAndEncryptionExcludeEachOther() {
    TempProfile ini;
    ini.Write("[Pdf]\nencrypt=1\n");
    PdfSheet pdf(ini);
    CSettingsPage *security = pdf.Show(kSecurity);
    CSettingsPage *quality = pdf.Show(kQuality);
    QVERIFY(!quality->Item(1051)->isEnabled());
    security->ItemAs<QCheckBox>(1017)->click(); // encryption off
    QVERIFY(quality->Item(1051)->isEnabled());
    quality->ItemAs<QComboBox>(1051)->setCurrentIndex(2);
    QVERIFY(!security->Item(1017)->isEnabled());
    quality->ItemAs<QComboBox>(1051)->setCurrentIndex(0);
    QVERIFY(security->Item(1017)->isEnabled());

    // The security page not yet built learns of PDF/A all the same.
    ini.Write("[Pdf]\npdfa=1\n");
    PdfSheet second(ini);
    QVERIFY(!second.Show(kSecurity)->Item(1017)->isEnabled());
    // A profile asking for both leaves both choices open, so one can go.
    ini.Write("[Pdf]\npdfa=2\nencrypt=1\n");
    PdfSheet both(ini);
    QVERIFY(both.Show(kSecurity)->Item(1017)->isEnabled());
    QVERIFY(both.Show(kQuality)->Item(1051)->isEnabled());
}

void SheetsTest::textDialog() {
    TempProfile ini;
    {
        CTxtDlg dlg;
        dlg.Setup(0, 0, ini.Path());
        dlg.show();
        QCOMPARE(dlg.windowTitle(), U("文字设置"));
        auto *layout = dlgtpl::Control<QRadioButton>(&dlg, 1066);
        auto *stream = dlgtpl::Control<QRadioButton>(&dlg, 1067);
        auto *pageBreak = dlgtpl::Control<QCheckBox>(&dlg, 1068);
        QCOMPARE(layout->text(), U("保持原始的物理布局"));
        QCOMPARE(stream->text(), U("保持内容流顺序中的字符串"));
        QCOMPARE(pageBreak->text(), U("在页面之间插入分页符"));
        QCOMPARE(dlgtpl::Control<QPushButton>(&dlg, 1)->text(), U("确定"));
        QCOMPARE(dlgtpl::Control<QPushButton>(&dlg, 2)->text(), U("取消"));
        QVERIFY(layout->isChecked() && !stream->isChecked() && !pageBreak->isChecked());

        stream->click();
        QVERIFY(!layout->isChecked());
        pageBreak->click();
        dlgtpl::Control<QPushButton>(&dlg, 1)->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }
    QCOMPARE(Value(ini, "Txt", "txtmode").value_or(""), std::string("1"));
    QCOMPARE(Value(ini, "Txt", "txtpagebreak").value_or(""), std::string("1"));
    const ConvertSettings s = Loaded(ini.Path());
    QCOMPARE(s.txt.nTextMode, 1);
    QCOMPARE(s.txt.bPageBreak, 1);

    // Starting from the stored choice; Enter confirms.
    CTxtDlg dlg;
    dlg.Setup(s.txt.nTextMode, s.txt.bPageBreak, ini.Path());
    dlg.show();
    QVERIFY(dlgtpl::Control<QRadioButton>(&dlg, 1067)->isChecked());
    dlgtpl::Control<QRadioButton>(&dlg, 1066)->click();
    QTest::keyClick(&dlg, Qt::Key_Return);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(Value(ini, "Txt", "txtmode").value_or(""), std::string("0"));
}

void SheetsTest::readOnlyProfile() {
    TempProfile ini;
    ini.Write(kHandWritten);
    QVERIFY(::chmod(ini.Path().c_str(), 0444) == 0);
    const ConvertSettings before = Loaded(ini.Path());
    {
        ImageSheet image(ini);
        image.Show(kCommon)->ItemAs<QSpinBox>(1063)->setValue(150);
        image.Show(kJpeg)->ItemAs<QSlider>(1041)->setValue(20);
        QString warning;
        auto told = WhenModal<QMessageBox>([&](QMessageBox *box) {
            warning = box->text();
            box->accept();
        });
        image.sheet.OkButton()->click();
        QVERIFY(*told);
        QVERIFY(warning.contains(ini.QPath()));
        QVERIFY(!image.sheet.Saved());
    }
    {
        CTxtDlg dlg;
        dlg.Setup(0, 1, ini.Path());
        dlg.show();
        auto told = WhenModal<QMessageBox>([](QMessageBox *box) { box->accept(); });
        dlgtpl::Control<QPushButton>(&dlg, 1)->click();
        QVERIFY(*told);
        QVERIFY(!dlg.Saved());
    }
    QCOMPARE(ini.Read(), kHandWritten);
    const ConvertSettings after = Loaded(ini.Path());
    QCOMPARE(after.img.nXDpi, before.img.nXDpi);
    QCOMPARE(after.img.nJpgQuality, before.img.nJpgQuality);
    QCOMPARE(after.txt.nTextMode, before.txt.nTextMode);
    ::chmod(ini.Path().c_str(), 0644);
}

void SheetsTest::openSettingsRunsTheRightDialog() {
    TempProfile ini;
    ConvertSettings s = Loaded(ini.Path());

    QString title;
    QStringList tabs;
    auto answered = WhenModal<CMyPropSheet>([&](CMyPropSheet *sheet) {
        title = sheet->windowTitle();
        for (int i = 0; i < sheet->Tabs()->count(); ++i)
            tabs << sheet->Tabs()->tabText(i);
        sheet->OkButton()->click();
    });
    QVERIFY(OpenSettings(nullptr, 1, ini.Path(), s));
    QVERIFY(*answered);
    QCOMPARE(title, QStringLiteral("PDF Settings"));
    QCOMPARE(tabs, (QStringList{U("PDF 安全"), U("PDF 信息"), U("水印"), U("PDF 质量")}));
    // Only the first page was shown: its eight keys and nothing else.
    const IniFile file(ini.Path());
    QVERIFY(file.HasKey("Pdf", "opass") && !file.HasKey("Pdf", "title"));

    // The image sheet opens on the chosen format's page; WMF and EMF have
    // none, and open on the Common page.
    const struct {
        int format;
        int tab;
    } starts[] = {{1, kTiff}, {0, kJpeg}, {11, kRas}, {6, kCommon}, {-1, kCommon}};
    for (const auto &start : starts) {
        s.m_nFormat = start.format;
        int shown = -1;
        answered = WhenModal<CMyPropSheet>([&](CMyPropSheet *sheet) {
            title = sheet->windowTitle();
            shown = sheet->Tabs()->currentIndex();
            QVERIFY(sheet->Page(shown)->IsCreated());
            sheet->CancelButton()->click();
        });
        QVERIFY(!OpenSettings(nullptr, 0, ini.Path(), s));
        QVERIFY(*answered);
        QCOMPARE(title, QStringLiteral("Image Settings"));
        QCOMPARE(shown, start.tab);
    }

    answered = WhenModal<CTxtDlg>([](CTxtDlg *dlg) {
        dlgtpl::Control<QCheckBox>(dlg, 1068)->click();
        dlgtpl::Control<QPushButton>(dlg, 1)->click();
    });
    QVERIFY(OpenSettings(nullptr, 2, ini.Path(), s));
    QVERIFY(*answered);
    LoadTextSettings(ini.Path(), s);
    QCOMPARE(s.txt.bPageBreak, 1);

    const QByteArray text = ini.Read();
    QVERIFY(!OpenSettings(nullptr, 3, ini.Path(), s));
    QCOMPARE(ini.Read(), text);
}

QTEST_MAIN(SheetsTest)
#include "SheetsTest.moc"
