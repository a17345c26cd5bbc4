// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The application shell: module loading and its messages, the settings
// location, initialisation, the close handling, the single instance, files
// handed to the program and the language it speaks.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <cstdio>
#include <vector>

#include "app/CConverterApp.h"
#include "app/CMainDlg.h"
#include "app/Translations.h"
#include "res/MainTemplates.h"
#include "res/SettingsTemplates.h"
#include "settings/IniFile.h"
#include "settings/sheets/ImagePages.h"

namespace {

struct ShownBox {
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
};

// Records every message box that becomes the active modal window and
// presses its OK button.
class BoxWatcher : public QObject {
public:
    BoxWatcher() {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || box == m_last)
                return;
            m_last = box;
            shown.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
            if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                ok->click();
            else
                box->done(0);
        });
        m_timer.start(10);
    }
    std::vector<ShownBox> shown;

private:
    QTimer m_timer;
    QMessageBox *m_last = nullptr;
};

QString Path(const QTemporaryDir &dir, const QString &name) {
    return dir.filePath(name);
}

std::string Std(const QString &s) {
    return s.toStdString();
}

std::string Folder(const QTemporaryDir &dir, const QString &name = QString()) {
    QString p = name.isEmpty() ? dir.path() : dir.filePath(name);
    QDir().mkpath(p);
    return Std(p) + "/";
}

// A module folder holding the given stand-ins under the loaded names.
std::string ModuleFolder(const QTemporaryDir &dir, const char *engine, const char *extractor) {
    std::string folder = Folder(dir, "modules");
    if (engine)
        QFile::copy(QString::fromUtf8(engine), QString::fromStdString(folder + "tessarin.so"));
    if (extractor)
        QFile::copy(QString::fromUtf8(extractor), QString::fromStdString(folder + "lumbrel.so"));
    return folder;
}

const char kEngineText[] = "Load tessarin.so failed, please reinstall!";
const char kExtractorText[] = "Load lumbrel.so failed, please reinstall!";

// A small file with the given name under `dir`.
QString WriteFile(const QTemporaryDir &dir, const QString &name) {
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("%!PS\nshowpage\n");
    return path;
}

QStringList ListedFiles(const CMainDlg &dlg) {
    QStringList files;
    for (int row = 0; row < dlg.GetItemCount(); ++row)
        files << QString::fromStdString(dlg.GetItemText(row, 0));
    return files;
}

// An environment for a start of the program with its own runtime and
// configuration folders.
QProcessEnvironment ProgramEnvironment(const QTemporaryDir &dir, const QString &runtime) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert("XDG_RUNTIME_DIR", runtime);
    env.insert("HOME", dir.filePath("home"));
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

// The folder that holds the program and its translations.
QString BinFolder() {
    return QFileInfo(VANTORIA_PROGRAM).absolutePath();
}

// The captions a language test reads, one a line: the Add Files button, the
// first folder mode, the first image format, the Settings button, the list's
// first column and the first colour of the BMP page.
QStringList WindowCaptions(CMainDlg &dlg) {
    using namespace dlgtpl;
    auto *folderMode = Control<QComboBox>(&dlg, IDC_FOLDERMODE);
    auto *format = Control<QComboBox>(&dlg, IDC_FORMAT);
    QWidget page;
    BuildDialog(kTplBmp, &page);
    auto *colours = Control<QComboBox>(&page, 1036);
    return {Control<QAbstractButton>(&dlg, IDC_ADDFILES)->text(),
            folderMode->itemText(0),
            format->itemText(0),
            Control<QAbstractButton>(&dlg, IDC_SETTINGS)->text(),
            dlg.findChild<QTreeWidget *>()->headerItem()->text(0),
            colours->itemText(5)};
}

} // namespace

