// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "res/Icons.h"

#include <QFile>
#include <QGuiApplication>
#include <QTest>

class IconsTest : public QObject {
    Q_OBJECT

private slots:
    void resourcesRegisteredBeforeAnyLookup();
    void everyIdHasADrawing();
    void drawingsAreClearFrom16To48();
    void unknownIdsGiveNothing();
    void helpPageStandsBesideTheProgram();
};

namespace {

// Share of pixels that are at least half opaque.
double Coverage(const QImage &image) {
    int solid = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            solid += qAlpha(image.pixel(x, y)) >= 128 ? 1 : 0;
    return double(solid) / (image.width() * image.height());
}

} // namespace

// Runs first: the dialog builder loads ":/icons/..." paths directly, so
// linking the library must be enough to find them.
void IconsTest::resourcesRegisteredBeforeAnyLookup() {
    for (const char *path : {":/icons/128.svg", ":/icons/137.svg", ":/icons/150.svg"})
        QVERIFY2(QFile::exists(QLatin1String(path)), path);
}

void IconsTest::everyIdHasADrawing() {
    int count = 0;
    const int *ids = VantoriaIconIds(&count);
    QCOMPARE(count, 8);
    const QList<int> expected = {128, 130, 131, 132, 134, 135, 137, 150};
    for (int i = 0; i < count; ++i) {
        QCOMPARE(ids[i], expected[i]);
        const QString path = VantoriaIconPath(ids[i]);
        QCOMPARE(path, QStringLiteral(":/icons/%1.svg").arg(ids[i]));
        QVERIFY2(QFile::exists(path), qPrintable(path));
        QCOMPARE(VantoriaIconSize(ids[i]), QSize(32, 32));
        const QIcon icon = VantoriaIcon(ids[i]);
        QVERIFY(!icon.isNull());
        QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
        QVERIFY(icon.availableSizes().contains(QSize(48, 48)));
    }
}

void IconsTest::drawingsAreClearFrom16To48() {
    int count = 0;
    const int *ids = VantoriaIconIds(&count);
    QList<QImage> at16;
    for (int i = 0; i < count; ++i) {
        for (int px : {16, 24, 32, 48}) {
            const QImage image = VantoriaIconImage(ids[i], QSize(px, px));
            QCOMPARE(image.size(), QSize(px, px));
            QCOMPARE(image.format(), QImage::Format_ARGB32);
            // Solid enough to read at a glance, and leaving a transparent
            // border so neighbouring icons do not run together.
            const double coverage = Coverage(image);
            QVERIFY2(
                coverage > 0.35 && coverage < 0.95,
                qPrintable(QStringLiteral("icon %1 at %2: %3").arg(ids[i]).arg(px).arg(coverage)));
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        }
        at16.append(VantoriaIconImage(ids[i], QSize(16, 16)));
    }
    // No two icons look the same even at the smallest size.
    for (int i = 0; i < at16.size(); ++i)
        for (int j = i + 1; j < at16.size(); ++j)
            QVERIFY2(at16[i] != at16[j],
                     qPrintable(QStringLiteral("%1 %2").arg(ids[i]).arg(ids[j])));
}

void IconsTest::unknownIdsGiveNothing() {
    for (int id : {0, -1, 129, 133, 151, 100000}) {
        QVERIFY(VantoriaIconPath(id).isEmpty());
        QVERIFY(VantoriaIcon(id).isNull());
        QVERIFY(!VantoriaIconSize(id).isValid());
        QVERIFY(VantoriaIconImage(id).isNull());
    }
}

void IconsTest::helpPageStandsBesideTheProgram() {
    QFile built(QStringLiteral(VANTORIA_BIN_DIR "/help.html"));
    QVERIFY2(built.open(QIODevice::ReadOnly), qPrintable(built.fileName()));
    QFile source(QStringLiteral(VANTORIA_SOURCE_DIR "/res/help.html"));
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QByteArray page = built.readAll();
    QCOMPARE(page, source.readAll());

    const QString text = QString::fromUtf8(page);
    for (const char *needle :
         {">Ready<", ">Converting.<", ">Converting..<", ">Converting...<", ">Succeed<", ">Failed<",
          ">Aborted<", "~/.config/Quorvane/Vantoria/Profile.ini"})
        QVERIFY2(text.contains(QLatin1String(needle)), needle);
    for (const char *ext : {".jpg", ".tif", ".bmp", ".png", ".gif", ".pcx", ".wmf", ".emf", ".tga",
                            ".jp2", ".jpc", ".ras"})
        QVERIFY2(text.contains(QStringLiteral("<code>%1</code>").arg(QLatin1String(ext))), ext);
}

QTEST_MAIN(IconsTest)
#include "IconsTest.moc"
