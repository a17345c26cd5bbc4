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
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "convert/ApplyImageSettings.h"
#include "convert/EngineArgs.h"
#include "convert/OutputKind.h"
#include "convert/PathRules.h"
#include "convert/PdfFinish.h"
#include "convert/RunEngine.h"
#include "convert/RunFiles.h"
#include "convert/TempFiles.h"
#include "convert/WorkerPool.h"
#include "imageconv/ImageConverter.h"
#include "modules/tessarin/Tessarin.h"

namespace {

// How many times a finished output looks for a free numbered name when
// other processes keep taking the one it claimed.
constexpr int kPublishAttempts = 100;

// The engine's result code for `args`; `errorLine` receives the
// interpreter's first error line.
int EngineCode(const EngineModule &engine, ArgumentVector args, std::string *errorLine) {
    ArgvView view(args);
    return RunEngineCode(engine, view.argc(), view.argv(), errorLine);
}

bool EngineSucceeded(int code) {
    return code == 0 || code == kEngineQuit;
}

std::string EngineFailReason(int code, const std::string &errorLine) {
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

// Why the engine's run left nothing to read at `output`: its own failure,
// or something there that is not its output. Empty when it can be read.
std::string EngineResultFailReason(int code, const std::string &errorLine,
                                   const std::string &output) {
    if (!EngineSucceeded(code))
        return EngineFailReason(code, errorLine);
    return EngineOutputFailReason(output);
}

std::string PageFileName(const std::string &pageFolder, const std::string &base, int k) {
    char number[32];
    std::snprintf(number, sizeof number, "_%03d.bmp", k);
    return pageFolder + base + number;
}

} // namespace

// The output names one row holds; released when the row is done with.
class ConversionRun::Claims {
public:
    explicit Claims(ConversionRun &run) : m_run(run) {}
    ~Claims() {
        std::lock_guard<std::mutex> lock(m_run.m_claimLock);
        for (const std::string &n : m_names)
            m_run.m_claimed.erase(n);
        m_run.m_claimFreed.notify_all();
    }
    std::vector<std::string> m_names;

private:
    ConversionRun &m_run;
};

ConversionRun::ConversionRun(ConversionView &view, const EngineModule &engine,
                             const ExtractorModule &extractor, std::string tempFolder)
    : m_view(view), m_engine(engine), m_extractor(extractor),
      m_tempFolder(WithTrailingSeparator(std::move(tempFolder))) {}

ConversionRun::~ConversionRun() {
    Wait();
}

void ConversionRun::SetFormatItemText(std::string text) {
    m_formatText = std::move(text);
    m_formatTextSet = true;
}

bool ConversionRun::Start(const ConvertSettings &settings, std::vector<std::string> rows) {
    if (m_bRunning.load())
        return false;
    Wait();
    m_settings = settings;
    m_settings.m_szOutputDir = WithTrailingSeparator(m_settings.m_szOutputDir);
    m_rows.clear();
    for (std::string &r : rows) {
        // The engine takes the input as its last argument: an absolute path
        // can't be mistaken for an option.
        std::error_code ec;
        std::filesystem::path abs = std::filesystem::absolute(r, ec);
        m_rows.push_back(ec ? r : abs.string());
    }
    m_progressCount = 0;
    m_bAbort = 0;
    m_stopTimer.Open();
    m_bRunning = 1;
    try {
        LaunchWorker([this] { ConvertThreadProc(); });
    } catch (const std::exception &) {
        m_stopTimer.Close();
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
        case OutputKind::Image:
            ConvertToImage();
            break;
        case OutputKind::Pdf:
            ConvertToPdf();
            break;
        case OutputKind::Text:
            ConvertToText();
            break;
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_viewLock);
        m_view.RestoreIdle();
        m_view.SelectOnly(0);
    }
    m_stopTimer.Close();
    // Last: once the front end sees the run idle, no call of ours is pending.
    m_bAbort = 0;
    m_bRunning = 0;
    if (m_endNotice)
        m_endNotice();
}

// ---------------------------------------------------------------------------
// Shared per-row machinery

