// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "app/CMainDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QThread>
#include <QToolTip>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/CAboutDlg.h"
#include "app/CFileUtil.h"
#include "app/CIconButton.h"
#include "app/CPreviewPane.h"
#include "app/Translations.h"
#include "common/FileRules.h"
#include "common/PageRange.h"
#include "convert/ImageFormat.h"
#include "convert/OutputKind.h"
#include "convert/ProgramFiles.h"
#include "res/Icons.h"
#include "res/MainTemplates.h"
#include "settings/SettingsLocation.h"
#include "settings/SettingsStore.h"
#include "settings/sheets/OpenSettings.h"

namespace {

constexpr char kTitle[] = "Quorvane Vantoria";
constexpr char kEngineFile[] = "tessarin.so";
constexpr char kExtractorFile[] = "lumbrel.so";
constexpr char kEngineFailed[] =
    QT_TRANSLATE_NOOP("CMainDlg", "Load tessarin.so failed, please reinstall!");
constexpr char kExtractorFailed[] =
    QT_TRANSLATE_NOOP("CMainDlg", "Load lumbrel.so failed, please reinstall!");
// Second line of both load failures, before the module folder.
constexpr char kLookedIn[] = QT_TRANSLATE_NOOP("CMainDlg", "Looked for in: ");

QIcon ApplicationIcon() {
    return VantoriaIcon(128);
}

// The Settings button's caption for each output kind, in OutputKind order.
constexpr const char *kSettingsCaptions[] = {QT_TRANSLATE_NOOP("CMainDlg", "Image Settings"),
                                             QT_TRANSLATE_NOOP("CMainDlg", "PDF Settings"),
                                             QT_TRANSLATE_NOOP("CMainDlg", "Text Settings")};
static_assert(std::size(kSettingsCaptions) == kOutputKinds.size());

// Where the window's size and place are kept: Qt's settings, in a file of
// their own beside Profile.ini.
constexpr char kWindowStateFile[] = "window.conf";
constexpr char kGeometryKey[] = "MainWindow/geometry";
constexpr char kPreviewKey[] = "MainWindow/preview"; // "width,reopen width"

// The columns of the file list (path, size, status, reason, pages): width in
// pixels, alignment. The path column takes what the others leave, and no
// less than kPathLeast.
struct Column {
    int width;
    Qt::Alignment align;
};
constexpr Column kColumns[] = {
    {350, Qt::AlignLeft | Qt::AlignVCenter},    {100, Qt::AlignHCenter | Qt::AlignVCenter},
    {120, Qt::AlignHCenter | Qt::AlignVCenter}, {180, Qt::AlignLeft | Qt::AlignVCenter},
    {80, Qt::AlignHCenter | Qt::AlignVCenter},
};
constexpr int kPathLeast = 120;

// The page range's hints as the window shows them, translated (the texts
// are PageRangeHint's).
[[maybe_unused]] constexpr const char *kPageRangeHints[] = {
    QT_TRANSLATE_NOOP("PageRange", "pages are numbers and ranges, as in 1-3,7,10-"),
    QT_TRANSLATE_NOOP("PageRange", "pages count from 1"),
    QT_TRANSLATE_NOOP("PageRange", "a range goes from a lower page to a higher one, as in 1-3"),
    QT_TRANSLATE_NOOP("PageRange", "a comma stands between two pages or ranges"),
    QT_TRANSLATE_NOOP("PageRange", "a page number is too large"),
};

QString PageRangeHintText(PageRange::Problem problem) {
    return QCoreApplication::translate("PageRange", PageRangeHint(problem));
}

// The reasons differ in their end as often as in their start: cut at the end
// (the whole text is the cell's tooltip), whatever the list does elsewhere.
class ElideAtEnd : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideRight;
    }
};

constexpr char kPagesTip[] =
    QT_TRANSLATE_NOOP("CMainDlg", "The pages to convert, as in 1-3,7,10- (a range without an end "
                                  "runs to the document's end); empty for every page");

// The desktop's file manager, asked to show files selected in their folder.
constexpr char kFileManagerService[] = "org.freedesktop.FileManager1";
constexpr char kFileManagerPath[] = "/org/freedesktop/FileManager1";

} // namespace

CMainDlg::CMainDlg(QWidget *parent, std::string moduleDir)
    : QDialog(parent), m_hIcon(ApplicationIcon()),
      m_szModuleDir(moduleDir.empty() ? ModuleFolder()
                                      : WithTrailingSeparator(std::move(moduleDir))),
      m_nSystemVersion(SystemMajorVersion()), m_szProgramDir(ProgramFolder()),
      m_szConfigDir(ConfigFolder()) {}

