// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "app/CThemeApi.h"

#include "WidgetTestUtil.h"

#include <QApplication>
#include <QCommonStyle>
#include <QPainter>
#include <QStyleFactory>
#include <QTest>

#include <memory>

class ThemeApiTest : public QObject {
    Q_OBJECT

private slots:
    void fallbacksWithoutLibrary();
    void fallbacksAfterTheStyleIsGone();
    void openRecognisesOnlyButtonClass();
    void closeOnlyOnce();
    void drawBackgroundStates();
    void drawBackgroundRefusesBadArguments();
    void drawBackgroundHonoursClip();
    void parentBackground();
};

namespace {

QImage Canvas(QColor fill = QColor(1, 2, 3)) {
    QImage image(80, 30, QImage::Format_ARGB32);
    image.fill(fill);
    return image;
}

} // namespace

void ThemeApiTest::fallbacksWithoutLibrary() {
    CThemeApi api(CThemeApi::Binding::Off);
    QVERIFY(!api.IsAppThemed());
    QWidget window;
    QCOMPARE(api.OpenThemeData(&window, QStringLiteral("BUTTON")), CThemeApi::HTHEME(0));
    QCOMPARE(api.CloseThemeData(0), CThemeApi::kFail);
    QCOMPARE(api.CloseThemeData(1), CThemeApi::kFail);

    QImage image = Canvas();
    const QImage before = image;
    {
        QPainter painter(&image);
        QCOMPARE(api.DrawThemeBackground(1, &painter, 1, 1, image.rect()), CThemeApi::kFail);
        QCOMPARE(api.DrawThemeParentBackground(&window, &painter, image.rect()), CThemeApi::kFail);
        // Null arguments fail the same way without touching anything.
        QCOMPARE(api.DrawThemeBackground(0, nullptr, 1, 1, image.rect()), CThemeApi::kFail);
        QCOMPARE(api.DrawThemeParentBackground(nullptr, nullptr, {}), CThemeApi::kFail);
    }
    QCOMPARE(image, before);

    CThemeApi none(static_cast<QStyle *>(nullptr));
    QVERIFY(!none.IsAppThemed());
    QCOMPARE(none.OpenThemeData(nullptr, QStringLiteral("BUTTON")), CThemeApi::HTHEME(0));
}

void ThemeApiTest::fallbacksAfterTheStyleIsGone() {
    auto style = std::unique_ptr<QStyle>(QStyleFactory::create(QStringLiteral("Fusion")));
    QVERIFY(style);
    CThemeApi api(style.get());
    QVERIFY(api.IsAppThemed());
    const CThemeApi::HTHEME theme = api.OpenThemeData(nullptr, QStringLiteral("BUTTON"));
    QVERIFY(theme != 0);
    style.reset();
    QVERIFY(!api.IsAppThemed());
    QImage image = Canvas();
    const QImage before = image;
    {
        QPainter painter(&image);
        QCOMPARE(api.DrawThemeBackground(theme, &painter, 1, 1, image.rect()), CThemeApi::kFail);
    }
    QCOMPARE(image, before);
    QCOMPARE(api.OpenThemeData(nullptr, QStringLiteral("BUTTON")), CThemeApi::HTHEME(0));
    QCOMPARE(api.CloseThemeData(theme), CThemeApi::kOk);
}

void ThemeApiTest::openRecognisesOnlyButtonClass() {
    CThemeApi api;
    QVERIFY(api.IsAppThemed());
    QWidget window;
    for (const char *name : {"BUTTON", "button", "EDIT;Button", " BUTTON "}) {
        const CThemeApi::HTHEME theme = api.OpenThemeData(&window, QLatin1String(name));
        QVERIFY2(theme != 0, name);
        QCOMPARE(api.CloseThemeData(theme), CThemeApi::kOk);
    }
    for (const char *name : {"EDIT", "", "BUTTONS", "TOOLBAR;TAB"})
        QCOMPARE(api.OpenThemeData(&window, QLatin1String(name)), CThemeApi::HTHEME(0));
    QCOMPARE(api.OpenHandleCount(), 0);
}

void ThemeApiTest::closeOnlyOnce() {
    CThemeApi api;
    const CThemeApi::HTHEME a = api.OpenThemeData(nullptr, QStringLiteral("BUTTON"));
    const CThemeApi::HTHEME b = api.OpenThemeData(nullptr, QStringLiteral("BUTTON"));
    QVERIFY(a != 0 && b != 0 && a != b);
    QCOMPARE(api.OpenHandleCount(), 2);
    QCOMPARE(api.CloseThemeData(a), CThemeApi::kOk);
    QCOMPARE(api.CloseThemeData(a), CThemeApi::kFail);
    QCOMPARE(api.CloseThemeData(b), CThemeApi::kOk);
    QCOMPARE(api.OpenHandleCount(), 0);
}