class ShellTest : public QObject {
    Q_OBJECT

private:
    // Runs DoModal on a window whose modules come from `modules`; the
    // settings would go below `config`.
    struct FailedStart {
        int result;
        std::vector<ShownBox> boxes;
        bool engineLoaded;
        bool extractorLoaded;
        bool everShown;
        std::string iniPath;
    };
    FailedStart StartWith(const std::string &modules, const std::string &program,
                          const std::string &config) {
        CMainDlg dlg(nullptr, modules);
        dlg.SetSettingsLocation(6, program, config);
        bool shown = false;
        QObject::connect(&dlg, &QDialog::finished, [&] { shown = shown || dlg.isVisible(); });
        BoxWatcher watcher;
        int result = dlg.DoModal();
        FailedStart f{result,
                      watcher.shown,
                      dlg.m_engine.handle != nullptr,
                      dlg.m_extractor.handle != nullptr,
                      shown || dlg.isVisible(),
                      dlg.m_szIniPath};
        return f;
    }

    // The message names the module and, on its second line, the folder it
    // was looked for in.
    void CheckBox(const ShownBox &box, const char *text, const std::string &folder) {
        QCOMPARE(box.title, QStringLiteral("Quorvane Vantoria"));
        QCOMPARE(box.text, QString::fromUtf8(text) + QStringLiteral("\nLooked for in: ") +
                               QString::fromStdString(folder));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

private slots:
    void missingEngineShowsItsMessageOnceAndEnds() {
        QTemporaryDir dir;
        std::string modules = ModuleFolder(dir, nullptr, STUB_EXTRACTOR);
        FailedStart f = StartWith(modules, Folder(dir, "prog"), Folder(dir, "config"));
        QCOMPARE(f.result, int(QDialog::Accepted));
        QCOMPARE(f.boxes.size(), size_t(1));
        CheckBox(f.boxes[0], kEngineText, modules);
        QVERIFY(!f.engineLoaded);
        QVERIFY2(!f.extractorLoaded, "the extractor is not tried after the engine failed");
        QVERIFY(!f.everShown);
        QVERIFY2(f.iniPath.empty(), "the settings location is never reached");
        QVERIFY(!QFileInfo::exists(Path(dir, "config/Quorvane")));
    }

    void engineLackingAnOrdinalFailsTheSameWay() {
        QTemporaryDir dir;
        std::string modules = ModuleFolder(dir, STUB_ENGINE_NO4, STUB_EXTRACTOR);
        FailedStart f = StartWith(modules, Folder(dir, "prog"), Folder(dir, "config"));
        QCOMPARE(f.result, int(QDialog::Accepted));
        QCOMPARE(f.boxes.size(), size_t(1));
        CheckBox(f.boxes[0], kEngineText, modules);
        QVERIFY2(!f.engineLoaded, "the failed engine is released");
        QVERIFY(!f.extractorLoaded);
        QVERIFY(!f.everShown);
    }

    void extractorFailuresShowTheExtractorMessage() {
        for (const char *extractor :
             {static_cast<const char *>(STUB_EXTRACTOR_NO3), static_cast<const char *>(nullptr)}) {
            QTemporaryDir dir;
            std::string modules = ModuleFolder(dir, STUB_ENGINE, extractor);
            FailedStart f = StartWith(modules, Folder(dir, "prog"), Folder(dir, "config"));
            QCOMPARE(f.result, int(QDialog::Accepted));
            QCOMPARE(f.boxes.size(), size_t(1));
            CheckBox(f.boxes[0], kExtractorText, modules);
            QVERIFY2(f.engineLoaded, "the engine stays loaded");
            QVERIFY(!f.extractorLoaded);
            QVERIFY(!f.everShown);
            QVERIFY(!QFileInfo::exists(Path(dir, "config/Quorvane")));
        }
    }

    void initialisationBindsOrdinalsAndLoadsSettings() {
        QTemporaryDir dir;
        std::string config = Folder(dir, "config");
        Folder(dir, "config/Quorvane/Vantoria");
        IniFile ini(config + "Quorvane/Vantoria/Profile.ini");
        ini.Parse("[Set]\nmode=7\notype=1\noutput=/srv/out/\n[Img]\nxdpi=1200\ngifc=B&W\n"
                  "[Pdf]\nfsize=30\nencrypt=1\n[Txt]\ntxtpagebreak=1\n");
        QVERIFY(ini.Save());

        CMainDlg dlg(nullptr, ModuleFolder(dir, STUB_ENGINE, STUB_EXTRACTOR));
        dlg.SetSettingsLocation(6, Folder(dir, "prog"), config);
        BoxWatcher watcher;
        QVERIFY(dlg.OnInitDialog());
        QVERIFY(watcher.shown.empty());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Quorvane Vantoria"));

        // Each entry point is bound to its own ordinal.
        void *instance = &dlg;
        QCOMPARE(dlg.m_engine.create(&instance, nullptr), 1);
        char version[32] = {};
        QCOMPARE(dlg.m_engine.version(version, sizeof version), 2);
        QCOMPARE(QString(version), QStringLiteral("stub engine"));
        QCOMPARE(dlg.m_engine.run(nullptr, 0, nullptr), 3);
        QCOMPARE(dlg.m_engine.exit(nullptr), 4);
        QVERIFY(dlg.m_engine.destroy != nullptr);
        QCOMPARE(dlg.m_extractor.extractText("a", "b", 0, 0, 1), 3);
        QCOMPARE(dlg.m_extractor.version(version, sizeof version), 5);
        QVERIFY(dlg.m_extractor.postProcess != nullptr);

        QCOMPARE(dlg.m_szIniPath, config + "Quorvane/Vantoria/Profile.ini");
        QCOMPARE(dlg.m_settings.m_nOutputMode, 1);
        QCOMPARE(dlg.m_settings.m_nOutputKind, 1);
        QCOMPARE(dlg.m_settings.m_szOutputDir, std::string("/srv/out/"));
        QCOMPARE(dlg.m_settings.img.nXDpi, 600);
        QCOMPARE(dlg.m_settings.img.nYDpi, 72);
        QCOMPARE(dlg.m_settings.img.szGifColor, std::string("B&W"));
        QCOMPARE(dlg.m_settings.stamp.nFontSize, 30);
        QCOMPARE(dlg.m_settings.pdf.bEncrypt, 1);
        QCOMPARE(dlg.m_settings.txt.bPageBreak, 1);
        QCOMPARE(dlg.m_szTempDir, Std(QDir::tempPath()) + "/");
        QVERIFY(dlg.OnClose());
    }

    void settingsFoldersAreMadeOnNewerSystemsOnly() {
        QTemporaryDir dir;
        std::string modules = ModuleFolder(dir, STUB_ENGINE, STUB_EXTRACTOR);
        std::string program = Folder(dir, "prog");
        std::string config = Folder(dir, "config");
        {
            CMainDlg dlg(nullptr, modules);
            dlg.SetSettingsLocation(5, program, config);
            QVERIFY(dlg.OnInitDialog());
            QCOMPARE(dlg.m_szIniPath, program + "Profile.ini");
            QVERIFY(!QFileInfo::exists(Path(dir, "config/Quorvane")));
            QVERIFY(!QFileInfo::exists(Path(dir, "prog/Profile.ini")));
            QVERIFY(dlg.OnClose());
            QVERIFY(QFileInfo::exists(Path(dir, "prog/Profile.ini")));
            QVERIFY(!QFileInfo::exists(Path(dir, "config/Quorvane")));
        }
        {
            CMainDlg dlg(nullptr, modules);
            dlg.SetSettingsLocation(6, program, config);
            QVERIFY(dlg.OnInitDialog());
            QVERIFY(QFileInfo(Path(dir, "config/Quorvane/Vantoria")).isDir());
            QVERIFY2(!QFileInfo::exists(Path(dir, "config/Quorvane/Vantoria/Profile.ini")),
                     "the file waits for the first save");
            QVERIFY(dlg.OnClose());
        }
    }

    void closeIsIgnoredWhileRunningAndSavesWhenIdle() {
        QTemporaryDir dir;
        std::string config = Folder(dir, "config");
        CMainDlg dlg(nullptr, ModuleFolder(dir, STUB_ENGINE, STUB_EXTRACTOR));
        dlg.SetSettingsLocation(6, Folder(dir, "prog"), config);
        QVERIFY(dlg.OnInitDialog());
        const QString ini = QString::fromStdString(dlg.m_szIniPath);
        IniFile keep(dlg.m_szIniPath);
        keep.Parse("; kept\n[Img]\nxdpi=300\n");
        QVERIFY(keep.Save());

        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        // A run over the empty list: it can't end before this thread carries
        // out its calls, so it is in progress until the wait below.
        dlg.SetRunPacing(RunPacing::None());
        dlg.OnStart();
        QVERIFY(!dlg.RunFinished());
        dlg.m_settings.m_nFormat = 4;
        // Asked whether to stop the run and quit: no.
        QTimer::singleShot(0, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->button(QMessageBox::No)->click();
        });
        QVERIFY(!dlg.close());
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(dlg.isVisible());
        QVERIFY(dlg.m_engine.handle != nullptr);
        QVERIFY(dlg.m_extractor.handle != nullptr);
        IniFile during(dlg.m_szIniPath);
        QVERIFY2(!during.HasKey("Set", "type"), "nothing is saved while running");

        QTRY_VERIFY_WITH_TIMEOUT(dlg.RunFinished(), 20000);
        dlg.m_settings.m_nOutputMode = 0;
        dlg.m_settings.m_bNewIfExists = 1;
        dlg.UpdateData(false); // the values as the window shows them
        QVERIFY(dlg.close());
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(dlg.m_engine.handle == nullptr);
        QVERIFY(dlg.m_extractor.handle == nullptr);

        IniFile after(dlg.m_szIniPath);
        QCOMPARE(after.GetInt("Set", "type", -1), 4);
        QCOMPARE(after.GetInt("Set", "mode", -1), 0);
        QCOMPARE(after.GetInt("Set", "otype", -1), 0);
        QCOMPARE(after.GetInt("Set", "exists", -1), 1);
        QCOMPARE(after.GetString("Set", "output", "", IniFile::kNoLimit),
                 dlg.m_settings.m_szOutputDir);
        QCOMPARE(after.GetInt("Img", "xdpi", -1), 300);
        QVERIFY(QString::fromStdString(after.Text()).startsWith("; kept\n"));

        // A second release does nothing harmful.
        QCOMPARE(dlg.FreeEngine(), 1);
        QCOMPARE(dlg.FreeExtractor(), 1);
    }