// The modules are left as they are: a window ended by a load failure keeps
// the engine loaded until the process ends, and a closed window has already
// released both. A run still going (only possible when the window is
// destroyed without closing) is stopped and waited for first, while its
// calls into the window are still carried out.
CMainDlg::~CMainDlg() {
    StopPageCount(true);
    if (m_run) {
        m_run->RequestStop();
        WaitForRunEnd();
        m_run.reset();
    }
}

void CMainDlg::SetSettingsLocation(unsigned majorVersion, std::string programDir,
                                   std::string configDir) {
    m_nSystemVersion = majorVersion;
    m_szProgramDir = std::move(programDir);
    m_szConfigDir = std::move(configDir);
}

int CMainDlg::DoModal() {
    if (!OnInitDialog())
        return result();
    return exec();
}

bool CMainDlg::OnInitDialog() {
    CreateControls();
    SetIcons();
    if (!LoadEngine()) {
        FreeEngine();
        EndAfterLoadFailure();
        return false;
    }
    if (!LoadExtractor()) {
        FreeExtractor();
        EndAfterLoadFailure();
        return false;
    }
    FixIniPath();
    RestoreWindowGeometry();
    SetupIconButtons();
    SetTitle();
    SetupFileList();
    LoadSettings();
    ApplyOutputRules();
    CaptureTempDir();
    PreviewOutput();
    m_list->setFocus(Qt::OtherFocusReason);
    return true;
}

void CMainDlg::CreateControls() {
    if (m_list)
        return; // built once; a second initialisation keeps the controls
    dlgtpl::BuildOptions options;
    options.factories[dlgtpl::kIconButtonClass] = [](const dlgtpl::Row &row, QWidget *host) {
        auto *button = new CIconButton(QString::fromUtf8(row.text), host);
        button->setAutoDefault(false);
        button->setDefault(false);
        return button;
    };
    // The template's size is the smallest the window gets; it may grow.
    const QSize size = dlgtpl::BuildDialog(dlgtpl::kTplMain, this, options);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(dlgtpl::TemplateText(dlgtpl::kTplMain.caption));
    setAcceptDrops(true);

    using namespace dlgtpl;
    m_btnAddFiles = Control<CIconButton>(this, IDC_ADDFILES);
    m_btnAddFolder = Control<CIconButton>(this, IDC_ADDFOLDER);
    m_btnRemove = Control<CIconButton>(this, IDC_REMOVE);
    m_btnSettings = Control<CIconButton>(this, IDC_SETTINGS);
    m_btnStart = Control<CIconButton>(this, IDC_START);
    m_btnAbout = Control<CIconButton>(this, IDC_ABOUT);
    m_list = Control<QTreeWidget>(this, IDC_FILELIST);
    m_cbFormat = Control<QComboBox>(this, IDC_FORMAT);
    m_cbFolderMode = Control<QComboBox>(this, IDC_FOLDERMODE);
    m_cbOutputKind = Control<QComboBox>(this, IDC_OUTPUTKIND);
    m_progress = Control<QProgressBar>(this, IDC_PROGRESS);
    m_editOutputDir = Control<QLineEdit>(this, IDC_OUTPUTDIR);
    m_btnBrowse = Control<QPushButton>(this, IDC_BROWSE);
    m_btnView = Control<QPushButton>(this, IDC_VIEW);
    m_lblFileCount = Control<QLabel>(this, IDC_FILECOUNT);
    m_lblSelected = Control<QLabel>(this, IDC_SELCOUNT);
    m_chkNewIfExists = Control<QCheckBox>(this, IDC_NEWIFEXISTS);
    m_spinTimeLimit = Control<QSpinBox>(this, IDC_TIMELIMIT);
    m_spinTimeLimit->setRange(0, kMaxTimeLimitSeconds);
    m_spinTimeLimit->setSpecialValueText(tr("不限")); // 0: no limit
    m_chkSubfolders = Control<QCheckBox>(this, IDC_SUBFOLDERS);
    m_chkKeepTree = Control<QCheckBox>(this, IDC_KEEPTREE);
    m_lblSummary = Control<QLabel>(this, IDC_RUNSUMMARY);
    m_editPages = Control<QLineEdit>(this, IDC_PAGES);
    m_editPages->setMaxLength(200);
    m_editPages->setPlaceholderText(tr("all"));

    // The format list shows the table's texts in the user's language; a run
    // takes its format from the position chosen, never from the text.
    for (const ImageFormat &format : kImageFormats)
        m_cbFormat->addItem(QCoreApplication::translate("ImageFormat", format.listText));
    m_cbFormat->setCurrentIndex(-1);
    m_cbFormat->setMaxVisibleItems(static_cast<int>(kImageFormats.size()));
    // Typed or browsed; enabled with folder mode 1 (OnFolderModeChanged).
    m_editOutputDir->setEnabled(false);

    ConnectControls();
    SetTabOrder();
    NameControlsWithoutText();
    CreateShortcuts();
    MarkFocus();
    CreatePreviewPane();
    AnchorControls(size);
    LayOutPreview();

    // Centred on the screen the window opens on.
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size);
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void CMainDlg::ConnectControls() {
    connect(m_btnStart, &QPushButton::clicked, this, &CMainDlg::OnStart);
    connect(m_btnAddFiles, &QPushButton::clicked, this, &CMainDlg::OnAddFiles);
    connect(m_btnAddFolder, &QPushButton::clicked, this, &CMainDlg::OnAddFolder);
    connect(m_btnRemove, &QPushButton::clicked, this, &CMainDlg::OnRemoveSelected);
    connect(m_btnSettings, &QPushButton::clicked, this, &CMainDlg::OpenSettings);
    connect(m_btnAbout, &QPushButton::clicked, this, &CMainDlg::OnAboutHelp);
    connect(m_btnBrowse, &QPushButton::clicked, this, &CMainDlg::OnBrowse);
    connect(m_btnView, &QPushButton::clicked, this, &CMainDlg::OnView);
    connect(m_cbFolderMode, &QComboBox::activated, this, &CMainDlg::OnFolderModeChanged);
    connect(m_cbOutputKind, &QComboBox::activated, this, &CMainDlg::OnOutputKindChanged);

    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { OnContextMenu(m_list->viewport()->mapToGlobal(pos)); });
    m_list->installEventFilter(this);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CMainDlg::OnSelectionChanged);
    connect(m_list, &QTreeWidget::itemActivated, this, &CMainDlg::OnRowActivated);
    connect(m_editPages, &QLineEdit::textChanged, this, [this] { CheckPagesField(); });
}

