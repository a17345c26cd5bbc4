// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// preview-bench: how long the preview pane takes to show the first page of
// a 17-page document, and how long the GUI thread's event loop goes without
// a turn meanwhile.
//
//   preview-bench plain|written|idle [format]
//
// "plain" is the page at the pane's screen resolution, "written" the page
// as an image row writes it at 300 dpi (format: jpg by default, or any
// --format name). Each call starts a fresh process's first preview (the
// interpreter's server for those arguments is started by it) and then a
// second document's first page (its server running). Prints one line:
//   <view> first_ms=.. first_gap_ms=.. again_ms=.. again_gap_ms=..
// where gap is the longest time between two ticks of a 2 ms timer on the
// GUI thread while the page was on its way. "idle" ticks the same timer for
// 1.5 s with nothing to preview: the machine's own gaps, for comparison.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "app/CPreviewPane.h"
#include "convert/ImageFormat.h"
#include "imageconv/ImageFormats.h"

namespace {

// Seventeen pages of text and shapes, as a report would have them.
void WriteDocument(const std::string &path) {
    std::ofstream ps(path);
    ps << "%!PS-Adobe-3.0\n%%Pages: 17\n%%EndComments\n"
          "/Times-Roman findfont 11 scalefont setfont\n";
    for (int page = 1; page <= 17; ++page) {
        ps << "%%Page: " << page << " " << page << "\n";
        ps << "0.2 0.3 0.8 setrgbcolor 72 650 468 90 rectfill\n"
              "1 setgray /Helvetica-Bold findfont 28 scalefont setfont 90 690 moveto (Chapter "
           << page << ") show\n/Times-Roman findfont 11 scalefont setfont 0 setgray\n";
        ps << "0 1 44 { /i exch def 72 620 i 12 mul sub moveto "
              "(The quick brown fox jumps over the lazy dog, line ) show i 3 string cvs show } "
              "for\n";
        ps << "0.9 0.2 0.1 setrgbcolor 450 120 60 0 360 arc fill\n"
              "0.1 0.6 0.2 setrgbcolor 3 setlinewidth 72 72 moveto 300 160 lineto stroke\n"
              "showpage\n";
    }
    ps << "%%EOF\n";
}

struct Figure {
    qint64 ms = 0;
    qint64 gapMs = 0;
};

// Shows `input` and waits for its page, counting the event loop's turns.
// The longest gap between ticks over `ms` with nothing else to do.
qint64 IdleGap(int ms) {
    QElapsedTimer clock, sinceTick;
    qint64 gap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { gap = std::max(gap, sinceTick.restart()); });
    clock.start();
    sinceTick.start();
    ticker.start(2);
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return gap;
}

Figure FirstPage(CPreviewPane &pane, const std::string &input) {
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    qint64 gap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { gap = std::max(gap, sinceTick.restart()); });
    bool shown = false;
    const QMetaObject::Connection done =
        QObject::connect(&pane, &CPreviewPane::Shown, [&shown] { shown = true; });
    clock.start();
    sinceTick.start();
    ticker.start(2);
    pane.ShowFile(input);
    gap = std::max(gap, sinceTick.restart()); // ShowFile itself
    while (!shown)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Figure f{clock.elapsed(), std::max(gap, sinceTick.elapsed())};
    ticker.stop();
    QObject::disconnect(done);
    return f;
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "idle") == 0) {
        std::printf("idle gap_ms=%lld\n", static_cast<long long>(IdleGap(1500)));
        return 0;
    }
    const bool written = argc > 1 && std::strcmp(argv[1], "written") == 0;
    const int index = ImageFormatIndexOfName(argc > 2 ? argv[2] : "jpg");
    if (argc < 2 || index < 0) {
        std::fprintf(stderr, "usage: preview-bench plain|written [format]\n");
        return 2;
    }
    const int format = ImageFormatFromItemText(ImageFormatItemText(index)).code;

    EngineModule engine;
    if (!LoadEngineModule(VANTORIA_BIN_DIR "/tessarin.so", engine)) {
        std::fprintf(stderr, "can't load %s/tessarin.so\n", VANTORIA_BIN_DIR);
        return 1;
    }
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    WriteDocument(folder + "first.ps");
    WriteDocument(folder + "second.ps");

    Figure first, again;
    bool ok = false;
    {
        CPreviewPane pane(engine);
        pane.resize(420, 600);
        pane.show();
        QCoreApplication::processEvents();
        ImageSettings img;
        img.nXDpi = img.nYDpi = 300;
        img.szJpgColor = img.szTifColor = img.szPngColor = "True Color";
        img.nJpgQuality = 75;
        pane.SetOutput(folder, true, format, img);
        pane.SetAsWritten(written);
        first = FirstPage(pane, folder + "first.ps");
        again = FirstPage(pane, folder + "second.ps");
        ok = !pane.Picture().isNull();
        if (!ok)
            std::fprintf(stderr, "no page: %s\n", qPrintable(pane.Message()));
    }
    FreeEngineModule(engine);
    std::printf("%s first_ms=%lld first_gap_ms=%lld again_ms=%lld again_gap_ms=%lld\n",
                written ? "written" : "plain", static_cast<long long>(first.ms),
                static_cast<long long>(first.gapMs), static_cast<long long>(again.ms),
                static_cast<long long>(again.gapMs));
    return ok ? 0 : 1;
}
