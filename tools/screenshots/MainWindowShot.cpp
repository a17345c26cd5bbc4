// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The picture of the main window for the documentation, made larger than
// its smallest size: a few queued PostScript files, the first of them
// converted to PDF by a real run, the second failed by it (a picture renamed
// to .ps) with its reason, the rest waiting, in the language the locale
// chooses. Saves the window's
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
    ini.Parse(QStringLiteral("[Set]\notype=1\nmode=1\nexists=1\noutput=%1/PDF/\n")
                  .arg(docs)
                  .toStdString());
    if (!ini.Save())
        return 1;

    CMainDlg w(nullptr, VANTORIA_BIN_DIR "/");
    w.SetSettingsLocation(6, tmp.filePath("prog").toStdString() + "/",
                          tmp.filePath("config").toStdString() + "/");
    if (!w.OnInitDialog())
        return 1;
    w.resize(w.size() + QSize(260, 90));
    w.show();

    // The first file, converted; the second, a picture under a PostScript
    // name, failed.
    const QString first = docs + "/annual-report.ps";
    const QString renamed = docs + "/scans/2026/December/site-visit-photo.ps";
    QDir().mkpath(docs + "/scans/2026/December");
    const QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    if (!Write(first, QByteArray(kPage).repeated(40)) || !Write(renamed, png.repeated(200)))
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
    w.SelectOnly(1);
    Settle(400);

    const QImage picture = w.grab().toImage();
    if (picture.isNull() || !picture.save(out)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    if (!w.OnClose())
        return 1;
    return 0;
}
