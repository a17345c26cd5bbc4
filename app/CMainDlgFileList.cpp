// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// CMainDlg: the file list (the queue of input files) and its commands: adding
// from the file dialog, from a folder and by dropping, removing, selecting,
// the keys and clicks of the list, and its context menu.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QThread>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/CFileUtil.h"
#include "app/CIconButton.h"
#include "app/CMainDlg.h"
#include "common/FileRules.h"
#include "common/InputCheck.h"
#include "convert/PageCount.h"
#include "res/MainTemplates.h"
#include "settings/IniFile.h"
#include "settings/SettingsLocation.h"

namespace {

constexpr char kTitle[] = "Quorvane Vantoria";
// Where Add Folder opened last, in the window's own state file.
constexpr char kLastFolderKey[] = "MainWindow/addFolder";

QString Text(const char *utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

int CMainDlg::GetItemCount() const {
    return m_list ? m_list->topLevelItemCount() : 0;
}

std::string CMainDlg::GetItemText(int row, int column) const {
    const QTreeWidgetItem *item = m_list ? m_list->topLevelItem(row) : nullptr;
    return item ? item->text(column).toStdString() : std::string();
}

int CMainDlg::SelectedCount() const {
    return static_cast<int>(m_list->selectedItems().size());
}

void CMainDlg::ShowSelectedCount(int n) {
    m_lblSelected->setText(tr("Selected: %1").arg(n));
}

std::string CMainDlg::AddFileToList(const char *path, const std::string &subfolder) {
    if (!path)
        return kInputMissing;
    // Name, presence and kind; what is in the file is the run's to check.
    if (std::string refusal = CheckInput(path, InputLook::Listing); !refusal.empty())
        return refusal;
    const QString file = QString::fromUtf8(path);
    auto *item =
        new QTreeWidgetItem({file, QStringLiteral("%1 KB").arg(CFileUtil::GetFileSizeKB(path)),
                             Text(StatusText(RowStatus::Ready))});
    item->setToolTip(0, file);
    item->setData(0, kSubfolderRole, QString::fromStdString(subfolder));
    item->setData(2, kStatusRole, static_cast<int>(RowStatus::Ready));
    item->setTextAlignment(1, Qt::AlignCenter);
    item->setTextAlignment(2, Qt::AlignCenter);
    item->setTextAlignment(kPagesColumn, Qt::AlignCenter);
    m_list->addTopLevelItem(item);
    QueuePageCount(item);
    // During a run the run's row keeps the selection.
    if (!Running())
        SelectOnlyNow(m_list->topLevelItemCount() - 1);
    return {};
}

void CMainDlg::SelectOnlyNow(int row) {
    m_list->setFocus(Qt::OtherFocusReason);
    m_list->clearSelection();
    QTreeWidgetItem *item = m_list->topLevelItem(row);
    if (!item)
        return;
    m_list->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    item->setSelected(true);
    m_list->scrollToItem(item, QAbstractItemView::EnsureVisible);
}

void CMainDlg::ShowListCounts(int firstAdded) {
    if (GetItemCount() < 1)
        return;
    m_lblFileCount->setText(tr("Files Count: %1").arg(GetItemCount()));
    m_lblSelected->setText(Text(kSelectedOneText));
    SelectOnlyNow(0);
    m_btnRemove->setEnabled(true);
    m_btnStart->setEnabled(true);
    // Row 0 is selected, but the rows just added are what the user wants to
    // see: the first of them goes to the top of the view (when rows were
    // added at all).
    if (QTreeWidgetItem *first = m_list->topLevelItem(firstAdded); first && firstAdded > 0)
        m_list->scrollToItem(first, QAbstractItemView::PositionAtTop);
}

void CMainDlg::OnAddFiles() {
    if (Running())
        return;
    const std::string initial =
        IniReadString(m_szIniPath, "Set", "AddFile", HomeFolder(), IniFile::kNoLimit);
    const QStringList files = AskOpenFiles(Text(kTitle), QString::fromStdString(initial));
    if (files.isEmpty())
        return;
    const int firstAdded = GetItemCount();
    QStringList refused;
    setEnabled(false);
    std::string last;
    for (const QString &file : files) {
        last = file.toStdString();
        if (const std::string why = AddFileToList(last.c_str()); !why.empty())
            refused << QStringLiteral("%1: %2").arg(file, QString::fromStdString(why));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    IniWriteString(m_szIniPath, "Set", "AddFile", last);
    setEnabled(true);
    ShowListCounts(firstAdded);
    ShowRefused(refused);
}

void CMainDlg::OnAddFolder() {
    if (Running())
        return;
    QSettings state(WindowStatePath(), QSettings::IniFormat);
    const QString chosen = AskFolder(tr("Select folder:"), state.value(kLastFolderKey).toString());
    if (chosen.isEmpty())
        return;
    state.setValue(kLastFolderKey, chosen);
    const int firstAdded = GetItemCount();
    QStringList refused;
    setEnabled(false);
    const bool listed = AddFolderFiles(WithTrailingSeparator(chosen.toStdString()), &refused);
    setEnabled(true);
    if (!listed)
        return; // an empty folder leaves the status line as it was
    ShowListCounts(firstAdded);
    ShowRefused(refused);
}

bool CMainDlg::AddFolderFiles(const std::string &folder, QStringList *refused) {
    // In name order, so the rows come in the same order every time. Only the
    // folder's PostScript files are offered; the rest is not refused, just
    // not asked for.
    bool anyEntry = false;
    for (const FolderFile &f : ListPostScriptFiles(folder, m_chkSubfolders->isChecked(), &anyEntry))
        if (const std::string why = AddFileToList(f.path.c_str(), f.subfolder); !why.empty())
            *refused << QStringLiteral("%1: %2").arg(QString::fromStdString(f.path),
                                                     QString::fromStdString(why));
    return anyEntry;
}

QStringList CMainDlg::AddPaths(const QStringList &paths) {
    QStringList refused;
    for (const QString &path : paths) {
        const std::string local = path.toStdString();
        std::error_code ec;
        if (std::filesystem::is_directory(local, ec)) {
            AddFolderFiles(WithTrailingSeparator(local), &refused);
            continue;
        }
        if (const std::string why = AddFileToList(local.c_str()); !why.empty())
            refused << QStringLiteral("%1: %2").arg(path, QString::fromStdString(why));
    }
    return refused;
}

void CMainDlg::ShowRefused(const QStringList &refused, const QString &lead) {
    QString text = lead;
    if (!refused.isEmpty()) {
        if (!text.isEmpty())
            text += QStringLiteral("\n\n");
        text += tr("Not added to the list:") + QLatin1Char('\n') + refused.join(QLatin1Char('\n'));
    }
    if (!text.isEmpty())
        Inform(text);
}

void CMainDlg::OnDropFiles(const QList<QUrl> &urls) {
    if (Running() || urls.isEmpty())
        return;
    QStringList paths;
    QStringList refused;
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
        else
            refused << tr("%1: not a local file").arg(url.toDisplayString());
    }
    const int firstAdded = GetItemCount();
    setEnabled(false);
    refused = AddPaths(paths) + refused;
    setEnabled(true);
    ShowListCounts(firstAdded);
    ShowRefused(refused);
}

void CMainDlg::OnFilesHanded(const QStringList &files) {
    if (files.isEmpty())
        return;
    if (!Running()) {
        QList<QUrl> urls;
        for (const QString &file : files)
            urls << QUrl::fromLocalFile(file);
        OnDropFiles(urls);
        return;
    }
    AddDuringRun(files);
}

void CMainDlg::AddDuringRun(const QStringList &files) {
    // The run converts the rows it was started with; these wait for the
    // next Start. The run's row keeps the selection and the status line.
    const int before = GetItemCount();
    const QStringList refused = AddPaths(files);
    const int added = GetItemCount() - before;
    m_lblFileCount->setText(tr("Files Count: %1").arg(GetItemCount()));
    if (QTreeWidgetItem *first = m_list->topLevelItem(before))
        m_list->scrollToItem(first, QAbstractItemView::EnsureVisible);
    const QString lead =
        added > 0 ? tr("%n file(s) added to the list. The conversion in progress does not include "
                       "them: press Start again when it has ended.",
                       nullptr, added)
                  : QString();
    ShowRefused(refused, lead);
}

void CMainDlg::dragEnterEvent(QDragEnterEvent *event) {
    if (!Running() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CMainDlg::dragMoveEvent(QDragMoveEvent *event) {
    if (!Running() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CMainDlg::dropEvent(QDropEvent *event) {
    if (!event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    OnDropFiles(event->mimeData()->urls());
}

void CMainDlg::OnRemoveSelected() {
    if (Running())
        return;
    std::vector<int> rows;
    for (int i = 0; i < GetItemCount(); ++i)
        if (m_list->topLevelItem(i)->isSelected())
            rows.push_back(i);
    if (rows.empty())
        return;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        delete m_list->takeTopLevelItem(*it);
    if (m_countingId && !ItemOfId(m_countingId))
        StopPageCount(false);
    m_lblFileCount->setText(tr("Files Count: %1").arg(GetItemCount()));
    if (GetItemCount() > 0) {
        SelectOnlyNow(rows.front() > 0 ? rows.front() - 1 : 0);
        m_lblSelected->setText(Text(kSelectedOneText));
    } else {
        m_btnRemove->setEnabled(false);
        m_btnStart->setEnabled(false);
        ShowSelectedCount(0);
    }
}

void CMainDlg::OnClearAll() {
    if (Running() || GetItemCount() == 0)
        return;
    m_list->clear();
    m_countQueue.clear();
    StopPageCount(false);
    m_btnRemove->setEnabled(false);
    m_btnStart->setEnabled(false);
    m_lblFileCount->setText(tr("Files Count: %1").arg(0));
    ShowSelectedCount(0);
}

void CMainDlg::OnViewSourceFile() {
    if (Running())
        return;
    for (int i = 0; i < GetItemCount(); ++i) {
        if (m_list->topLevelItem(i)->isSelected()) {
            ShellOpen(GetItemText(i, 0));
            return;
        }
    }
}

void CMainDlg::QueuePageCount(QTreeWidgetItem *item) {
    const quint64 id = m_nextRowId++;
    item->setData(0, kRowIdRole, id);
    ShowPageCount(item);
    m_countQueue.push_back(id);
    StartNextPageCount();
}

QTreeWidgetItem *CMainDlg::ItemOfId(quint64 id) const {
    for (int i = 0; id && i < m_list->topLevelItemCount(); ++i)
        if (QTreeWidgetItem *item = m_list->topLevelItem(i);
            item->data(0, kRowIdRole).toULongLong() == id)
            return item;
    return nullptr;
}

void CMainDlg::ShowPageCount(QTreeWidgetItem *item) {
    const int pages = item->data(kPagesColumn, kPagesRole).toInt();
    item->setText(kPagesColumn, pages > 0 ? QString::number(pages) : QStringLiteral("?"));
}

void CMainDlg::StartNextPageCount() {
    if (m_countingId || Running() || !m_engine.create)
        return;
    QTreeWidgetItem *item = nullptr;
    while (!item && !m_countQueue.empty()) {
        item = ItemOfId(m_countQueue.front());
        m_countQueue.pop_front();
    }
    if (!item)
        return;
    m_countingId = item->data(0, kRowIdRole).toULongLong();
    const quint64 job = ++m_countJob;
    m_countStop = std::make_shared<std::atomic<bool>>(false);
    // The thread works on copies; its last act hands the result over.
    m_countThread = QThread::create([this, job, stop = m_countStop,
                                     path = item->text(0).toStdString(), temp = m_szTempDir,
                                     limit = m_settings.m_nTimeLimit] {
        const PageCountResult r =
            CountPages(m_engine, path, temp, limit, [stop] { return stop->load(); });
        QMetaObject::invokeMethod(
            this, [this, job, r] { OnPageCounted(job, r.pages, QString::fromStdString(r.reason)); },
            Qt::QueuedConnection);
    });
    m_countThread->start();
}

void CMainDlg::StopPageCount(bool wait) {
    if (!m_countThread)
        return;
    m_countStop->store(true);
    if (!wait)
        return; // its result comes back as stopped
    m_countThread->wait();
    delete m_countThread;
    m_countThread = nullptr;
    // Asked again when the window counts again; the late result is ignored.
    if (ItemOfId(m_countingId))
        m_countQueue.push_front(m_countingId);
    m_countingId = 0;
    ++m_countJob;
}

void CMainDlg::OnPageCounted(quint64 job, int pages, const QString &reason) {
    if (job != m_countJob || !m_countThread)
        return; // a count given up
    m_countThread->wait();
    delete m_countThread;
    m_countThread = nullptr;
    QTreeWidgetItem *item = ItemOfId(m_countingId);
    const bool stopped = pages < 0 && reason.isEmpty();
    if (item && stopped)
        m_countQueue.push_front(m_countingId);
    m_countingId = 0;
    if (item && !stopped) {
        item->setData(kPagesColumn, kPagesRole, std::max(pages, 0));
        item->setToolTip(kPagesColumn, pages < 0 ? reason : QString());
        if (!Running() || !RunItem(m_pos.row) || RunItem(m_pos.row) != item)
            ShowPageCount(item);
        if (item == m_list->currentItem())
            PreviewSelected();
    }
    StartNextPageCount();
}

void CMainDlg::OnRowActivated(QTreeWidgetItem *item) {
    if (!item || item->data(2, kStatusRole).toInt() != static_cast<int>(RowStatus::Succeed))
        return;
    const QStringList outputs = item->data(0, kOutputsRole).toStringList();
    if (!outputs.isEmpty())
        ShellOpen(outputs.front().toStdString());
}

namespace {
// The first selected row of `list`, or null.
QTreeWidgetItem *FirstSelected(const QTreeWidget *list) {
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (QTreeWidgetItem *item = list->topLevelItem(i); item->isSelected())
            return item;
    return nullptr;
}
} // namespace

void CMainDlg::OnShowInFolder() {
    const QTreeWidgetItem *item = FirstSelected(m_list);
    const QStringList outputs = item ? item->data(0, kOutputsRole).toStringList() : QStringList();
    if (!outputs.isEmpty())
        ShowInFolder(outputs.front().toStdString());
}

void CMainDlg::OnCopyReason() {
    if (const QTreeWidgetItem *item = FirstSelected(m_list);
        item && !item->text(kReasonColumn).isEmpty())
        QGuiApplication::clipboard()->setText(item->text(kReasonColumn));
}

bool CMainDlg::OnListKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    const bool selectAll = key == Qt::Key_A && (modifiers & Qt::ControlModifier);
    const bool del = key == Qt::Key_Delete;
    if (!selectAll && !del)
        return false;
    if (Running())
        return true; // refused, and the list's own handling is held back too
    if (del)
        OnRemoveSelected();
    if (selectAll) {
        // The list reports the change; OnSelectionChanged counts it.
        m_list->selectAll();
        OnSelectionChanged();
    }
    return true;
}

void CMainDlg::OnSelectionChanged() {
    // A run keeps the status line and Remove as it set them; it selects the
    // rows it converts itself.
    if (Running())
        return;
    const int n = SelectedCount();
    m_btnRemove->setEnabled(n > 0);
    ShowSelectedCount(n);
}

bool CMainDlg::eventFilter(QObject *watched, QEvent *event) {
    if (m_list && watched == m_list->viewport() && event->type() == QEvent::Resize)
        FitPathColumn();
    if (m_list && watched == m_list && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (OnListKeyDown(key->key(), key->modifiers()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

std::unique_ptr<QMenu> CMainDlg::BuildListMenu() {
    const dlgtpl::Menu &tpl = dlgtpl::kMenuList;
    auto menu = std::make_unique<QMenu>(dlgtpl::TemplateText(tpl.popupText), this);
    for (std::size_t i = 0; i < tpl.count; ++i) {
        const dlgtpl::MenuEntry &entry = tpl.entries[i];
        if (entry.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction *action = menu->addAction(dlgtpl::TemplateText(entry.text));
        action->setData(entry.id);
        action->setObjectName(QStringLiteral("menu_%1").arg(entry.id));
    }
    // Entries that can't act are disabled but drawn like the others.
    QPalette pal = menu->palette();
    for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        pal.setColor(QPalette::Disabled, role, pal.color(QPalette::Active, role));
    menu->setPalette(pal);
    return menu;
}

void CMainDlg::OnContextMenu(const QPoint &globalPos) {
    if (Running())
        return;
    const int selected = SelectedCount();
    OnSelectionChanged();
    const QTreeWidgetItem *first = FirstSelected(m_list);
    const bool hasOutputs = first && !first->data(0, kOutputsRole).toStringList().isEmpty();
    const bool hasReason = first && !first->text(kReasonColumn).isEmpty();

    std::unique_ptr<QMenu> menu = BuildListMenu();
    int picked = 0;
    for (QAction *action : menu->actions()) {
        const int id = action->data().toInt();
        if (selected == 0 && (id == dlgtpl::ID_LIST_DELETE || id == dlgtpl::ID_LIST_VIEWSOURCE))
            action->setEnabled(false);
        if (GetItemCount() == 0 && id == dlgtpl::ID_LIST_CLEAR)
            action->setEnabled(false);
        if ((id == dlgtpl::ID_LIST_SHOWINFOLDER && !hasOutputs) ||
            (id == dlgtpl::ID_LIST_COPYREASON && !hasReason))
            action->setEnabled(false);
        if (id)
            connect(action, &QAction::triggered, menu.get(), [&picked, id] { picked = id; });
    }
    menu->exec(globalPos);
    menu.reset();
    // The command runs once the menu is gone, as one sent to the window.
    if (picked)
        OnCommand(picked);
}