void CMainDlg::AnchorControls(QSize base) {
    // The list takes whatever the window grows by; the button row keeps to
    // the top, About to the top right; below the list the output group and
    // the status line keep to the bottom left, Start to the bottom right,
    // and the status line's rule and its last part (the progress) widen.
    using A = AnchorLayout;
    m_anchors = AnchorLayout(base);
    const int listBottom = m_list->geometry().bottom();
    for (QWidget *c : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        const auto *line = qobject_cast<QFrame *>(c);
        const bool widens = c == m_progress || (line && line->frameShape() == QFrame::HLine);
        unsigned edges = A::Left | A::Top;
        if (c == m_preview || c == m_previewGrip)
            continue; // placed in the list's share (LayOutPreview)
        if (c == m_list)
            edges = A::Left | A::Top | A::Right | A::Bottom;
        else if (c == m_btnAbout)
            edges = A::Right | A::Top;
        else if (c == m_btnStart)
            edges = A::Right | A::Bottom;
        else if (c->y() > listBottom)
            edges = widens ? A::Left | A::Right | A::Bottom : A::Left | A::Bottom;
        m_anchors.Add(c, edges);
    }
}

void CMainDlg::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    m_anchors.Apply(size());
    if (m_preview) {
        m_listArea = m_list->geometry();
        LayOutPreview();
    }
}

void CMainDlg::FitPathColumn() {
    // The path column takes the width the other columns leave.
    int others = 0;
    for (int c = 1; c < m_list->columnCount(); ++c)
        others += m_list->columnWidth(c);
    m_list->setColumnWidth(0, std::max(kPathLeast, m_list->viewport()->width() - others));
}

QString CMainDlg::WindowStatePath() const {
    // Qt's own settings file, in the folder of Profile.ini.
    return QFileInfo(QString::fromStdString(m_szIniPath)).dir().filePath(kWindowStateFile);
}

void CMainDlg::RestoreWindowGeometry() {
    const QSettings state(WindowStatePath(), QSettings::IniFormat);
    const QByteArray geometry = state.value(kGeometryKey).toByteArray();
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
    const QStringList preview = state.value(kPreviewKey).toString().split(QLatin1Char(','));
    if (preview.size() == 2) {
        m_previewWidth = std::max(0, preview[0].toInt());
        m_previewReopen = std::max(0, preview[1].toInt());
        LayOutPreview();
    }
}

void CMainDlg::SaveWindowGeometry() {
    QSettings state(WindowStatePath(), QSettings::IniFormat);
    state.setValue(kGeometryKey, saveGeometry());
    state.setValue(kPreviewKey, QStringLiteral("%1,%2").arg(m_previewWidth).arg(m_previewReopen));
}

