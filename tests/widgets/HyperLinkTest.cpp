// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "app/CHyperLink.h"

#include "WidgetTestUtil.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

// Receives the addresses that the desktop hands to the "vantoria-test"
// scheme, so a click can succeed without starting a browser.
class UrlSink : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class HyperLinkTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void defaults();
    void textAndUrlFillEachOther();
    void tooltipShowsTheUrl();
    void coloursForNormalHoverAndVisited();
    void underlineModes();
    void clickOpensAndMarksVisited();
    void failedOpenLeavesItUnvisited();
    void notifySignalCarriesTheId();
    void hoverTimerNoticesTheMouseHasLeft();
    void adjustToFit();

private:
    UrlSink m_sink;
};

namespace {

const QColor kLink(0, 0, 238);
const QColor kVisited(85, 26, 139);
const QColor kHover(255, 0, 0);

void BigFont(QWidget &w) {
    QFont font = w.font();
    font.setPixelSize(28);
    w.setFont(font);
}

void SendEnter(QWidget *w) {
    const QPoint pos(2, 2);
    QEnterEvent enter(pos, w->mapTo(w->window(), pos), w->mapToGlobal(pos));
    QApplication::sendEvent(w, &enter);
}

} // namespace

void HyperLinkTest::initTestCase() {
    QDesktopServices::setUrlHandler(QStringLiteral("vantoria-test"), &m_sink, "open");
}

void HyperLinkTest::cleanupTestCase() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("vantoria-test"));
}

void HyperLinkTest::defaults() {
    CHyperLink link;
    QCOMPARE(link.GetLinkColour(), kLink);
    QCOMPARE(link.GetVisitedColour(), kVisited);
    QCOMPARE(link.GetHoverColour(), kHover);
    QVERIFY(!link.GetBackgroundColour().isValid());
    QCOMPARE(link.GetUnderline(), -1);
    QVERIFY(link.GetAutoSize());
    QVERIFY(link.IsTooltipEnabled());
    QVERIFY(!link.GetOpenInNewWindow());
    QVERIFY(!link.GetNotifyParent());
    QVERIFY(!link.GetVisited());
    QVERIFY(!link.IsHovered());
    QCOMPARE(link.CtrlId(), -1);
    link.ensurePolished();
    QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
    // Markup in an address is shown, not interpreted.
    QCOMPARE(link.textFormat(), Qt::PlainText);
}

void HyperLinkTest::textAndUrlFillEachOther() {
    {
        CHyperLink link;
        link.SetURL(QStringLiteral("https://example.org/home"));
        link.ensurePolished();
        QCOMPARE(link.text(), QStringLiteral("https://example.org/home"));
    }
    {
        CHyperLink link(QStringLiteral("www.example.org"));
        link.ensurePolished();
        QCOMPARE(link.GetURL(), QStringLiteral("www.example.org"));
    }
    {
        CHyperLink link(QStringLiteral("Home page"));
        link.SetURL(QStringLiteral("https://example.org/"));
        link.ensurePolished();
        QCOMPARE(link.text(), QStringLiteral("Home page"));
        QCOMPARE(link.GetURL(), QStringLiteral("https://example.org/"));
        // A later address replaces the URL only.
        link.SetURL(QStringLiteral("https://example.net/"));
        QCOMPARE(link.text(), QStringLiteral("Home page"));
    }
}

void HyperLinkTest::tooltipShowsTheUrl() {
    CHyperLink link(QStringLiteral("Home page"));
    link.SetURL(QStringLiteral("https://example.org/"));
    link.ensurePolished();
    QCOMPARE(link.toolTip(), QStringLiteral("https://example.org/"));
    link.SetURL(QStringLiteral("https://example.net/"));
    QCOMPARE(link.toolTip(), QStringLiteral("https://example.net/"));
    link.EnableTooltip(false);
    QVERIFY(link.toolTip().isEmpty());
    link.EnableTooltip(true);
    QCOMPARE(link.toolTip(), QStringLiteral("https://example.net/"));
}

void HyperLinkTest::coloursForNormalHoverAndVisited() {
    QWidget top;
    top.resize(400, 100);
    auto *link = new CHyperLink(QStringLiteral("Home page"), &top);
    BigFont(*link);
    link->move(10, 10);
    link->SetURL(QStringLiteral("vantoria-test:home"));
    top.show();
    QVERIFY(QTest::qWaitForWindowExposed(&top));

    QImage img = Grab(*link);
    QVERIFY(CountOf(img, kLink) > 20);
    QCOMPARE(CountOf(img, kHover), 0);
    QCOMPARE(link->CurrentTextColour(), kLink);
    // The background is the button colour.
    QVERIFY(SameRgb(img.pixel(0, 0), link->palette().color(QPalette::Button)));
    const int normalRun = LongestRun(img, kLink);

    SendEnter(link);
    QVERIFY(link->IsHovered());
    img = Grab(*link);
    QVERIFY(CountOf(img, kHover) > 20);
    QCOMPARE(CountOf(img, kLink), 0);
    // Hovered, it is underlined: a line of hover colour across the text.
    QVERIFY(LongestRun(img, kHover) > link->width() * 3 / 4);
    QVERIFY(normalRun < link->width() / 2);

    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(link->GetVisited());
    QVERIFY(!link->IsHovered());
    img = Grab(*link);
    QVERIFY(CountOf(img, kVisited) > 20);
    QCOMPARE(CountOf(img, kLink), 0);

    // An explicit background colour is used as given.
    link->SetBackgroundColour(QColor(250, 240, 200));
    QVERIFY(SameRgb(Grab(*link).pixel(0, 0), QColor(250, 240, 200)));
}

