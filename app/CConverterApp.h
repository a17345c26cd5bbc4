// CConverterApp: the application object.
//
// Allows one running instance per user: a lock file named after the
// application name (the program file's name without extension) in the
// user's runtime folder. A second start ends at once, with exit status 0, no
// window and no message. The first instance holds the lock until it ends;
// a lock left by a crashed instance is taken over. When no folder can take
// the lock file at all, the program runs unguarded rather than not at all.
//
// Run() then shows the main window modally and returns when it closes.
// GUI thread only.
#pragma once

#include <QApplication>
#include <QLockFile>
#include <QString>

#include <memory>

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

private:
    std::unique_ptr<QLockFile> m_instanceLock;
};
