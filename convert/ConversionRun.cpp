// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/ConversionRun.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "convert/EngineArgs.h"
#include "convert/OutputKind.h"
#include "convert/PathRules.h"
#include "convert/PdfFinish.h"
#include "convert/RunEngine.h"
#include "convert/RunFiles.h"
#include "convert/RunSteps.h"
#include "convert/TempFiles.h"
#include "convert/WorkerPool.h"
#include "modules/tessarin/Tessarin.h"

namespace {

// How many times a finished output looks for a free numbered name when
// other processes keep taking the one it claimed.
constexpr int kPublishAttempts = 100;

// Why the engine's run left nothing to read at `output`: its own failure,
// or something there that is not its output. Empty when it can be read.
std::string EngineResultFailReason(int code, const std::string &errorLine,
                                   const std::string &output, int memoryLimitMiB) {
    if (!EngineSucceeded(code))
        return EngineFailReason(code, errorLine, memoryLimitMiB);
    return EngineOutputFailReason(output);
}

// Why the text extractor's step (finishing a PDF, extracting text) failed:
// the module's own reason, or, from a module that gives none, what the
// output folder shows.
std::string ExtractorFailReason(const ExtractorModule &extractor, const std::string &folder,
                                const std::string &fallback) {
    std::string reason = LumbrelLastError(extractor);
    return reason.empty() ? FolderFailReason(folder, fallback) : reason;
}

// Opens `file` for `output` in `folder`, making the folder first. A row that
// failed meanwhile may remove a folder it made that is still empty: the
// folder is then made again.
int OpenInFolder(AtomicFile &file, const std::string &folder, const std::string &output) {
    CreatePath(folder);
    int err = file.Open(output);
    if (err == ENOENT) {
        CreatePath(folder);
        err = file.Open(output);
    }
    return err;
}

// Commits `file` under the name it is offered.
auto CommitTo(AtomicFile &file) {
    return [&file](const std::string &target, Placement placement) {
        return file.CommitAs(target, placement);
    };
}

} // namespace

int EngineCode(const EngineModule &engine, ArgumentVector args, std::string *errorLine,
               RowDeadlines::Row *row) {
    ArgvView view(args);
    RowDeadlines::Step step(row);
    return RunEngineCode(engine, view.argc(), view.argv(), errorLine);
}

bool EngineSucceeded(int code) {
    return code == 0 || code == kEngineQuit;
}

std::string EngineFailReason(int code, const std::string &errorLine, int memoryLimitMiB) {
    if ((code == TESSARIN_VMERROR || code == TESSARIN_E_MEMORY) && memoryLimitMiB > 0)
        return "the interpreter needed more than " + std::to_string(memoryLimitMiB) + " MiB";
    if (code < TESSARIN_E_SIGNAL_BASE && code >= TESSARIN_E_SIGNAL_LAST)
        return "the interpreter stopped unexpectedly (signal " +
               std::to_string(TESSARIN_E_SIGNAL_BASE - code) + ")";
    if (code == TESSARIN_E_DIED)
        return "the interpreter stopped unexpectedly";
    if (code == TESSARIN_E_CONFINE)
        return "the interpreter could not be confined";
    if (!errorLine.empty())
        return "interpreter error: " + errorLine;
    return "interpreter error (code " + std::to_string(code) + ")";
}

ConversionRun::ConversionRun(ConversionView &view, const EngineModule &engine,
                             const ExtractorModule &extractor, std::string tempFolder)
    : m_view(view), m_engine(engine), m_extractor(extractor),
      m_tempFolder(WithTrailingSeparator(std::move(tempFolder))) {}

ConversionRun::~ConversionRun() {
    Wait();
}

bool ConversionRun::Start(const ConvertSettings &settings, const std::vector<std::string> &paths) {
    std::vector<RunRow> rows;
    rows.reserve(paths.size());
    for (const std::string &p : paths)
        rows.push_back({p, {}});
    return Start(settings, std::move(rows));
}

bool ConversionRun::Start(const ConvertSettings &settings, std::vector<RunRow> rows) {
    if (m_bRunning.load())
        return false;
    Wait();
    m_settings = settings;
    m_settings.m_szOutputDir = WithTrailingSeparator(m_settings.m_szOutputDir);
    m_rows = std::move(rows);
    for (RunRow &r : m_rows) {
        // The engine takes the input as its last argument: an absolute path
        // can't be mistaken for an option.
        std::error_code ec;
        std::filesystem::path abs = std::filesystem::absolute(r.path, ec);
        if (!ec)
            r.path = abs.string();
    }
    m_written.clear();
    m_progressCount = 0;
    m_bAbort = 0;
    m_memoryLimitMiB =
        m_engine.setMemoryLimit ? m_engine.setMemoryLimit(std::max(0, m_settings.m_nMemLimit)) : 0;
    m_stopTimer.Open();
    m_deadlines.Open(std::chrono::seconds(std::max(0, m_settings.m_nTimeLimit)));
    m_bRunning = 1;
    try {
        LaunchWorker([this] { ConvertThreadProc(); });
    } catch (const std::exception &) {
        m_stopTimer.Close();
        m_deadlines.Close();
        m_bAbort = 0;
        m_bRunning = 0;
        m_view.RestoreIdle();
        return false;
    }
    return true;
}

