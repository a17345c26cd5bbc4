// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "app/CIconButton.h"
#include "app/CThemeApi.h"
#include "res/Icons.h"

#include "WidgetTestUtil.h"

#include <QApplication>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>

class IconButtonTest : public QObject {
    Q_OBJECT

private slots:
    void greyCopyPixelRules_data();
    void greyCopyPixelRules();
    void greyCopyKeepsShapeAndReadsAnyFormat();
    void alignmentRefusesValuesAboveThree();
    void defaultsAndThemePointer();
    void colourSlots();
    void iconById();
    void disabledButtonPaintsGreyIcon();
    void iconPlacementForEachAlignment();
    void pressedShiftsIconAndCaption();
    void classicFlatFrames();
    void themedBackgroundDrawsThroughTheStyle();
    void focusFrameOnFlatAndRaisedButtons();
    void hoverIsClearlyVisible();
    void hoverFollowsEnterAndLeave();
    void hoverMovesFromButtonToButton();
    void hoverClearedByFocusLossAndDeactivation();
    void leftButtonHeldDoesNotStartHover();
    void buttonThatIsNotFlatIgnoresHover();
    void disablingMovesFocusOnAndClearsHover();
    void doubleClickCountsAsSecondClick();
};

// ---- grey copy ----

void IconButtonTest::greyCopyPixelRules_data() {
    QTest::addColumn<QRgb>("in");
    QTest::addColumn<QRgb>("out");
    QTest::newRow("pure white becomes 254")
        << qRgba(255, 255, 255, 255) << qRgba(254, 254, 254, 255);
    QTest::newRow("transparent black kept") << qRgba(0, 0, 0, 0) << qRgba(0, 0, 0, 0);
    QTest::newRow("transparent near-black kept as is") << qRgba(1, 1, 0, 0) << qRgba(1, 1, 0, 0);
    QTest::newRow("opaque black stays black") << qRgba(0, 0, 0, 255) << qRgba(0, 0, 0, 255);
    QTest::newRow("red averages to 85") << qRgba(255, 0, 0, 255) << qRgba(85, 85, 85, 255);
    QTest::newRow("integer division") << qRgba(10, 20, 31, 255) << qRgba(20, 20, 20, 255);
    QTest::newRow("alpha kept") << qRgba(30, 60, 90, 128) << qRgba(60, 60, 60, 128);
    QTest::newRow("transparent colour greyed, alpha 0 kept")
        << qRgba(200, 100, 0, 0) << qRgba(100, 100, 100, 0);
    QTest::newRow("semi-transparent white becomes 254")
        << qRgba(255, 255, 255, 40) << qRgba(254, 254, 254, 40);
    QTest::newRow("near white 254") << qRgba(254, 255, 254, 255) << qRgba(254, 254, 254, 255);
}

