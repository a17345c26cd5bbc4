// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The picture of the main window for the documentation, made larger than
// its smallest size: a few queued PostScript files with their page counts,
// the first of them (a report with coloured charts) converted to PDF by a
// real run over a page range, the second failed by it (a picture renamed to
// .ps) with its reason, the rest waiting, and the preview pane open on the
// report's first page, in the language the locale chooses. Saves the window's
// picture to the path given as the first argument (default main-window.png)
// and ends; 0 on success.
//
// Everything it writes (settings, inputs, the PDF) lives in a temporary
// folder that is removed at the end.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>

#include "app/CMainDlg.h"
#include "app/Translations.h"
#include "settings/IniFile.h"

namespace {

const char kPage[] = "%!PS\n/Helvetica findfont 24 scalefont setfont\n"
                     "72 700 moveto (Quarterly report) show showpage\n";

// A page of a report: a title and a bar chart in four colours.
const char kChartPage[] =
    "%!PS\n/Helvetica-Bold findfont 34 scalefont setfont\n"
    "0.1 0.25 0.55 setrgbcolor 72 700 moveto (Quarterly report) show\n"
    "/Helvetica findfont 16 scalefont setfont 0.3 setgray 72 672 moveto (Sales by region) show\n"
    "0.6 setgray 2 setlinewidth 90 150 moveto 540 150 lineto stroke\n"
    "[[0.85 0.25 0.2 330] [0.95 0.6 0.1 230] [0.2 0.62 0.35 420] [0.2 0.45 0.85 290]]\n"
    "{ aload pop 4 1 roll setrgbcolor 110 exch 150 exch 80 exch rectfill\n"
    "  110 0 translate } forall showpage\n";

bool Write(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

void Settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    InstallTranslation(QLocale(), QStringLiteral(VANTORIA_BIN_DIR));
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : "main-window.png";

    QTemporaryDir tmp(QDir::tempPath() + "/user-XXXXXX");
    if (!tmp.isValid())
        return 1;
    const QString docs = tmp.filePath("Documents");
    QDir().mkpath(docs + "/PDF");
    QDir().mkpath(tmp.filePath("config/Quorvane/Vantoria"));
    IniFile ini(tmp.filePath("config/Quorvane/Vantoria/Profile.ini").toStdString());
    ini.Parse(QStringLiteral("[Set]\notype=1\nmode=1\nexists=1\noutput=%1/PDF/\npages=1-3\n")
                  .arg(docs)
                  .toStdString());
    if (!ini.Save())
        return 1;
    // The preview pane open, as a window closed with it open remembers it.
    if (!Write(tmp.filePath("config/Quorvane/Vantoria/window.conf"),
               "[MainWindow]\npreview=\"330,330\"\n"))
        return 1;

    CMainDlg w(nullptr, VANTORIA_BIN_DIR "/");
    w.SetSettingsLocation(6, tmp.filePath("prog").toStdString() + "/",
                          tmp.filePath("config").toStdString() + "/");
    if (!w.OnInitDialog())
        return 1;
    w.resize(w.size() + QSize(600, 150));
    w.show();

    // The first file, converted; the second, a picture under a PostScript
    // name, failed.
    const QString first = docs + "/annual-report.ps";
    const QString renamed = docs + "/scans/2026/December/site-visit-photo.ps";
    QDir().mkpath(docs + "/scans/2026/December");
    const QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    if (!Write(first, QByteArray(kChartPage).repeated(12)) || !Write(renamed, png.repeated(200)))
        return 1;
    w.OnDropFiles({QUrl::fromLocalFile(first), QUrl::fromLocalFile(renamed)});
    w.OnStart();
    QElapsedTimer wait;
    wait.start();
    while (!w.RunFinished() && wait.elapsed() < 120000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!w.RunFinished()) {
        std::fprintf(stderr, "the run did not end\n");
        return 1;
    }

    // Then a few more, queued.
    QList<QUrl> more;
    const char *names[] = {"invoice-0412.ps", "poster-A2.ps", "manual-chapter3.ps"};
    int copies = 3;
    for (const char *name : names) {
        const QString path = docs + "/" + name;
        if (!Write(path, QByteArray(kPage).repeated(copies * 25)))
            return 1;
        copies += 4;
        more << QUrl::fromLocalFile(path);
    }
    w.OnDropFiles(more);
    w.SelectOnly(0);
    // The page counts and the preview come in the background.
    Settle(6000);

    const QImage picture = w.grab().toImage();
    if (picture.isNull() || !picture.save(out)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    if (!w.OnClose())
        return 1;
    return 0;
}
