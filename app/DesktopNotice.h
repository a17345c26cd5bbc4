// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// DesktopNotice: a notification shown by the desktop (the freedesktop
// notification service on the session bus), with at most one action.
//
// Show sends the notification and returns at once; when the user picks its
// action, `onAction` runs on the GUI thread. A later Show replaces the
// notification shown before, and its action. Without a session bus or a
// notification service nothing is shown and nothing is reported: the
// notice is a courtesy, never the only place a result is told.
// GUI thread only.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class DesktopNotice : public QObject {
    Q_OBJECT

public:
    DesktopNotice();
    ~DesktopNotice() override;

    // `actionText` empty: a notification without an action.
    void Show(const QString &summary, const QString &body, const QString &actionText,
              std::function<void()> onAction);

private slots:
    void OnActionInvoked(uint id, const QString &action);
    void OnClosed(uint id, uint reason);

private:
    uint m_id = 0; // the notification shown, 0 for none
    std::function<void()> m_onAction;
    bool m_bListening = false;
};
