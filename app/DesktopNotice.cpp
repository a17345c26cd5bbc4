// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "app/DesktopNotice.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QVariantMap>

#include <utility>

namespace {

constexpr char kService[] = "org.freedesktop.Notifications";
constexpr char kPath[] = "/org/freedesktop/Notifications";
constexpr char kInterface[] = "org.freedesktop.Notifications";
// The key of the one action, and of a click on the notification itself.
constexpr char kAction[] = "default";

} // namespace

DesktopNotice::DesktopNotice() = default;

DesktopNotice::~DesktopNotice() = default;

void DesktopNotice::Show(const QString &summary, const QString &body, const QString &actionText,
                         std::function<void()> onAction) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    if (!m_bListening) {
        bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                    SLOT(OnActionInvoked(uint, QString)));
        bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                    SLOT(OnClosed(uint, uint)));
        m_bListening = true;
    }
    m_onAction = actionText.isEmpty() ? std::function<void()>() : std::move(onAction);
    QStringList actions;
    if (m_onAction)
        actions << QString::fromLatin1(kAction) << actionText;
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QGuiApplication::desktopFileName());

    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QCoreApplication::applicationName() << m_id << QString() << summary << body << actions
         << hints << -1;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isValid())
            m_id = reply.value();
        w->deleteLater();
    });
}

void DesktopNotice::OnActionInvoked(uint id, const QString &action) {
    if (id == m_id && m_id != 0 && action == QLatin1String(kAction) && m_onAction)
        m_onAction();
}

void DesktopNotice::OnClosed(uint id, uint) {
    if (id == m_id)
        m_id = 0;
}