void CMainDlg::SetTabOrder() {
    // The list first (it has the focus when the window opens), then
    // reading order: the button row left to right, the output group line by
    // line, then Start beside it. The template keeps its own order (and its
    // ids); only the keyboard's path through it is set here.
    QWidget *const chain[] = {
        m_list,           m_btnAddFiles,   m_btnAddFolder, m_btnRemove,     m_btnSettings,
        m_chkSubfolders,  m_btnAbout,      m_cbOutputKind, m_cbFormat,      m_chkKeepTree,
        m_cbFolderMode,   m_btnBrowse,     m_btnView,      m_editOutputDir, m_editPages,
        m_chkNewIfExists, m_spinTimeLimit, m_btnStart,
    };
    for (std::size_t i = 1; i < std::size(chain); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void CMainDlg::CreateShortcuts() {
    const struct {
        QKeySequence keys;
        void (CMainDlg::*command)();
    } shortcuts[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_O), &CMainDlg::OnAddFiles},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), &CMainDlg::OnAddFolder},
        {QKeySequence(Qt::Key_Delete), &CMainDlg::OnRemoveSelected},
        {QKeySequence(Qt::Key_F1), &CMainDlg::OnHelpKey},
        {QKeySequence(Qt::CTRL | Qt::Key_Return), &CMainDlg::OnStartKey},
        {QKeySequence(Qt::CTRL | Qt::Key_Enter), &CMainDlg::OnStartKey},
    };
    for (const auto &s : shortcuts)
        connect(new QShortcut(s.keys, this), &QShortcut::activated, this, s.command);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this), &QShortcut::activated, this,
            &QWidget::close);
}

void CMainDlg::MarkFocus() {
    // The same frame width either way, so the rows do not move when the
    // focus comes and goes.
    m_list->setStyleSheet(QStringLiteral(
        "QTreeWidget { border: 1px solid palette(mid); padding: 1px; }"
        "QTreeWidget:focus { border: 2px solid palette(highlight); padding: 0px; }"));
}

void CMainDlg::OnHelpKey() {
    ShellOpen(CFileUtil::GetProgramPath(HelpFileName()));
}

void CMainDlg::OnStartKey() {
    if (!Running() && m_btnStart->isEnabled())
        OnStart();
}

void CMainDlg::NameControlsWithoutText() {
    // What a screen reader says for the controls that show no caption.
    m_list->setAccessibleName(tr("文件列表"));
    m_cbOutputKind->setAccessibleName(tr("输出类型"));
    m_cbFormat->setAccessibleName(tr("图像格式"));
    m_cbFolderMode->setAccessibleName(tr("输出文件夹模式"));
    m_editOutputDir->setAccessibleName(tr("输出文件夹"));
    m_progress->setAccessibleName(tr("转换进度"));
    if (auto *label = dlgtpl::Control<QLabel>(this, dlgtpl::IDC_PAGES_LABEL)) {
        label->setBuddy(m_editPages);
        m_editPages->setAccessibleName(tr("要转换的页码"));
    }
    CheckPagesField(); // its tooltip
    // The buttons' tooltips name their keys.
    const auto withKey = [](const QString &what, const QKeySequence &keys) {
        return QStringLiteral("%1 (%2)").arg(what, keys.toString(QKeySequence::NativeText));
    };
    m_btnAddFiles->setToolTip(withKey(tr("Add files"), QKeySequence(Qt::CTRL | Qt::Key_O)));
    m_btnAddFolder->setToolTip(
        withKey(tr("Add a folder's files"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)));
    m_btnRemove->setToolTip(withKey(tr("Remove the selected files"), QKeySequence(Qt::Key_Delete)));
    m_btnStart->setToolTip(
        withKey(tr("Start or stop converting"), QKeySequence(Qt::CTRL | Qt::Key_Return)) +
        QStringLiteral(", ") + tr("Escape stops"));
    // The spin box says what its label beside it says.
    if (auto *label = dlgtpl::Control<QLabel>(this, dlgtpl::IDC_TIMELIMIT_LABEL)) {
        label->setBuddy(m_spinTimeLimit);
        m_spinTimeLimit->setAccessibleName(label->text());
    }
    m_btnAbout->setToolTip(tr("关于 / 帮助") + QStringLiteral(" (F1)"));
    m_btnAbout->setAccessibleName(m_btnAbout->toolTip());
}

void CMainDlg::SetIcons() {
    setWindowIcon(m_hIcon);
}

int CMainDlg::LoadEngine() {
    if (LoadEngineModule(m_szModuleDir + kEngineFile, m_engine))
        return 1;
    ShowLoadFailure(kEngineFailed);
    return 0;
}

int CMainDlg::LoadExtractor() {
    if (LoadExtractorModule(m_szModuleDir + kExtractorFile, m_extractor))
        return 1;
    ShowLoadFailure(kExtractorFailed);
    return 0;
}