void IconButtonTest::greyCopyPixelRules() {
    QFETCH(QRgb, in);
    QFETCH(QRgb, out);
    QImage icon(3, 2, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    icon.setPixel(1, 1, in);
    const QImage grey = CIconButton::CreateGrayscaleIcon(icon);
    QCOMPARE(grey.format(), QImage::Format_ARGB32);
    QCOMPARE(grey.pixel(1, 1), out);
    QCOMPARE(grey.pixel(0, 0), qRgba(0, 0, 0, 0));
}

void IconButtonTest::greyCopyKeepsShapeAndReadsAnyFormat() {
    QVERIFY(CIconButton::CreateGrayscaleIcon(QImage()).isNull());

    // A premultiplied image is read by its real colours: half-transparent
    // pure red is stored as (128, 0, 0, 128) but is red all the same.
    QImage pre(5, 7, QImage::Format_ARGB32_Premultiplied);
    pre.fill(QColor(255, 0, 0, 128));
    pre.setDevicePixelRatio(2.0);
    const QImage grey = CIconButton::CreateGrayscaleIcon(pre);
    QCOMPARE(grey.size(), QSize(5, 7));
    QCOMPARE(grey.devicePixelRatio(), 2.0);
    const QRgb px = grey.pixel(4, 6);
    QCOMPARE(qAlpha(px), 128);
    QVERIFY2(qAbs(qRed(px) - 85) <= 1 && qRed(px) == qGreen(px) && qGreen(px) == qBlue(px),
             qPrintable(QString::number(px, 16)));

    // An opaque 24-bit image keeps full alpha everywhere.
    QImage rgb(4, 4, QImage::Format_RGB888);
    rgb.fill(QColor(255, 255, 255));
    const QImage greyRgb = CIconButton::CreateGrayscaleIcon(rgb);
    QCOMPARE(greyRgb.pixel(3, 3), qRgba(254, 254, 254, 255));
}

// ---- settings ----

void IconButtonTest::alignmentRefusesValuesAboveThree() {
    CIconButton button;
    QCOMPARE(button.GetAlign(), CIconButton::AlignHorz);
    for (int align = 0; align <= 3; ++align) {
        QCOMPARE(button.SetAlign(align), 0);
        QCOMPARE(button.GetAlign(), align);
    }
    QCOMPARE(button.SetAlign(4), 4);
    QCOMPARE(button.SetAlign(1000), CIconButton::kInvalidAlign);
    QCOMPARE(button.SetAlign(-1), CIconButton::kInvalidAlign);
    QCOMPARE(button.GetAlign(), 3);
}

void IconButtonTest::defaultsAndThemePointer() {
    {
        CIconButton button;
        QVERIFY(button.IsFlat());
        QVERIFY(!button.IsDrawBorder());
        QVERIFY(!button.IsMouseOver());
        QCOMPARE(button.Margins(), QPoint(3, 3));
        QVERIFY(button.Icon().isNull());
        button.SetTheme(nullptr);
        QVERIFY(button.IsDrawBorder());
    }
    {
        CThemeApi off(CThemeApi::Binding::Off);
        CIconButton button;
        button.SetTheme(&off);
        QVERIFY(button.IsDrawBorder());
        QCOMPARE(button.Theme(), &off);
    }
    {
        CThemeApi themed;
        CIconButton button;
        button.SetTheme(&themed);
        QVERIFY(!button.IsDrawBorder());
    }
}

void IconButtonTest::colourSlots() {
    CIconButton button;
    const QColor face = button.palette().color(QPalette::Button);
    const QColor text = button.palette().color(QPalette::ButtonText);
    QCOMPARE(button.GetColor(CIconButton::ColorBkNormal), face);
    QCOMPARE(button.GetColor(CIconButton::ColorFgHover), text);
    QCOMPARE(button.SetColor(CIconButton::ColorFgFocus, Qt::red), 0);
    QCOMPARE(button.GetColor(CIconButton::ColorFgFocus), QColor(Qt::red));
    QCOMPARE(button.SetColor(6, Qt::red), CIconButton::kInvalidIndex);
    QCOMPARE(button.SetColor(-1, Qt::red), CIconButton::kInvalidIndex);
    QVERIFY(!button.GetColor(6).isValid());

    // A palette change brings the system colours back.
    QPalette pal = button.palette();
    pal.setColor(QPalette::Button, QColor(10, 20, 30));
    button.setPalette(pal);
    QCOMPARE(button.GetColor(CIconButton::ColorFgFocus), text);
    QCOMPARE(button.GetColor(CIconButton::ColorBkNormal), QColor(10, 20, 30));
}

void IconButtonTest::iconById() {
    CIconButton button;
    QCOMPARE(button.SetIcon(134), 0);
    QCOMPARE(button.IconSizePx(), QSize(32, 32));
    QCOMPARE(button.GreyIcon().size(), button.Icon().size());
    QCOMPARE(button.SetIcon(135, 0, QSize(48, 48)), 0);
    QCOMPARE(button.IconSizePx(), QSize(48, 48));

    // An id without an icon leaves the button without one.
    QCOMPARE(button.SetIcon(999), CIconButton::kInvalidIcon);
    QVERIFY(button.Icon().isNull());
    QVERIFY(button.GreyIcon().isNull());
    button.resize(60, 30);
    button.setText(QStringLiteral("x"));
    QVERIFY(!Grab(button).isNull());
}

// ---- painting ----

void IconButtonTest::disabledButtonPaintsGreyIcon() {
    CIconButton button;
    button.resize(80, 40);
    button.SetIcon(SolidIcon(QSize(12, 12), QColor(255, 0, 0)));

    const QImage enabled = Grab(button);
    QVERIFY(SameRgb(enabled.pixel(40, 20), QColor(255, 0, 0)));

    button.setEnabled(false);
    const QImage disabled = Grab(button);
    QCOMPARE(BoxOf(disabled, QColor(85, 85, 85)), QRect(34, 14, 12, 12));
    QCOMPARE(CountOf(disabled, QColor(255, 0, 0)), 0);

    // Pure white shows as grey 254 while disabled.
    button.SetIcon(SolidIcon(QSize(12, 12), QColor(255, 255, 255)));
    QCOMPARE(BoxOf(Grab(button), QColor(254, 254, 254)), QRect(34, 14, 12, 12));
}

void IconButtonTest::iconPlacementForEachAlignment() {
    const QColor red(255, 0, 0);
    CIconButton button(QStringLiteral(" "));
    button.resize(200, 40);
    button.SetIcon(SolidIcon(QSize(12, 12), red));

    button.SetAlign(CIconButton::AlignHorz);
    QCOMPARE(BoxOf(Grab(button), red), QRect(3, 14, 12, 12));
    button.SetAlign(CIconButton::AlignHorzRight);
    QCOMPARE(BoxOf(Grab(button), red), QRect(200 - 3 - 12, 14, 12, 12));
    button.SetAlign(CIconButton::AlignVert);
    QCOMPARE(BoxOf(Grab(button), red), QRect(94, 3, 12, 12));
    button.SetAlign(CIconButton::AlignOverlap);
    QCOMPARE(BoxOf(Grab(button), red), QRect(94, 14, 12, 12));

    button.SetMargins(7, 5);
    button.SetAlign(CIconButton::AlignVert);
    QCOMPARE(BoxOf(Grab(button), red), QRect(94, 5, 12, 12));
    button.SetAlign(CIconButton::AlignHorz);
    QCOMPARE(BoxOf(Grab(button), red), QRect(7, 14, 12, 12));

    // Without a caption the icon sits in the middle.
    button.setText(QString());
    QCOMPARE(BoxOf(Grab(button), red), QRect(94, 14, 12, 12));
}

void IconButtonTest::pressedShiftsIconAndCaption() {
    const QColor red(255, 0, 0);
    const QColor ink(0, 0, 255);
    CIconButton button(QStringLiteral("Start"));
    QFont font = button.font();
    font.setPixelSize(14);
    button.setFont(font);
    button.resize(160, 40);
    button.SetIcon(SolidIcon(QSize(12, 12), red));
    button.SetColor(CIconButton::ColorFgNormal, ink);
    button.SetColor(CIconButton::ColorFgHover, ink);

    const QImage up = Grab(button);
    button.setDown(true);
    const QImage down = Grab(button);
    QCOMPARE(BoxOf(down, red), BoxOf(up, red).translated(1, 1));
    const QRect textUp = BoxOf(up, ink);
    QVERIFY(!textUp.isEmpty());
    QCOMPARE(BoxOf(down, ink), textUp.translated(1, 1));
    // The caption stands right of the icon.
    QVERIFY(textUp.left() > BoxOf(up, red).right());
}

void IconButtonTest::classicFlatFrames() {
    CIconButton button;
    button.resize(50, 30);
    button.DrawBorder(true);
    QPalette pal = button.palette();
    pal.setColor(QPalette::Light, QColor(250, 251, 252));
    pal.setColor(QPalette::Dark, QColor(60, 61, 62));
    pal.setColor(QPalette::Button, QColor(200, 200, 200));
    button.setPalette(pal);

    // Flat, not hovered: no frame at all.
    QImage img = Grab(button);
    QVERIFY(SameRgb(img.pixel(0, 0), QColor(200, 200, 200)));
    QVERIFY(SameRgb(img.pixel(49, 29), QColor(200, 200, 200)));

    // Pressed: sunken, shadow top-left and highlight bottom-right.
    button.setDown(true);
    img = Grab(button);
    QVERIFY(SameRgb(img.pixel(0, 0), QColor(60, 61, 62)));
    QVERIFY(SameRgb(img.pixel(49, 29), QColor(250, 251, 252)));
    button.setDown(false);

    // Without the border flag even a pressed flat button has no frame.
    button.DrawBorder(false);
    button.setDown(true);
    img = Grab(button);
    QVERIFY(SameRgb(img.pixel(0, 0), QColor(200, 200, 200)));
    button.setDown(false);

    // Not flat: a raised frame, its outer bottom-right line in dark shadow.
    button.SetFlat(false);
    img = Grab(button);
    QVERIFY(SameRgb(img.pixel(49, 29), button.palette().color(QPalette::Shadow)));
    QVERIFY(SameRgb(img.pixel(48, 28), QColor(60, 61, 62)));
}

void IconButtonTest::themedBackgroundDrawsThroughTheStyle() {
    CIconButton classic;
    CIconButton themed;
    CThemeApi theme;
    for (CIconButton *b : {&classic, &themed}) {
        b->resize(90, 30);
        b->SetIcon(SolidIcon(QSize(8, 8), QColor(255, 0, 0)));
    }
    themed.SetTheme(&theme);
    const QImage a = Grab(classic);
    const QImage b = Grab(themed);
    QVERIFY(a != b);
    // The icon is drawn over the themed panel in the same place.
    QCOMPARE(BoxOf(b, QColor(255, 0, 0)), BoxOf(a, QColor(255, 0, 0)));
    QCOMPARE(theme.OpenHandleCount(), 0);

    // A theme binding without a library falls back to the classic look.
    CThemeApi off(CThemeApi::Binding::Off);
    themed.SetTheme(&off);
    themed.DrawBorder(false);
    QCOMPARE(Grab(themed), a);
}

namespace {
// Pixels that differ between two grabs of the same size by more than `by` in
// any channel.
int Changed(const QImage &a, const QImage &b, int by = 0) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            n += std::abs(qRed(p) - qRed(q)) > by || std::abs(qGreen(p) - qGreen(q)) > by ||
                         std::abs(qBlue(p) - qBlue(q)) > by
                     ? 1
                     : 0;
        }
    return n;
}
} // namespace

