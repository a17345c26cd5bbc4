// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Photographs the settings dialogs for the documentation: the image sheet's
// Common and TIFF pages, the PDF sheet's Watermark page and the text
// dialog, side by side in one PNG.
//
//   vantoria-settings-shots OUTPUT.png [--all]
//
// With --all every page of both sheets is in the picture.
//
// The dialogs are set up from a Profile.ini in a temporary folder, so the
// picture never depends on the user's own settings.
#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QPainter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include "settings/SettingsStore.h"
#include "settings/sheets/CMyPropSheet.h"
#include "settings/sheets/CTxtDlg.h"
#include "settings/sheets/OpenSettings.h"

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
    const bool all = argc == 3 && QByteArray(argv[2]) == "--all";
    if (argc != 2 && !all) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [--all]\n", argv[0]);
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
        for (int tab = 0; tab < sheet.PageCount(); ++tab)
            if (all || tab == 0 || tab == 2)
                shots.append({QStringLiteral("Image Settings: ") + sheet.Tabs()->tabText(tab),
                              ShootSheet(sheet, tab)});
    }
    {
        CMyPropSheet sheet(QStringLiteral("PDF Settings"));
        BuildPdfSheet(sheet, ini, s);
        for (int tab = 0; tab < sheet.PageCount(); ++tab)
            if (all || tab == 2)
                shots.append({QStringLiteral("PDF Settings: ") + sheet.Tabs()->tabText(tab),
                              ShootSheet(sheet, tab)});
    }
    {
        CTxtDlg dlg;
        dlg.Setup(s.txt.nTextMode, s.txt.bPageBreak, ini);
        shots.append({QStringLiteral("Text settings"), Shoot(dlg)});
    }

    // Two columns, each shot under its title, on a plain background.
    constexpr int kMargin = 16;
    constexpr int kTitle = 22;
    int cellW = 0;
    for (const auto &shot : shots)
        cellW = std::max(cellW, shot.second.width());
    QList<int> rowTop = {kMargin};
    for (int i = 0; i < shots.size(); i += 2) {
        int h = shots[i].second.height();
        if (i + 1 < shots.size())
            h = std::max(h, shots[i + 1].second.height());
        rowTop.append(rowTop.back() + kTitle + h + kMargin);
    }
    QImage picture(kMargin * 3 + cellW * 2, rowTop.back(), QImage::Format_RGB32);
    picture.fill(QColor(0xf4, 0xf4, 0xf4));
    QPainter p(&picture);
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    p.setFont(titleFont);
    for (int i = 0; i < shots.size(); ++i) {
        const int x = kMargin + (i % 2) * (cellW + kMargin);
        const int y = rowTop[i / 2];
        p.setPen(Qt::black);
        p.drawText(QRect(x, y, cellW, kTitle), Qt::AlignLeft | Qt::AlignVCenter, shots[i].first);
        p.drawImage(x, y + kTitle, shots[i].second);
        p.setPen(QColor(0x90, 0x90, 0x90));
        p.drawRect(QRect(QPoint(x, y + kTitle), shots[i].second.size()).adjusted(-1, -1, 0, 0));
    }
    p.end();
    if (!picture.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
