// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The preview pane with the real engine module, offscreen.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fstream>

#include "app/CPreviewPane.h"
#include "imageconv/ImageConverter.h"

namespace {

constexpr char kTwoPages[] = "%!PS\n%%Pages: 2\n"
                             "/Helvetica findfont 40 scalefont setfont\n"
                             "72 600 moveto (one) show showpage\n"
                             "1 0 0 setrgbcolor 0 0 612 792 rectfill showpage\n";

} // namespace

class PreviewPaneTest : public QObject {
    Q_OBJECT

private slots:
    // The file is shown from the worker: the call returns at once, the event
    // loop goes on meanwhile, then its pages come, and a pause holds them.
    void aSelectionShowsItsPageWithoutBlocking() {
        EngineModule engine;
        QVERIFY(LoadEngineModule(VANTORIA_BIN_DIR "/tessarin.so", engine));
        QTemporaryDir dir;
        const std::string input = dir.filePath("two.ps").toStdString();
        std::ofstream(input) << kTwoPages;
        {
            CPreviewPane pane(engine);
            pane.resize(300, 400);
            pane.show();
            QVERIFY(QTest::qWaitForWindowExposed(&pane));
            ImageSettings img;
            img.nXDpi = img.nYDpi = 72;
            pane.SetOutput(dir.path().toStdString() + "/", true, IC_FORMAT_PNG, img);
            QSignalSpy shown(&pane, &CPreviewPane::Shown);

            int ticks = 0;
            QTimer timer;
            connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
            timer.start(1);
            pane.ShowFile(input);
            QVERIFY(pane.Pending());
            QVERIFY(pane.Picture().isNull());
            QVERIFY(shown.wait(60000));
            QVERIFY(ticks > 0);
            QVERIFY2(!pane.Picture().isNull(), qPrintable(pane.Message()));

            pane.NextPage();
            QVERIFY(shown.wait(60000));
            QCOMPARE(pane.Page(), 2);
            // Page 2 is red all over.
            const QImage &page = pane.Picture();
            QCOMPARE(page.pixelColor(page.width() / 2, page.height() / 2), QColor(Qt::red));

            pane.SetPaused(true);
            pane.PreviousPage();
            QVERIFY(!pane.Pending());
            QVERIFY(!pane.Message().isEmpty());
            pane.SetPaused(false);
            QVERIFY(shown.wait(60000));
            QVERIFY(!pane.Picture().isNull());
        }
        FreeEngineModule(engine);
    }
};

QTEST_MAIN(PreviewPaneTest)
#include "PreviewPaneTest.moc"