// Reached with the keyboard, flat and raised buttons alike show the style's
// focus frame, inside the 3-pixel margin; without the focus there is none.
void IconButtonTest::focusFrameOnFlatAndRaisedButtons() {
    QWidget top;
    top.resize(240, 60);
    auto *before = new QPushButton(QStringLiteral("before"), &top);
    before->setGeometry(0, 0, 10, 10);
    auto *button = new CIconButton(QStringLiteral("OK"), &top);
    button->setGeometry(10, 10, 100, 40);
    CThemeApi theme;
    button->SetTheme(&theme);
    top.show();
    top.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&top));

    for (bool flat : {true, false}) {
        button->SetFlat(flat);
        before->setFocus();
        QTRY_VERIFY(before->hasFocus());
        const QImage without = Grab(*button);
        QTest::keyClick(before, Qt::Key_Tab);
        QTRY_VERIFY(button->hasFocus());
        const QImage with = Grab(*button);
        QVERIFY2(Changed(with, without) >= 40, flat ? "flat" : "raised");
        // The frame keeps clear of the button's outer 3 pixels.
        QRect changed;
        for (int y = 0; y < with.height(); ++y)
            for (int x = 0; x < with.width(); ++x)
                if (with.pixel(x, y) != without.pixel(x, y))
                    changed |= QRect(x, y, 1, 1);
        QVERIFY(QRect(3, 3, 94, 34).contains(changed));
    }
}

