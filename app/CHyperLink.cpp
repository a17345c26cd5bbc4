// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "app/CHyperLink.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <QUrl>

CHyperLink::CHyperLink(QWidget *parent) : QLabel(parent) {
    Init();
}

CHyperLink::CHyperLink(const QString &text, QWidget *parent) : QLabel(text, parent) {
    Init();
}

CHyperLink::~CHyperLink() = default;

void CHyperLink::Init() {
    // An address is shown as it is, never interpreted as markup.
    setTextFormat(Qt::PlainText);
    setMouseTracking(true);
    MakeFonts();
}

void CHyperLink::Attach() {
    if (m_bAttached)
        return;
    m_bAttached = true;
    if (text().isEmpty())
        setText(m_strURL);
    else if (m_strURL.isEmpty())
        m_strURL = text();
    MakeFonts();
    PositionWindow();
    setCursor(Qt::PointingHandCursor);
    setToolTip(m_bToolTip ? m_strURL : QString());
}

bool CHyperLink::event(QEvent *event) {
    if (event->type() == QEvent::Polish)
        Attach();
    return QLabel::event(event);
}

void CHyperLink::MakeFonts() {
    m_StdFont = font();
    m_StdFont.setUnderline(false);
    m_UnderlineFont = m_StdFont;
    m_UnderlineFont.setUnderline(true);
}

void CHyperLink::changeEvent(QEvent *event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        MakeFonts();
        if (m_bAttached)
            PositionWindow();
    }
}

void CHyperLink::SetURL(const QString &url) {
    m_strURL = url;
    if (m_bAttached) {
        PositionWindow();
        setToolTip(m_bToolTip ? m_strURL : QString());
    }
}

void CHyperLink::SetColours(const QColor &link, const QColor &visited, const QColor &hover) {
    m_crLinkColour = link;
    m_crVisitedColour = visited;
    m_crHoverColour = hover;
    update();
}

void CHyperLink::SetBackgroundColour(const QColor &colour) {
    m_crBackground = colour;
    update();
}

void CHyperLink::SetVisited(bool visited) {
    m_bVisited = visited;
    update();
}

void CHyperLink::SetUnderline(int mode) {
    m_nUnderline = (mode == 0 || mode == 1) ? mode : -1;
    update();
}

void CHyperLink::SetAutoSize(bool autoSize) {
    m_bAdjustToFit = autoSize;
    if (m_bAttached)
        PositionWindow();
}

void CHyperLink::EnableTooltip(bool enable) {
    m_bToolTip = enable;
    if (m_bAttached)
        setToolTip(m_bToolTip ? m_strURL : QString());
}

int CHyperLink::CtrlId() const {
    bool ok = false;
    const int id = property("ctlId").toInt(&ok);
    return ok ? id : -1;
}

QColor CHyperLink::CurrentTextColour() const {
    if (m_bOverControl)
        return m_crHoverColour;
    return m_bVisited ? m_crVisitedColour : m_crLinkColour;
}

QFont CHyperLink::CurrentFont() const {
    const bool underline = m_nUnderline == 1 || (m_nUnderline == -1 && m_bOverControl);
    return underline ? m_UnderlineFont : m_StdFont;
}

QSize CHyperLink::TextSize() const {
    const QFontMetrics fm(m_UnderlineFont);
    const QSize text = fm.size(0, QLabel::text());
    const QMargins m = contentsMargins();
    const int extra = 2 * margin();
    return {text.width() + m.left() + m.right() + extra,
            text.height() + m.top() + m.bottom() + extra};
}

QSize CHyperLink::sizeHint() const {
    return m_bAdjustToFit ? TextSize() : QLabel::sizeHint();
}

QSize CHyperLink::minimumSizeHint() const {
    return m_bAdjustToFit ? TextSize() : QLabel::minimumSizeHint();
}

void CHyperLink::PositionWindow() {
    updateGeometry();
    if (!m_bAdjustToFit)
        return;
    const QRect old = geometry();
    const QSize size = TextSize();
    const Qt::Alignment align = alignment();
    int left = old.left();
    if (align & Qt::AlignRight)
        left = old.right() + 1 - size.width();
    else if (align & Qt::AlignHCenter)
        left = old.left() + (old.width() - size.width()) / 2;
    int top = old.top();
    if (align & Qt::AlignBottom)
        top = old.bottom() + 1 - size.height();
    else if (align & Qt::AlignVCenter)
        top = old.top() + (old.height() - size.height()) / 2;
    setGeometry(QRect(QPoint(left, top), size));
}

void CHyperLink::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    const QColor background =
        m_crBackground.isValid() ? m_crBackground : palette().color(QPalette::Button);
    painter.fillRect(rect(), background);
    painter.setFont(CurrentFont());
    painter.setPen(CurrentTextColour());
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    painter.drawText(area, static_cast<int>(alignment()), text());
}

// ---- hover ----

void CHyperLink::StartHover() {
    if (m_bOverControl)
        return;
    m_bOverControl = true;
    update();
    m_timer.start(kHoverInterval, this);
}

void CHyperLink::EndHover() {
    m_timer.stop();
    if (!m_bOverControl)
        return;
    m_bOverControl = false;
    update();
}

void CHyperLink::mouseMoveEvent(QMouseEvent *event) {
    QLabel::mouseMoveEvent(event);
    if (rect().contains(event->position().toPoint()))
        StartHover();
}

void CHyperLink::enterEvent(QEnterEvent *event) {
    QLabel::enterEvent(event);
    StartHover();
}

void CHyperLink::leaveEvent(QEvent *event) {
    QLabel::leaveEvent(event);
    EndHover();
}

void CHyperLink::timerEvent(QTimerEvent *event) {
    if (event->timerId() != m_timer.timerId()) {
        QLabel::timerEvent(event);
        return;
    }
    if (!rect().contains(mapFromGlobal(QCursor::pos())))
        EndHover();
}

// ---- click ----

void CHyperLink::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) {
        m_bPressed = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void CHyperLink::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton && m_bPressed) {
        m_bPressed = false;
        event->accept();
        if (rect().contains(event->position().toPoint())) {
            GotoURL();
            if (m_bNotifyParent)
                emit HyperlinkClicked(CtrlId());
        }
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

bool CHyperLink::GotoURL() {
    EndHover();
    // Both verbs come down to the desktop's handler for the address.
    const QUrl url = QUrl::fromUserInput(m_strURL.trimmed());
    const bool opened =
        !m_strURL.trimmed().isEmpty() && url.isValid() && QDesktopServices::openUrl(url);
    if (opened) {
        m_bVisited = true;
        update();
    } else {
        QApplication::beep();
    }
    return opened;
}
