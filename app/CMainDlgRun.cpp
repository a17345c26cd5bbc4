// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// CMainDlg: the run as the window shows it. Start and Stop, the rows'
// statuses and reasons, the progress within and across files, the status
// line's position text, and the notice at the end of a long run.
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QProgressBar>
#include <QThread>
#include <QTreeWidget>

#include <filesystem>
#include <system_error>
#include <utility>

#include "app/CIconButton.h"
#include "app/CMainDlg.h"
#include "convert/RunSummary.h"

namespace {

constexpr char kStartCaption[] = QT_TRANSLATE_NOOP("CMainDlg", "Start Converting");
constexpr char kStopCaption[] = QT_TRANSLATE_NOOP("CMainDlg", "Stop Converting");
constexpr char kStoppingCaption[] = QT_TRANSLATE_NOOP("CMainDlg", "Stopping...");
constexpr int kIconStop = 150;
// A run longer than this ends with a desktop notification when the window
// is not the active one.
constexpr std::chrono::seconds kLongRun{10};

} // namespace

void CMainDlg::OnStart() {
    UpdateData(true);
    if (Running()) {
        RequestStop();
        return;
    }
    if (!CheckPagesField()) {
        Inform(m_editPages->toolTip());
        m_editPages->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (const QString why = PrepareOutputFolder(); !why.isEmpty()) {
        Inform(why);
        m_editOutputDir->setFocus(Qt::OtherFocusReason);
        return;
    }

    m_runRows = RowsToConvert();
    StopPageCount(false); // no count while the run converts; asked again after it
    m_btnStart->SetIcon(kIconStop);
    m_btnStart->setText(tr(kStopCaption));
    EnableControls(false);
    ResetRowStatuses();
    m_pos = RunPosition{};
    m_pos.rows = static_cast<int>(m_runRows.size());
    m_pos.started = std::chrono::steady_clock::now();
    ShowRunPosition();

    std::vector<RunRow> rows;
    rows.reserve(m_runRows.size());
    for (int i : m_runRows)
        rows.push_back({GetItemText(i, 0),
                        m_list->topLevelItem(i)->data(0, kSubfolderRole).toString().toStdString()});
    if (!m_run) {
        m_run = std::make_unique<ConversionRun>(*this, m_engine, m_extractor, m_szTempDir);
        // Runs on the worker once it has made its last call.
        m_run->SetEndNotice([this] {
            QMetaObject::invokeMethod(this, &CMainDlg::OnRunEnded, Qt::QueuedConnection);
        });
    }
    m_run->SetPacing(m_runPacing);
    // A run that did not start leaves the window idle (a worker that could
    // not be launched has restored it already; once more does no harm).
    if (!m_run->Start(m_settings, std::move(rows)))
        RestoreIdle();
}

void CMainDlg::RequestStop() {
    if (!Running())
        return;
    m_run->RequestStop();
    m_btnStart->setText(tr(kStoppingCaption));
}

QString CMainDlg::PrepareOutputFolder() {
    if (m_settings.m_nOutputMode != 1)
        return {};
    const std::string &folder = m_settings.m_szOutputDir;
    if (folder.empty())
        return tr("Choose or type the output folder first.");
    const QString shown = QString::fromStdString(folder);
    if (!std::filesystem::path(folder).is_absolute())
        return tr("The output folder %1 is not a full path (one that starts with /).").arg(shown);
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec))
        return {};
    std::filesystem::create_directories(folder, ec);
    if (ec || !std::filesystem::is_directory(folder, ec))
        return tr("The output folder %1 can't be made: %2")
            .arg(shown, QString::fromLocal8Bit(ec ? ec.message() : std::string("not a folder")));
    return {};
}

std::vector<int> CMainDlg::RowsToConvert() {
    std::vector<int> all, unfinished;
    for (int i = 0; i < GetItemCount(); ++i) {
        all.push_back(i);
        if (m_list->topLevelItem(i)->data(2, kStatusRole).toInt() !=
            static_cast<int>(RowStatus::Succeed))
            unfinished.push_back(i);
    }
    // Asked only when there is a choice: some rows succeeded, some did not.
    if (!m_bRunIncomplete || unfinished.empty() || unfinished.size() == all.size())
        return all;
    return AskConvertUnfinishedOnly() ? unfinished : all;
}