    void shippedModulesLoadWhenBuilt() {
        const std::string bin = Std(QFileInfo(VANTORIA_PROGRAM).absolutePath()) + "/";
        if (!QFileInfo::exists(QString::fromStdString(bin + "tessarin.so")) ||
            !QFileInfo::exists(QString::fromStdString(bin + "lumbrel.so")))
            QSKIP("the engine modules are not built in this tree");
        QTemporaryDir dir;
        CMainDlg dlg(nullptr, bin);
        dlg.SetSettingsLocation(6, Folder(dir, "prog"), Folder(dir, "config"));
        BoxWatcher watcher;
        QVERIFY(dlg.OnInitDialog());
        QVERIFY(watcher.shown.empty());
        char version[256] = {};
        dlg.m_engine.version(version, sizeof version);
        QVERIFY(version[0] != 0);
        QVERIFY(dlg.OnClose());
    }

    void oneInstanceLockPerName() {
        QTemporaryDir dir;
        bool held = true;
        auto first = CConverterApp::TakeInstanceLock("vantoria-test", dir.path(), &held);
        QVERIFY(first);
        QVERIFY(!held);
        auto second = CConverterApp::TakeInstanceLock("vantoria-test", dir.path(), &held);
        QVERIFY(!second);
        QVERIFY(held);
        QVERIFY(CConverterApp::TakeInstanceLock("other-name", dir.path(), &held));
        first.reset();
        QVERIFY(CConverterApp::TakeInstanceLock("vantoria-test", dir.path(), &held));

        auto nowhere = CConverterApp::TakeInstanceLock("x", dir.filePath("no/such/folder"), &held);
        QVERIFY(!nowhere);
        QVERIFY2(!held, "a folder that can't take the lock is not another instance");
    }