void ConversionRun::RequestStop() {
    if (!m_bRunning.load())
        return;
    m_bAbort = 1;
    m_stopTimer.Arm(kEngineStopGrace);
}

void ConversionRun::StopNow() {
    if (!m_bRunning.load())
        return;
    m_bAbort = 1;
    m_stopTimer.Arm(std::chrono::milliseconds(0));
}

void ConversionRun::Wait() {
    if (m_worker.joinable() && m_worker.get_id() != std::this_thread::get_id())
        m_worker.join();
}

void ConversionRun::LaunchWorker(std::function<void()> body) {
    m_worker = std::thread(std::move(body));
}

void ConversionRun::ConvertThreadProc() {
    {
        std::lock_guard<std::mutex> lock(m_viewLock);
        m_view.SetSelectedText(kSelectedOneText);
    }
    if (IsOutputKind(m_settings.m_nOutputKind)) {
        switch (ToOutputKind(m_settings.m_nOutputKind)) {
        case OutputKind::Image: {
            const ImageFormatChoice format =
                ImageFormatFromItemText(ImageFormatItemText(m_settings.m_nFormat));
            WorkerPool pool(m_pageWorkers);
            m_pagePool = &pool;
            ForEachRow([this, &format](int i) { return ImageRow(i, format); });
            m_pagePool = nullptr;
            break;
        }
        case OutputKind::Pdf:
            CreatePath(m_settings.m_szOutputDir);
            ForEachRow([this](int i) { return PdfRow(i); });
            break;
        case OutputKind::Text:
            CreatePath(m_settings.m_szOutputDir);
            ForEachRow([this](int i) { return TextRow(i); });
            break;
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_viewLock);
        m_view.RestoreIdle();
        m_view.SelectOnly(0);
    }
    m_stopTimer.Close();
    m_deadlines.Close();
    // Last: once the front end sees the run idle, no call of ours is pending.
    m_bAbort = 0;
    m_bRunning = 0;
    if (m_endNotice)
        m_endNotice();
}

// ---------------------------------------------------------------------------
// Shared per-row machinery

void ConversionRun::ForEachRow(const std::function<RowOutcome(int)> &rowFn) {
    // True when the pass goes on after row i.
    auto row = [&](int i) {
        RowOutcome outcome = TimedRow(i, rowFn);
        const bool stopped = outcome.status == RowStatus::Aborted;
        ReportOutcome(i, std::move(outcome));
        return !stopped;
    };
    const int n = static_cast<int>(m_rows.size());
    if (m_jobs <= 1 || n <= 1) {
        for (int i = 0; i < n; ++i) {
            if (m_bAbort.load() || !row(i))
                return;
        }
        return;
    }
    std::atomic<int> next{0};
    std::atomic<bool> ended{false};
    auto work = [&] {
        for (;;) {
            if (m_bAbort.load() || ended.load())
                return;
            int i = next.fetch_add(1);
            if (i >= n)
                return;
            if (!row(i))
                ended = true;
        }
    };
    std::vector<std::thread> helpers;
    for (int k = 1; k < std::min(m_jobs, n); ++k) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error &) {
            break; // fewer helpers; the rows still all get done
        }
    }
    work();
    for (std::thread &t : helpers)
        t.join();
}

RowOutcome ConversionRun::TimedRow(int i, const std::function<RowOutcome(int)> &rowFn) {
    RowDeadlines::Row limit(m_deadlines);
    RowOutcome outcome = rowFn(i);
    // Whatever the killed interpreter left made the row fail (or stop
    // early); the reason is its time.
    if (limit.Expired() && outcome.status != RowStatus::Succeed && !m_bAbort.load())
        outcome = {RowStatus::Failed,
                   "took longer than " + std::to_string(m_settings.m_nTimeLimit) + " s",
                   {}};
    return outcome;
}

void ConversionRun::ViewSelect(int row) {
    std::lock_guard<std::mutex> lock(m_viewLock);
    m_view.SelectOnly(row);
}

void ConversionRun::ViewConverting(int row, int step) {
    std::lock_guard<std::mutex> lock(m_viewLock);
    m_view.SetConverting(row, step);
}