QTreeWidgetItem *CMainDlg::RunItem(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= m_runRows.size())
        return nullptr;
    return m_list->topLevelItem(m_runRows[static_cast<std::size_t>(row)]);
}

bool CMainDlg::Running() const {
    return m_run && m_run->Running();
}

bool CMainDlg::RunFinished() const {
    return !Running();
}

void CMainDlg::WaitForRunEnd() {
    // The worker's calls wait for this thread, so they are carried out here;
    // between them this thread sleeps until the next call or the run's end
    // notice arrives.
    while (Running())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
    if (m_run)
        m_run->Wait();
}

void CMainDlg::OnRunEnded() {
    // Being a queued call, this also wakes WaitForRunEnd.
    if (Running())
        return;
    m_bRunIncomplete = m_pos.succeeded < m_pos.rows;
    m_lblSummary->setText(RunSummary());
    StartNextPageCount();
    NotifyRunEnd();
    if (m_bQuitAfterRun) {
        m_bQuitAfterRun = false;
        close();
    }
}

void CMainDlg::ResetRowStatuses() {
    for (int i : m_runRows) {
        QTreeWidgetItem *item = m_list->topLevelItem(i);
        item->setText(2, QString::fromUtf8(StatusText(RowStatus::Ready)));
        item->setData(2, kStatusRole, static_cast<int>(RowStatus::Ready));
        for (int c = 1; c <= kReasonColumn; ++c)
            item->setToolTip(c, QString());
        item->setData(0, kOutputsRole, QVariant());
        ShowReason(item, QString());
    }
}

QString CMainDlg::RunSummary() const {
    const DurationParts d = SplitDuration(std::chrono::steady_clock::now() - m_pos.started);
    QString time;
    switch (d.form) {
    case DurationParts::Form::Seconds:
        time = tr("%1 s").arg(d.first);
        break;
    case DurationParts::Form::MinutesSeconds:
        time = tr("%1 min %2 s").arg(d.first).arg(d.second);
        break;
    case DurationParts::Form::HoursMinutes:
        time = tr("%1 h %2 min").arg(d.first).arg(d.second);
        break;
    }
    const int stopped = m_pos.rows - m_pos.succeeded - m_pos.failed;
    return tr("%1 succeeded, %2 failed, %3 stopped in %4")
        .arg(m_pos.succeeded)
        .arg(m_pos.failed)
        .arg(stopped)
        .arg(time);
}

void CMainDlg::ShowRunPosition() {
    const RunPosition &p = m_pos;
    if (p.rows > 0) {
        // Whole rows, plus the pages of the current row written so far.
        long long hundredths = 100LL * p.done;
        if (p.page > 0 && p.pages > 0)
            hundredths = (100LL * p.done * p.pages + 100LL * (p.page - 1)) / p.pages;
        m_progress->setValue(static_cast<int>(hundredths / p.rows));
    }
    QString text;
    if (p.row >= 0) {
        text = tr("file %1 of %2").arg(p.row + 1).arg(p.rows);
        if (p.page > 0 && p.pages > 0)
            text += tr(", page %1 of %2").arg(p.page).arg(p.pages);
        else if (p.page > 0)
            text += tr(", page %1").arg(p.page);
    }
    // The bar's format replaces %-sequences; the text has none of its own.
    m_progress->setFormat(text.replace(u'%', QStringLiteral("%%")));
}

void CMainDlg::NotifyRunEnd() {
    using namespace std::chrono;
    if (m_pos.rows == 0 || steady_clock::now() - m_pos.started <= kLongRun || isActiveWindow())
        return;
    QString folder = QString::fromStdString(m_pos.folder);
    if (folder.isEmpty() && m_settings.m_nOutputMode == 1)
        folder = QString::fromStdString(m_settings.m_szOutputDir);
    Notify(tr("Conversion finished"), RunSummary(), folder);
}

template <class F> void CMainDlg::OnGuiThread(F call) {
    if (QThread::currentThread() == thread())
        call();
    else
        QMetaObject::invokeMethod(this, call, Qt::BlockingQueuedConnection);
}

void CMainDlg::SelectOnly(int row) {
    OnGuiThread([this, row] {
        // A run's row is its list row only when the run converts them all.
        QTreeWidgetItem *item = Running() ? RunItem(row) : nullptr;
        SelectOnlyNow(item ? m_list->indexOfTopLevelItem(item) : row);
    });
}