void ThemeApiTest::drawBackgroundStates() {
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    CThemeApi api(fusion.get());
    const CThemeApi::HTHEME theme = api.OpenThemeData(nullptr, QStringLiteral("BUTTON"));
    QImage images[6];
    for (int state = 1; state <= 5; ++state) {
        images[state] = Canvas();
        QPainter painter(&images[state]);
        QCOMPARE(api.DrawThemeBackground(theme, &painter, CThemeApi::BP_PUSHBUTTON, state,
                                         images[state].rect()),
                 CThemeApi::kOk);
    }
    // Every state paints the panel, and normal, pressed, disabled and default
    // look different from each other.
    for (int state = 1; state <= 5; ++state)
        QVERIFY2(images[state] != Canvas(), qPrintable(QString::number(state)));
    QVERIFY(images[1] != images[3]);
    QVERIFY(images[1] != images[4]);
    QVERIFY(images[1] != images[5]);
    QVERIFY(images[3] != images[4]);
    api.CloseThemeData(theme);
}

void ThemeApiTest::drawBackgroundRefusesBadArguments() {
    CThemeApi api;
    const CThemeApi::HTHEME theme = api.OpenThemeData(nullptr, QStringLiteral("BUTTON"));
    QImage image = Canvas();
    const QImage before = image;
    {
        QPainter painter(&image);
        QCOMPARE(api.DrawThemeBackground(theme, &painter, 2, 1, image.rect()), CThemeApi::kFail);
        QCOMPARE(api.DrawThemeBackground(theme, &painter, 1, 0, image.rect()), CThemeApi::kFail);
        QCOMPARE(api.DrawThemeBackground(theme, &painter, 1, 6, image.rect()), CThemeApi::kFail);
        QCOMPARE(api.DrawThemeBackground(theme + 100, &painter, 1, 1, image.rect()),
                 CThemeApi::kFail);
    }
    QCOMPARE(image, before);
    QPainter idle;
    QCOMPARE(api.DrawThemeBackground(theme, &idle, 1, 1, image.rect()), CThemeApi::kFail);
    api.CloseThemeData(theme);
}

void ThemeApiTest::drawBackgroundHonoursClip() {
    CThemeApi api;
    const CThemeApi::HTHEME theme = api.OpenThemeData(nullptr, QStringLiteral("BUTTON"));
    QImage image = Canvas();
    const QRect clip(0, 0, 40, 30);
    {
        QPainter painter(&image);
        QCOMPARE(api.DrawThemeBackground(theme, &painter, 1, 1, image.rect(), &clip),
                 CThemeApi::kOk);
    }
    for (int y = 0; y < 30; ++y)
        for (int x = 40; x < 80; ++x)
            QVERIFY(SameRgb(image.pixel(x, y), QColor(1, 2, 3)));
    QVERIFY(image.copy(clip) != Canvas().copy(clip));
    api.CloseThemeData(theme);
}

void ThemeApiTest::parentBackground() {
    QWidget top;
    QPalette pal = top.palette();
    pal.setColor(QPalette::Window, QColor(12, 120, 200));
    top.setPalette(pal);
    QWidget plain(&top); // paints nothing of its own: the window shows through
    plain.setGeometry(10, 10, 100, 50);
    QWidget child(&plain);
    child.setGeometry(5, 5, 30, 20);

    CThemeApi api;
    QImage image = Canvas();
    {
        QPainter painter(&image);
        QCOMPARE(api.DrawThemeParentBackground(&child, &painter, QRect(0, 0, 30, 20)),
                 CThemeApi::kOk);
        // A window without a parent has nothing behind it.
        QCOMPARE(api.DrawThemeParentBackground(&top, &painter, image.rect()), CThemeApi::kFail);
    }
    QVERIFY(SameRgb(image.pixel(0, 0), QColor(12, 120, 200)));
    QVERIFY(SameRgb(image.pixel(29, 19), QColor(12, 120, 200)));
    QVERIFY(SameRgb(image.pixel(30, 20), QColor(1, 2, 3)));
}

QTEST_MAIN(ThemeApiTest)
#include "ThemeApiTest.moc"