int CMainDlg::FreeEngine() {
    if (m_preview)
        m_preview->Shutdown(); // it borrows the module
    FreeEngineModule(m_engine);
    m_engine = EngineModule{};
    return 1;
}

int CMainDlg::FreeExtractor() {
    FreeExtractorModule(m_extractor);
    m_extractor = ExtractorModule{};
    return 1;
}

void CMainDlg::ShowLoadFailure(const char *text) {
    QString message =
        tr(text) + QLatin1Char('\n') + tr(kLookedIn) + QString::fromStdString(m_szModuleDir);
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kTitle), message, QMessageBox::Ok,
                    this);
    box.exec();
}

void CMainDlg::FixIniPath() {
    m_szIniPath = PrepareSettingsFile(m_nSystemVersion, m_szProgramDir, m_szConfigDir);
}

void CMainDlg::SetupIconButtons() {
    const struct {
        CIconButton *button;
        int icon;
    } themed[] = {
        {m_btnAddFiles, 135}, {m_btnAddFolder, 131},    {m_btnRemove, 130},
        {m_btnSettings, 132}, {m_btnStart, kIconStart},
    };
    for (const auto &b : themed) {
        b.button->SetTheme(&m_theme);
        b.button->SetIcon(b.icon);
    }
    m_btnStart->SetAlign(CIconButton::AlignVert);
    m_btnAbout->SetIcon(137);
    m_btnAbout->DrawBorder(false);
}

void CMainDlg::SetTitle() {
    setWindowTitle(QString::fromUtf8(kTitle));
}

void CMainDlg::SetupFileList() {
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSortingEnabled(false);
    // Paths differ at their end: cut them in the middle (the whole path is
    // the row's tooltip).
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->setItemDelegateForColumn(kReasonColumn, new ElideAtEnd(m_list));
    m_list->setHeaderLabels({tr("Files"), tr("Size"), tr("Status"), tr("Reason"), tr("Pages")});
    QHeaderView *header = m_list->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    static_assert(std::size(kColumns) == kListColumns);
    for (int c = 0; c < kListColumns; ++c) {
        m_list->setColumnWidth(c, kColumns[c].width);
        m_list->headerItem()->setTextAlignment(c, kColumns[c].align);
    }
    // The selection stays as visible when the list loses the focus.
    QPalette pal = m_list->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    m_list->setPalette(pal);
    connect(header, &QHeaderView::sectionResized, this, [this](int section) {
        if (section != 0)
            FitPathColumn();
    });
    m_list->viewport()->installEventFilter(this);
    FitPathColumn();
}

void CMainDlg::LoadSettings() {
    LoadGeneralSettings();
    LoadImageSettings();
    LoadPdfSettings();
    LoadTextSettings();
    UpdateData(false);
}

void CMainDlg::ApplyOutputRules() {
    OnFolderModeChanged();
    OnOutputKindChanged();
}

void CMainDlg::CaptureTempDir() {
    m_szTempDir = WithTrailingSeparator(QDir::tempPath().toStdString());
}

void CMainDlg::EndAfterLoadFailure() {
    UpdateData(true);
    done(QDialog::Accepted);
}

void CMainDlg::UpdateData(bool bSaveAndValidate) {
    if (!m_list)
        return; // not built yet: the fields are the only copy
    ConvertSettings &s = m_settings;
    if (bSaveAndValidate) {
        s.m_nOutputKind = m_cbOutputKind->currentIndex();
        s.m_nFormat = m_cbFormat->currentIndex();
        s.m_nOutputMode = m_cbFolderMode->currentIndex();
        s.m_nTimeLimit = m_spinTimeLimit->value();
        s.m_bSubfolders = m_chkSubfolders->isChecked() ? 1 : 0;
        s.m_bKeepTree = m_chkKeepTree->isChecked() ? 1 : 0;
        if (m_editOutputDir->isEnabled()) {
            const std::string typed = m_editOutputDir->text().trimmed().toStdString();
            s.m_szOutputDir = typed.empty() ? typed : WithTrailingSeparator(typed);
        }
        if (PageRange range; PageRange::Parse(m_editPages->text().toStdString(), &range))
            s.m_szPages = range.Text();
        switch (m_chkNewIfExists->checkState()) {
        case Qt::Checked:
            s.m_bNewIfExists = 1;
            break;
        case Qt::PartiallyChecked:
            s.m_bNewIfExists = 2;
            break;
        default:
            s.m_bNewIfExists = 0;
            break;
        }
        return;
    }
    auto select = [](QComboBox *combo, int index) {
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    };
    select(m_cbOutputKind, s.m_nOutputKind);
    select(m_cbFormat, s.m_nFormat);
    select(m_cbFolderMode, s.m_nOutputMode);
    m_spinTimeLimit->setValue(std::clamp(s.m_nTimeLimit, 0, kMaxTimeLimitSeconds));
    m_chkSubfolders->setChecked(s.m_bSubfolders == 1);
    m_chkKeepTree->setChecked(s.m_bKeepTree == 1);
    m_editPages->setText(QString::fromStdString(s.m_szPages));
    // A third state only for a stored 2; the user's first click makes the box
    // two-state again.
    m_chkNewIfExists->setTristate(s.m_bNewIfExists == 2);
    m_chkNewIfExists->setCheckState(s.m_bNewIfExists == 1   ? Qt::Checked
                                    : s.m_bNewIfExists == 2 ? Qt::PartiallyChecked
                                                            : Qt::Unchecked);
    if (s.m_bNewIfExists == 2)
        connect(
            m_chkNewIfExists, &QCheckBox::clicked, this,
            [this] {
                if (m_chkNewIfExists->checkState() != Qt::PartiallyChecked)
                    m_chkNewIfExists->setTristate(false);
            },
            Qt::SingleShotConnection);
}

