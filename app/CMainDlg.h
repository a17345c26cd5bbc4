// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// CMainDlg: the main window, run modally; the program ends when it closes.
//
// DoModal() runs OnInitDialog and, when that succeeds, the dialog's event
// loop. OnInitDialog loads the engine module (tessarin.so) and the text
// extractor (lumbrel.so) from the module folder, fixes the path of
// Profile.ini, loads every settings group and captures the temporary folder.
// A module that fails to load shows its message and ends the window before it
// is ever shown; nothing is saved then.
//
// Every close request (close box, Alt+F4, Ctrl+Q, reject()) goes through
// OnClose: while a run is in progress the user is asked whether to stop it
// and quit (yes stops it as Stop does and closes the window once the run has
// ended); otherwise the general settings and the window's size and place are
// saved and both modules released before the window closes. Escape never
// closes the window (during a run it stops the run), and Enter only presses
// the push button that has the focus.
//
// The window is built from dialog template 102, at its smallest; it may be
// resized and maximised (see AnchorControls). The file list (the queue of
// PostScript files, one row per file: path, size, status, reason or outputs,
// page count), the output choices bound to ConvertSettings, the command
// buttons and the status line.
// Start runs a ConversionRun over the rows on its worker thread; the window
// is the run's ConversionView, and every call the worker makes is carried
// out on the GUI thread while the worker waits for it. While a run is in
// progress the list refuses every change but one: files handed over by a
// later start of the program are added at its end, for the next run.
//
// The desktop services the commands use (the file and folder dialogs, the
// shell's "open", the file manager's "show", the About box, messages, the
// question at close, the desktop notification) go through virtual functions
// so that a test can stand in for the person at the desk; the rest is the
// real thing.
//
// Ownership: the window owns ConvertSettings, both modules and their entry
// points, the folder paths and the run. Whether a run is in progress or was
// asked to stop is the run's two atomic flags; the window reads them and
// keeps no copy. A conversion worker borrows the modules and the temporary
// folder for the length of a run; they are fixed before any run can start.
// The worker works on copies of the settings and of the rows' paths. The
// page-count thread borrows the engine module the same way, one count at a
// time, and is waited for before the module is released.
// Everything else is GUI thread only.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QList>
#include <QStringList>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/AnchorLayout.h"
#include "app/CThemeApi.h"
#include "app/DesktopNotice.h"
#include "convert/ConversionRun.h"
#include "convert/ConversionView.h"
#include "convert/EngineModule.h"
#include "settings/ConvertSettings.h"

class CIconButton;
class CPreviewGrip;
class CPreviewPane;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QThread;
class QTreeWidget;
class QTreeWidgetItem;

class CMainDlg : public QDialog, public ConversionView {
    Q_OBJECT

public:
    // `moduleDir` is the folder that holds tessarin.so and lumbrel.so
    // (ending in '/'); empty means ModuleFolder(), the program's own.
    explicit CMainDlg(QWidget *parent = nullptr, std::string moduleDir = std::string());
    ~CMainDlg() override;

    // Where Profile.ini is looked for: the system's major version and the two
    // candidate folders. Defaults: this system's version, the program's folder
    // and the user's configuration folder. Takes effect at OnInitDialog.
    void SetSettingsLocation(unsigned majorVersion, std::string programDir, std::string configDir);

    // Initialise and run the window. QDialog::Accepted when initialisation
    // failed (the window is then never shown), otherwise the result the
    // window ended with.
    int DoModal();

    // The initialisation steps, in order. False when a module failed to load;
    // the window has then been ended with the OK result.
    bool OnInitDialog();

    // The close request. True when the window may close (settings saved,
    // modules released); false while a run is in progress (after asking
    // whether to stop it and quit).
    bool OnClose();

    // Load a module and resolve its ordinals; on failure show the module's
    // message and return 0. The caller releases a failed module.
    int LoadEngine();
    int LoadExtractor();
    // Release a module when it is loaded; always 1. A released module's
    // entry points are cleared, so a second release does nothing.
    int FreeEngine();
    int FreeExtractor();

    // The settings groups, read from and written to m_szIniPath.
    void LoadGeneralSettings();
    void SaveGeneralSettings();
    void LoadImageSettings();
    void LoadPdfSettings();
    void LoadTextSettings();

