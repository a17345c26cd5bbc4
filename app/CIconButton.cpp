// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "app/CIconButton.h"

#include "app/CThemeApi.h"
#include "res/Icons.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <array>

CIconButton::CIconButton(QWidget *parent) : QPushButton(parent) {
    Init();
}

CIconButton::CIconButton(const QString &text, QWidget *parent) : QPushButton(text, parent) {
    Init();
}

CIconButton::~CIconButton() = default;

void CIconButton::Init() {
    setMouseTracking(true);
    SetDefaultColors(false);
}

void CIconButton::SetTheme(CThemeApi *theme) {
    m_pTheme = theme;
    if (!theme || !theme->IsAppThemed())
        m_bDrawBorder = true;
    update();
}

int CIconButton::SetIcon(int id, int idHover) {
    return SetIcon(id, idHover, VantoriaIconSize(id));
}

int CIconButton::SetIcon(int id, int idHover, QSize size) {
    if (!size.isValid() || size.isEmpty()) {
        SetIcon(QImage());
        return kInvalidIcon;
    }
    const qreal dpr = std::max<qreal>(1.0, devicePixelRatioF());
    const QSize devSize = (QSizeF(size) * dpr).toSize();
    QImage icon = VantoriaIconImage(id, devSize);
    if (icon.isNull()) {
        SetIcon(QImage());
        return kInvalidIcon;
    }
    icon.setDevicePixelRatio(dpr);
    QImage hover;
    if (idHover != 0) {
        hover = VantoriaIconImage(idHover, devSize);
        if (!hover.isNull())
            hover.setDevicePixelRatio(dpr);
    }
    return SetIcon(icon, hover);
}

int CIconButton::SetIcon(const QImage &icon, const QImage &hoverIcon) {
    m_icon = icon.isNull() ? QImage() : icon.convertToFormat(QImage::Format_ARGB32);
    m_hoverIcon = hoverIcon.isNull() ? QImage() : hoverIcon.convertToFormat(QImage::Format_ARGB32);
    m_greyIcon = CreateGrayscaleIcon(m_icon);
    m_sizeIcon = m_icon.isNull() ? QSize() : m_icon.deviceIndependentSize().toSize();
    updateGeometry();
    update();
    return kOk;
}

int CIconButton::SetAlign(int align, bool repaint) {
    if (align < AlignHorz || align > AlignOverlap)
        return kInvalidAlign;
    m_nAlign = align;
    if (repaint)
        update();
    updateGeometry();
    return kOk;
}

int CIconButton::SetFlat(bool flat, bool repaint) {
    m_bIsFlat = flat;
    if (!flat)
        m_bMouseOnButton = false;
    if (repaint)
        update();
    return kOk;
}

int CIconButton::DrawBorder(bool enable, bool repaint) {
    m_bDrawBorder = enable;
    if (repaint)
        update();
    return kOk;
}

void CIconButton::SetMargins(int x, int y, bool repaint) {
    m_ptMargin = QPoint(std::max(0, x), std::max(0, y));
    updateGeometry();
    if (repaint)
        update();
}

int CIconButton::SetColor(int index, const QColor &color, bool repaint) {
    if (index < 0 || index >= ColorCount)
        return kInvalidIndex;
    m_crColors[index] = color;
    if (repaint)
        update();
    return kOk;
}

QColor CIconButton::GetColor(int index) const {
    if (index < 0 || index >= ColorCount)
        return {};
    return m_crColors[index];
}

void CIconButton::SetDefaultColors(bool repaint) {
    const QPalette &pal = palette();
    const QColor face = pal.color(QPalette::Button);
    const QColor text = pal.color(QPalette::ButtonText);
    m_crColors[ColorBkNormal] = face;
    m_crColors[ColorFgNormal] = text;
    m_crColors[ColorBkHover] = face;
    m_crColors[ColorFgHover] = text;
    m_crColors[ColorBkFocus] = face;
    m_crColors[ColorFgFocus] = text;
    if (repaint)
        update();
}