    void secondStartEndsAtOnce() {
        QTemporaryDir dir;
        const QString runtime = dir.filePath("run");
        QProcessEnvironment env = ProgramEnvironment(dir, runtime);

        // The first start stays up: its window or its load message waits
        // for the user.
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(VANTORIA_PROGRAM, {});
        QVERIFY(first.waitForStarted());
        QElapsedTimer wait;
        wait.start();
        while (!QFileInfo::exists(runtime + "/vantoria.lock") && wait.elapsed() < 20000 &&
               first.state() == QProcess::Running)
            QTest::qWait(20);
        QVERIFY2(QFileInfo::exists(runtime + "/vantoria.lock"), "the first start holds the lock");

        QProcess second;
        second.setProcessEnvironment(env);
        second.start(VANTORIA_PROGRAM, {});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);

        first.kill();
        QVERIFY(first.waitForFinished(20000));
    }

    void commandLineFilesAreListedAsDropped() {
        QTemporaryDir dir;
        WriteFile(dir, "a.ps");
        WriteFile(dir, "sub/b.PS");
        WriteFile(dir, "notes.txt");
        QDir().mkpath(dir.filePath("folder.ps"));
        const QStringList files = CConverterApp::FilesFromArguments(
            {"vantoria", "a.ps", "sub/../sub/b.PS", "notes.txt", "missing.ps", "folder.ps"},
            dir.path());
        QCOMPARE(files.size(), 5);
        QCOMPARE(files[1], dir.filePath("sub/b.PS"));

        CMainDlg dlg(nullptr, ModuleFolder(dir, STUB_ENGINE, STUB_EXTRACTOR));
        dlg.SetSettingsLocation(6, Folder(dir, "prog"), Folder(dir, "config"));
        QStringList listed;
        QTimer::singleShot(0, &dlg, [&] {
            listed = ListedFiles(dlg);
            static_cast<QDialog &>(dlg).reject();
        });
        QCOMPARE(CConverterApp::RunWindow(dlg, files), 0);
        QCOMPARE(listed, QStringList({dir.filePath("a.ps"), dir.filePath("sub/b.PS")}));
    }

    void secondStartHandsItsFilesToTheFirst() {
        QTemporaryDir dir;
        const QString runtime = dir.filePath("run");
        QProcessEnvironment env = ProgramEnvironment(dir, runtime);
        WriteFile(dir, "work/c.ps");
        WriteFile(dir, "work/d.ps");

        // This process is the running instance: it holds the lock and
        // listens where a second start looks.
        auto lock = CConverterApp::TakeInstanceLock("vantoria", runtime);
        QVERIFY(lock);
        CInstanceChannel channel;
        QVERIFY(channel.Listen(CConverterApp::ChannelPath("vantoria", runtime)));
        CMainDlg dlg(nullptr, ModuleFolder(dir, STUB_ENGINE, STUB_EXTRACTOR));
        dlg.SetSettingsLocation(6, Folder(dir, "prog"), Folder(dir, "config"));
        QVERIFY(dlg.OnInitDialog());
        connect(&channel, &CInstanceChannel::FilesHanded, &dlg,
                [&dlg](const QStringList &files) { CConverterApp::OfferFiles(dlg, files, true); });
        dlg.show();

        // Relative names count from the second start's own folder.
        QProcess second;
        second.setProcessEnvironment(env);
        second.setWorkingDirectory(dir.filePath("work"));
        second.start(VANTORIA_PROGRAM, {"c.ps", "d.ps"});
        QVERIFY(second.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(ListedFiles(dlg),
                 QStringList({dir.filePath("work/c.ps"), dir.filePath("work/d.ps")}));
        QVERIFY(dlg.OnClose());
    }

    void languageFollowsTheLocale() {
        struct Case {
            const char *lang;
            const char *language; // LANGUAGE, empty for none
            QStringList captions;
        };
        const QStringList english = {"Add Files",
                                     "Convert into the source file's folder",
                                     "JPEG File (*.jpg)",
                                     "Image Settings",
                                     "Files",
                                     "B&W",
                                     "en"};
        // The source texts, byte for byte.
        const QStringList chinese = {QString::fromUtf8("添加文件"),
                                     QString::fromUtf8("转换到源文件文件夹"),
                                     QString::fromUtf8("JPEG 文件(*.jpg)"),
                                     "Image Settings",
                                     "Files",
                                     QString::fromUtf8("黑白"),
                                     "zh"};
        const Case cases[] = {
            {"en_US.UTF-8", "", english},
            {"zh_CN.UTF-8", "", chinese},
            {"zh_TW.UTF-8", "", chinese},
            {"de_DE.UTF-8", "", english},
            {"C", "", english},
            {"en_US.UTF-8", "zh_CN:en", chinese},
            {"zh_CN.UTF-8", "fr:en", english},
        };
        for (const Case &c : cases) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove("LC_ALL");
            env.remove("LC_MESSAGES");
            env.remove("LANGUAGE");
            env.insert("LANG", c.lang);
            if (*c.language)
                env.insert("LANGUAGE", c.language);
            env.insert("SHELL_TEST_CAPTIONS", "1");
            env.insert("QT_QPA_PLATFORM", "offscreen");
            QProcess child;
            child.setProcessEnvironment(env);
            child.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(child.waitForFinished(30000));
            QCOMPARE(child.exitCode(), 0);
            const QStringList shown =
                QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(u'\n');
            QVERIFY2(shown == c.captions,
                     qPrintable(QStringLiteral("LANG=%1 LANGUAGE=%2: %3")
                                    .arg(c.lang, c.language, shown.join(" | "))));
        }
    }

    void coloursMapFromSourceTextsInEveryLanguage() {
        QCOMPARE(InstallTranslation(QLocale(QLocale::English), BinFolder()), UiLanguage::English);
        QCOMPARE(QString::fromUtf8(HelpFileName()), QStringLiteral("help_en.html"));
        QWidget page;
        dlgtpl::BuildDialog(dlgtpl::kTplBmp, &page);
        auto *colours = dlgtpl::Control<QComboBox>(&page, 1036);
        SelectColourValue(colours, "b&w");
        QCOMPARE(colours->currentText(), QStringLiteral("B&W"));
        QCOMPARE(SelectedColourValue(colours).value_or(""), std::string("B&W"));
        colours->setCurrentIndex(0);
        QCOMPARE(SelectedColourValue(colours).value_or(""), std::string("True Color"));

        QCOMPARE(InstallTranslation(QLocale(QLocale::Chinese, QLocale::China), BinFolder()),
                 UiLanguage::Chinese);
        QCOMPARE(QString::fromUtf8(HelpFileName()), QStringLiteral("help.html"));
        QVERIFY(QFileInfo::exists(BinFolder() + "/help_en.html"));
    }

    // Qt's own dialogs speak the chosen language: the file dialog's buttons
    // under a Chinese locale, in English otherwise.
    void qtDialogsFollowTheLanguage() {
        auto buttons = [] {
            QFileDialog dialog;
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            const auto *box = dialog.findChild<QDialogButtonBox *>();
            return box ? QStringList{box->button(QDialogButtonBox::Open)->text(),
                                     box->button(QDialogButtonBox::Cancel)->text()}
                       : QStringList();
        };
        InstallTranslation(QLocale(QLocale::Chinese, QLocale::China), BinFolder());
        const QStringList chinese = buttons();
        QCOMPARE(chinese.size(), 2);
        QVERIFY2(chinese[0].contains(QString::fromUtf8("打开")), qPrintable(chinese.join(" | ")));
        QCOMPARE(chinese[1], QString::fromUtf8("取消"));
        InstallTranslation(QLocale(QLocale::English), BinFolder());
        QCOMPARE(buttons().value(1).remove(u'&'), QStringLiteral("Cancel"));
        InstallTranslation(QLocale(), BinFolder());
    }
};

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    // A child start of this binary that reports the window's captions in
    // the language its environment chooses (see languageFollowsTheLocale).
    if (qEnvironmentVariableIsSet("SHELL_TEST_CAPTIONS")) {
        InstallTranslation(QLocale(), BinFolder());
        QTemporaryDir dir;
        CMainDlg dlg(nullptr, ModuleFolder(dir, STUB_ENGINE, STUB_EXTRACTOR));
        dlg.SetSettingsLocation(6, Folder(dir, "prog"), Folder(dir, "config"));
        if (!dlg.OnInitDialog())
            return 2;
        std::fputs(WindowCaptions(dlg).join(u'\n').toUtf8().constData(), stdout);
        std::fputs(CurrentUiLanguage() == UiLanguage::English ? "\nen\n" : "\nzh\n", stdout);
        return 0;
    }
    ShellTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "ShellTest.moc"