// The hover highlight is plain to see: it changes most of the button, also
// over the style's themed background and without a border.
void IconButtonTest::hoverIsClearlyVisible() {
    QWidget top;
    top.resize(240, 60);
    auto *themed = new CIconButton(QStringLiteral("A"), &top);
    auto *bare = new CIconButton(QStringLiteral("B"), &top);
    themed->setGeometry(10, 10, 100, 40);
    bare->setGeometry(120, 10, 100, 40);
    CThemeApi theme;
    themed->SetTheme(&theme);
    bare->DrawBorder(false);
    top.show();
    QVERIFY(QTest::qWaitForWindowExposed(&top));
    for (CIconButton *b : {themed, bare}) {
        const QImage normal = Grab(*b);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), b->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(b, &enter);
        QVERIFY(b->IsMouseOver());
        const QImage hovered = Grab(*b);
        QVERIFY2(Changed(hovered, normal, 16) > normal.width() * normal.height() / 2,
                 qPrintable(b->text()));
    }
}

// ---- hover ----

namespace {

void SendEnter(QWidget *w, QPoint pos) {
    QEnterEvent enter(pos, w->mapTo(w->window(), pos), w->mapToGlobal(pos));
    QApplication::sendEvent(w, &enter);
}

void SendLeave(QWidget *w) {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w, &leave);
}