void CMainDlg::LoadGeneralSettings() {
    ::LoadGeneralSettings(m_szIniPath, m_settings);
    UpdateData(false);
}

void CMainDlg::SaveGeneralSettings() {
    UpdateData(true);
    // A file that can't be written is not reported: the values stay in memory.
    ::SaveGeneralSettings(m_szIniPath, m_settings);
}

void CMainDlg::LoadImageSettings() {
    UpdateData(true);
    ::LoadImageSettings(m_szIniPath, m_settings);
}

void CMainDlg::LoadPdfSettings() {
    ::LoadPdfSettings(m_szIniPath, m_settings);
}

void CMainDlg::LoadTextSettings() {
    ::LoadTextSettings(m_szIniPath, m_settings);
}

bool CMainDlg::OnClose() {
    if (Running()) {
        if (m_bQuitAfterRun || !AskStopAndQuit())
            return false;
        if (Running()) {
            // Closes once the run has ended (OnRunEnded).
            m_bQuitAfterRun = true;
            RequestStop();
            return false;
        }
        // The run ended while the question was open: close now.
    }
    SaveGeneralSettings();
    SaveWindowGeometry();
    StopPageCount(true); // it uses the engine
    FreeEngine();
    FreeExtractor();
    return true;
}

void CMainDlg::reject() {
    if (OnClose())
        QDialog::reject();
}

