#include "app/CConverterApp.h"

#include <QDir>
#include <QStandardPaths>

#include "app/CMainDlg.h"

CConverterApp::CConverterApp(int &argc, char **argv) : QApplication(argc, argv) {}

CConverterApp::~CConverterApp() = default;

QString CConverterApp::LockFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::tempPath();
    return folder;
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

int CConverterApp::Run() {
    bool held = false;
    m_instanceLock = TakeInstanceLock(applicationName(), QString(), &held);
    if (!m_instanceLock && !held)
        m_instanceLock = TakeInstanceLock(applicationName(), QDir::tempPath(), &held);
    if (held)
        return 0; // another instance runs: end quietly
    {
        CMainDlg dlg;
        dlg.DoModal();
    }
    return 0;
}
