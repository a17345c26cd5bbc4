// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// CThemeApi: the visual-styles binding the owner-drawn controls draw through.
//
// The "library" behind it is a QStyle: normally the application's style,
// resolved again at every call (so a style change is followed), or one style
// given at construction (not owned; when it is deleted the binding acts as if
// the library were missing). A binding constructed with Binding::Off, or one
// made where no QApplication exists, has no library at all.
//
// Every operation has a fallback result used when there is no style:
//   IsAppThemed                 false
//   OpenThemeData               0 (no theme data)
//   CloseThemeData              kFail, nothing done
//   DrawThemeParentBackground   kFail, nothing painted
//   DrawThemeBackground         kFail, nothing painted
// Bad arguments (unknown handle, inactive painter, unknown part or state)
// also give kFail and paint nothing. Nothing throws.
//
// Theme data handles belong to the CThemeApi that opened them; close each
// with CloseThemeData. GUI thread only.
#pragma once

#include <QPointer>
#include <QRect>
#include <QString>
#include <QStyle>
#include <QWidget>

#include <map>

class QPainter;

class CThemeApi {
public:
    using HTHEME = quintptr; // 0: no theme data

    static constexpr int kOk = 0;
    static constexpr int kFail = -1;

    // Parts and states of the "BUTTON" class.
    static constexpr int BP_PUSHBUTTON = 1;
    static constexpr int PBS_NORMAL = 1;
    static constexpr int PBS_HOT = 2;
    static constexpr int PBS_PRESSED = 3;
    static constexpr int PBS_DISABLED = 4;
    static constexpr int PBS_DEFAULTED = 5;

    enum class Binding {
        Application, // the application's style, looked up at each call
        Off,         // no library: every call gives its fallback
    };

    explicit CThemeApi(Binding binding = Binding::Application);
    explicit CThemeApi(QStyle *style); // this style only; null = no library
    ~CThemeApi();

    CThemeApi(const CThemeApi &) = delete;
    CThemeApi &operator=(const CThemeApi &) = delete;

    // True when a style that draws push buttons is bound.
    bool IsAppThemed() const;

    // Theme data for `window` (may be null) and a ';'-separated list of
    // class names; only "BUTTON" (any case) is known. 0 when unavailable.
    HTHEME OpenThemeData(QWidget *window, const QString &classList);
    int CloseThemeData(HTHEME theme);

    // Paints the background of `window`'s parent into `rect` (window
    // coordinates), so a control that draws a non-rectangular panel shows
    // what lies behind it.
    int DrawThemeParentBackground(QWidget *window, QPainter *painter, const QRect &rect);

    // Draws `part` in `state` over `rect`, clipped to `clip` when given.
    int DrawThemeBackground(HTHEME theme, QPainter *painter, int part, int state, const QRect &rect,
                            const QRect *clip = nullptr);

    // Number of theme data handles opened and not yet closed.
    int OpenHandleCount() const { return static_cast<int>(m_open.size()); }

private:
    struct ThemeData {
        QPointer<QStyle> style;
        QPointer<QWidget> window;
    };

    QStyle *ResolveStyle(QWidget *window) const;

    bool m_bLibrary = false;    // a library was bound at construction
    bool m_bFixedStyle = false; // bound to m_pStyle rather than the application's
    QPointer<QStyle> m_pStyle;  // the fixed style
    std::map<HTHEME, ThemeData> m_open;
    HTHEME m_nextHandle = 1;
};
