// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "app/CConverterApp.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <cstdio>

#include "app/CMainDlg.h"
#include "app/Translations.h"

namespace {

// The hand-off message: kMagic, then the file list; the running instance
// answers with one byte, kTaken, once it has taken the list.
constexpr quint32 kMagic = 0x56414e31; // "VAN1"
constexpr char kTaken = 1;
constexpr qint64 kMaxMessage = 64 * 1024 * 1024;
constexpr int kConnectMs = 5000;
constexpr int kAnswerMs = 10000;

QByteArray Message(const QStringList &files) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMagic << files;
    return bytes;
}

// The list in `bytes` once it is complete; false while more is to come.
// A message that is not ours counts as complete and empty.
bool ParseMessage(const QByteArray &bytes, QStringList &files) {
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0;
    in >> magic;
    if (in.status() == QDataStream::ReadPastEnd)
        return false;
    if (magic != kMagic) {
        files.clear();
        return true;
    }
    in >> files;
    if (in.status() == QDataStream::ReadPastEnd)
        return false;
    if (in.status() != QDataStream::Ok)
        files.clear();
    return true;
}

} // namespace

CInstanceChannel::CInstanceChannel() = default;

CInstanceChannel::~CInstanceChannel() = default;

bool CInstanceChannel::Listen(const QString &path) {
    // Only the holder of the instance lock gets here, so a socket file
    // already at `path` is a crashed instance's.
    QLocalServer::removeServer(path);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(path)) {
        m_server.reset();
        return false;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &CInstanceChannel::OnConnection);
    return true;
}

void CInstanceChannel::OnConnection() {
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto *buffer = new QByteArray;
        connect(socket, &QObject::destroyed, [buffer] { delete buffer; });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            QStringList files;
            if (buffer->size() > kMaxMessage) {
                socket->abort();
                return;
            }
            if (!ParseMessage(*buffer, files))
                return;
            buffer->clear();
            emit FilesHanded(files);
            socket->write(&kTaken, 1);
            socket->flush();
            socket->disconnectFromServer();
        });
    }
}

CConverterApp::CConverterApp(int &argc, char **argv) : QApplication(argc, argv) {}

CConverterApp::~CConverterApp() = default;

QString CConverterApp::LockFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::tempPath();
    return folder;
}

QString CConverterApp::ChannelPath(const QString &appName, const QString &folder) {
    return QDir(folder).filePath(appName + QStringLiteral(".socket"));
}

std::unique_ptr<QLockFile>
CConverterApp::TakeInstanceLock(const QString &appName, const QString &folder, bool *heldByOther) {
    QString where = folder.isEmpty() ? LockFolder() : folder;
    auto lock =
        std::make_unique<QLockFile>(QDir(where).filePath(appName + QStringLiteral(".lock")));
    // Never treat a live instance's lock as stale because of its age; a lock
    // whose process is gone is still taken over.
    lock->setStaleLockTime(0);
    bool ok = lock->tryLock(0);
    if (heldByOther)
        *heldByOther = !ok && lock->error() == QLockFile::LockFailedError;
    if (!ok)
        return nullptr;
    return lock;
}

QStringList CConverterApp::FilesFromArguments(const QStringList &arguments,
                                              const QString &currentFolder) {
    QStringList files;
    const QDir here(currentFolder);
    for (qsizetype i = 1; i < arguments.size(); ++i)
        if (!arguments[i].isEmpty())
            files.push_back(QDir::cleanPath(here.absoluteFilePath(arguments[i])));
    return files;
}

bool CConverterApp::HandFiles(const QString &channelPath, const QStringList &files) {
    // The running instance may still be starting: its lock comes a moment
    // before its socket.
    QLocalSocket socket;
    QDeadlineTimer connectBy(kConnectMs);
    for (;;) {
        socket.connectToServer(channelPath);
        if (socket.waitForConnected(kConnectMs))
            break;
        if (connectBy.hasExpired())
            return false;
        QThread::msleep(50);
    }
    socket.write(Message(files));
    if (!socket.waitForBytesWritten(kAnswerMs))
        return false;
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(kAnswerMs))
            return false;
    char answer = 0;
    return socket.read(&answer, 1) == 1 && answer == kTaken;
}

void CConverterApp::OfferFiles(CMainDlg &dlg, const QStringList &files, bool toFront) {
    dlg.OnFilesHanded(files);
    if (toFront) {
        if (dlg.isMinimized())
            dlg.showNormal();
        dlg.raise();
        dlg.activateWindow();
    }
}

int CConverterApp::RunWindow(CMainDlg &dlg, const QStringList &files, CInstanceChannel *channel) {
    if (!dlg.OnInitDialog())
        return 0;
    OfferFiles(dlg, files, false);
    if (channel)
        connect(channel, &CInstanceChannel::FilesHanded, &dlg,
                [&dlg](const QStringList &handed) { OfferFiles(dlg, handed, true); });
    dlg.exec();
    return 0;
}

int CConverterApp::Run() {
    const QStringList files = FilesFromArguments(arguments(), QDir::currentPath());
    QString folder = LockFolder();
    bool held = false;
    m_instanceLock = TakeInstanceLock(applicationName(), folder, &held);
    if (!m_instanceLock && !held) {
        folder = QDir::tempPath();
        m_instanceLock = TakeInstanceLock(applicationName(), folder, &held);
    }
    if (held) {
        // Another instance runs: end quietly, after handing it the files.
        if (files.isEmpty() || HandFiles(ChannelPath(applicationName(), folder), files))
            return 0;
        std::fprintf(stderr, "%s: the running instance did not take the files\n",
                     qPrintable(applicationName()));
        return 1;
    }
    InstallTranslation();
    CInstanceChannel channel;
    if (m_instanceLock)
        channel.Listen(ChannelPath(applicationName(), folder));
    CMainDlg dlg;
    return RunWindow(dlg, files, &channel);
}