    // Data exchange between the bound fields and the window's controls:
    // true copies the controls into the fields, false the fields into the
    // controls. The output kind and the image format read -1 when their
    // list has no selection; a stored value outside a list selects nothing.
    // "exists" shows 1 checked, 2 partly checked, anything else unchecked.
    // The output folder is read from its field while the field is enabled
    // (folder mode 1, idle); the page range only when PageRange takes it.
    void UpdateData(bool bSaveAndValidate);

    // --- Commands of the window ---------------------------------------
    // Start/Stop (1002): idle, starts a run; running, asks it to stop.
    // After a run that was stopped or had failures, while some rows read
    // "Succeed", it first asks whether to convert only the rows that did not
    // succeed or all of them again. A page range that does not parse, or an
    // output folder that can't be made, is refused with a message instead.
    void OnStart();
    // Switch the controls between idle (true) and running (false).
    void EnableControls(bool enable);
    // Selection change of the folder mode (1058) and of the output kind (1059).
    void OnFolderModeChanged();
    void OnOutputKindChanged();
    void OpenSettings(); // 1010: the settings of the current output kind
    void OnBrowse();     // 1013: choose the output folder
    void OnView();       // 1014: open the output folder
    void OnAboutHelp();  // 1016: the About box, or help.html during a run
    // The list's context menu at `globalPos` (menu 142).
    void OnContextMenu(const QPoint &globalPos);
    // A command of menu 142 or of a button, by id.
    void OnCommand(int id);

    // --- The file list --------------------------------------------------
    // Append a row for `path` when CheckInput takes it (InputLook::Listing:
    // a readable regular file with a PostScript name) and select it. Returns
    // why the file was not added (CheckInput's reason), or the empty text
    // when it was. Null adds nothing. `subfolder` is the folder the file has
    // under a folder it was added with ("2019/q1/"; empty for a file added
    // on its own): with "keeptree" its outputs go there under the output
    // folder.
    std::string AddFileToList(const char *path, const std::string &subfolder = std::string());
    void OnAddFiles();
    void OnAddFolder();
    // Files dropped on the window: every local file is offered to
    // AddFileToList, a folder adds its PostScript files as Add Folder does;
    // the files refused are named in one message afterwards. Nothing while
    // running.
    void OnDropFiles(const QList<QUrl> &urls);
    // Files handed over by a later start of the program: as a drop when
    // idle; during a run they are added at the end of the list, for the
    // next run, and one message says so.
    void OnFilesHanded(const QStringList &files);
    void OnRemoveSelected();
    void OnClearAll();
    void OnViewSourceFile();
    // A row activated (double-click, Enter): a row that succeeded opens its
    // first output through ShellOpen; any other row does nothing.
    void OnRowActivated(QTreeWidgetItem *item);
    // Menu 142's "Show in Folder": the first selected row's first output in
    // its folder (ShowInFolder). "Copy Reason": the first selected row's
    // whole reason onto the clipboard.
    void OnShowInFolder();
    void OnCopyReason();
    // The list's key-down (Delete, Ctrl+A): true when the key was taken.
    bool OnListKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // The list's selection changed, however it was made (click, keys, code):
    // the selection count and Remove follow it. Nothing while running.
    void OnSelectionChanged();
    int GetItemCount() const;
    std::string GetItemText(int row, int column) const;

    // --- ConversionView: called by the run, on any thread ---------------
    // Selects the list row of the run's row `row` during a run, list row
    // `row` otherwise.
    void SelectOnly(int row) override;
    void SetConverting(int row, int step) override;
    // The bar follows the rows and pages the run reports (RowFinished,
    // PageStarted), which give the same value at each file's end; this
    // value, sent before some rows' work, is not shown.
    void SetProgress(int position) override;
    void SetSelectedText(const std::string &text) override;
    void RestoreIdle() override;
    // The row's final status; the reason of a failed row is shown in its
    // "Reason" column (and as that column's tooltip, for a reason too long to
    // show), "Aborted" reads "stopped" there, "Succeed" names the row's
    // output there (the first and how many more; the full path in the row's
    // tooltip).
    void RowFinished(int row, const RowOutcome &outcome) override;
    void PageStarted(int row, int page, int pages) override;
    // Kept for the row being converted, to stand in for its page count.
    void PagesDeclared(int row, int pages) override;