QImage CIconButton::CreateGrayscaleIcon(const QImage &icon) {
    if (icon.isNull())
        return {};
    static const std::array<QRgb, 256> table = [] {
        std::array<QRgb, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[i] = qRgb(255 - i, 255 - i, 255 - i);
        return t;
    }();

    const QImage src = icon.convertToFormat(QImage::Format_ARGB32);
    QImage grey(src.size(), QImage::Format_ARGB32);
    if (grey.isNull())
        return {};
    grey.setDevicePixelRatio(src.devicePixelRatio());
    for (int y = 0; y < src.height(); ++y) {
        const QRgb *in = reinterpret_cast<const QRgb *>(src.constScanLine(y));
        QRgb *out = reinterpret_cast<QRgb *>(grey.scanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            const QRgb px = in[x];
            const int average = (qRed(px) + qGreen(px) + qBlue(px)) / 3;
            const int c = 255 - average;
            if (qAlpha(px) == 0 && c == 255) {
                out[x] = px;
                continue;
            }
            const QRgb entry = table[c == 0 ? 1 : c];
            out[x] = qRgba(qRed(entry), qGreen(entry), qBlue(entry), qAlpha(px));
        }
    }
    return grey;
}

QSize CIconButton::IconLogicalSize() const {
    return m_icon.isNull() ? QSize(0, 0) : m_sizeIcon;
}

QSize CIconButton::sizeHint() const {
    const QFontMetrics fm(font());
    const QSize is = IconLogicalSize();
    const QSize ts = text().isEmpty() ? QSize(0, 0)
                                      : fm.size(Qt::TextShowMnemonic, text()) +
                                            QSize(2 * fm.averageCharWidth(), 0);
    const int mx = m_ptMargin.x();
    const int my = m_ptMargin.y();
    int w = 0;
    int h = 0;
    switch (m_nAlign) {
    case AlignVert:
        w = std::max(is.width(), ts.width()) + 2 * mx;
        h = is.height() + ts.height() + (ts.isEmpty() || is.isEmpty() ? 2 : 3) * my;
        break;
    case AlignOverlap:
        w = std::max(is.width(), ts.width()) + 2 * mx;
        h = std::max(is.height(), ts.height()) + 2 * my;
        break;
    default:
        w = is.width() + ts.width() + (ts.isEmpty() || is.isEmpty() ? 2 : 3) * mx;
        h = std::max(is.height(), ts.height()) + 2 * my;
        break;
    }
    return {std::max(w, 16), std::max(h, fm.height() + 2 * my)};
}

QSize CIconButton::minimumSizeHint() const {
    return sizeHint();
}

// ---- painting ----

void CIconButton::paintEvent(QPaintEvent *) {
    m_bIsPressed = isDown() || (isCheckable() && isChecked());
    m_bIsFocused = hasFocus();
    m_bIsDisabled = !isEnabled();
    m_bIsDefault = isDefault();

    QPainter painter(this);
    const QRect client = rect();

    if (!DrawThemedBackground(painter, client))
        DrawClassicBackground(painter, client);
    if (m_bMouseOnButton && !m_bIsPressed && !m_bIsDisabled)
        DrawHoverMark(painter, client);

    QRect image;
    QRect title;
    PrepareImageRect(!text().isEmpty(), client, &image, &title);
    if (m_bIsPressed) {
        image.translate(1, 1);
        title.translate(1, 1);
    }
    if (!m_icon.isNull())
        DrawTheIcon(painter, image);
    if (!text().isEmpty())
        DrawTheText(painter, title);

    if (m_bIsFocused)
        DrawFocusRect(painter, client.adjusted(3, 3, -3, -3));
}

void CIconButton::DrawFocusRect(QPainter &painter, const QRect &rc) {
    // The style's own focus frame, flat or not, so the button shows the
    // focus exactly when and how the other controls of the window do.
    if (rc.width() < 2 || rc.height() < 2)
        return;
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = rc;
    option.backgroundColor = m_crColors[ColorBkFocus];
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

void CIconButton::DrawHoverMark(QPainter &painter, const QRect &rc) {
    // A tint of the selection colour and, where no 3-D frame will be drawn
    // over it, a frame of that colour: plain to see in every style, where a
    // style's own hover shading can be a shade too faint.
    if (rc.width() < 3 || rc.height() < 3)
        return;
    QColor tint = palette().color(QPalette::Highlight);
    tint.setAlpha(48);
    painter.fillRect(rc.adjusted(1, 1, -1, -1), tint);
    const bool classicFrame = m_bDrawBorder && !(m_pTheme && m_pTheme->IsAppThemed());
    if (classicFrame)
        return;
    painter.save();
    painter.setPen(palette().color(QPalette::Highlight));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rc.adjusted(0, 0, -1, -1));
    painter.restore();
}