void CMainDlg::keyPressEvent(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        // Never closes the window; during a run it stops the run.
        if (Running())
            RequestStop();
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter presses the push button that has the focus, nothing else:
        // the window has no OK or Cancel of its own.
        if (auto *button = qobject_cast<QPushButton *>(focusWidget());
            button && button->isEnabled() && button->isVisible())
            button->click();
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

// ---------------------------------------------------------------------------
// Output choices and commands

void CMainDlg::EnableControls(bool enable) {
    m_progress->setVisible(!enable);
    m_lblSummary->setVisible(enable);
    for (QWidget *w : std::initializer_list<QWidget *>{
             m_btnAddFiles, m_btnAddFolder, m_btnRemove, m_btnSettings, m_cbOutputKind, m_cbFormat,
             m_cbFolderMode, m_spinTimeLimit, m_chkSubfolders, m_editPages})
        w->setEnabled(enable);
    if (m_preview) {
        m_preview->SetPaused(!enable);
        if (enable)
            PreviewSelected();
    }
    if (m_settings.m_nOutputMode == 1) {
        m_btnBrowse->setEnabled(enable);
        m_chkKeepTree->setEnabled(enable);
        m_editOutputDir->setEnabled(enable);
    }
}

void CMainDlg::OnFolderModeChanged() {
    UpdateData(true);
    const bool folder = m_settings.m_nOutputMode != 0;
    m_btnBrowse->setEnabled(folder);
    m_btnView->setEnabled(folder);
    // The tree is kept only in the output folder; beside its source a file's
    // output is in its own folder anyway.
    m_chkKeepTree->setEnabled(folder);
    m_editOutputDir->setText(folder ? QString::fromStdString(m_settings.m_szOutputDir) : QString());
    m_editOutputDir->setEnabled(folder);
}

void CMainDlg::OnOutputKindChanged() {
    UpdateData(true);
    const int otype = m_settings.m_nOutputKind;
    if (!IsOutputKind(otype)) {
        m_btnSettings->hide();
        return;
    }
    m_btnSettings->setText(tr(kSettingsCaptions[otype]));
    m_btnSettings->show();
    m_cbFormat->setVisible(ToOutputKind(otype) == OutputKind::Image);
    PreviewOutput();
}

void CMainDlg::OpenSettings() {
    if (Running())
        return;
    UpdateData(true);
    const int otype = m_settings.m_nOutputKind;
    if (!::OpenSettings(this, otype, m_szIniPath, m_settings) || !IsOutputKind(otype))
        return;
    switch (ToOutputKind(otype)) {
    case OutputKind::Image:
        LoadImageSettings();
        PreviewOutput();
        break;
    case OutputKind::Pdf:
        LoadPdfSettings();
        break;
    case OutputKind::Text:
        LoadTextSettings();
        break;
    }
}

bool CMainDlg::CheckPagesField() {
    PageRange::Problem problem = PageRange::Problem::None;
    PageRange range;
    const bool ok = PageRange::Parse(m_editPages->text().toStdString(), &range, &problem);
    // Marked by its text's colour: the frame is the focus's.
    QPalette pal = palette();
    if (!ok)
        pal.setColor(QPalette::Text, QColor(0xc0, 0x10, 0x10));
    m_editPages->setPalette(pal);
    const QString hint = ok ? QString() : PageRangeHintText(problem);
    m_editPages->setToolTip(ok ? tr(kPagesTip) : tr("Not a page range: %1").arg(hint));
    if (!ok && m_editPages->hasFocus())
        QToolTip::showText(m_editPages->mapToGlobal(QPoint(0, m_editPages->height())),
                           m_editPages->toolTip(), m_editPages);
    return ok;
}

void CMainDlg::OnBrowse() {
    QString folder = AskFolder(tr("Please select an output folder..."),
                               QString::fromStdString(m_settings.m_szOutputDir));
    if (folder.isEmpty())
        return;
    m_settings.m_szOutputDir = WithTrailingSeparator(folder.toStdString());
    m_editOutputDir->setText(QString::fromStdString(m_settings.m_szOutputDir));
}

void CMainDlg::OnView() {
    ShellOpen(m_editOutputDir->text().toStdString());
}

void CMainDlg::OnAboutHelp() {
    if (Running())
        ShellOpen(CFileUtil::GetProgramPath(HelpFileName()));
    else
        ShowAboutBox();
}

void CMainDlg::OnCommand(int id) {
    switch (id) {
    case dlgtpl::ID_LIST_ADDFILES:
        OnAddFiles();
        break;
    case dlgtpl::ID_LIST_ADDFOLDER:
        OnAddFolder();
        break;
    case dlgtpl::ID_LIST_DELETE:
        OnRemoveSelected();
        break;
    case dlgtpl::ID_LIST_CLEAR:
        OnClearAll();
        break;
    case dlgtpl::ID_LIST_VIEWSOURCE:
        OnViewSourceFile();
        break;
    case dlgtpl::ID_LIST_SHOWINFOLDER:
        OnShowInFolder();
        break;
    case dlgtpl::ID_LIST_COPYREASON:
        OnCopyReason();
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------
// Desktop services

QStringList CMainDlg::AskOpenFiles(const QString &title, const QString &initial) {
    QFileDialog dialog(this, title, initial,
                       tr("PS and EPS Files (*.ps *.eps *.epsf *.epsi *.ps.gz *.eps.gz *.psz)"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Qt's own dialog, whose filter matches the extensions in any letter case.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    if (QFileInfo(initial).isFile())
        dialog.selectFile(initial);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString CMainDlg::AskFolder(const QString &title, const QString &initial) {
    const QString start =
        !initial.isEmpty() && QFileInfo(initial).isDir() ? initial : QDir::homePath();
    // Qt's own dialog, the same on every desktop, with its "Create New Folder".
    QFileDialog dialog(this, title, start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

void CMainDlg::ShellOpen(const std::string &path) {
    if (path.empty())
        return; // nothing to open; the desktop would say no as well
    const QString file = QString::fromStdString(path);
    // The desktop may take a missing path and never say it found nothing.
    if (!QFileInfo::exists(file))
        Inform(tr("%1 does not exist (any more).").arg(file));
    else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
        Inform(tr("No program was found to open %1.").arg(file));
}

void CMainDlg::ShowInFolder(const std::string &file) {
    const QString path = QString::fromStdString(file);
    const QString folder = QFileInfo(path).absolutePath();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !QFileInfo::exists(path)) {
        ShellOpen(folder.toStdString());
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        kFileManagerService, kFileManagerPath, kFileManagerService, QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    // Answered later; a desktop without the service gets the folder instead.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, folder](QDBusPendingCallWatcher *w) {
                if (w->isError())
                    ShellOpen(folder.toStdString());
                w->deleteLater();
            });
}

void CMainDlg::Inform(const QString &text) {
    // Shown without a loop of its own: the caller (a drop, a hand-over)
    // goes on at once.
    auto *box = new QMessageBox(QMessageBox::Information, QString::fromUtf8(kTitle), text,
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

bool CMainDlg::AskStopAndQuit() {
    return QMessageBox::question(this, QString::fromUtf8(kTitle),
                                 tr("A conversion is in progress. Stop it and quit?"),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

bool CMainDlg::AskConvertUnfinishedOnly() {
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kTitle),
                    tr("The last conversion did not convert every file. Convert only the files "
                       "that did not succeed, or all of them again?"),
                    QMessageBox::NoButton, this);
    QPushButton *unfinished = box.addButton(tr("Only Unfinished"), QMessageBox::AcceptRole);
    box.addButton(tr("All Again"), QMessageBox::DestructiveRole);
    box.setDefaultButton(unfinished);
    box.setEscapeButton(unfinished);
    box.exec();
    return box.clickedButton() == unfinished;
}

void CMainDlg::Notify(const QString &summary, const QString &body, const QString &folder) {
    m_notice.Show(summary, body, folder.isEmpty() ? QString() : tr("Open Output Folder"),
                  [this, folder] { ShellOpen(folder.toStdString()); });
}

void CMainDlg::ShowAboutBox() {
    CAboutDlg about(CFileUtil::GetProgramPath(HelpFileName()), this);
    about.exec();
}

// ---------------------------------------------------------------------------
// The preview pane

void CMainDlg::CreatePreviewPane() {
    // The pane and its grip take the right of the list's place; the list
    // keeps the rest, and the window's anchors keep to the whole place.
    m_listArea = m_list->geometry();
    m_preview = new CPreviewPane(m_engine, this);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->hide();
    m_previewGrip = new CPreviewGrip(this);
    m_previewGrip->setObjectName(QStringLiteral("previewGrip"));
    // A drag sizes the pane from the width it had at the press.
    m_previewGrip->onDrag = [this](int dx, int widthAtPress) {
        m_previewWidth = std::max(0, widthAtPress - dx);
        LayOutPreview();
    };
    m_previewGrip->widthNow = [this] { return m_previewWidth; };
    m_previewGrip->onClick = [this] {
        if (m_previewWidth > 0) {
            m_previewReopen = m_previewWidth;
            m_previewWidth = 0;
        } else {
            m_previewWidth = m_previewReopen > 0 ? m_previewReopen : m_listArea.width() / 3;
        }
        LayOutPreview();
    };
    connect(m_list, &QTreeWidget::currentItemChanged, this, &CMainDlg::PreviewSelected);
    connect(m_cbFormat, &QComboBox::activated, this, &CMainDlg::PreviewOutput);
}

void CMainDlg::LayOutPreview() {
    if (!m_preview)
        return;
    constexpr int kGrip = 8;
    constexpr int kListLeast = 160;
    const QRect area = m_listArea;
    const int width = std::clamp(m_previewWidth, 0, std::max(0, area.width() - kGrip - kListLeast));
    if (m_previewWidth > 0 && width < kGrip)
        m_previewWidth = 0; // dragged shut
    const int shown = m_previewWidth > 0 ? width : 0;
    m_list->setGeometry(area.adjusted(0, 0, -(shown + kGrip), 0));
    m_previewGrip->setGeometry(area.right() - shown - kGrip + 1, area.top(), kGrip, area.height());
    m_preview->setGeometry(area.right() - shown + 1, area.top(), shown, area.height());
    m_preview->setVisible(shown > 0);
    m_previewGrip->SetOpen(shown > 0);
}

void CMainDlg::PreviewSelected() {
    // A run selects the rows it converts; the pane waits for it to end.
    if (!m_preview || Running())
        return;
    QTreeWidgetItem *item = m_list->currentItem();
    if (!item && !m_list->selectedItems().isEmpty())
        item = m_list->selectedItems().front();
    m_preview->ShowFile(item ? GetItemText(m_list->indexOfTopLevelItem(item), 0) : std::string());
    m_preview->SetPageCount(item ? item->data(kPagesColumn, kPagesRole).toInt() : 0);
}

void CMainDlg::PreviewOutput() {
    if (!m_preview)
        return;
    const int kind = m_cbOutputKind->currentIndex();
    const bool image = IsOutputKind(kind) && ToOutputKind(kind) == OutputKind::Image;
    const int format =
        ImageFormatFromItemText(ImageFormatItemText(m_cbFormat->currentIndex())).code;
    m_preview->SetOutput(m_szTempDir, image, format, m_settings.img);
}