    // The pauses of a run started from the window.
    void SetRunPacing(RunPacing pacing) { m_runPacing = pacing; }
    // True when no run is active: none was started, or the last one's worker
    // has finished completely.
    bool RunFinished() const;

    const QIcon m_hIcon;         // the application icon (128)
    std::string m_szIniPath;     // full path of Profile.ini
    std::string m_szModuleDir;   // folder of tessarin.so and lumbrel.so, ending in '/'
    std::string m_szTempDir;     // the system's temporary folder, ending in '/'
    ConvertSettings m_settings;  // general values and the four groups
    EngineModule m_engine;       // tessarin.so, ordinals 1-5
    ExtractorModule m_extractor; // lumbrel.so, ordinals 1, 3, 5

protected:
    void reject() override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    // The desktop services, one place each. The file dialog returns the
    // chosen files (empty on cancel), the folder browser the chosen folder
    // (empty on cancel); ShellOpen hands a path to the desktop's default
    // action and reports nothing; ShowAboutBox runs the About box modally.
    // AskFolder opens in `initial` (the home folder when empty) and can make
    // a new folder. ShellOpen says so in a message when the path is missing
    // or no program opens it. Inform shows a
    // message without waiting for it to be read. AskStopAndQuit asks
    // whether to stop the run in progress and quit. Notify shows a desktop
    // notification whose action opens `folder`.
    virtual QStringList AskOpenFiles(const QString &title, const QString &initial);
    virtual QString AskFolder(const QString &title, const QString &initial = QString());
    virtual void ShellOpen(const std::string &path);
    // The desktop's file manager shows `file` selected in its folder; when
    // none answers, the folder is opened through ShellOpen.
    virtual void ShowInFolder(const std::string &file);
    virtual void ShowAboutBox();
    virtual void Inform(const QString &text);
    virtual bool AskStopAndQuit();
    // Start after a run that did not convert everything: true to convert
    // only the rows that did not succeed (also the answer to Escape), false
    // to convert every row again.
    virtual bool AskConvertUnfinishedOnly();
    virtual void Notify(const QString &summary, const QString &body, const QString &folder);

private:
    // OnInitDialog's steps, in the order it takes them (the two module loads
    // come between SetIcons and FixIniPath).
    void CreateControls();      // build the controls from the template, connect them
    void SetIcons();            // the window's large and small icon
    void FixIniPath();          // choose where Profile.ini lives, making its folder
    void SetupIconButtons();    // the icon buttons' icons, theme and layout
    void SetTitle();            // the window title
    void SetupFileList();       // the file list's columns, selection and colours
    void LoadSettings();        // the four settings loads, then the controls from the fields
    void ApplyOutputRules();    // the folder-mode and output-kind rules, once
    void CaptureTempDir();      // m_szTempDir from the system's temporary folder
    void EndAfterLoadFailure(); // after a failed module load: end with OK, never shown
    // Parts of CreateControls: the keyboard's path through the controls, and
    // the accessible names of the controls that show no caption.
    void SetTabOrder();
    void NameControlsWithoutText();
    // The window's keys: Ctrl+O, Ctrl+Shift+O, Delete, F1, Ctrl+Return,
    // Ctrl+Q (Escape is keyPressEvent's).
    void CreateShortcuts();
    // The list shows a frame in the highlight colour while it has the focus.
    void MarkFocus();
    void OnHelpKey();  // F1: help.html
    void OnStartKey(); // Ctrl+Return: Start, when idle and there are rows
    // Ties every control to the window's edges (see AnchorLayout), `base`
    // being the template's size.
    // The buttons, lists and the file list wired to their handlers.
    void ConnectControls();
    void AnchorControls(QSize base);
    // The path column's width: what the other columns leave of the list.
    void FitPathColumn();
    // The window's size and place, kept in Qt's settings beside Profile.ini
    // (restored once m_szIniPath is known, saved at close).
    QString WindowStatePath() const;
    void RestoreWindowGeometry();
    void SaveWindowGeometry();

