// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// CConverterApp: the application object.
//
// Allows one running instance per user: a lock file named after the
// application name (the program file's name without extension) in the
// user's runtime folder. A second start ends at once, with exit status 0, no
// window and no message. The first instance holds the lock until it ends;
// a lock left by a crashed instance is taken over. When no folder can take
// the lock file at all, the program runs unguarded rather than not at all.
//
// Files named on the command line ("vantoria FILE...") are offered to the
// file list as if they had been dropped on it, so the list's own rules
// decide which become rows. A second start with files hands them to the
// running instance over a local socket beside the lock ("<appName>.socket")
// and ends with status 0 once that instance has taken them (1 when none
// answers); the running window offers them to its list (during a run they
// are added for the next run, and the window says so) and comes to the
// front. A second start without files sends nothing.
//
// Run() then shows the main window modally and returns when it closes.
// GUI thread only.
#pragma once

#include <QApplication>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class CMainDlg;
class QLocalServer;

// The running instance's end of the hand-off: a local server that takes the
// file lists later starts send.
class CInstanceChannel : public QObject {
    Q_OBJECT

public:
    CInstanceChannel();
    ~CInstanceChannel() override;

    // Listen at `path`, replacing a socket file a crashed instance left
    // there. False when the socket can't be made.
    bool Listen(const QString &path);

signals:
    // One start's files, absolute paths in the order given.
    void FilesHanded(const QStringList &files);

private:
    void OnConnection();
    std::unique_ptr<QLocalServer> m_server;
};

class CConverterApp : public QApplication {
    Q_OBJECT

public:
    CConverterApp(int &argc, char **argv);
    ~CConverterApp() override;

    // The whole life of the program; the process's exit status.
    int Run();

    // The lock that keeps a second instance out: "<appName>.lock" in
    // `folder` (the user's runtime folder when empty). Null when it can't be
    // taken; `heldByOther` then says whether another running process holds it
    // (as opposed to a folder that can't take the file).
    static std::unique_ptr<QLockFile> TakeInstanceLock(const QString &appName,
                                                       const QString &folder = QString(),
                                                       bool *heldByOther = nullptr);

    // Where instance locks live: the user's runtime folder, else the
    // temporary folder.
    static QString LockFolder();

    // The hand-off socket of `appName` in `folder`.
    static QString ChannelPath(const QString &appName, const QString &folder);

    // The files of a command line (`arguments` as QCoreApplication gives
    // them, the program first): every other argument, made absolute against
    // `currentFolder`.
    static QStringList FilesFromArguments(const QStringList &arguments,
                                          const QString &currentFolder);

    // Send `files` to the instance listening at `channelPath`; true once it
    // has confirmed taking them.
    static bool HandFiles(const QString &channelPath, const QStringList &files);

    // Offer `files` to the window's list (CMainDlg::OnFilesHanded);
    // `toFront` raises and activates the window as well.
    static void OfferFiles(CMainDlg &dlg, const QStringList &files, bool toFront);

    // Initialise `dlg`, offer it the command line's `files` and run it;
    // while it runs, files handed over `channel` (when given) are offered
    // too. The process's exit status.
    static int RunWindow(CMainDlg &dlg, const QStringList &files,
                         CInstanceChannel *channel = nullptr);

private:
    std::unique_ptr<QLockFile> m_instanceLock;
};