void SendMove(QWidget *w, QPoint pos, Qt::MouseButtons buttons) {
    QMouseEvent move(QEvent::MouseMove, pos, w->mapTo(w->window(), pos), w->mapToGlobal(pos),
                     Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

struct Window {
    QWidget top;
    CIconButton *a;
    CIconButton *b;
    Window() {
        top.resize(300, 100);
        a = new CIconButton(QStringLiteral("A"), &top);
        b = new CIconButton(QStringLiteral("B"), &top);
        a->setGeometry(10, 10, 100, 40);
        b->setGeometry(120, 10, 100, 40);
    }
    bool Show() {
        top.show();
        top.activateWindow();
        return QTest::qWaitForWindowActive(&top);
    }
};

} // namespace

void IconButtonTest::hoverFollowsEnterAndLeave() {
    Window w;
    QVERIFY(w.Show());
    SendEnter(w.a, QPoint(5, 5));
    QVERIFY(w.a->IsMouseOver());
    QVERIFY(!w.b->IsMouseOver());
    SendLeave(w.a);
    QVERIFY(!w.a->IsMouseOver());

    // Mouse movement inside marks it, movement outside (while the button
    // holds the mouse) clears it.
    SendMove(w.a, QPoint(50, 20), Qt::NoButton);
    QVERIFY(w.a->IsMouseOver());
    SendMove(w.a, QPoint(150, 20), Qt::NoButton);
    QVERIFY(!w.a->IsMouseOver());
}

void IconButtonTest::hoverMovesFromButtonToButton() {
    Window w;
    QVERIFY(w.Show());
    QTest::mouseMove(&w.top, QPoint(50, 30));
    QTRY_VERIFY(w.a->IsMouseOver());
    QVERIFY(!w.b->IsMouseOver());
    QTest::mouseMove(&w.top, QPoint(170, 30));
    QTRY_VERIFY(w.b->IsMouseOver());
    QVERIFY(!w.a->IsMouseOver());
    QTest::mouseMove(&w.top, QPoint(280, 90));
    QTRY_VERIFY(!w.b->IsMouseOver());
    QVERIFY(!w.a->IsMouseOver());
}

void IconButtonTest::hoverClearedByFocusLossAndDeactivation() {
    Window w;
    QVERIFY(w.Show());
    w.a->setFocus();
    QTRY_VERIFY(w.a->hasFocus());
    SendEnter(w.a, QPoint(5, 5));
    QVERIFY(w.a->IsMouseOver());
    w.b->setFocus();
    QTRY_VERIFY(w.b->hasFocus());
    QVERIFY(!w.a->IsMouseOver());

    SendEnter(w.a, QPoint(5, 5));
    QVERIFY(w.a->IsMouseOver());
    QWidget other;
    other.resize(50, 50);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QTRY_VERIFY(!w.a->IsMouseOver());

    // Hiding the button also ends the hover.
    w.top.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.top));
    SendEnter(w.b, QPoint(5, 5));
    QVERIFY(w.b->IsMouseOver());
    w.b->hide();
    QVERIFY(!w.b->IsMouseOver());
}

void IconButtonTest::leftButtonHeldDoesNotStartHover() {
    Window w;
    QVERIFY(w.Show());
    SendMove(w.a, QPoint(20, 20), Qt::LeftButton);
    QVERIFY(!w.a->IsMouseOver());
    // Once hovered, holding the button keeps tracking.
    SendMove(w.a, QPoint(20, 20), Qt::NoButton);
    QVERIFY(w.a->IsMouseOver());
    SendMove(w.a, QPoint(25, 20), Qt::LeftButton);
    QVERIFY(w.a->IsMouseOver());
    SendMove(w.a, QPoint(-30, 20), Qt::LeftButton);
    QVERIFY(!w.a->IsMouseOver());
}

void IconButtonTest::buttonThatIsNotFlatIgnoresHover() {
    Window w;
    w.a->SetFlat(false);
    QVERIFY(w.Show());
    SendEnter(w.a, QPoint(5, 5));
    SendMove(w.a, QPoint(20, 20), Qt::NoButton);
    QVERIFY(!w.a->IsMouseOver());
}

void IconButtonTest::disablingMovesFocusOnAndClearsHover() {
    Window w;
    QVERIFY(w.Show());
    w.a->setFocus();
    QTRY_VERIFY(w.a->hasFocus());
    SendEnter(w.a, QPoint(5, 5));
    QVERIFY(w.a->IsMouseOver());
    w.a->setEnabled(false);
    QVERIFY(!w.a->hasFocus());
    QCOMPARE(w.top.focusWidget(), w.b);
    QVERIFY(!w.a->IsMouseOver());
}

void IconButtonTest::doubleClickCountsAsSecondClick() {
    Window w;
    QVERIFY(w.Show());
    QSignalSpy clicked(w.a, &QAbstractButton::clicked);
    QTest::mouseClick(w.a, Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(clicked.count(), 1);
    // The second press of a double click arrives as a double-click event,
    // followed by its release.
    const QPoint pos(20, 20);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, pos, w.a->mapTo(&w.top, pos),
                    w.a->mapToGlobal(pos), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.a, &dbl);
    QTest::mouseRelease(w.a, Qt::LeftButton, {}, pos);
    QCOMPARE(clicked.count(), 2);
}

QTEST_MAIN(IconButtonTest)
#include "IconButtonTest.moc"