    // True while a run's worker is active: the run's own flag, the one truth.
    bool Running() const;

    // The preview pane beside the list: built with the controls, shown the
    // list's current row and told the output choices and when a run pauses
    // it. It shares the list's place, its grip between them; its width (0:
    // hidden, as at the first start) is kept with the window's state.
    void CreatePreviewPane();
    void LayOutPreview();
    void PreviewSelected();
    void PreviewOutput();
    // Asks the run in progress to stop; the Start button says so at once.
    void RequestStop();
    // Before a run into the output folder: the typed folder made when it is
    // missing. The reason it can't be used, or the empty text.
    QString PrepareOutputFolder();
    // The Pages column: each row's page count by CountPages, one count at a
    // time on a thread of its own, never started while a run converts (one
    // in progress is stopped and asked again after the run). A removed
    // row's count is dropped. StopPageCount(true) waits for the thread.
    void QueuePageCount(QTreeWidgetItem *item);
    void StartNextPageCount();
    void StopPageCount(bool wait);
    void OnPageCounted(quint64 job, int pages, const QString &reason);
    QTreeWidgetItem *ItemOfId(quint64 id) const;
    // The Pages column's text of a row that is not being converted.
    void ShowPageCount(QTreeWidgetItem *item);
    // The page range field checked as typed: a range PageRange refuses is
    // marked, its hint in the tooltip. True when the text is a range.
    bool CheckPagesField();

    void ShowLoadFailure(const char *text);
    // Runs `call` on the GUI thread and returns when it has run there.
    template <class F> void OnGuiThread(F call);
    void SelectOnlyNow(int row);
    // After an add: "Files Count", "Selected: 1", row 0 selected, Remove and
    // Start enabled, and the first added row (index `firstAdded`) in view.
    void ShowListCounts(int firstAdded);
    // Offer `paths` to the list (folders scanned as Add Folder does);
    // "path: reason" for each file refused.
    QStringList AddPaths(const QStringList &paths);
    // The PostScript files in `folder` (ending in '/') and, with "Include
    // subfolders", in its subfolders, in name order, offered to
    // AddFileToList with their place in the tree; a file refused is added
    // to `refused`. False when the folder lists no entry at all.
    bool AddFolderFiles(const std::string &folder, QStringList *refused);
    // Files handed over during a run: appended, the run's row untouched.
    void AddDuringRun(const QStringList &files);
    // One message naming the files refused and why; none when none was.
    void ShowRefused(const QStringList &refused, const QString &lead = QString());
    void ShowSelectedCount(int n); // "Selected: %d"
    int SelectedCount() const;
    // Carry out the worker's calls until it has ended; returns at once when
    // no run is active.
    void WaitForRunEnd();
    // The worker's last act has happened: wake WaitForRunEnd, close the
    // window when the user asked to quit, notify the desktop of a long run.
    void OnRunEnded();
    // A row's "Reason" column, and its tooltip.
    void ShowReason(QTreeWidgetItem *item, const QString &reason);
    // A row's outputs as the list names them: the first (its file name, or
    // with `fullPaths` its path) and how many more.
    QString OutputsText(const std::vector<std::string> &outputs, bool fullPaths) const;
    // The list rows the next run converts: every row, or after the question
    // only those that did not succeed.
    std::vector<int> RowsToConvert();
    // The rows of the run back to "Ready", their reasons gone.
    void ResetRowStatuses();
    // The list's item of the run's row `row`; null when there is none.
    QTreeWidgetItem *RunItem(int row) const;
    // "12 succeeded, 1 failed, 0 stopped in 1 min 20 s" for the run that
    // ended, in the user's language.
    QString RunSummary() const;
    // The bar and the status line's position text from the run's progress.
    void ShowRunPosition();
    // The desktop notification at the end of a run that took long while the
    // window was not the active one.
    void NotifyRunEnd();
    std::unique_ptr<QMenu> BuildListMenu();

