// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The theme binding in a process without a QApplication: every call must
// give its fallback and nothing may crash.
#include "app/CThemeApi.h"

#include <QImage>
#include <QPainter>
#include <QTest>

class ThemeApiNoAppTest : public QObject {
    Q_OBJECT

private slots:
    void everyCallFallsBack() {
        CThemeApi api;
        QVERIFY(!api.IsAppThemed());
        QCOMPARE(api.OpenThemeData(nullptr, QStringLiteral("BUTTON")), CThemeApi::HTHEME(0));
        QCOMPARE(api.CloseThemeData(0), CThemeApi::kFail);
        QImage image(20, 10, QImage::Format_ARGB32);
        image.fill(Qt::white);
        const QImage before = image;
        {
            QPainter painter(&image);
            QCOMPARE(api.DrawThemeBackground(1, &painter, 1, 1, image.rect()), CThemeApi::kFail);
            QCOMPARE(api.DrawThemeParentBackground(nullptr, &painter, image.rect()),
                     CThemeApi::kFail);
        }
        QCOMPARE(image, before);
    }
};

QTEST_GUILESS_MAIN(ThemeApiNoAppTest)
#include "ThemeApiNoAppTest.moc"
