// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// CIconButton: an owner-drawn push button with an icon and a caption.
//
// The button paints everything itself: a themed background (through a
// CThemeApi, when one is set and a style is bound) or a classic one, the
// classic 3-D frame, the icon (its grey copy while disabled), the caption
// word-wrapped in the space beside the icon (embossed while disabled) and,
// while it has the focus, the style's focus frame (flat or not). Flat
// buttons highlight while the mouse is over them, in the selection colour. It stays a QPushButton:
// clicked(), default and auto-default, shortcuts and keyboard handling are Qt's.
//
// The button does not own the CThemeApi; the owner keeps it alive for as
// long as the button may paint. The icons are owned by the button. GUI
// thread only.
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QPushButton>
#include <QSize>

class CThemeApi;

class CIconButton : public QPushButton {
    Q_OBJECT

public:
    // Results.
    static constexpr int kOk = 0;
    static constexpr int kInvalidIcon = 1;
    static constexpr int kInvalidIndex = 3;
    static constexpr int kInvalidAlign = 4;

    // Icon placement.
    static constexpr int AlignHorz = 0;      // icon left of the caption
    static constexpr int AlignVert = 1;      // icon above the caption
    static constexpr int AlignHorzRight = 2; // icon right of the caption
    static constexpr int AlignOverlap = 3;   // icon and caption both centred

    // Colour slots: background and text for the normal, hover/pressed and
    // focused states.
    static constexpr int ColorBkNormal = 0;
    static constexpr int ColorFgNormal = 1;
    static constexpr int ColorBkHover = 2;
    static constexpr int ColorFgHover = 3;
    static constexpr int ColorBkFocus = 4;
    static constexpr int ColorFgFocus = 5;
    static constexpr int ColorCount = 6;

    explicit CIconButton(QWidget *parent = nullptr);
    explicit CIconButton(const QString &text, QWidget *parent = nullptr);
    ~CIconButton() override;

    // Null, or a binding whose application is not themed, switches the
    // classic hover/pressed frame on.
    void SetTheme(CThemeApi *theme);
    CThemeApi *Theme() const { return m_pTheme; }

    // Icon by resource id (res/Icons.h) at its own size; `idHover` names an
    // icon drawn while hovered or pressed, 0 for none. kInvalidIcon when `id`
    // has no icon: the button then draws without one.
    int SetIcon(int id, int idHover = 0);
    // The same at a chosen size in pixels.
    int SetIcon(int id, int idHover, QSize size);
    // Icon from an image (converted to 32-bit ARGB); a null image clears it.
    int SetIcon(const QImage &icon, const QImage &hoverIcon = QImage());

    // 0-3 (see the Align constants); anything else is refused with
    // kInvalidAlign and leaves the alignment unchanged.
    int SetAlign(int align, bool repaint = true);
    int GetAlign() const { return m_nAlign; }

    int SetFlat(bool flat, bool repaint = true);
    bool IsFlat() const { return m_bIsFlat; }

    // The classic hover and pressed frame of flat buttons.
    int DrawBorder(bool enable = true, bool repaint = true);
    bool IsDrawBorder() const { return m_bDrawBorder; }

    // Distance of the icon from the button's edges.
    void SetMargins(int x, int y, bool repaint = true);
    QPoint Margins() const { return m_ptMargin; }

    int SetColor(int index, const QColor &color, bool repaint = true);
    QColor GetColor(int index) const;
    // Back to the palette's button face and button text.
    void SetDefaultColors(bool repaint = true);

    bool IsMouseOver() const { return m_bMouseOnButton; }
    const QImage &Icon() const { return m_icon; }
    const QImage &GreyIcon() const { return m_greyIcon; }
    QSize IconSizePx() const { return m_sizeIcon; }

    // The grey copy drawn while disabled: every pixel becomes the grey of
    // the average of its red, green and blue (pure white becomes 254),
    // alpha kept; fully transparent black pixels stay as they are. The
    // result is 32-bit ARGB, not premultiplied.
    static QImage CreateGrayscaleIcon(const QImage &icon);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void Init();
    void TrackMouse(const QPoint &pos, Qt::MouseButtons buttons);
    void CancelHover();
    bool DrawThemedBackground(QPainter &painter, const QRect &rc);
    void DrawClassicBackground(QPainter &painter, const QRect &rc);
    void PrepareImageRect(bool hasTitle, const QRect &client, QRect *image, QRect *title) const;
    void DrawTheIcon(QPainter &painter, const QRect &image);
    void DrawTheText(QPainter &painter, const QRect &title);
    void DrawFocusRect(QPainter &painter, const QRect &rc);
    void DrawHoverMark(QPainter &painter, const QRect &rc);
    void Draw3dRect(QPainter &painter, const QRect &rc, const QColor &topLeft,
                    const QColor &bottomRight);
    QSize IconLogicalSize() const;

    CThemeApi *m_pTheme = nullptr;
    bool m_bIsFlat = true;
    bool m_bDrawBorder = false;
    bool m_bMouseOnButton = false;
    bool m_bIsPressed = false;
    bool m_bIsFocused = false;
    bool m_bIsDisabled = false;
    bool m_bIsDefault = false;
    QImage m_icon;
    QImage m_hoverIcon;
    QImage m_greyIcon;
    QSize m_sizeIcon; // logical pixels
    int m_nAlign = AlignHorz;
    QPoint m_ptMargin{3, 3};
    QColor m_crColors[ColorCount];
};