bool CIconButton::DrawThemedBackground(QPainter &painter, const QRect &rc) {
    if (!m_pTheme || !m_pTheme->IsAppThemed())
        return false;
    const CThemeApi::HTHEME theme = m_pTheme->OpenThemeData(this, QStringLiteral("BUTTON"));
    if (!theme)
        return false;
    int state = CThemeApi::PBS_NORMAL;
    if (m_bIsDisabled)
        state = CThemeApi::PBS_DISABLED;
    else if (m_bIsPressed)
        state = CThemeApi::PBS_PRESSED;
    else if (m_bMouseOnButton)
        state = CThemeApi::PBS_HOT;
    else if (m_bIsDefault)
        state = CThemeApi::PBS_DEFAULTED;
    m_pTheme->DrawThemeParentBackground(this, &painter, rc);
    const int result =
        m_pTheme->DrawThemeBackground(theme, &painter, CThemeApi::BP_PUSHBUTTON, state, rc);
    m_pTheme->CloseThemeData(theme);
    return result == CThemeApi::kOk;
}

void CIconButton::Draw3dRect(QPainter &painter, const QRect &rc, const QColor &topLeft,
                             const QColor &bottomRight) {
    if (rc.width() < 2 || rc.height() < 2)
        return;
    painter.fillRect(QRect(rc.left(), rc.top(), rc.width() - 1, 1), topLeft);
    painter.fillRect(QRect(rc.left(), rc.top(), 1, rc.height() - 1), topLeft);
    painter.fillRect(QRect(rc.right(), rc.top(), 1, rc.height()), bottomRight);
    painter.fillRect(QRect(rc.left(), rc.bottom(), rc.width(), 1), bottomRight);
}

void CIconButton::DrawClassicBackground(QPainter &painter, const QRect &rc) {
    painter.fillRect(rc, m_crColors[ColorBkNormal]);

    const QPalette &pal = palette();
    const QColor highlight = pal.color(QPalette::Light);
    const QColor light = pal.color(QPalette::Midlight);
    const QColor shadow = pal.color(QPalette::Dark);
    const QColor darkShadow = pal.color(QPalette::Shadow);

    if (m_bIsFlat) {
        if (!m_bDrawBorder)
            return;
        if (m_bIsPressed)
            Draw3dRect(painter, rc, shadow, highlight);
        else if (m_bMouseOnButton)
            Draw3dRect(painter, rc, highlight, shadow);
        return;
    }
    if (m_bIsPressed) {
        Draw3dRect(painter, rc, shadow, shadow);
        return;
    }
    Draw3dRect(painter, rc, light, darkShadow);
    Draw3dRect(painter, rc.adjusted(1, 1, -1, -1), highlight, shadow);
}

void CIconButton::PrepareImageRect(bool hasTitle, const QRect &client, QRect *image,
                                   QRect *title) const {
    const QSize is = IconLogicalSize();
    const int mx = m_ptMargin.x();
    const int my = m_ptMargin.y();
    const int w = is.width();
    const int h = is.height();
    const int centredX = client.left() + (client.width() - w) / 2;
    const int centredY = client.top() + (client.height() - h) / 2;

    *title = client.adjusted(mx, my, -mx, -my);
    if (is.isEmpty()) {
        *image = QRect();
        return;
    }
    // Without a caption the icon takes the middle of the button whatever the
    // alignment: there is nothing to share the space with.
    switch (m_nAlign) {
    case AlignHorz:
        *image = QRect(hasTitle ? client.left() + mx : centredX, centredY, w, h);
        title->setLeft(image->right() + 1 + mx);
        break;
    case AlignHorzRight:
        *image = QRect(hasTitle ? client.right() + 1 - mx - w : centredX, centredY, w, h);
        title->setRight(image->left() - 1 - mx);
        break;
    case AlignVert:
        *image = QRect(centredX, hasTitle ? client.top() + my : centredY, w, h);
        title->setTop(image->bottom() + 1 + my);
        break;
    default: // AlignOverlap
        *image = QRect(centredX, centredY, w, h);
        break;
    }
}

