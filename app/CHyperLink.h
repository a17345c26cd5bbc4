// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// CHyperLink: a label drawn as a web link that opens its address on click.
//
// The set-up runs once, when the label is first polished (before it is
// first shown, or on ensurePolished()): an empty text is filled from the URL
// or an empty URL from the text, the label is refitted to its text, the hand
// cursor and the tooltip (the URL) are installed. Setters called after that
// take effect at once.
//
// Colours: the link colour until the address has been opened successfully,
// then the visited colour; the hover colour while the mouse is over the
// label. The background is erased with the background colour, an invalid
// QColor (the default) meaning the palette's button colour. Underline mode:
// -1 underlined only while hovered, 1 always, 0 never.
//
// A click opens the URL through QDesktopServices; success marks the link
// visited, failure beeps. With the notify flag on, every click then emits
// HyperlinkClicked with the control's id (the "ctlId" property that the
// dialog builder sets, -1 without one). A 100 ms timer notices that the
// mouse has left even when no leave event arrives. GUI thread only.
#pragma once

#include <QBasicTimer>
#include <QColor>
#include <QFont>
#include <QLabel>

class CHyperLink : public QLabel {
    Q_OBJECT

public:
    static constexpr int kHoverInterval = 100; // ms

    explicit CHyperLink(QWidget *parent = nullptr);
    explicit CHyperLink(const QString &text, QWidget *parent = nullptr);
    ~CHyperLink() override;

    void SetURL(const QString &url);
    QString GetURL() const { return m_strURL; }

    void SetColours(const QColor &link, const QColor &visited,
                    const QColor &hover = QColor(255, 0, 0));
    QColor GetLinkColour() const { return m_crLinkColour; }
    QColor GetVisitedColour() const { return m_crVisitedColour; }
    QColor GetHoverColour() const { return m_crHoverColour; }
    // Invalid colour = the palette's button colour.
    void SetBackgroundColour(const QColor &colour);
    QColor GetBackgroundColour() const { return m_crBackground; }

    void SetVisited(bool visited = true);
    bool GetVisited() const { return m_bVisited; }

    // -1 underline while hovered, 1 always, 0 never; other values are -1.
    void SetUnderline(int mode);
    int GetUnderline() const { return m_nUnderline; }

    void SetAutoSize(bool autoSize = true);
    bool GetAutoSize() const { return m_bAdjustToFit; }

    void EnableTooltip(bool enable = true);
    bool IsTooltipEnabled() const { return m_bToolTip; }

    // Ask for a new browser window. The desktop opens addresses the same way
    // either way; the flag is kept for callers that set it.
    void SetOpenInNewWindow(bool newWindow = true) { m_bOpenInNewWindow = newWindow; }
    bool GetOpenInNewWindow() const { return m_bOpenInNewWindow; }

    void SetNotifyParent(bool notify = true) { m_bNotifyParent = notify; }
    bool GetNotifyParent() const { return m_bNotifyParent; }

    bool IsHovered() const { return m_bOverControl; }
    bool IsHoverTimerActive() const { return m_timer.isActive(); }
    // The colour and font the text is drawn with right now.
    QColor CurrentTextColour() const;
    QFont CurrentFont() const;
    // The control's id: the "ctlId" property, -1 without one.
    int CtrlId() const;

    // What a click does: opens the URL; true on success.
    bool GotoURL();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Emitted on every click while the notify flag is on.
    void HyperlinkClicked(int ctrlId);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void Init();
    void Attach();
    void MakeFonts();
    void PositionWindow();
    void StartHover();
    void EndHover();
    QSize TextSize() const;

    QString m_strURL;
    QColor m_crLinkColour{0, 0, 238};
    QColor m_crVisitedColour{85, 26, 139};
    QColor m_crHoverColour{255, 0, 0};
    QColor m_crBackground; // invalid: the button colour
    int m_nUnderline = -1;
    bool m_bOverControl = false;
    bool m_bVisited = false;
    bool m_bAdjustToFit = true;
    bool m_bToolTip = true;
    bool m_bOpenInNewWindow = false;
    bool m_bNotifyParent = false;
    bool m_bAttached = false;
    bool m_bPressed = false;
    QFont m_StdFont;
    QFont m_UnderlineFont;
    QBasicTimer m_timer;
};
