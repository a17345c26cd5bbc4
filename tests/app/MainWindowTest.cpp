// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The main window: its template, data exchange, the output rules, the file
// list and its commands, the context menu, drops and keys, the About box,
// and runs through the window with the real engine modules.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "app/CAboutDlg.h"
#include "app/CFileUtil.h"
#include "app/CHyperLink.h"
#include "app/CIconButton.h"
#include "app/CMainDlg.h"
#include "convert/ImageFormat.h"
#include "res/MainTemplates.h"
#include "settings/IniFile.h"
#include "settings/SettingsLocation.h"

namespace {

// The window's controls, found by their template ids.
struct Controls {
    CIconButton *addFiles, *addFolder, *remove, *settings, *start, *about;
    QTreeWidget *list;
    QComboBox *format, *folderMode, *outputKind;
    QProgressBar *progress;
    QLineEdit *outputDir;
    QPushButton *browse, *view;
    QLabel *fileCount, *selected;
    QCheckBox *newIfExists;
};

// A control of the template that may have moved into a child of the window
// (the file list shares its place with the preview pane).
template <class T> T *Anywhere(const QWidget *window, int id) {
    return window->findChild<T *>(QStringLiteral("ctl_%1").arg(id));
}

// The window with the person at the desk played by the test: the file and
// folder dialogs answer what the test set, the desktop's "open" and the
// About box are recorded.
class DeskWindow : public CMainDlg {
public:
    using CMainDlg::CMainDlg;

    Controls ui{};
    // Fills `ui`; false when a control is missing or of another kind.
    bool FindControls() {
        using namespace dlgtpl;
        ui = {Control<CIconButton>(this, IDC_ADDFILES),  Control<CIconButton>(this, IDC_ADDFOLDER),
              Control<CIconButton>(this, IDC_REMOVE),    Control<CIconButton>(this, IDC_SETTINGS),
              Control<CIconButton>(this, IDC_START),     Control<CIconButton>(this, IDC_ABOUT),
              Anywhere<QTreeWidget>(this, IDC_FILELIST), Control<QComboBox>(this, IDC_FORMAT),
              Control<QComboBox>(this, IDC_FOLDERMODE),  Control<QComboBox>(this, IDC_OUTPUTKIND),
              Control<QProgressBar>(this, IDC_PROGRESS), Control<QLineEdit>(this, IDC_OUTPUTDIR),
              Control<QPushButton>(this, IDC_BROWSE),    Control<QPushButton>(this, IDC_VIEW),
              Control<QLabel>(this, IDC_FILECOUNT),      Control<QLabel>(this, IDC_SELCOUNT),
              Control<QCheckBox>(this, IDC_NEWIFEXISTS)};
        const QObject *all[] = {ui.addFiles, ui.addFolder,  ui.remove, ui.settings,   ui.start,
                                ui.about,    ui.list,       ui.format, ui.folderMode, ui.outputKind,
                                ui.progress, ui.outputDir,  ui.browse, ui.view,       ui.fileCount,
                                ui.selected, ui.newIfExists};
        return std::all_of(std::begin(all), std::end(all), [](const QObject *c) { return c; });
    }

    QStringList filesToChoose; // empty: the dialog is cancelled
    QString folderToChoose;    // empty: the browser is cancelled
    QStringList openTitles, openInitials, folderTitles, folderInitials;
    std::vector<std::string> opened, shownInFolder;
    int aboutBoxes = 0;
    bool realShell = false;        // hand ShellOpen to the desktop
    bool realShowInFolder = false; // ask the desktop's file manager
    QStringList messages;          // what Inform showed
    bool stopAndQuit = false;      // the answer to the question at close
    int questions = 0;
    QStringList notices; // "summary|body|folder" of each notification

protected:
    QStringList AskOpenFiles(const QString &title, const QString &initial) override {
        openTitles << title;
        openInitials << initial;
        return filesToChoose;
    }
    QString AskFolder(const QString &title, const QString &initial) override {
        folderTitles << title;
        folderInitials << initial;
        return folderToChoose;
    }
    void ShellOpen(const std::string &path) override {
        if (realShell)
            CMainDlg::ShellOpen(path);
        else
            opened.push_back(path);
    }
    void ShowInFolder(const std::string &file) override {
        if (realShowInFolder)
            CMainDlg::ShowInFolder(file);
        else
            shownInFolder.push_back(file);
    }
    void ShowAboutBox() override { ++aboutBoxes; }
    void Inform(const QString &text) override { messages << text; }
    bool AskStopAndQuit() override {
        ++questions;
        return stopAndQuit;
    }
    void Notify(const QString &summary, const QString &body, const QString &folder) override {
        notices << summary + "|" + body + "|" + folder;
    }
    bool AskConvertUnfinishedOnly() override {
        ++resumeQuestions;
        return unfinishedOnly;
    }

public:
    int resumeQuestions = 0;
    bool unfinishedOnly = true; // the answer to the question at a resumed Start
};

const char kPage[] = "%!PS\n/Helvetica findfont 24 scalefont setfont\n"
                     "72 700 moveto (Queued page) show showpage\n";

std::string WriteFile(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(bytes);
    return path.toStdString();
}

QString Label(const QLabel *label) {
    return label->text();
}

void Choose(QComboBox *combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

std::vector<int> SelectedRows(const QTreeWidget *list) {
    std::vector<int> rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->isSelected())
            rows.push_back(i);
    return rows;
}

void Drop(QWidget *target, const QList<QUrl> &urls) {
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DeskWindow> m_w;

    QString Dir(const QString &name = QString()) const {
        return name.isEmpty() ? m_dir->path() : m_dir->filePath(name);
    }

    // A started window whose settings live in the test's folder; `ini` is
    // written to Profile.ini first.
    DeskWindow &Open(const char *ini = nullptr) {
        m_w.reset();
        const std::string config = Dir("config").toStdString() + "/";
        QDir().mkpath(Dir("config/Quorvane/Vantoria"));
        if (ini) {
            IniFile file(config + "Quorvane/Vantoria/Profile.ini");
            file.Parse(ini);
            file.Save();
        }
        m_w = std::make_unique<DeskWindow>(nullptr, VANTORIA_BIN_DIR "/");
        m_w->SetSettingsLocation(6, Dir("prog").toStdString() + "/", config);
        if (!m_w->OnInitDialog())
            qFatal("the window did not initialise");
        if (!m_w->FindControls())
            qFatal("a control of the window's template is missing");
        m_w->show();
        return *m_w;
    }

    // A started window that converts to PDF into the test's folder "out".
    DeskWindow &OpenPdfToOut() {
        const QByteArray ini =
            QStringLiteral("[Set]\notype=1\nmode=1\noutput=%1/out/\n").arg(Dir()).toUtf8();
        return Open(ini.constData());
    }

    // A PDF run over one file the interpreter never finishes, in progress.
    DeskWindow &StartFileThatNeverEnds() {
        DeskWindow &w = OpenPdfToOut();
        w.filesToChoose = {QString::fromStdString(WriteFile(Dir("in/loop.ps"), "%!PS\n{} loop\n"))};
        w.OnAddFiles();
        w.ui.start->click();
        if (!QTest::qWaitFor([&] { return Status(0) == QStringLiteral("Converting..."); }, 60000))
            qWarning("the run never reached Converting...");
        return w;
    }

    // `n` PostScript files added through the file dialog.
    std::vector<std::string> AddPsFiles(int n, const QString &sub = QStringLiteral("in")) {
        std::vector<std::string> paths;
        QStringList files;
        for (int i = 0; i < n; ++i) {
            paths.push_back(WriteFile(Dir(sub + QStringLiteral("/doc%1.ps").arg(i)), kPage));
            files << QString::fromStdString(paths.back());
        }
        m_w->filesToChoose = files;
        m_w->OnAddFiles();
        return paths;
    }

    QString Status(int row) const { return m_w->ui.list->topLevelItem(row)->text(2); }

    void WaitForRun() {
        QVERIFY(QTest::qWaitFor([this] { return m_w->RunFinished(); }, 120000));
    }

    // The controls that EnableControls switches, all enabled or all not.
    void CheckEditingControls(bool enabled) {
        for (QWidget *c : std::initializer_list<QWidget *>{m_w->ui.addFiles, m_w->ui.addFolder,
                                                           m_w->ui.settings, m_w->ui.outputKind,
                                                           m_w->ui.format, m_w->ui.folderMode})
            QCOMPARE(c->isEnabled(), enabled);
    }

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }
    void cleanup() {
        if (m_w && !m_w->RunFinished()) {
            m_w->OnStart(); // a stop request
            WaitForRun();
        }
        m_w.reset();
        m_dir.reset();
    }