void ConversionRun::ViewProgress(int row, int rows) {
    std::lock_guard<std::mutex> lock(m_viewLock);
    // One row at a time: the row's own position. Several at once: rows
    // counted so far, so the bar never moves back.
    int k = m_jobs <= 1 ? row + 1 : ++m_progressCount;
    m_view.SetProgress((100 * k) / rows);
}

void ConversionRun::ViewPage(int row, int page, int pages) {
    std::lock_guard<std::mutex> lock(m_viewLock);
    m_view.PageStarted(row, page, pages);
}

void ConversionRun::ReportOutcome(int row, RowOutcome outcome) {
    if (outcome.status != RowStatus::Succeed)
        outcome.outputs.clear();
    std::lock_guard<std::mutex> lock(m_viewLock);
    m_view.RowFinished(row, outcome);
}

void ConversionRun::Pause(std::chrono::milliseconds ms) {
    if (ms.count() > 0)
        std::this_thread::sleep_for(ms);
}

void ConversionRun::BeginRow(int row) {
    ViewSelect(row);
    ViewProgress(row, static_cast<int>(m_rows.size()));
    ViewConverting(row, 1);
    Pause(m_pacing.afterFirst);
    ViewConverting(row, 2);
}

RowOutcome ConversionRun::NotDone(const std::string &reason) const {
    // A row that failed after a stop request was stopped (its engine step
    // may have been killed).
    if (m_bAbort.load())
        return {RowStatus::Aborted, {}, {}};
    return {RowStatus::Failed, reason.empty() ? "conversion failed" : reason, {}};
}

std::string ConversionRun::RowFolder(int i) const {
    const RunRow &row = m_rows[static_cast<std::size_t>(i)];
    return RowOutputFolder(m_settings, row.path, row.subfolder);
}

std::string ConversionRun::ClaimOutput(Claims &claims, const std::string &path,
                                       std::string *reason) {
    if (!FitsPlatformLimits(path)) {
        *reason = FailReason(ENAMETOOLONG, "");
        return {};
    }
    std::lock_guard<std::mutex> lock(m_claimLock);
    // A name of this run is never replaced, whatever "exists" says.
    auto ofThisRun = [this](const std::string &p) {
        return m_claimed.count(p) > 0 || m_written.count(p) > 0;
    };
    std::string chosen = path;
    if (m_settings.m_bNewIfExists == 1 || ofThisRun(path)) {
        chosen = MakeUniqueName(path,
                                [&](const std::string &p) { return ofThisRun(p) || PathTaken(p); });
        if (chosen.empty()) {
            SplitParts p = SplitPath(path);
            bool fits = FitsPlatformLimits(p.folder + p.base + "-" +
                                           std::to_string(kLastNumberedName) + p.ext);
            *reason = FailReason(fits ? EEXIST : ENAMETOOLONG, "");
            return {};
        }
    }
    m_claimed.insert(chosen);
    claims.m_names.push_back(chosen);
    return chosen;
}

bool ConversionRun::PublishOutput(Claims &claims,
                                  const std::function<int(const std::string &, Placement)> &place,
                                  const std::string &wanted, std::string *output,
                                  std::string *reason) {
    for (int attempt = 0; attempt < kPublishAttempts; ++attempt) {
        // Only the wanted name itself replaces a file: a numbered one was
        // chosen because it was free.
        const bool replace = m_settings.m_bNewIfExists != 1 && *output == wanted;
        int err = place(*output, replace ? Placement::Replace : Placement::KeepExisting);
        if (err == 0) {
            claims.m_published.push_back(*output);
            return true;
        }
        if (err != EEXIST || replace) {
            *reason = FailReason(err, "can't write the output");
            return false;
        }
        // Another process has taken the name since it was claimed.
        std::string next = ClaimOutput(claims, wanted, reason);
        if (next.empty())
            return false;
        *output = next;
    }
    *reason = FailReason(EEXIST, "");
    return false;
}

// ---------------------------------------------------------------------------
// PDF