void CIconButton::DrawTheIcon(QPainter &painter, const QRect &image) {
    const QRect target(image.topLeft(), m_sizeIcon);
    if (m_bIsDisabled) {
        if (!m_greyIcon.isNull()) {
            painter.drawImage(target, m_greyIcon);
        } else {
            QStyleOption option;
            option.initFrom(this);
            const QPixmap disabled =
                style()->generatedIconPixmap(QIcon::Disabled, QPixmap::fromImage(m_icon), &option);
            painter.drawPixmap(target, disabled);
        }
        return;
    }
    if ((m_bMouseOnButton || m_bIsPressed) && !m_hoverIcon.isNull())
        painter.drawImage(target, m_hoverIcon);
    else
        painter.drawImage(target, m_icon);
}

void CIconButton::DrawTheText(QPainter &painter, const QRect &title) {
    if (title.width() <= 0 || title.height() <= 0)
        return;
    QStyleOption option;
    option.initFrom(this);
    const bool underline = style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this);
    const int flags = Qt::AlignCenter | Qt::TextWordWrap |
                      (underline ? Qt::TextShowMnemonic : Qt::TextHideMnemonic);
    painter.setFont(font());
    if (m_bIsDisabled) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(title.translated(1, 1), flags, text());
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawText(title, flags, text());
        return;
    }
    QColor color = m_crColors[ColorFgNormal];
    if (m_bMouseOnButton || m_bIsPressed)
        color = m_crColors[ColorFgHover];
    else if (m_bIsFocused)
        color = m_crColors[ColorFgFocus];
    painter.setPen(color);
    painter.drawText(title, flags, text());
}

// ---- hover tracking ----

void CIconButton::TrackMouse(const QPoint &pos, Qt::MouseButtons buttons) {
    if (!m_bIsFlat)
        return;
    // Dragging in from elsewhere with the left button held does not light
    // the button up.
    if ((buttons & Qt::LeftButton) && !m_bMouseOnButton)
        return;
    if (rect().contains(pos)) {
        if (!m_bMouseOnButton) {
            m_bMouseOnButton = true;
            update();
        }
    } else {
        CancelHover();
    }
}

void CIconButton::CancelHover() {
    if (m_bMouseOnButton) {
        m_bMouseOnButton = false;
        update();
    }
}

void CIconButton::mouseMoveEvent(QMouseEvent *event) {
    QPushButton::mouseMoveEvent(event);
    TrackMouse(event->position().toPoint(), event->buttons());
}

void CIconButton::enterEvent(QEnterEvent *event) {
    QPushButton::enterEvent(event);
    TrackMouse(event->position().toPoint(), QGuiApplication::mouseButtons());
}

void CIconButton::leaveEvent(QEvent *event) {
    QPushButton::leaveEvent(event);
    CancelHover();
}

void CIconButton::focusOutEvent(QFocusEvent *event) {
    QPushButton::focusOutEvent(event);
    CancelHover();
}

void CIconButton::changeEvent(QEvent *event) {
    QPushButton::changeEvent(event);
    switch (event->type()) {
    case QEvent::ActivationChange:
        if (!isActiveWindow())
            CancelHover();
        break;
    case QEvent::EnabledChange:
        if (!isEnabled()) {
            QWidget *focus = window() ? window()->focusWidget() : nullptr;
            if (hasFocus() || focus == this) {
                if (!focusNextChild()) {
                    if (parentWidget())
                        parentWidget()->setFocus(Qt::OtherFocusReason);
                    else
                        clearFocus();
                }
            }
            CancelHover();
        }
        break;
    case QEvent::PaletteChange:
        SetDefaultColors(true);
        break;
    default:
        break;
    }
}

bool CIconButton::event(QEvent *event) {
    // The owning window losing activation reaches its children as
    // WindowDeactivate; hiding the button ends its hover as well.
    if (event->type() == QEvent::WindowDeactivate || event->type() == QEvent::Hide)
        CancelHover();
    return QPushButton::event(event);
}