    void windowIsBuiltFromItsTemplate() {
        DeskWindow &w = Open();
        QCOMPARE(w.windowTitle(), QStringLiteral("Quorvane Vantoria"));
        QVERIFY(w.acceptDrops());
        QCOMPARE(w.size(), dlgtpl::DialogSize(dlgtpl::kTplMain));
        QCOMPARE(w.minimumSize(), w.size());
        QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(w.windowFlags() & Qt::WindowMaximizeButtonHint);

        // Every row of the template is a control of its kind, with its id.
        const int ids[] = {1007, 1001, 1002, 1003, 1008, 1009, 1010, 1011, 1012, 1013, 1014,
                           1016, 1047, 1048, 1058, 1059, 1075, 1076, 1077, 1081, 1082};
        for (int id : ids)
            QVERIFY2(Anywhere<QWidget>(&w, id), qPrintable(QString::number(id)));
        for (int id : {1007, 1008, 1009, 1010, 1002, 1016})
            QVERIFY(dlgtpl::Control<CIconButton>(&w, id));
        QCOMPARE(w.findChildren<QGroupBox *>().size(), 1);
        QCOMPARE(w.findChildren<QGroupBox *>().front()->title(),
                 QString::fromUtf8("输出格式 && 文件夹"));

        const QStringList kinds = {QString::fromUtf8("图像文件 -->"),
                                   QString::fromUtf8("PDF 文件(*.pdf)"),
                                   QString::fromUtf8("Text 文件(*.txt)")};
        QStringList formats; // the format table, in its order
        for (const ImageFormat &f : kImageFormats)
            formats << QString::fromUtf8(f.listText);
        const QStringList modes = {QString::fromUtf8("转换到源文件文件夹"),
                                   QString::fromUtf8("转换到指定的目录")};
        auto items = [](QComboBox *c) {
            QStringList l;
            for (int i = 0; i < c->count(); ++i)
                l << c->itemText(i);
            return l;
        };
        QCOMPARE(items(w.ui.outputKind), kinds);
        QCOMPARE(items(w.ui.format), formats);
        QCOMPARE(items(w.ui.folderMode), modes);

        // The file list: five columns, several rows selectable, whole rows.
        // The path column takes what the others leave: all five are in sight.
        QCOMPARE(w.ui.list->columnCount(), 5);
        const QString titles[] = {"Files", "Size", "Status", "Reason", "Pages"};
        const int widths[] = {0, 100, 120, 180, 80};
        int total = 0;
        for (int c = 0; c < 5; ++c) {
            QCOMPARE(w.ui.list->headerItem()->text(c), titles[c]);
            if (c > 0)
                QCOMPARE(w.ui.list->columnWidth(c), widths[c]);
            total += w.ui.list->columnWidth(c);
        }
        QCOMPARE(total, w.ui.list->viewport()->width());
        QCOMPARE(w.ui.list->headerItem()->textAlignment(0) & Qt::AlignHorizontal_Mask,
                 int(Qt::AlignLeft));
        QCOMPARE(w.ui.list->headerItem()->textAlignment(1) & Qt::AlignHorizontal_Mask,
                 int(Qt::AlignHCenter));
        QCOMPARE(w.ui.list->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(w.ui.list->selectionBehavior(), QAbstractItemView::SelectRows);

        // First state: an empty list, Start and Remove disabled, no progress.
        QVERIFY(!w.ui.start->isEnabled());
        QVERIFY(!w.ui.remove->isEnabled());
        QVERIFY(w.ui.addFiles->isEnabled());
        QVERIFY(w.ui.progress->isHidden());
        QVERIFY(!w.ui.outputDir->isReadOnly());
        QVERIFY2(w.ui.addFiles->toolTip().endsWith("(Ctrl+O)"),
                 qPrintable(w.ui.addFiles->toolTip()));
        QCOMPARE(w.ui.start->text(), QString::fromUtf8("开始转换"));
        QCOMPARE(w.ui.start->GetAlign(), int(CIconButton::AlignVert));
        QVERIFY(!w.ui.start->Icon().isNull());
        // The five command buttons share the window's one theme; About has none.
        QVERIFY(w.ui.start->Theme() != nullptr);
        for (CIconButton *b : {w.ui.addFiles, w.ui.addFolder, w.ui.remove, w.ui.settings})
            QVERIFY(b->Theme() == w.ui.start->Theme());
        QVERIFY(w.ui.about->Theme() == nullptr);
        QVERIFY(!w.ui.about->IsDrawBorder());
        QVERIFY(!w.ui.about->Icon().isNull());
        QCOMPARE(Label(w.ui.fileCount), QString::fromUtf8("文件数: 0"));
        QCOMPARE(Label(w.ui.selected), QString::fromUtf8("已选择: 0"));

        // Escape and Enter leave the window open.
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::keyClick(&w, Qt::Key_Escape);
        QTest::keyClick(w.ui.list, Qt::Key_Escape);
        QTest::keyClick(w.ui.list, Qt::Key_Return);
        QVERIFY(w.isVisible());
    }

    void boundValuesAndTheOutputRules() {
        {
            // Values outside the lists leave them without a selection.
            DeskWindow &w = Open("[Set]\notype=7\ntype=12\nexists=5\nmode=1\noutput=/srv/out\n");
            QCOMPARE(w.ui.outputKind->currentIndex(), -1);
            QCOMPARE(w.ui.format->currentIndex(), -1);
            QVERIFY2(w.ui.settings->isHidden(), "no output kind, no Settings button");
            QCOMPARE(w.ui.newIfExists->checkState(), Qt::Unchecked);
            QCOMPARE(w.ui.outputDir->text(), QStringLiteral("/srv/out/"));
            w.UpdateData(true);
            QCOMPARE(w.m_settings.m_nOutputKind, -1);
            QCOMPARE(w.m_settings.m_nFormat, -1);
            QCOMPARE(w.m_settings.m_bNewIfExists, 0);
        }
        {
            DeskWindow &w = Open("[Set]\notype=2\ntype=11\nexists=2\nmode=0\n");
            QCOMPARE(w.ui.format->currentIndex(), 11);
            QCOMPARE(w.ui.settings->text(), QStringLiteral("Text Settings"));
            QVERIFY(w.ui.format->isHidden());
            QCOMPARE(w.ui.newIfExists->checkState(), Qt::PartiallyChecked);
            w.UpdateData(true);
            QCOMPARE(w.m_settings.m_bNewIfExists, 2);
            // A click on the partly checked box checks it, and from then on the
            // box has two states only.
            w.ui.newIfExists->click();
            QCOMPARE(w.ui.newIfExists->checkState(), Qt::Checked);
            QVERIFY(!w.ui.newIfExists->isTristate());
            w.UpdateData(true);
            QCOMPARE(w.m_settings.m_bNewIfExists, 1);
            w.ui.newIfExists->click();
            QCOMPARE(w.ui.newIfExists->checkState(), Qt::Unchecked);
            w.UpdateData(true);
            QCOMPARE(w.m_settings.m_bNewIfExists, 0);
        }

        DeskWindow &w = Open("[Set]\notype=0\nmode=1\noutput=/srv/out/\nexists=1\ntimelimit=45\n");
        QCOMPARE(w.ui.newIfExists->checkState(), Qt::Checked);
        // The time limit per file: its box shows the setting, 0 as "no limit".
        auto *timeLimit = dlgtpl::Control<QSpinBox>(&w, dlgtpl::IDC_TIMELIMIT);
        QVERIFY(timeLimit);
        QCOMPARE(timeLimit->value(), 45);
        timeLimit->setValue(0);
        QCOMPARE(timeLimit->text(), QString::fromUtf8("不限"));
        timeLimit->setValue(120);
        QCOMPARE(w.ui.settings->text(), QStringLiteral("Image Settings"));
        QVERIFY(w.ui.format->isVisible());

        Choose(w.ui.outputKind, 1);
        QVERIFY(w.ui.format->isHidden());
        QVERIFY(w.ui.settings->isVisible());
        QCOMPARE(w.ui.settings->text(), QStringLiteral("PDF Settings"));
        QCOMPARE(w.m_settings.m_nOutputKind, 1);
        Choose(w.ui.outputKind, 2);
        QCOMPARE(w.ui.settings->text(), QStringLiteral("Text Settings"));
        Choose(w.ui.outputKind, 0);
        QVERIFY(w.ui.format->isVisible());
        QCOMPARE(w.ui.settings->text(), QStringLiteral("Image Settings"));
        // Nothing of it reaches the file before the window closes.
        QCOMPARE(IniReadInt(w.m_szIniPath, "Set", "otype", -5), 0);

        // Folder mode 0 empties the edit and disables Browse and View.
        QVERIFY(w.ui.browse->isEnabled());
        Choose(w.ui.folderMode, 0);
        QCOMPARE(w.ui.outputDir->text(), QString());
        QVERIFY(!w.ui.browse->isEnabled());
        QVERIFY(!w.ui.view->isEnabled());
        Choose(w.ui.folderMode, 1);
        QCOMPARE(w.ui.outputDir->text(), QStringLiteral("/srv/out/"));
        QVERIFY(w.ui.browse->isEnabled() && w.ui.view->isEnabled());

        // Browse: a cancelled browser changes nothing; a folder gets its '/'.
        w.folderToChoose.clear();
        w.ui.browse->click();
        QCOMPARE(w.folderTitles, QStringList{"Please select an output folder..."});
        QCOMPARE(w.folderInitials, QStringList{"/srv/out/"}); // opens where the outputs go
        QCOMPARE(w.ui.outputDir->text(), QStringLiteral("/srv/out/"));
        w.folderToChoose = Dir("chosen");
        w.ui.browse->click();
        QCOMPARE(w.ui.outputDir->text(), Dir("chosen") + "/");
        QCOMPARE(w.m_settings.m_szOutputDir, Dir("chosen").toStdString() + "/");
        w.ui.view->click();
        QCOMPARE(w.opened, std::vector<std::string>{Dir("chosen").toStdString() + "/"});
        // A folder not made yet, or one no program opens: a message says so.
        w.realShell = true;
        w.ui.view->click();
        QDir().mkpath(Dir("chosen"));
        w.ui.view->click();
        QCOMPARE(w.messages.size(), 2);
        QVERIFY2(w.messages[0].endsWith("does not exist (any more)."), qPrintable(w.messages[0]));
        QVERIFY2(w.messages[1].startsWith("No program was found to open"),
                 qPrintable(w.messages[1]));
        w.realShell = false;

        // Closing saves the shown values.
        QVERIFY(w.close());
        QCOMPARE(IniReadString(w.m_szIniPath, "Set", "output", "", IniFile::kNoLimit),
                 Dir("chosen").toStdString() + "/");
        QCOMPARE(IniReadInt(w.m_szIniPath, "Set", "exists", -1), 1);
        QCOMPARE(IniReadInt(w.m_szIniPath, "Set", "timelimit", -1), 120);
    }

    // The page range is checked as typed: a range PageRange refuses is never
    // taken (nor saved) and Start says why; a range is kept as PageRange
    // writes it and saved at close.
    void thePageRangeIsCheckedAsTyped() {
        DeskWindow &w = OpenPdfToOut();
        auto *pages = dlgtpl::Control<QLineEdit>(&w, dlgtpl::IDC_PAGES);
        QVERIFY(pages && pages->isEnabled() && pages->text().isEmpty());
        QTest::keyClicks(pages, " 1-2, 5");
        w.UpdateData(true);
        QCOMPARE(w.m_settings.m_szPages, std::string("1-2,5"));
        for (const char *bad : {"3-1", "x"}) {
            pages->setText(bad);
            QVERIFY2(pages->toolTip().startsWith("Not a page range: "),
                     qPrintable(pages->toolTip()));
            w.UpdateData(true);
            QCOMPARE(w.m_settings.m_szPages, std::string("1-2,5"));
        }
        QVERIFY(pages->toolTip().contains("pages are numbers and ranges"));
        AddPsFiles(1);
        w.ui.start->click();
        QVERIFY(w.RunFinished());
        QCOMPARE(w.messages, QStringList{pages->toolTip()});
        QVERIFY(w.close());
        QCOMPARE(IniReadString(w.m_szIniPath, "Set", "pages", "?", IniFile::kNoLimit), "1-2,5");
        DeskWindow &again = Open();
        QCOMPARE(dlgtpl::Control<QLineEdit>(&again, dlgtpl::IDC_PAGES)->text(),
                 QStringLiteral("1-2,5"));
    }

    // A typed output folder is made on Start; one that can't be made (under
    // a file) is refused with the reason, and nothing runs.
    void aTypedOutputFolderIsMadeOnStart() {
        DeskWindow &w = OpenPdfToOut();
        w.SetRunPacing(RunPacing::None());
        const std::vector<std::string> files = AddPsFiles(1);
        w.ui.outputDir->setText(Dir("typed/deep"));
        w.ui.start->click();
        WaitForRun();
        QCOMPARE(Status(0), QStringLiteral("Succeed"));
        QVERIFY(QFileInfo(Dir("typed/deep/doc0.pdf")).isFile());
        QCOMPARE(w.m_settings.m_szOutputDir, Dir("typed/deep").toStdString() + "/");

        w.ui.outputDir->setText(QString::fromStdString(files[0]) + "/x");
        w.ui.start->click();
        QVERIFY(w.RunFinished());
        QCOMPARE(Status(0), QStringLiteral("Succeed"));
        QCOMPARE(w.messages.size(), 1);
        QVERIFY2(w.messages[0].contains("can't be made"), qPrintable(w.messages[0]));
    }

    void addFilesTakesReadablePsAndEpsFilesOnly() {
        DeskWindow &w = Open();
        const std::string a = WriteFile(Dir("in/a.ps"), QByteArray(102, 'x'));
        const std::string b = WriteFile(Dir("in/B.PS"), QByteArray(103, 'x'));
        const std::string eps = WriteFile(Dir("in/c.eps"), kPage);
        const std::string bak = WriteFile(Dir("in/d.ps.bak"), kPage);
        const std::string gone = Dir("in/gone.ps").toStdString();

        // A cancelled dialog writes nothing.
        w.OnAddFiles();
        QCOMPARE(w.openTitles, QStringList{"Quorvane Vantoria"});
        QCOMPARE(w.openInitials, QStringList{QString::fromStdString(HomeFolder())});
        QVERIFY(!IniFile(w.m_szIniPath).HasKey("Set", "AddFile"));
        QCOMPARE(w.GetItemCount(), 0);

        w.filesToChoose = {QString::fromStdString(a),   QString::fromStdString(eps),
                           QString::fromStdString(b),   QString::fromStdString(gone),
                           QString::fromStdString(bak), QString::fromStdString(a)};
        w.ui.addFiles->click();
        QCOMPARE(w.GetItemCount(), 4);
        QCOMPARE(w.GetItemText(0, 0), a);
        QCOMPARE(w.GetItemText(1, 0), eps);
        QCOMPARE(w.GetItemText(2, 0), b);
        QCOMPARE(w.GetItemText(3, 0), a); // the same file twice: two rows
        QCOMPARE(w.GetItemText(0, 1), std::string("0 KB"));
        QCOMPARE(w.GetItemText(2, 1), std::string("1 KB"));
        QCOMPARE(w.GetItemText(2, 2), std::string("Ready"));
        QCOMPARE(Label(w.ui.fileCount), QStringLiteral("Files Count: 4"));
        QCOMPARE(Label(w.ui.selected), QStringLiteral("Selected: 1"));
        QCOMPARE(SelectedRows(w.ui.list), std::vector<int>{0});
        QVERIFY(w.ui.start->isEnabled() && w.ui.remove->isEnabled());
        QVERIFY(w.isEnabled());

        // The last file taken is where the next dialog opens.
        QCOMPARE(IniReadString(w.m_szIniPath, "Set", "AddFile", "", IniFile::kNoLimit), a);
        w.filesToChoose.clear();
        w.OnAddFiles();
        QCOMPARE(w.openInitials.back(), QString::fromStdString(a));

        // Null and missing paths add nothing.
        w.AddFileToList(nullptr);
        w.AddFileToList(gone.c_str());
        QCOMPARE(w.GetItemCount(), 4);
    }

    void addFolderTakesItsTreeOrOneLevelInNameOrder() {
        DeskWindow &w = Open();
        auto *subfolders = dlgtpl::Control<QCheckBox>(&w, dlgtpl::IDC_SUBFOLDERS);
        QVERIFY(subfolders && subfolders->isChecked());
        subfolders->setChecked(false);
        WriteFile(Dir("src/b.ps"), kPage);
        WriteFile(Dir("src/A.PS"), kPage);
        WriteFile(Dir("src/c.eps"), kPage);
        WriteFile(Dir("src/d.ps.txt"), kPage);
        WriteFile(Dir("src/sub/e.ps"), kPage);
        WriteFile(Dir("src/sub.ps/f.ps"), kPage); // a folder named like a file
        QDir().mkpath(Dir("empty"));

        w.folderToChoose = Dir("empty");
        w.ui.addFolder->click();
        QCOMPARE(w.folderTitles, QStringList{"Select folder:"});
        QCOMPARE(Label(w.ui.fileCount), QString::fromUtf8("文件数: 0"));

        w.folderToChoose = Dir("src");
        w.OnCommand(dlgtpl::ID_LIST_ADDFOLDER);
        QCOMPARE(w.GetItemCount(), 3);
        QCOMPARE(w.GetItemText(0, 0), Dir("src/A.PS").toStdString());
        QCOMPARE(w.GetItemText(1, 0), Dir("src/b.ps").toStdString());
        QCOMPARE(w.GetItemText(2, 0), Dir("src/c.eps").toStdString());
        QCOMPARE(Label(w.ui.fileCount), QStringLiteral("Files Count: 3"));
        QCOMPARE(SelectedRows(w.ui.list), std::vector<int>{0});
        QVERIFY(w.ui.start->isEnabled());

        // A folder whose files are all skipped still refreshes the status line.
        w.ui.fileCount->clear();
        w.folderToChoose = Dir("src/sub.ps");
        WriteFile(Dir("src/sub.ps/f.txt"), "x");
        QFile::remove(Dir("src/sub.ps/f.ps"));
        w.OnAddFolder();
        QCOMPARE(w.GetItemCount(), 3);
        QCOMPARE(Label(w.ui.fileCount), QStringLiteral("Files Count: 3"));

        // With the subfolders, each file where its name comes, its place in
        // the tree kept with its row.
        w.OnClearAll();
        subfolders->setChecked(true);
        w.folderToChoose = Dir("src");
        w.OnAddFolder();
        QCOMPARE(w.GetItemCount(), 4);
        QCOMPARE(w.GetItemText(2, 0), Dir("src/c.eps").toStdString());
        QCOMPARE(w.GetItemText(3, 0), Dir("src/sub/e.ps").toStdString());
        // The choice is remembered, and so is the folder, for the next Add Folder.
        w.folderToChoose.clear();
        w.OnAddFolder();
        QCOMPARE(w.folderInitials.back(), Dir("src"));
        subfolders->setChecked(false);
        QVERIFY(w.close());
        QCOMPARE(IniReadString(w.m_szIniPath, "Set", "subfolders", "", IniFile::kNoLimit), "0");
    }

    // Two report.ps from two folders of one tree: kept apart in its shape,
    // or side by side in the output folder under the numbered name, each row
    // naming its output.
    void anAddedTreeKeepsItsShapeAndEachRowNamesItsOutput() {
        DeskWindow &w = OpenPdfToOut();
        w.SetRunPacing(RunPacing::None());
        WriteFile(Dir("tree/a/report.ps"), kPage);
        WriteFile(Dir("tree/b/c/report.ps"), kPage);
        w.folderToChoose = Dir("tree");
        w.OnAddFolder();
        QCOMPARE(w.GetItemCount(), 2);
        auto *keepTree = dlgtpl::Control<QCheckBox>(&w, dlgtpl::IDC_KEEPTREE);
        QVERIFY(keepTree && keepTree->isChecked() && keepTree->isEnabled());

        w.OnStart();
        WaitForRun();
        QVERIFY(QFileInfo(Dir("out/a/report.pdf")).isFile());
        QVERIFY(QFileInfo(Dir("out/b/c/report.pdf")).isFile());
        QCOMPARE(w.ui.list->topLevelItem(1)->text(3), QStringLiteral("report.pdf"));
        QCOMPARE(w.ui.list->topLevelItem(1)->toolTip(2), Dir("out/b/c/report.pdf"));
        // Enter (or a double-click) on the row opens its output; the menu
        // shows it in its folder, or opens the folder with no file manager
        // to ask.
        w.SelectOnly(1);
        QTest::keyClick(w.ui.list, Qt::Key_Return);
        QCOMPARE(w.opened, std::vector<std::string>{Dir("out/b/c/report.pdf").toStdString()});
        w.OnCommand(dlgtpl::ID_LIST_SHOWINFOLDER);
        QCOMPARE(w.shownInFolder, w.opened);
        if (!QDBusConnection::sessionBus().isConnected()) {
            w.realShowInFolder = true;
            w.OnCommand(dlgtpl::ID_LIST_SHOWINFOLDER);
            QCOMPARE(w.opened.back(), Dir("out/b/c").toStdString());
            w.realShowInFolder = false;
        }

        keepTree->setChecked(false);
        w.OnStart();
        WaitForRun();
        QCOMPARE(w.ui.list->topLevelItem(0)->text(3), QStringLiteral("report.pdf"));
        QCOMPARE(w.ui.list->topLevelItem(1)->text(3), QStringLiteral("report-01.pdf"));
        QCOMPARE(w.ui.list->topLevelItem(1)->toolTip(3), Dir("out/report-01.pdf"));
        QVERIFY(QFileInfo(Dir("out/report.pdf")).isFile());
        QCOMPARE(w.resumeQuestions, 0);
    }

    void removingRowsKeepsASelection() {
        DeskWindow &w = Open();
        AddPsFiles(10);
        QCOMPARE(w.GetItemCount(), 10);
        const std::string row4 = w.GetItemText(4, 0);

        // Rows 3 and 5 of ten: eight remain, row 2 is selected.
        w.ui.list->clearSelection();
        w.ui.list->topLevelItem(3)->setSelected(true);
        w.ui.list->topLevelItem(5)->setSelected(true);
        w.ui.remove->click();
        QCOMPARE(w.GetItemCount(), 8);
        QCOMPARE(w.GetItemText(3, 0), row4);
        QCOMPARE(SelectedRows(w.ui.list), std::vector<int>{2});
        QCOMPARE(Label(w.ui.fileCount), QStringLiteral("Files Count: 8"));
        QCOMPARE(Label(w.ui.selected), QStringLiteral("Selected: 1"));

        // Row 0: the new row 0 is selected.
        const std::string row1 = w.GetItemText(1, 0);
        w.SelectOnly(0);
        w.OnCommand(dlgtpl::ID_LIST_DELETE);
        QCOMPARE(w.GetItemText(0, 0), row1);
        QCOMPARE(SelectedRows(w.ui.list), std::vector<int>{0});

        // Nothing selected: nothing changes, not even the status line.
        w.ui.list->clearSelection();
        w.ui.selected->setText("unchanged");
        w.OnRemoveSelected();
        QCOMPARE(w.GetItemCount(), 7);
        QCOMPARE(Label(w.ui.selected), QStringLiteral("unchanged"));

        // Ctrl+A selects every row and counts them; Delete removes them all.
        QTest::keyClick(w.ui.list, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(SelectedRows(w.ui.list).size(), std::size_t(7));
        QCOMPARE(Label(w.ui.selected), QStringLiteral("Selected: 7"));
        QVERIFY(w.ui.remove->isEnabled());
        QTest::keyClick(w.ui.list, Qt::Key_Delete);
        QCOMPARE(w.GetItemCount(), 0);
        QVERIFY(!w.ui.remove->isEnabled());
        QVERIFY(!w.ui.start->isEnabled());
        QCOMPARE(Label(w.ui.fileCount), QStringLiteral("Files Count: 0"));
        QCOMPARE(Label(w.ui.selected), QStringLiteral("Selected: 0"));

        // Clear all on an empty list does nothing; with rows it empties it.
        w.ui.fileCount->setText("unchanged");
        w.OnClearAll();
        QCOMPARE(Label(w.ui.fileCount), QStringLiteral("unchanged"));
        AddPsFiles(2, "more");
        w.OnCommand(dlgtpl::ID_LIST_CLEAR);
        QCOMPARE(w.GetItemCount(), 0);
        QCOMPARE(Label(w.ui.fileCount), QStringLiteral("Files Count: 0"));
        QVERIFY(!w.ui.start->isEnabled());
    }

    void clicksCountTheSelection() {
        DeskWindow &w = Open();
        AddPsFiles(3);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QWidget *viewport = w.ui.list->viewport();
        auto rowCentre = [&](int row) {
            return w.ui.list->visualItemRect(w.ui.list->topLevelItem(row)).center();
        };
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, rowCentre(2));
        QCOMPARE(SelectedRows(w.ui.list), std::vector<int>{2});
        QCOMPARE(Label(w.ui.selected), QStringLiteral("Selected: 1"));
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, rowCentre(0));
        QCOMPARE(Label(w.ui.selected), QStringLiteral("Selected: 2"));
        // Clicks that leave nothing selected disable Remove.
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, rowCentre(0));
        QCOMPARE(Label(w.ui.selected), QStringLiteral("Selected: 1"));
        QVERIFY(w.ui.remove->isEnabled());
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, rowCentre(2));
        QCOMPARE(Label(w.ui.selected), QStringLiteral("Selected: 0"));
        QVERIFY(!w.ui.remove->isEnabled());

        // A plain click on a row of a wider selection: the list narrows the
        // selection on the release, and the count follows it.
        QTest::keyClick(w.ui.list, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(Label(w.ui.selected), QStringLiteral("Selected: 3"));
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, rowCentre(1));
        QCOMPARE(SelectedRows(w.ui.list), std::vector<int>{1});
        QCOMPARE(Label(w.ui.selected), QStringLiteral("Selected: 1"));
        QVERIFY(w.ui.remove->isEnabled());
        // A click below the last row selects nothing.
        const QPoint below(rowCentre(2).x(), viewport->height() - 5);
        QVERIFY(!w.ui.list->itemAt(below));
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, below);
        QVERIFY(SelectedRows(w.ui.list).empty());
        QCOMPARE(Label(w.ui.selected), QStringLiteral("Selected: 0"));
        QVERIFY(!w.ui.remove->isEnabled());
        // Shift+arrow widens the selection from the current row.
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, rowCentre(0));
        QTest::keyClick(w.ui.list, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(SelectedRows(w.ui.list), (std::vector<int>{0, 1}));
        QCOMPARE(Label(w.ui.selected), QStringLiteral("Selected: 2"));
        QVERIFY(w.ui.remove->isEnabled());

        // View Source File opens the first selected row's file.
        w.ui.list->clearSelection();
        w.ui.list->topLevelItem(2)->setSelected(true);
        w.ui.list->topLevelItem(1)->setSelected(true);
        w.OnCommand(dlgtpl::ID_LIST_VIEWSOURCE);
        QCOMPARE(w.opened, std::vector<std::string>{w.GetItemText(1, 0)});
    }

    // Rows added to a long list are brought into view; row 0 stays the one
    // selected.
    void addedRowsComeIntoView() {
        DeskWindow &w = Open();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        AddPsFiles(30);
        AddPsFiles(40, QStringLiteral("more"));
        QCOMPARE(w.GetItemCount(), 70);
        QCOMPARE(SelectedRows(w.ui.list), std::vector<int>{0});
        const QRect firstAdded = w.ui.list->visualItemRect(w.ui.list->topLevelItem(30));
        QVERIFY(w.ui.list->viewport()->rect().contains(firstAdded));
        // A drop does the same.
        const std::string dropped = WriteFile(Dir("drop/late.ps"), kPage);
        w.ui.list->scrollToTop();
        Drop(&w, {QUrl::fromLocalFile(QString::fromStdString(dropped))});
        QCOMPARE(w.GetItemCount(), 71);
        QVERIFY(w.ui.list->viewport()->rect().contains(
            w.ui.list->visualItemRect(w.ui.list->topLevelItem(70))));
    }

    // The list has the focus when the window opens and is the first Tab stop;
    // from there Tab walks the controls in reading order (the output group
    // read as one block at its place). Every stop paints a visible focus
    // mark, the empty list's included, and has a name for a screen reader.
    void keyboardWalksTheWindowInReadingOrder() {
        DeskWindow &w = Open("[Set]\notype=0\nmode=1\noutput=/srv/out/\n");
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(QApplication::focusWidget(), w.ui.list);
        const QImage emptyFocused = w.ui.list->grab().toImage();
        w.ui.addFiles->setFocus(Qt::OtherFocusReason);
        QVERIFY(w.ui.list->grab().toImage() != emptyFocused);
        AddPsFiles(2);

        const QRect group = w.findChildren<QGroupBox *>().front()->geometry();
        struct Stop {
            QWidget *control;
            QPoint key; // where it is read: its own place, or its group's
        };
        std::vector<Stop> expected;
        for (QWidget *c : w.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (!(c->focusPolicy() & Qt::TabFocus) || !c->isEnabled() || !c->isVisible())
                continue;
            const bool inGroup = group.contains(c->geometry());
            expected.push_back({c, inGroup ? group.topLeft() : c->geometry().topLeft()});
        }
        std::sort(expected.begin(), expected.end(), [](const Stop &a, const Stop &b) {
            auto order = [](const Stop &s) {
                return std::tuple(s.key.y(), s.key.x(), s.control->y(), s.control->x());
            };
            return order(a) < order(b);
        });
        std::stable_partition(expected.begin(), expected.end(),
                              [&](const Stop &stop) { return stop.control == w.ui.list; });
        QCOMPARE(expected.size(), std::size_t(18));

        // Grabs of each stop with the focus (just reached by Tab) and without
        // (just left).
        std::vector<QImage> focused(expected.size()), unfocused(expected.size());
        w.ui.start->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(w.ui.start, Qt::Key_Tab);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            QWidget *c = expected[i].control;
            QTRY_COMPARE(QApplication::focusWidget(), c);
            focused[i] = c->grab().toImage();
            QTest::keyClick(c, Qt::Key_Tab);
            QTRY_VERIFY(QApplication::focusWidget() != c);
            unfocused[i] = c->grab().toImage();
        }
        QCOMPARE(QApplication::focusWidget(), expected.front().control); // round again

        for (std::size_t i = 0; i < expected.size(); ++i) {
            QWidget *c = expected[i].control;
            const QString name = c->objectName();
            int changed = 0;
            const QImage &a = focused[i];
            const QImage &b = unfocused[i];
            QCOMPARE(a.size(), b.size());
            for (int y = 0; y < a.height(); ++y)
                for (int x = 0; x < a.width(); ++x)
                    changed += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
            QVERIFY2(changed >= 20, qPrintable(name + ": no focus mark"));

            QAccessibleInterface *ai = QAccessible::queryAccessibleInterface(c);
            QVERIFY2(ai && !ai->text(QAccessible::Name).trimmed().isEmpty(),
                     qPrintable(name + ": no accessible name"));
        }
    }

    void contextMenuEntriesFollowTheList() {
        DeskWindow &w = Open();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        struct Seen {
            QStringList texts;
            std::vector<int> ids;
            std::vector<bool> enabled;
            bool disabledLooksEnabled = false;
        };
        // Opens the menu, records it, and picks `pick` (0: none).
        auto open = [&](int pick) {
            Seen seen;
            QTimer::singleShot(50, [&] {
                auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                if (!menu)
                    return;
                QAction *chosen = nullptr;
                for (QAction *a : menu->actions()) {
                    seen.texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
                    seen.ids.push_back(a->data().toInt());
                    seen.enabled.push_back(a->isEnabled());
                    if (pick && a->data().toInt() == pick)
                        chosen = a;
                }
                const QPalette pal = menu->palette();
                seen.disabledLooksEnabled = pal.color(QPalette::Disabled, QPalette::Text) ==
                                            pal.color(QPalette::Active, QPalette::Text);
                if (chosen)
                    chosen->trigger();
                menu->close();
            });
            emit w.ui.list->customContextMenuRequested(QPoint(20, 20));
            return seen;
        };

        w.ui.selected->setText("before");
        Seen empty = open(0);
        const QStringList texts = {"Add File(s)...",
                                   QString::fromUtf8("添加文件夹"),
                                   "-",
                                   QString::fromUtf8("删除所选项目          Del"),
                                   QString::fromUtf8("清除所有项目"),
                                   "-",
                                   QString::fromUtf8("查看原始文件"),
                                   "Show in Folder",
                                   "Copy Reason"};
        QCOMPARE(empty.texts, texts);
        QCOMPARE(empty.enabled,
                 (std::vector<bool>{true, true, true, false, false, true, false, false, false}));
        QVERIFY(empty.disabledLooksEnabled);
        QCOMPARE(Label(w.ui.selected), QStringLiteral("Selected: 0"));

        AddPsFiles(2);
        w.ui.list->clearSelection();
        Seen none = open(0);
        QCOMPARE(none.enabled,
                 (std::vector<bool>{true, true, true, false, true, true, false, false, false}));
        QVERIFY(!w.ui.remove->isEnabled());

        w.SelectOnly(1);
        Seen picked = open(dlgtpl::ID_LIST_DELETE);
        // A row without outputs or a reason: nothing to show or copy.
        QCOMPARE(picked.enabled,
                 (std::vector<bool>{true, true, true, true, true, true, true, false, false}));
        QCOMPARE(w.GetItemCount(), 1);
    }

    // A dropped folder adds its PostScript files as Add Folder does; what is
    // refused is named, with the reason, in one message after the drop.
    void dropsTakeFilesAndFoldersAndNameWhatIsRefused() {
        DeskWindow &w = Open();
        const std::string ps = WriteFile(Dir("drop/x.ps"), kPage);
        const std::string y = WriteFile(Dir("drop/folder.ps/y.ps"), kPage);
        WriteFile(Dir("drop/folder.ps/b.txt"), "not asked for");
        const std::string z = WriteFile(Dir("drop/folder.ps/sub/z.ps"), kPage);
        const std::string notes = WriteFile(Dir("drop/notes.txt"), "x");
        Drop(&w, {QUrl::fromLocalFile(Dir("drop/folder.ps"))});
        QCOMPARE(w.GetItemCount(), 2);
        QCOMPARE(w.GetItemText(0, 0), z);
        QCOMPARE(w.GetItemText(1, 0), y);
        QVERIFY(w.messages.isEmpty());
        Drop(&w, {QUrl::fromLocalFile(QString::fromStdString(notes)),
                  QUrl::fromLocalFile(Dir("drop/x.ps")), QUrl::fromLocalFile(Dir("drop/gone.ps")),
                  QUrl("https://www.quorvane.example/z.ps")});
        QCOMPARE(w.GetItemCount(), 3);
        QCOMPARE(w.GetItemText(2, 0), ps);
        QCOMPARE(Label(w.ui.fileCount), QStringLiteral("Files Count: 3"));
        QVERIFY(w.ui.start->isEnabled());
        QCOMPARE(w.messages.size(), 1);
        const QStringList lines = w.messages[0].split('\n');
        QVERIFY(lines.contains(QString::fromStdString(notes) + ": is not a .ps or .eps file"));
        QVERIFY(lines.contains(Dir("drop/gone.ps") + ": input file is missing"));
        QVERIFY(lines.contains("https://www.quorvane.example/z.ps: not a local file"));
    }

    void aboutBoxAndHelp() {
        {
            CAboutDlg about(CFileUtil::GetProgramPath("help.html"));
            QCOMPARE(about.windowTitle(), QString::fromUtf8("关于..."));
            QCOMPARE(about.size(), dlgtpl::DialogSize(dlgtpl::kTplAbout));
            auto text = [&](int id) { return dlgtpl::Control<QLabel>(&about, id)->text(); };
            QCOMPARE(text(dlgtpl::IDC_ABOUT_TITLE), QStringLiteral("Quorvane Vantoria"));
            QCOMPARE(text(dlgtpl::IDC_ABOUT_VERSION), QStringLiteral("Version: 8.6.7"));
            QVERIFY(text(dlgtpl::IDC_ABOUT_COPYRIGHT).startsWith("Copyright"));
            QVERIFY(text(dlgtpl::IDC_ABOUT_LICENCE).contains("AGPL-3.0-or-later"));
            QVERIFY(!dlgtpl::Control<QLabel>(&about, dlgtpl::IDC_ABOUT_ICON)->pixmap().isNull());
            QVERIFY(about.Link());
            QCOMPARE(about.Link()->GetURL(), QString::fromUtf8(dlgtpl::kHomePageUrl));
            std::vector<std::string> opened;
            about.m_openFile = [&](const std::string &p) { opened.push_back(p); };
            auto *help = dlgtpl::Control<QPushButton>(&about, dlgtpl::IDC_ABOUT_HELP);
            QCOMPARE(help->text(), QString::fromUtf8("帮助"));
            help->click();
            QCOMPARE(opened, std::vector<std::string>{CFileUtil::GetProgramPath("help.html")});
        }

        DeskWindow &w = Open();
        w.ui.about->click();
        QCOMPARE(w.aboutBoxes, 1);
        QVERIFY(w.opened.empty());
        // During a run: help instead of the About box. The run can't end
        // before this thread carries out its calls, so it is still going.
        AddPsFiles(1);
        w.SetRunPacing(RunPacing::None());
        w.ui.start->click();
        QVERIFY(!w.RunFinished());
        w.ui.about->click();
        QCOMPARE(w.aboutBoxes, 1);
        QCOMPARE(w.opened, std::vector<std::string>{CFileUtil::GetProgramPath("help.html")});
        WaitForRun();
        w.ui.about->click();
        QCOMPARE(w.aboutBoxes, 2);
    }

    // The window grows (never below its template's size): the list takes the
    // extra room and its path column the extra width; the panels below keep
    // their size at the bottom, Start and About keep to the right. Long
    // paths are cut in the middle, the whole path is the row's tooltip. Size
    // and place come back at the next start, from a file beside Profile.ini.
    void windowGrowsAndTheListWithIt() {
        DeskWindow &w = Open();
        const QString deep = Dir("in/" + QString(40, 'a') + "/" + QString(40, 'b') + "/tail.ps");
        WriteFile(deep, kPage);
        w.filesToChoose = {deep};
        w.OnAddFiles();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QSize base = w.size();
        QGroupBox *group = w.findChildren<QGroupBox *>().front();
        const QRect list = w.ui.list->geometry(), start = w.ui.start->geometry(),
                    about = w.ui.about->geometry(), output = group->geometry(),
                    browse = w.ui.browse->geometry(), count = w.ui.fileCount->geometry(),
                    progress = w.ui.progress->geometry();
        const int pathWidth = w.ui.list->columnWidth(0);

        w.resize(base + QSize(200, 120));
        QCOMPARE(w.ui.list->geometry(), list.adjusted(0, 0, 200, 120));
        QCOMPARE(w.ui.start->geometry(), start.translated(200, 120));
        QCOMPARE(w.ui.about->geometry(), about.translated(200, 0));
        QCOMPARE(group->geometry(), output.translated(0, 120));
        QCOMPARE(w.ui.browse->geometry(), browse.translated(0, 120));
        QCOMPARE(w.ui.fileCount->geometry(), count.translated(0, 120));
        QCOMPARE(w.ui.progress->geometry(), progress.adjusted(0, 120, 200, 120));
        QTRY_COMPARE(w.ui.list->columnWidth(0), pathWidth + 200);
        QCOMPARE(w.ui.list->columnWidth(1), 100);
        QCOMPARE(w.ui.list->textElideMode(), Qt::ElideMiddle);
        QCOMPARE(w.ui.list->topLevelItem(0)->toolTip(0), deep);

        w.resize(100, 100);
        QCOMPARE(w.size(), base);

        w.resize(base + QSize(150, 90));
        QVERIFY(w.close());
        const QString ini = QString::fromStdString(w.m_szIniPath);
        QVERIFY(QFileInfo(QFileInfo(ini).dir().filePath("window.conf")).isFile());
        QVERIFY(!IniFile(w.m_szIniPath).HasKey("MainWindow", "geometry"));
        DeskWindow &again = Open();
        QCOMPARE(again.size(), base + QSize(150, 90));
    }

    // Ctrl+O, Ctrl+Shift+O, Delete (wherever the focus is), F1, Ctrl+Return
    // starts, Escape stops the run, Ctrl+Q quits.
    void shortcutsDoWhatTheySay() {
        DeskWindow &w = OpenPdfToOut();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(w.openTitles.size(), 1);
        QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(w.folderTitles, QStringList{"Select folder:"});
        QTest::keyClick(&w, Qt::Key_F1);
        QCOMPARE(w.opened, std::vector<std::string>{CFileUtil::GetProgramPath("help.html")});

        w.filesToChoose = {QString::fromStdString(WriteFile(Dir("in/loop.ps"), "%!PS\n{} loop\n")),
                           QString::fromStdString(WriteFile(Dir("in/a.ps"), kPage)),
                           QString::fromStdString(WriteFile(Dir("in/b.ps"), kPage))};
        w.OnAddFiles();
        w.SelectOnly(2);
        w.ui.outputKind->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(w.ui.outputKind, Qt::Key_Delete);
        QCOMPARE(w.GetItemCount(), 2);

        QTest::keyClick(w.ui.list, Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(!w.RunFinished());
        QTRY_COMPARE_WITH_TIMEOUT(Status(0), QStringLiteral("Converting..."), 60000);
        QTest::keyClick(w.ui.list, Qt::Key_Escape);
        QVERIFY(QTest::qWaitFor([&] { return w.RunFinished(); }, 5000));
        QCOMPARE(Status(0), QStringLiteral("Aborted"));
        QVERIFY(w.isVisible());

        QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!w.isVisible());
    }

    // Closing during a run asks first: no keeps the run and the window, yes
    // stops the run as Stop does and closes the window once it has ended.
    void closingDuringARunAsksFirst() {
        DeskWindow &w = StartFileThatNeverEnds();
        QCOMPARE(Status(0), QStringLiteral("Converting..."));
        QVERIFY(!w.close());
        QCOMPARE(w.questions, 1);
        QVERIFY(!w.RunFinished());
        w.stopAndQuit = true;
        QVERIFY(!w.close());
        QCOMPARE(w.questions, 2);
        QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 10000);
        QVERIFY(w.RunFinished());
        QCOMPARE(Status(0), QStringLiteral("Aborted"));
        QCOMPARE(w.result(), int(QDialog::Rejected));
    }

    // Files handed over by a second start during a run join the list, not
    // the run, and the window says so in one message with what it refused.
    void filesHandedOverDuringARunWaitForTheNext() {
        DeskWindow &w = OpenPdfToOut();
        AddPsFiles(2);
        w.ui.start->click();
        QTRY_VERIFY_WITH_TIMEOUT(Status(0).startsWith("Converting"), 60000);
        const QString late = QString::fromStdString(WriteFile(Dir("late/late.ps"), kPage));
        const QString notes = QString::fromStdString(WriteFile(Dir("late/notes.txt"), "x"));
        w.OnFilesHanded({late, notes});
        QCOMPARE(w.GetItemCount(), 3);
        QCOMPARE(w.GetItemText(2, 0), late.toStdString());
        QCOMPARE(Label(w.ui.fileCount), QStringLiteral("Files Count: 3"));
        QCOMPARE(w.messages.size(), 1);
        QVERIFY2(w.messages[0].contains("1 file") && w.messages[0].contains("Start again") &&
                     w.messages[0].contains(notes + ": is not a .ps or .eps file"),
                 qPrintable(w.messages[0]));

        WaitForRun();
        QCOMPARE(Status(0), QStringLiteral("Succeed"));
        QCOMPARE(Status(1), QStringLiteral("Succeed"));
        QCOMPARE(Status(2), QStringLiteral("Ready"));
        QVERIFY(!QFileInfo::exists(Dir("out/late.pdf")));
        QVERIFY(w.ui.start->isEnabled() && w.ui.remove->isEnabled());
    }

    // Within one 10-page document the bar moves page by page, ending at the
    // value of the file's end; the status line says which file and page.
    void progressRisesWithinATenPageDocument() {
        DeskWindow &w = Open(QStringLiteral("[Set]\notype=0\ntype=3\nmode=1\noutput=%1/out/\n"
                                            "[Img]\nxdpi=72\nydpi=72\n")
                                 .arg(Dir())
                                 .toUtf8()
                                 .constData());
        QByteArray doc = "%!PS-Adobe-3.0\n%%Pages: 10\n%%EndComments\n"
                         "/Helvetica findfont 24 scalefont setfont\n";
        for (int page = 1; page <= 10; ++page)
            doc +=
                QByteArray("72 700 moveto (Page ") + QByteArray::number(page) + ") show showpage\n";
        w.filesToChoose = {QString::fromStdString(WriteFile(Dir("in/ten.ps"), doc))};
        w.OnAddFiles();
        std::vector<int> values;
        QStringList texts;
        connect(w.ui.progress, &QProgressBar::valueChanged, this, [&](int v) {
            values.push_back(v);
            texts << w.ui.progress->text();
        });
        w.SetRunPacing(RunPacing::None());
        w.ui.start->click();
        WaitForRun();
        QCOMPARE(Status(0), QStringLiteral("Succeed"));
        QVERIFY(std::is_sorted(values.begin(), values.end()));
        const auto within =
            std::count_if(values.begin(), values.end(), [](int v) { return v > 0 && v < 100; });
        QVERIFY2(within >= 5, qPrintable(QString::number(within)));
        QCOMPARE(values.back(), 100);
        QVERIFY2(texts.filter(QRegularExpression("^file 1 of 1, page \\d+")).size() >= 5,
                 qPrintable(texts.join(" | ")));
    }

    // The Pages column is counted in the background, "?" until then; a run
    // of a document that names no page count shows the count with its pages.
    void thePagesColumnIsCountedInTheBackground() {
        DeskWindow &w = Open(QStringLiteral("[Set]\notype=0\ntype=3\nmode=1\noutput=%1/out/\n"
                                            "[Img]\nxdpi=72\nydpi=72\n")
                                 .arg(Dir())
                                 .toUtf8()
                                 .constData());
        const QByteArray three = QByteArray(kPage).repeated(3);
        w.filesToChoose = {QString::fromStdString(WriteFile(Dir("in/three.ps"), three)),
                           QString::fromStdString(WriteFile(Dir("in/gone.ps"), three)),
                           QString::fromStdString(WriteFile(Dir("in/one.ps"), kPage))};
        w.OnAddFiles();
        QCOMPARE(w.ui.list->topLevelItem(2)->text(4), QStringLiteral("?"));
        w.SelectOnly(1); // removed while it waits or is counted: its count goes
        w.OnRemoveSelected();
        QTRY_COMPARE_WITH_TIMEOUT(w.ui.list->topLevelItem(1)->text(4), QStringLiteral("1"), 60000);
        QCOMPARE(w.ui.list->topLevelItem(0)->text(4), QStringLiteral("3"));

        QStringList shown;
        connect(w.ui.list, &QTreeWidget::itemChanged, this, [&](QTreeWidgetItem *item, int c) {
            if (c == 4 && item == w.ui.list->topLevelItem(0))
                shown << item->text(4);
        });
        w.SetRunPacing(RunPacing::None());
        w.ui.start->click();
        WaitForRun();
        QCOMPARE(Status(0), QStringLiteral("Succeed"));
        QVERIFY2(shown.contains("page 3 of 3"), qPrintable(shown.join(" | ")));
        QCOMPARE(w.ui.list->topLevelItem(0)->text(4), QStringLiteral("3"));
    }

    // The Settings button opens the sheet of the shown output kind; a
    // confirmed one is read back into the window's settings.
    void settingsButtonOpensTheShownKind() {
        DeskWindow &w = Open("[Set]\notype=0\n[Txt]\ntxtpagebreak=0\n");
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QString title;
        auto answer = [&](std::function<void(QDialog *)> act) {
            title.clear();
            QTimer::singleShot(100, [&, act] {
                auto *dlg = qobject_cast<QDialog *>(QApplication::activeModalWidget());
                if (!dlg || dlg == &w)
                    return;
                title = dlg->windowTitle();
                act(dlg);
            });
        };

        Choose(w.ui.outputKind, 1);
        answer([](QDialog *d) { d->reject(); });
        w.ui.settings->click();
        QCOMPARE(title, QStringLiteral("PDF Settings"));

        // Chosen but not yet confirmed by any event: the button reads the
        // list as it is shown.
        w.ui.outputKind->setCurrentIndex(2);
        answer([](QDialog *d) {
            auto *pageBreak = dlgtpl::Control<QCheckBox>(d, 1068);
            QVERIFY(pageBreak);
            pageBreak->setChecked(true);
            dlgtpl::Control<QPushButton>(d, 1)->click();
        });
        w.ui.settings->click();
        QCOMPARE(title, QString::fromUtf8("文字设置"));
        QCOMPARE(w.m_settings.txt.bPageBreak, 1);
        QCOMPARE(IniReadInt(w.m_szIniPath, "Txt", "txtpagebreak", -1), 1);
        QVERIFY(w.isEnabled());
    }

    // Three PostScript files to PDF through the window, with the real engine.
    void realRunOfThreeFilesToPdf() {
        DeskWindow &w = Open(QStringLiteral("[Set]\notype=1\nmode=1\nexists=1\noutput=%1/out/\n")
                                 .arg(Dir())
                                 .toUtf8()
                                 .constData());
        AddPsFiles(3);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.ui.progress->setValue(0);

        QTest::mouseClick(w.ui.start, Qt::LeftButton);
        QCOMPARE(w.ui.start->text(), QStringLiteral("Stop Converting"));
        QVERIFY(w.ui.start->isEnabled());
        QVERIFY(!w.RunFinished());
        QVERIFY(w.ui.progress->isVisible());
        CheckEditingControls(false);
        QVERIFY(!w.ui.remove->isEnabled());
        QVERIFY2(!w.ui.browse->isEnabled(), "Browse goes with the rest in mode 1");
        QVERIFY(w.ui.view->isEnabled());

        // While it runs, the window stays and the list takes no change.
        QTRY_COMPARE_WITH_TIMEOUT(Label(w.ui.selected), QStringLiteral("Selected: 1"), 20000);
        QVERIFY(!w.close());
        w.ui.list->setFocus();
        QTest::keyClick(w.ui.list, Qt::Key_Return);
        QVERIFY(w.isVisible());
        QTest::keyClick(w.ui.list, Qt::Key_Delete);
        QTest::keyClick(w.ui.list, Qt::Key_A, Qt::ControlModifier);
        Drop(&w,
             {QUrl::fromLocalFile(QString::fromStdString(WriteFile(Dir("late/late.ps"), kPage)))});
        w.OnCommand(dlgtpl::ID_LIST_CLEAR);
        w.ui.selected->setText("kept");
        emit w.ui.list->customContextMenuRequested(QPoint(5, 5)); // no menu while running
        QCOMPARE(Label(w.ui.selected), QStringLiteral("kept"));
        QCOMPARE(w.GetItemCount(), 3);

        WaitForRun();
        for (int i = 0; i < 3; ++i)
            QCOMPARE(Status(i), QStringLiteral("Succeed"));
        QCOMPARE(w.ui.progress->value(), 100);
        QVERIFY(w.ui.progress->isHidden());
        QCOMPARE(w.ui.start->text(), QStringLiteral("Start Converting"));
        CheckEditingControls(true);
        QVERIFY(w.ui.remove->isEnabled());
        QVERIFY(w.ui.browse->isEnabled());
        QCOMPARE(SelectedRows(w.ui.list), std::vector<int>{0});
        QVERIFY(w.close());

        // Each output is a one-page PDF, read back by an independent reader.
        for (int i = 0; i < 3; ++i) {
            const QString pdf = Dir(QStringLiteral("out/doc%1.pdf").arg(i));
            QVERIFY2(QFileInfo(pdf).isFile(), qPrintable(pdf));
            const QString pdfinfo = QStandardPaths::findExecutable("pdfinfo");
            if (pdfinfo.isEmpty()) {
                QFile f(pdf);
                QVERIFY(f.open(QIODevice::ReadOnly));
                QVERIFY(f.read(5) == "%PDF-");
                continue;
            }
            QProcess info;
            info.start(pdfinfo, {pdf});
            QVERIFY(info.waitForFinished(30000));
            QCOMPARE(info.exitCode(), 0);
            QVERIFY(info.readAllStandardOutput().contains("Pages:           1"));
        }
    }

    // Every failed row says why in its "Reason" column, in plain words: a
    // picture renamed to .ps, an empty file, an interpreter error whose
    // offending operator is raw bytes (shown printable). A row that
    // succeeded has no reason.
    void theReasonColumnSaysWhyEachRowFailed() {
        DeskWindow &w = OpenPdfToOut();
        const QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
        w.filesToChoose = {
            QString::fromStdString(WriteFile(Dir("in/photo.ps"), png.repeated(50))),
            QString::fromStdString(WriteFile(Dir("in/empty.ps"), QByteArray())),
            QString::fromStdString(WriteFile(Dir("in/bad.ps"), "%!PS\n\x01\x02zz\n")),
            QString::fromStdString(WriteFile(Dir("in/good.ps"), kPage))};
        w.OnAddFiles();
        QCOMPARE(w.GetItemCount(), 4);
        w.SetRunPacing(RunPacing::None());
        w.OnStart();
        WaitForRun();
        const QString reasons[][2] = {{"Failed", "is a PNG image, not PostScript"},
                                      {"Failed", "empty input file"},
                                      {"Failed", "interpreter error: /undefined in \\x01\\x02zz"},
                                      {"Succeed", "good.pdf"}};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(Status(i), reasons[i][0]);
            QCOMPARE(w.ui.list->topLevelItem(i)->text(3), reasons[i][1]);
        }
        QCOMPARE(w.ui.list->topLevelItem(0)->toolTip(0), Dir("in/photo.ps"));
        // "Copy Reason" takes the whole reason.
        w.SelectOnly(2);
        w.OnCommand(dlgtpl::ID_LIST_COPYREASON);
        QCOMPARE(QGuiApplication::clipboard()->text(), reasons[2][1]);
    }

    // A window destroyed during a run stops it between files and carries
    // out the worker's last calls before it goes.
    void destroyingTheWindowStopsTheRun() {
        DeskWindow &w = OpenPdfToOut();
        AddPsFiles(3);
        w.ui.start->click();
        QTRY_VERIFY_WITH_TIMEOUT(Status(0).startsWith("Converting"), 60000);
        m_w.reset();
        QVERIFY(QFileInfo(Dir("out/doc0.pdf")).isFile());
        QVERIFY(!QFileInfo::exists(Dir("out/doc1.pdf")));
        QVERIFY(!QFileInfo::exists(Dir("out/doc2.pdf")));
    }

    // A file the interpreter never finishes: Stop ends it within seconds,
    // the row reads "Aborted", nothing is left in the output folder (not
    // even the hidden temporary PDF) and the window closes again.
    void stopEndsAFileThatNeverFinishes() {
        DeskWindow &w = StartFileThatNeverEnds();
        QCOMPARE(Status(0), QStringLiteral("Converting..."));
        QVERIFY(!w.close());
        w.ui.start->click();
        QVERIFY(QTest::qWaitFor([&] { return w.RunFinished(); }, 5000));
        QCOMPARE(Status(0), QStringLiteral("Aborted"));
        QCOMPARE(w.ui.list->topLevelItem(0)->text(3), QStringLiteral("stopped"));
        QCOMPARE(QDir(Dir("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
        QVERIFY(w.close());
    }

    // Two presses: the second only asks the run to stop, which it does
    // between files. Start set every row to "Ready" first, so rows the run
    // never reached say so, whatever an earlier run left there.
    void stopAtTheThirdOfFiveFiles() {
        DeskWindow &w = OpenPdfToOut();
        AddPsFiles(5);
        w.ui.list->topLevelItem(4)->setText(2, "Failed"); // as after an earlier run
        w.ui.list->topLevelItem(4)->setText(3, "empty input file");
        w.ui.start->click();
        QTRY_VERIFY_WITH_TIMEOUT(Status(2).startsWith("Converting"), 60000);
        w.ui.start->click();
        QVERIFY(!w.RunFinished());
        QCOMPARE(w.ui.start->text(), QStringLiteral("Stopping..."));
        QVERIFY(w.ui.progress->isVisible());
        w.ui.start->click(); // a further press changes nothing more
        QVERIFY(!w.RunFinished());

        WaitForRun();
        QCOMPARE(Status(0), QStringLiteral("Succeed"));
        QCOMPARE(Status(1), QStringLiteral("Succeed"));
        QCOMPARE(Status(2), QStringLiteral("Succeed"));
        QCOMPARE(Status(3), QStringLiteral("Ready"));
        QCOMPARE(Status(4), QStringLiteral("Ready"));
        QVERIFY(w.ui.list->topLevelItem(4)->text(3).isEmpty());
        QCOMPARE(w.ui.progress->value(), 60);
        QCOMPARE(w.ui.start->text(), QStringLiteral("Start Converting"));
        CheckEditingControls(true);
        QCOMPARE(SelectedRows(w.ui.list), std::vector<int>{0});
        QVERIFY(!QFileInfo::exists(Dir("out/doc3.pdf")));
        auto *summary = dlgtpl::Control<QLabel>(&w, dlgtpl::IDC_RUNSUMMARY);
        QVERIFY(summary && summary->isVisible());
        QTRY_VERIFY2(summary->text().startsWith("3 succeeded, 0 failed, 2 stopped in "),
                     qPrintable(summary->text()));
        QVERIFY(summary->text().endsWith(" s"));

        // Start again asks once; the answer "only the unfinished ones"
        // converts rows 3 and 4 and leaves the others as they were.
        const QDateTime first = QFileInfo(Dir("out/doc0.pdf")).lastModified();
        w.ui.start->click();
        QCOMPARE(w.resumeQuestions, 1);
        WaitForRun();
        for (int i = 0; i < 5; ++i)
            QCOMPARE(Status(i), QStringLiteral("Succeed"));
        QCOMPARE(w.ui.list->topLevelItem(0)->text(3), QStringLiteral("doc0.pdf"));
        QCOMPARE(QFileInfo(Dir("out/doc0.pdf")).lastModified(), first);
        QVERIFY(QFileInfo(Dir("out/doc4.pdf")).isFile());
        QTRY_VERIFY2(summary->text().startsWith("2 succeeded, 0 failed, 0 stopped in "),
                     qPrintable(summary->text()));

        // An output kind outside the list converts nothing and ends at once;
        // with every row done there is nothing to ask.
        w.ui.outputKind->setCurrentIndex(-1);
        w.ui.start->click();
        WaitForRun();
        QCOMPARE(Status(3), QStringLiteral("Ready"));
        QCOMPARE(w.ui.start->text(), QStringLiteral("Start Converting"));
        QCOMPARE(w.resumeQuestions, 1);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