    // The controls of template 102, set when the window is built; tests find
    // them by id.
    CIconButton *m_btnAddFiles = nullptr;  // 1007
    CIconButton *m_btnAddFolder = nullptr; // 1008
    CIconButton *m_btnRemove = nullptr;    // 1009
    CIconButton *m_btnSettings = nullptr;  // 1010
    CIconButton *m_btnStart = nullptr;     // 1002
    CIconButton *m_btnAbout = nullptr;     // 1016
    QTreeWidget *m_list = nullptr;         // 1001, the FileList
    QComboBox *m_cbFormat = nullptr;       // 1003
    QComboBox *m_cbFolderMode = nullptr;   // 1058
    QComboBox *m_cbOutputKind = nullptr;   // 1059
    QProgressBar *m_progress = nullptr;    // 1011
    QLineEdit *m_editOutputDir = nullptr;  // 1012
    QPushButton *m_btnBrowse = nullptr;    // 1013
    QPushButton *m_btnView = nullptr;      // 1014
    QLabel *m_lblFileCount = nullptr;      // 1047
    QLabel *m_lblSelected = nullptr;       // 1048
    QCheckBox *m_chkNewIfExists = nullptr; // 1075
    QSpinBox *m_spinTimeLimit = nullptr;   // 1077
    QCheckBox *m_chkSubfolders = nullptr;  // 1078
    QCheckBox *m_chkKeepTree = nullptr;    // 1079
    QLabel *m_lblSummary = nullptr;        // 1080
    QLineEdit *m_editPages = nullptr;      // 1082, the pages to convert
    CPreviewPane *m_preview = nullptr;
    CPreviewGrip *m_previewGrip = nullptr;
    QRect m_listArea;        // the list's place before the pane takes its share
    int m_previewWidth = 0;  // 0: hidden
    int m_previewReopen = 0; // the width a click opens it at again
    CThemeApi m_theme;
    AnchorLayout m_anchors;
    DesktopNotice m_notice;

    RunPacing m_runPacing = RunPacing::Window();
    std::unique_ptr<ConversionRun> m_run;
    bool m_bQuitAfterRun = false; // the user chose to stop the run and quit

    // What the window knows of the run in progress (GUI thread only).
    struct RunPosition {
        int rows = 0;       // rows of the run
        int row = -1;       // the row being converted
        int done = 0;       // rows finished
        int page = 0;       // the page being written, from 1; 0: none yet
        int pages = 0;      // the row's page count; 0: not known yet
        int declared = 0;   // the page count the row's file declares; 0: none
        int succeeded = 0;  // rows that read "Succeed" at their end
        int failed = 0;     // rows that read "Failed"
        std::string folder; // the folder of the last output written
        std::chrono::steady_clock::time_point started;
    } m_pos;
    // The list rows of the run in progress or the last one, in run order:
    // the run's row k is list row m_runRows[k].
    std::vector<int> m_runRows;
    // The last run ended with rows that did not succeed.
    bool m_bRunIncomplete = false;

    static constexpr int kIconStart = 134;
    // The file list's columns: path, size, status, why a row failed or was
    // stopped (or what it wrote), and its page count.
    static constexpr int kListColumns = 5;
    static constexpr int kReasonColumn = 3;
    // Item data: the row's subfolder (column 0), its RowStatus (column 2)
    // and the outputs of its last run that succeeded (column 0).
    static constexpr int kSubfolderRole = Qt::UserRole;
    static constexpr int kStatusRole = Qt::UserRole + 1;
    static constexpr int kOutputsRole = Qt::UserRole + 2;
    // The row's own number (column 0) and its page count (kPagesColumn; 0
    // until known).
    static constexpr int kRowIdRole = Qt::UserRole + 3;
    static constexpr int kPagesRole = Qt::UserRole + 4;
    static constexpr int kPagesColumn = 4;

    // The page counts (GUI thread; the counting thread sees only its own
    // copies and the stop flag).
    std::deque<quint64> m_countQueue; // rows to count, by their number
    quint64 m_nextRowId = 1;
    quint64 m_countingId = 0; // the row being counted; 0: none
    quint64 m_countJob = 0;   // the count in progress or the last one
    std::shared_ptr<std::atomic<bool>> m_countStop;
    QThread *m_countThread = nullptr;

    unsigned m_nSystemVersion;
    std::string m_szProgramDir;
    std::string m_szConfigDir;
};
