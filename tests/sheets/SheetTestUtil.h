// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Helpers shared by the sheet tests: a Profile.ini in a temporary folder and
// a way to answer a modal dialog that a call is about to run.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

class TempProfile {
public:
    TempProfile() : m_path((m_dir.path() + QStringLiteral("/Profile.ini")).toStdString()) {}

    const std::string &Path() const { return m_path; }
    QString QPath() const { return QString::fromStdString(m_path); }

    void Write(const QByteArray &text) const {
        QFile f(QPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    QByteArray Read() const {
        QFile f(QPath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }
    bool Exists() const { return QFile::exists(QPath()); }

private:
    QTemporaryDir m_dir;
    std::string m_path;
};

// Runs `answer` on the first modal widget of type T that appears within a
// few seconds (the call that opens it blocks in its own event loop).
// `answered` turns true once it ran.
template <class T>
std::shared_ptr<bool> WhenModal(std::function<void(T *)> answer, int timeoutMs = 5000) {
    auto answered = std::make_shared<bool>(false);
    auto *timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer, answered, clock, timeoutMs] {
        if (auto *w = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            *answered = true;
            answer(w);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return answered;
}