RowOutcome ConversionRun::PdfRow(int i) {
    const std::string &input = m_rows[static_cast<std::size_t>(i)].path;
    ViewSelect(i);
    ViewConverting(i, 1);

    const std::string folder = RowFolder(i);
    const std::vector<std::string> madeFolders = MissingFolders(folder);
    const std::string wanted = folder + InputBaseName(input) + ".pdf";
    Claims claims(*this);
    // Only a non-empty regular file reaches the engine (a named pipe would
    // block it), unpacked when it is compressed. Settings that contradict
    // themselves, and a name that can't be written as it stands, fail before
    // anything is written.
    EngineInput source;
    std::string reason =
        PdfAWithEncryption(m_settings.pdf) ? kPdfAEncryptedReason : source.Open(input);
    std::string output;
    if (reason.empty())
        output = ClaimOutput(claims, wanted, &reason);

    ViewConverting(i, 2);
    Pause(m_pacing.afterSecond);
    ViewConverting(i, 3);

    RowOutcome outcome;
    // The engine writes a temporary beside the output, which takes the
    // output's name only when finished: a failed row never damages an
    // existing file.
    AtomicFile pdf;
    if (reason.empty()) {
        if (int err = OpenInFolder(pdf, folder, output))
            reason = FailReason(err, "can't write in the output folder");
        else
            pdf.Close(); // the engine writes it by name
    }
    if (reason.empty()) {
        std::string line;
        int code = EngineCode(m_engine, PdfArguments(m_settings.pdf, pdf.TempPath(), source.Path()),
                              &line);
        reason = EngineResultFailReason(code, line, pdf.TempPath(), m_memoryLimitMiB);
    }
    if (reason.empty() && !FinishPdf(m_extractor, m_settings, pdf.TempPath()))
        reason = ExtractorFailReason(m_extractor, folder, "finishing the PDF failed");
    if (reason.empty() && PublishOutput(claims, CommitTo(pdf), wanted, &output, &reason)) {
        outcome = {RowStatus::Succeed, {}, {output}};
    } else {
        outcome = NotDone(reason);
        pdf.Discard();
        RemoveEmptyFolders(madeFolders);
    }
    ViewProgress(i, static_cast<int>(m_rows.size()));
    return outcome;
}

// ---------------------------------------------------------------------------
// Text

RowOutcome ConversionRun::TextRow(int i) {
    const std::string &input = m_rows[static_cast<std::size_t>(i)].path;
    BeginRow(i);

    const std::string folder = RowFolder(i);
    const std::string wanted = folder + InputBaseName(input) + ".txt";
    EngineInput source;
    std::string reason = source.Open(input);
    if (reason.empty() && !FitsPlatformLimits(wanted))
        reason = FailReason(ENAMETOOLONG, "");
    std::string temp;
    if (reason.empty()) {
        temp = CreateTempPdf(m_tempFolder);
        if (temp.empty())
            reason = "can't create a temporary file";
    }
    if (reason.empty()) {
        std::string line;
        int code = EngineCode(m_engine, TextPdfArguments(temp, source.Path()), &line);
        reason = EngineResultFailReason(code, line, temp, m_memoryLimitMiB);
    }
    ViewConverting(i, 3);

    const std::vector<std::string> madeFolders = MissingFolders(folder);
    RowOutcome outcome = reason.empty() ? WriteText(temp, folder, wanted) : NotDone(reason);
    if (outcome.status != RowStatus::Succeed)
        RemoveEmptyFolders(madeFolders);
    if (!temp.empty())
        ::unlink(temp.c_str());
    return outcome;
}

RowOutcome ConversionRun::WriteText(const std::string &pdf, const std::string &folder,
                                    const std::string &wanted) {
    Claims claims(*this);
    std::string reason;
    std::string output = ClaimOutput(claims, wanted, &reason);
    if (output.empty())
        return NotDone(reason);
    // The text goes to a temporary beside the output and then takes its
    // name: an existing file (or a link) there is replaced as a whole, never
    // written through.
    AtomicFile text;
    if (int err = OpenInFolder(text, folder, output))
        return NotDone(FailReason(err, "can't write in the output folder"));
    text.Close(); // the extractor writes it by name
    if (!m_extractor.extractText || m_extractor.extractText(pdf.c_str(), text.TempPath().c_str(),
                                                            m_settings.txt.nTextMode == 1 ? 3 : 1,
                                                            m_settings.txt.bPageBreak, 1) != 1)
        return NotDone(ExtractorFailReason(m_extractor, folder, "text extraction failed"));
    const bool found = HoldsText(text.TempPath());
    if (!PublishOutput(claims, CommitTo(text), wanted, &output, &reason))
        return NotDone(reason);
    return {RowStatus::Succeed, {}, {output}, found ? "" : kNoTextFound};
}

// ---------------------------------------------------------------------------
// Page files

std::vector<std::string> ConversionRun::ListPageFiles(const std::string &folderIn) {
    std::string folder = WithTrailingSeparator(folderIn);
    std::vector<std::string> names;
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (struct dirent *e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st {};
        // Only plain files count: a link or anything else is never read.
        if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode))
            continue;
        names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), NaturalLess);
    for (std::string &n : names)
        n = folder + n;
    return names;
}

void ConversionRun::DeletePageFiles(const std::string &folder,
                                    const std::vector<std::string> &files) {
    for (const std::string &f : files)
        ::unlink(f.c_str());
    if (!folder.empty())
        ::rmdir(folder.c_str());
}