void ConversionRun::ForEachRow(const std::function<bool(int)> &row) {
    const int n = static_cast<int>(m_rows.size());
    if (m_jobs <= 1 || n <= 1) {
        for (int i = 0; i < n; ++i) {
            if (m_bAbort.load())
                return;
            if (!row(i))
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

void ConversionRun::ViewSelect(int row) {
    std::lock_guard<std::mutex> lock(m_viewLock);
    m_view.SelectOnly(row);
}

void ConversionRun::ViewStatus(int row, const char *text) {
    std::lock_guard<std::mutex> lock(m_viewLock);
    m_view.SetStatus(row, text);
}

void ConversionRun::ViewProgress(int row, int rows) {
    std::lock_guard<std::mutex> lock(m_viewLock);
    // One row at a time: the row's own position. Several at once: rows
    // counted so far, so the bar never moves back.
    int k = m_jobs <= 1 ? row + 1 : ++m_progressCount;
    m_view.SetProgress((100 * k) / rows);
}

void ConversionRun::ViewRowFinished(int row) {
    std::lock_guard<std::mutex> lock(m_viewLock);
    m_view.RowFinished(row);
}

void ConversionRun::Pause(std::chrono::milliseconds ms) {
    if (ms.count() > 0)
        std::this_thread::sleep_for(ms);
}

std::string ConversionRun::ClaimOutput(Claims &claims, const std::string &path,
                                       std::string *reason) {
    if (!FitsPlatformLimits(path)) {
        *reason = FailReason(ENAMETOOLONG, "");
        return {};
    }
    std::unique_lock<std::mutex> lock(m_claimLock);
    std::string chosen = path;
    if (m_settings.m_bNewIfExists == 1) {
        chosen = MakeUniqueName(
            path, [this](const std::string &p) { return m_claimed.count(p) > 0 || PathTaken(p); });
        if (chosen.empty()) {
            SplitParts p = SplitPath(path);
            bool fits = FitsPlatformLimits(p.folder + p.base + "-" +
                                           std::to_string(kLastNumberedName) + p.ext);
            *reason = FailReason(fits ? EEXIST : ENAMETOOLONG, "");
            return {};
        }
    } else {
        // Overwriting: a row writing the same name waits for the one before.
        m_claimFreed.wait(lock, [&] { return m_claimed.count(path) == 0; });
    }
    m_claimed.insert(chosen);
    claims.m_names.push_back(chosen);
    return chosen;
}

bool ConversionRun::PublishOutput(Claims &claims, int row, const std::string &temp,
                                  const std::string &wanted, std::string *output,
                                  std::string *reason) {
    const bool replace = m_settings.m_bNewIfExists != 1;
    for (int attempt = 0; attempt < kPublishAttempts; ++attempt) {
        int err = Publish(temp, *output, replace);
        if (err == 0) {
            std::lock_guard<std::mutex> lock(m_viewLock);
            m_view.OutputWritten(row, *output);
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

void ConversionRun::ViewResult(int row, bool ok, const std::string &reason) {
    std::lock_guard<std::mutex> lock(m_viewLock);
    if (ok) {
        m_view.SetStatus(row, kStatusSucceed);
    } else if (m_bAbort.load()) {
        // A row that failed after a stop request was stopped (its engine
        // step may have been killed).
        m_view.SetStatus(row, kStatusAborted);
    } else {
        m_view.SetFailReason(row, reason.empty() ? "conversion failed" : reason);
        m_view.SetStatus(row, kStatusFailed);
    }
}

// ---------------------------------------------------------------------------
// PDF

void ConversionRun::ConvertToPdf() {
    CreatePath(m_settings.m_szOutputDir);
    ForEachRow([this](int i) { return PdfRow(i); });
}

bool ConversionRun::PdfRow(int i) {
    const std::string &input = m_rows[static_cast<std::size_t>(i)];
    const int n = static_cast<int>(m_rows.size());
    ViewSelect(i);
    ViewStatus(i, kStatusConverting1);

    SplitParts p = SplitPath(input);
    std::string folder = RowOutputFolder(m_settings, input);
    const std::string wanted = folder + p.base + ".pdf";
    Claims claims(*this);
    // Only a non-empty regular file reaches the engine: a named pipe would
    // block it. Settings that contradict themselves fail before anything is
    // written.
    std::string reason =
        PdfAWithEncryption(m_settings.pdf) ? kPdfAEncryptedReason : CheckInput(input);
    std::string output;
    if (reason.empty())
        output = ClaimOutput(claims, wanted, &reason);

    ViewStatus(i, kStatusConverting2);
    Pause(m_pacing.afterSecond);
    ViewStatus(i, kStatusConverting3);

    bool ok = false;
    if (reason.empty()) {
        // The engine writes beside the target and the finished file takes
        // the target's name only when complete, so a failed run never
        // damages an existing file.
        std::string temp = CreateSiblingTemp(folder, ".pdf");
        if (temp.empty()) {
            reason = FailReason(errno, "can't write in the output folder");
        } else {
            std::string line;
            int code = EngineCode(m_engine, PdfArguments(m_settings.pdf, temp, input), &line);
            reason = EngineResultFailReason(code, line, temp);
            if (reason.empty() && !FinishPdf(m_extractor, m_settings, temp))
                reason = FolderFailReason(folder, "finishing the PDF failed");
            if (reason.empty())
                ok = PublishOutput(claims, i, temp, wanted, &output, &reason);
            if (!ok)
                ::unlink(temp.c_str());
        }
    }
    ViewResult(i, ok, reason);
    ViewProgress(i, n);
    ViewRowFinished(i);
    return true;
}

// ---------------------------------------------------------------------------
// Text

void ConversionRun::ConvertToText() {
    CreatePath(m_settings.m_szOutputDir);
    ForEachRow([this](int i) { return TextRow(i); });
}

bool ConversionRun::TextRow(int i) {
    const std::string &input = m_rows[static_cast<std::size_t>(i)];
    const int n = static_cast<int>(m_rows.size());
    ViewSelect(i);
    ViewProgress(i, n);
    ViewStatus(i, kStatusConverting1);
    Pause(m_pacing.afterFirst);
    ViewStatus(i, kStatusConverting2);

    std::string reason = CheckInput(input);
    std::string temp;
    if (reason.empty()) {
        temp = CreateTempPdf(m_tempFolder);
        if (temp.empty())
            reason = "can't create a temporary file";
    }
    if (reason.empty()) {
        std::string line;
        int code = EngineCode(m_engine, TextPdfArguments(temp, input), &line);
        reason = EngineResultFailReason(code, line, temp);
    }
    ViewStatus(i, kStatusConverting3);

    bool ok = false;
    if (reason.empty()) {
        std::string folder = RowOutputFolder(m_settings, input);
        const std::string wanted = folder + SplitPath(input).base + ".txt";
        Claims claims(*this);
        std::string output = ClaimOutput(claims, wanted, &reason);
        // The text goes to a hidden sibling first and then takes the
        // output's name: an existing file (or a link) there is replaced as a
        // whole, never written through.
        std::string text = output.empty() ? output : CreateSiblingTemp(folder, ".txt");
        if (!output.empty() && text.empty())
            reason = FailReason(errno, "can't write in the output folder");
        if (!text.empty()) {
            if (m_extractor.extractText &&
                m_extractor.extractText(temp.c_str(), text.c_str(),
                                        m_settings.txt.nTextMode == 1 ? 3 : 1,
                                        m_settings.txt.bPageBreak, 1) == 1)
                ok = PublishOutput(claims, i, text, wanted, &output, &reason);
            else
                reason = FolderFailReason(folder, "text extraction failed");
            if (!ok)
                ::unlink(text.c_str());
        }
    }
    ViewResult(i, ok, reason);
    if (!temp.empty())
        ::unlink(temp.c_str());
    ViewRowFinished(i);
    return true;
}

// ---------------------------------------------------------------------------
// Images

std::string ConversionRun::RenderPages(const std::string &input, const std::string &base,
                                       int formatCode, bool *engineOk, int *engineCode,
                                       std::string *engineError) {
    if (engineOk)
        *engineOk = false;
    std::string pageFolder = CreatePageFolder(m_tempFolder);
    if (pageFolder.empty())
        return pageFolder;
    int code =
        EngineCode(m_engine, RenderArguments(pageFolder, base, m_settings.img, formatCode, input),
                   engineError);
    if (engineOk)
        *engineOk = EngineSucceeded(code);
    if (engineCode)
        *engineCode = code;
    return pageFolder;
}

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

void ConversionRun::ConvertToImage() {
    ImageFormatChoice format = ImageFormatFromItemText(
        m_formatTextSet ? m_formatText : ImageFormatItemText(m_settings.m_nFormat));
    WorkerPool pool(m_pageWorkers);
    m_pagePool = &pool;
    ForEachRow([this, &format](int i) { return ImageRow(i, format); });
    m_pagePool = nullptr;
}

bool ConversionRun::ConvertPages(Claims &claims, const std::vector<std::string> &pages,
                                 const std::string &wanted, int formatCode, bool multiPage,
                                 bool *aborted, int row, std::string *reason) {
    std::string output = ClaimOutput(claims, wanted, reason);
    if (output.empty())
        return false;
    // The converter writes a hidden sibling, which takes the output's name
    // once it is complete.
    SplitParts parts = SplitPath(output);
    std::string temp = CreateSiblingTemp(parts.folder, parts.ext);
    if (temp.empty()) {
        *reason = FailReason(errno, "can't write in the output folder");
        return false;
    }
    int h = ImageConverterCreate();
    if (h <= 0) {
        ::unlink(temp.c_str());
        *reason = "out of memory";
        return false;
    }
    FileMark before = MarkOf(temp);
    if (multiPage) {
        ImageConverterSetOption(h, IC_OPT_MULTIPAGE_PATH, temp.c_str(), 0);
        ImageConverterSetOption(h, IC_OPT_MULTIPAGE, nullptr, 1);
    } else {
        ImageConverterSetOption(h, IC_OPT_OUTPUT_PATH, temp.c_str(), 0);
    }
    for (const std::string &page : pages) {
        if (multiPage && m_bAbort.load()) {
            ViewStatus(row, kStatusAborted);
            *aborted = true;
            break;
        }
        ImageConverterAddFile(h, page.c_str(), IC_INPUT_BMP);
    }
    bool written = false;
    if (!*aborted) {
        ApplyImageSettings(h, formatCode, m_settings.img);
        ImageConverterConvert(h);
    }
    ImageConverterDestroy(h);
    // A multi-page file is one step that can't stop between its pages: a
    // stop that came meanwhile stops the row all the same, and the file goes.
    if (multiPage && !*aborted && m_bAbort.load()) {
        ViewStatus(row, kStatusAborted);
        *aborted = true;
    }
    if (!*aborted) {
        if (WrittenSince(before, temp))
            written = PublishOutput(claims, row, temp, wanted, &output, reason);
        else
            *reason = FolderFailReason(parts.folder, "can't write the image");
    }
    if (!written)
        ::unlink(temp.c_str());
    return written;
}

// What the output layouts of one image row work from.
struct ConversionRun::ImageRowFiles {
    int row = 0;
    std::string target;             // the output folder, ending in '/'
    std::string base;               // the input's base name
    std::string pageFolder;         // the rendered pages, ending in '/'
    std::vector<std::string> pages; // its page files in page order
    std::string *reason = nullptr;  // why an output failed
};

bool ConversionRun::ImageRow(int i, const ImageFormatChoice &format) {
    const std::string &input = m_rows[static_cast<std::size_t>(i)];
    const int n = static_cast<int>(m_rows.size());
    ViewSelect(i);
    ViewProgress(i, n);
    ViewStatus(i, kStatusConverting1);
    Pause(m_pacing.afterFirst);
    ViewStatus(i, kStatusConverting2);

    ImageRowFiles files;
    files.row = i;
    files.base = SplitPath(input).base;
    files.target = RowOutputFolder(m_settings, input);
    if (m_settings.img.bFolderPerFile == 1)
        files.target += files.base + "/";

    // An input that is not a regular file (a named pipe would block the
    // engine), or a name that can't be written as it stands, fails the row
    // before any work.
    std::string reason = CheckInput(input);
    files.reason = &reason;
    if (reason.empty() &&
        (!FitsPlatformLimits(files.target + files.base + "_000" + format.ext) ||
         !FitsPlatformLimits(PageFileName(LongestPageFolder(m_tempFolder), files.base, 0))))
        reason = FailReason(ENAMETOOLONG, "");
    if (!reason.empty()) {
        ViewResult(i, false, reason);
        ViewRowFinished(i);
        return true;
    }

    bool engineOk = false;
    int engineCode = 0;
    std::string engineError;
    if (format.code != IC_FORMAT_TIFF || m_settings.img.bTifMultipage != 1) {
        // Every layout but the multi-page TIFF: pages are encoded while the
        // engine renders the next ones.
        bool aborted = false;
        Claims claims(*this);
        bool written =
            StreamImagePages(claims, i, input, files.target, files.base, format, &files.pageFolder,
                             &files.pages, &reason, &aborted, &engineCode, &engineError);
        engineOk = EngineSucceeded(engineCode);
        if (files.pageFolder.empty()) {
            ViewResult(i, false, "can't create a temporary folder");
        } else if (!aborted) {
            if (files.pages.empty())
                ViewResult(i, false,
                           engineOk ? "no page was rendered"
                                    : EngineFailReason(engineCode, engineError));
            else if (!written)
                ViewResult(i, false, reason);
            else if (!engineOk)
                ViewResult(i, false, EngineFailReason(engineCode, engineError));
            else // complete, even when a stop came after its last page
                ViewStatus(i, kStatusSucceed);
        }
        ViewRowFinished(i);
        return !aborted;
    }
    files.pageFolder =
        RenderPages(input, files.base, format.code, &engineOk, &engineCode, &engineError);
    if (files.pageFolder.empty()) {
        ViewResult(i, false, "can't create a temporary folder");
        ViewRowFinished(i);
        return true;
    }
    if (m_bAbort.load()) {
        ViewStatus(i, kStatusAborted);
        DeletePageFiles(files.pageFolder, ListPageFiles(files.pageFolder));
        ViewRowFinished(i);
        return false;
    }

    files.pages = ListPageFiles(files.pageFolder);
    bool aborted = false;
    bool written = false;
    if (!files.pages.empty()) {
        ViewStatus(i, kStatusConverting3);
        CreatePath(files.target);
        Claims claims(*this);
        if (format.code == IC_FORMAT_TIFF && m_settings.img.bTifMultipage == 1)
            written = WriteMultiPageTiff(claims, files, &aborted);
        else if (files.pages.size() == 1)
            written = WriteOnePage(claims, files, format);
        else
            written = WriteEachPage(claims, files, format, &aborted);
    }
    // The pages that were rendered are converted, but a row whose engine
    // step reported an error is not a success.
    if (!aborted) {
        if (files.pages.empty())
            ViewResult(i, false,
                       engineOk ? "no page was rendered"
                                : EngineFailReason(engineCode, engineError));
        else if (!written)
            ViewResult(i, false, reason);
        else if (!engineOk)
            ViewResult(i, false, EngineFailReason(engineCode, engineError));
        else
            ViewStatus(i, kStatusSucceed);
    }
    DeletePageFiles(files.pageFolder, files.pages);
    ViewRowFinished(i);
    return !aborted;
}

// Every page into one TIFF file, base.tif, in page-number order.
bool ConversionRun::WriteMultiPageTiff(Claims &claims, const ImageRowFiles &files, bool *aborted) {
    std::vector<std::string> ordered;
    for (int k = 1; k <= static_cast<int>(files.pages.size()); ++k)
        ordered.push_back(PageFileName(files.pageFolder, files.base, k));
    return ConvertPages(claims, ordered, files.target + files.base + ".tif", IC_FORMAT_TIFF, true,
                        aborted, files.row, files.reason);
}

// A one-page document: base + extension.
bool ConversionRun::WriteOnePage(Claims &claims, const ImageRowFiles &files,
                                 const ImageFormatChoice &format) {
    bool aborted = false; // a single page has no stop test
    {
        std::lock_guard<std::mutex> lock(m_viewLock);
        m_view.PageStarted(files.row, 1, 1);
    }
    return ConvertPages(claims, files.pages, files.target + files.base + format.ext, format.code,
                        false, &aborted, files.row, files.reason);
}

// One file per page, named after the page file (base_001 + extension, ...);
// a stop before a page ends the row there, keeping what was written.
bool ConversionRun::WriteEachPage(Claims &claims, const ImageRowFiles &files,
                                  const ImageFormatChoice &format, bool *aborted) {
    bool all = true;
    const int pages = static_cast<int>(files.pages.size());
    int number = 0;
    for (const std::string &page : files.pages) {
        if (m_bAbort.load()) {
            ViewStatus(files.row, kStatusAborted);
            *aborted = true;
            return all;
        }
        {
            std::lock_guard<std::mutex> lock(m_viewLock);
            m_view.PageStarted(files.row, ++number, pages);
        }
        if (!ConvertPages(claims, {page}, files.target + SplitPath(page).base + format.ext,
                          format.code, false, aborted, files.row, files.reason))
            all = false;
    }
    return all;
}
