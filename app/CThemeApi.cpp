// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "app/CThemeApi.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionButton>

CThemeApi::CThemeApi(Binding binding) {
    m_bLibrary = binding == Binding::Application &&
                 qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
}

CThemeApi::CThemeApi(QStyle *style)
    : m_bLibrary(style != nullptr), m_bFixedStyle(true), m_pStyle(style) {}

CThemeApi::~CThemeApi() = default;

QStyle *CThemeApi::ResolveStyle(QWidget *window) const {
    if (!m_bLibrary)
        return nullptr;
    if (m_bFixedStyle)
        return m_pStyle.data();
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return nullptr;
    return window ? window->style() : QApplication::style();
}

bool CThemeApi::IsAppThemed() const {
    return ResolveStyle(nullptr) != nullptr;
}

CThemeApi::HTHEME CThemeApi::OpenThemeData(QWidget *window, const QString &classList) {
    QStyle *style = ResolveStyle(window);
    if (!style)
        return 0;
    bool known = false;
    for (const QString &name : classList.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (name.trimmed().compare(QLatin1String("BUTTON"), Qt::CaseInsensitive) == 0) {
            known = true;
            break;
        }
    }
    if (!known)
        return 0;
    const HTHEME handle = m_nextHandle++;
    m_open.emplace(handle, ThemeData{style, window});
    return handle;
}

int CThemeApi::CloseThemeData(HTHEME theme) {
    if (!m_bLibrary)
        return kFail;
    return m_open.erase(theme) == 1 ? kOk : kFail;
}

int CThemeApi::DrawThemeParentBackground(QWidget *window, QPainter *painter, const QRect &rect) {
    if (!ResolveStyle(window) || !window || !painter || !painter->isActive())
        return kFail;
    QWidget *parent = window->parentWidget();
    if (!parent)
        return kFail;
    // The nearest ancestor that paints a background of its own is what shows
    // through; a top-level window always does.
    QWidget *filler = parent;
    while (!filler->isWindow() && !filler->autoFillBackground() && filler->parentWidget())
        filler = filler->parentWidget();
    const QBrush brush = filler->palette().brush(filler->backgroundRole());
    painter->save();
    painter->setBrushOrigin(-window->mapTo(filler, QPoint(0, 0)));
    painter->fillRect(rect, brush);
    painter->restore();
    return kOk;
}

int CThemeApi::DrawThemeBackground(HTHEME theme, QPainter *painter, int part, int state,
                                   const QRect &rect, const QRect *clip) {
    if (!m_bLibrary || !painter || !painter->isActive())
        return kFail;
    const auto it = m_open.find(theme);
    if (it == m_open.end() || !it->second.style)
        return kFail;
    if (part != BP_PUSHBUTTON || state < PBS_NORMAL || state > PBS_DEFAULTED)
        return kFail;

    QStyle *style = it->second.style.data();
    QWidget *window = it->second.window.data();

    QStyleOptionButton option;
    if (window)
        option.initFrom(window);
    else
        option.palette = QApplication::palette();
    option.rect = rect;
    option.state = QStyle::State_None;
    option.features = QStyleOptionButton::None;
    switch (state) {
    case PBS_NORMAL:
        option.state |= QStyle::State_Enabled | QStyle::State_Raised;
        break;
    case PBS_HOT:
        option.state |= QStyle::State_Enabled | QStyle::State_Raised | QStyle::State_MouseOver;
        break;
    case PBS_PRESSED:
        option.state |= QStyle::State_Enabled | QStyle::State_Sunken;
        break;
    case PBS_DISABLED:
        option.state |= QStyle::State_Raised;
        option.palette.setCurrentColorGroup(QPalette::Disabled);
        break;
    case PBS_DEFAULTED:
        option.state |= QStyle::State_Enabled | QStyle::State_Raised;
        option.features |= QStyleOptionButton::DefaultButton;
        break;
    }
    if (state != PBS_DISABLED)
        option.palette.setCurrentColorGroup(QPalette::Active);

    painter->save();
    if (clip)
        painter->setClipRect(*clip, Qt::IntersectClip);
    style->drawControl(QStyle::CE_PushButtonBevel, &option, painter, window);
    painter->restore();
    return kOk;
}