void CMainDlg::SetConverting(int row, int step) {
    OnGuiThread([this, row, step] {
        QTreeWidgetItem *item = RunItem(row);
        if (!item)
            return;
        item->setText(2, QString::fromUtf8(StatusText(RowStatus::Converting, step)));
        ShowReason(item, QString());
        if (step == 1) {
            m_pos.row = row;
            m_pos.page = m_pos.pages = m_pos.declared = 0;
            ShowRunPosition();
        }
    });
}

void CMainDlg::ShowReason(QTreeWidgetItem *item, const QString &reason) {
    item->setText(kReasonColumn, reason);
    item->setToolTip(kReasonColumn, reason);
}

QString CMainDlg::OutputsText(const std::vector<std::string> &outputs, bool fullPaths) const {
    if (outputs.empty())
        return {};
    const QString first = QString::fromStdString(outputs.front());
    const QString shown = fullPaths ? first : QFileInfo(first).fileName();
    if (outputs.size() == 1)
        return shown;
    return tr("%1 and %n more", nullptr, static_cast<int>(outputs.size() - 1)).arg(shown);
}

void CMainDlg::SetProgress(int) {}

void CMainDlg::RowFinished(int row, const RowOutcome &outcome) {
    OnGuiThread([this, row, &outcome] {
        if (QTreeWidgetItem *item = RunItem(row)) {
            ShowPageCount(item);
            item->setText(2, QString::fromUtf8(StatusText(outcome.status)));
            item->setData(2, kStatusRole, static_cast<int>(outcome.status));
            const QString outputs = OutputsText(outcome.outputs, true);
            for (int c = 1; c <= kReasonColumn; ++c)
                item->setToolTip(c, outputs);
            switch (outcome.status) {
            case RowStatus::Failed:
                ShowReason(item, QString::fromStdString(outcome.reason));
                ++m_pos.failed;
                break;
            case RowStatus::Aborted:
                ShowReason(item, tr("stopped"));
                break;
            case RowStatus::Succeed:
                ++m_pos.succeeded;
                {
                    QStringList files;
                    for (const std::string &f : outcome.outputs)
                        files << QString::fromStdString(f);
                    item->setData(0, kOutputsRole, files);
                    QString text = OutputsText(outcome.outputs, false);
                    QString full = outputs;
                    if (!outcome.note.empty()) {
                        text += ": " + QString::fromStdString(outcome.note);
                        full += ": " + QString::fromStdString(outcome.note);
                    }
                    item->setText(kReasonColumn, text);
                    item->setToolTip(kReasonColumn, full);
                }
                break;
            default:
                ShowReason(item, QString());
                break;
            }
        }
        if (!outcome.outputs.empty())
            m_pos.folder = QFileInfo(QString::fromStdString(outcome.outputs.back()))
                               .absolutePath()
                               .toStdString();
        ++m_pos.done;
        m_pos.page = m_pos.pages = 0;
        ShowRunPosition();
    });
}

void CMainDlg::PageStarted(int row, int page, int pages) {
    OnGuiThread([this, row, page, pages] {
        // While the run can't tell the count yet, the row's counted pages
        // stand in, or else the file's own word for it, as long as the pages
        // do not outnumber them.
        QTreeWidgetItem *item = RunItem(row);
        const int counted = item ? item->data(kPagesColumn, kPagesRole).toInt() : 0;
        m_pos.row = row;
        m_pos.page = page;
        m_pos.pages = pages > 0                ? pages
                      : counted >= page        ? counted
                      : m_pos.declared >= page ? m_pos.declared
                                               : 0;
        if (item)
            item->setText(kPagesColumn, m_pos.pages > 0
                                            ? tr("page %1 of %2").arg(page).arg(m_pos.pages)
                                            : tr("page %1").arg(page));
        ShowRunPosition();
    });
}

void CMainDlg::PagesDeclared(int row, int pages) {
    OnGuiThread([this, row, pages] {
        if (row == m_pos.row)
            m_pos.declared = pages;
    });
}

void CMainDlg::SetSelectedText(const std::string &text) {
    OnGuiThread([this, &text] { m_lblSelected->setText(QString::fromStdString(text)); });
}

void CMainDlg::RestoreIdle() {
    OnGuiThread([this] {
        m_btnStart->SetIcon(kIconStart);
        m_btnStart->setText(tr(kStartCaption));
        EnableControls(true);
        m_pos.row = -1;
        ShowRunPosition();
    });
}