void HyperLinkTest::underlineModes() {
    CHyperLink link(QStringLiteral("Home"));
    BigFont(link);
    link.ensurePolished();
    QVERIFY(!link.CurrentFont().underline());
    link.SetUnderline(1);
    QVERIFY(link.CurrentFont().underline());
    QVERIFY(LongestRun(Grab(link), kLink) > link.width() * 3 / 4);
    link.SetUnderline(0);
    SendEnter(&link);
    QVERIFY(link.IsHovered());
    QVERIFY(!link.CurrentFont().underline());
    QVERIFY(LongestRun(Grab(link), kHover) < link.width() / 2);
    link.SetUnderline(7);
    QCOMPARE(link.GetUnderline(), -1);
    QVERIFY(link.CurrentFont().underline());
}

void HyperLinkTest::clickOpensAndMarksVisited() {
    m_sink.opened.clear();
    CHyperLink link(QStringLiteral("Home"));
    link.SetURL(QStringLiteral("vantoria-test:about"));
    link.SetOpenInNewWindow(true);
    link.resize(60, 20);
    link.show();
    QVERIFY(QTest::qWaitForWindowExposed(&link));
    QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(m_sink.opened.size(), 1);
    QCOMPARE(m_sink.opened.first(), QUrl(QStringLiteral("vantoria-test:about")));
    QVERIFY(link.GetVisited());

    // A right click opens nothing.
    QTest::mouseClick(&link, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(m_sink.opened.size(), 1);
}

void HyperLinkTest::failedOpenLeavesItUnvisited() {
    for (const QString &url : {QString(), QStringLiteral("http://[::1")}) {
        CHyperLink link;
        link.SetURL(url);
        link.setText(QStringLiteral("broken"));
        link.ensurePolished();
        QVERIFY(!link.GotoURL());
        QVERIFY(!link.GetVisited());
        QCOMPARE(link.CurrentTextColour(), kLink);
    }
}

void HyperLinkTest::notifySignalCarriesTheId() {
    QWidget parent;
    auto *link = new CHyperLink(QStringLiteral("Home"), &parent);
    link->SetURL(QStringLiteral("vantoria-test:notify"));
    link->setProperty("ctlId", 1027);
    link->resize(60, 20);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QSignalSpy spy(link, &CHyperLink::HyperlinkClicked);

    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(spy.count(), 0);

    link->SetNotifyParent(true);
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().first().toInt(), 1027);

    // A failed open still tells the parent.
    link->SetURL(QString());
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(spy.count(), 2);
}

void HyperLinkTest::hoverTimerNoticesTheMouseHasLeft() {
    QWidget top;
    top.setGeometry(300, 300, 200, 80);
    auto *link = new CHyperLink(QStringLiteral("Home page"), &top);
    link->move(10, 10);
    top.show();
    QVERIFY(QTest::qWaitForWindowExposed(&top));

    // The mouse stands on the link: the hover lasts.
    QCursor::setPos(link->mapToGlobal(QPoint(3, 3)));
    SendEnter(link);
    QVERIFY(link->IsHovered());
    QVERIFY(link->IsHoverTimerActive());
    QTest::qWait(3 * CHyperLink::kHoverInterval);
    QVERIFY(link->IsHovered());

    // The mouse is elsewhere and no leave event comes: the timer notices.
    QCursor::setPos(QPoint(5, 5));
    if (link->IsHovered()) {
        QTRY_VERIFY_WITH_TIMEOUT(!link->IsHovered(), 2000);
    }
    QVERIFY(!link->IsHoverTimerActive());

    // A hover that starts while the mouse is already away ends by the timer.
    SendEnter(link);
    QVERIFY(link->IsHovered());
    QTRY_VERIFY_WITH_TIMEOUT(!link->IsHovered(), 2000);
    QVERIFY(!link->IsHoverTimerActive());
}

void HyperLinkTest::adjustToFit() {
    QWidget top;
    top.resize(500, 200);
    auto *left = new CHyperLink(QStringLiteral("Home page"), &top);
    left->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    left->setGeometry(10, 10, 400, 60);
    auto *right = new CHyperLink(QStringLiteral("Home page"), &top);
    right->setAlignment(Qt::AlignRight | Qt::AlignTop);
    right->setGeometry(10, 80, 400, 60);
    auto *fixed = new CHyperLink(QStringLiteral("Home page"), &top);
    fixed->SetAutoSize(false);
    fixed->setGeometry(10, 150, 400, 30);
    top.show();
    QVERIFY(QTest::qWaitForWindowExposed(&top));

    const QFontMetrics fm(left->font());
    const int textWidth = fm.horizontalAdvance(QStringLiteral("Home page"));
    QVERIFY(qAbs(left->width() - textWidth) <= 2);
    QCOMPARE(left->x(), 10);
    QCOMPARE(left->y(), 10);
    QCOMPARE(right->width(), left->width());
    QCOMPARE(right->x() + right->width(), 410);
    QCOMPARE(fixed->geometry(), QRect(10, 150, 400, 30));

    // A longer text refits the control when the URL changes the text.
    left->setText(QStringLiteral("Home page of the program"));
    left->SetURL(QStringLiteral("https://example.org/"));
    QVERIFY(left->width() > textWidth);
}

QTEST_MAIN(HyperLinkTest)
#include "HyperLinkTest.moc"
