// Photographs the settings dialogs for the documentation: the image sheet's
// Common and TIFF pages, the PDF sheet's Watermark page and the text
// dialog, side by side in one PNG.
//
//   vantoria-settings-shots OUTPUT.png
//
// The dialogs are set up from a Profile.ini in a temporary folder, so the
// picture never depends on the user's own settings.
#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include "settings/CMyPropSheet.h"
#include "settings/CTxtDlg.h"
#include "settings/OpenSettings.h"
#include "settings/SettingsStore.h"

namespace {

QImage Shoot(QWidget &w) {
    w.show();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    return w.grab().toImage();
}

QImage ShootSheet(CMyPropSheet &sheet, int tab) {
    sheet.show();
    sheet.Tabs()->setCurrentIndex(tab);
    return Shoot(sheet);
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    const std::string ini = (dir.path() + QStringLiteral("/Profile.ini")).toStdString();
    {
        QFile f(QString::fromStdString(ini));
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write("[Img]\nresize=1\nwidth=800\nheight=600\nxdpi=150\nydpi=150\nangle=90\n"
                "compress=1\ntifc=256 Grays\nTJQu=80\n"
                "[Pdf]\ntuse=1\ntext=CONFIDENTIAL\nfsize=36\nfcolor=16711680\nfpos=8\n"
                "frotate=45\n[Txt]\ntxtmode=0\ntxtpagebreak=1\n");
    }
    ConvertSettings s;
    LoadAllSettings(ini, s);

    QList<std::pair<QString, QImage>> shots;
    {
        CMyPropSheet sheet(QStringLiteral("Image Settings"));
        BuildImageSheet(sheet, ini, s);
        shots.append({QStringLiteral("Image Settings: Common"), ShootSheet(sheet, 0)});
        shots.append({QStringLiteral("Image Settings: TIFF"), ShootSheet(sheet, 2)});
    }
    {
        CMyPropSheet sheet(QStringLiteral("PDF Settings"));
        BuildPdfSheet(sheet, ini, s);
        shots.append({QStringLiteral("PDF Settings: Watermark"), ShootSheet(sheet, 2)});
    }
    {
        CTxtDlg dlg;
        dlg.Setup(s.txt.nTextMode, s.txt.bPageBreak, ini);
        shots.append({QStringLiteral("Text settings"), Shoot(dlg)});
    }

    // Two columns, each shot under its title, on a plain background.
    constexpr int kMargin = 16;
    constexpr int kTitle = 22;
    const int cellW = std::max(std::max(shots[0].second.width(), shots[1].second.width()),
                               std::max(shots[2].second.width(), shots[3].second.width()));
    const int rowH0 = std::max(shots[0].second.height(), shots[1].second.height());
    const int rowH1 = std::max(shots[2].second.height(), shots[3].second.height());
    QImage sheetImage(kMargin * 3 + cellW * 2, kMargin * 3 + kTitle * 2 + rowH0 + rowH1,
                      QImage::Format_RGB32);
    sheetImage.fill(QColor(0xf4, 0xf4, 0xf4));
    QPainter p(&sheetImage);
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    p.setFont(titleFont);
    for (int i = 0; i < shots.size(); ++i) {
        const int col = i % 2;
        const int row = i / 2;
        const int x = kMargin + col * (cellW + kMargin);
        const int y = kMargin + row * (rowH0 + kTitle + kMargin);
        p.setPen(Qt::black);
        p.drawText(QRect(x, y, cellW, kTitle), Qt::AlignLeft | Qt::AlignVCenter, shots[i].first);
        p.drawImage(x, y + kTitle, shots[i].second);
        p.setPen(QColor(0x90, 0x90, 0x90));
        p.drawRect(QRect(QPoint(x, y + kTitle), shots[i].second.size()).adjusted(-1, -1, 0, 0));
    }
    p.end();
    if (!sheetImage.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
