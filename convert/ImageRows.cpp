// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The image rows. Every layout but the multi-page TIFF streams its pages: the
// engine renders on a thread of its own while the run's page pool encodes
// every page as soon as the engine has closed it. Each output is written into
// the row's staging folder (RowStaging.h) and published, in page order, only
// once every page is in and the engine succeeded, so names and numbering are
// exactly those of one page after another, and a row that fails or is
// stopped leaves nothing.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>

#include "common/CompressedInput.h"
#include "convert/ApplyImageSettings.h"
#include "convert/DeclaredPages.h"
#include "convert/EngineArgs.h"
#include "convert/PageStream.h"
#include "convert/PathRules.h"
#include "convert/RowKinds.h"
#include "convert/RowStaging.h"
#include "convert/RunEngine.h"
#include "convert/RunFiles.h"
#include "convert/TempFiles.h"
#include "convert/WorkerPool.h"
#include "imageconv/ImageConverter.h"

namespace {

// The longest converter message a row keeps.
constexpr int kReasonBytes = 512;

// One page of a row on its way from page file to staged output.
struct PageJob {
    std::string page;     // the page file
    std::string staged;   // the converter's output; empty: not encoded
    std::string reason;   // why it was not written
    bool encoded = false; // the pool is done with it
};

// The pages a row has handed to the pool.
class PageJobs {
public:
    std::shared_ptr<PageJob> Add(std::string page, std::string staged) {
        auto job = std::make_shared<PageJob>();
        job->page = std::move(page);
        job->staged = std::move(staged);
        std::lock_guard<std::mutex> guard(m_lock);
        m_jobs.push_back(job);
        return job;
    }
    // True once a page has failed: the later ones need not be encoded.
    bool Failed() const { return m_failed.load(); }
    void Encoded(PageJob &job) {
        std::lock_guard<std::mutex> guard(m_lock);
        job.encoded = true;
        if (!job.reason.empty())
            m_failed = true;
        m_encodedOne.notify_all();
    }
    // Waits until the pool is done with every page; the reason of the first
    // page, in page order, that failed.
    std::string WaitAll() {
        std::unique_lock<std::mutex> guard(m_lock);
        m_encodedOne.wait(guard, [&] {
            for (const auto &job : m_jobs)
                if (!job->encoded)
                    return false;
            return true;
        });
        for (const auto &job : m_jobs)
            if (!job->reason.empty())
                return job->reason;
        return {};
    }

private:
    std::mutex m_lock;
    std::condition_variable m_encodedOne;
    std::vector<std::shared_ptr<PageJob>> m_jobs;
    std::atomic<bool> m_failed{false};
};

// What the streamed pages of one image row work from.
struct PageRowInputs {
    int row = 0;
    std::string input;  // what the engine reads (EngineInput::Path)
    std::string target; // the output folder, ending in '/'
    std::string base;   // the input's base name
    ImageFormatChoice format;
};

// What they came to.
struct PageRowResults {
    bool pageFolderMade = false;
    int pages = 0;      // page files the engine handed over
    bool cut = false;   // a stop kept a rendered page from being encoded
    std::string reason; // why a page was not written (the first in page order)
    int engineCode = 0;
    std::string engineError;
};

// Encode the page files `pages` into the file `staged`: one page, or with
// `multiPage` every page into one multi-page TIFF. The empty text, or why no
// complete file was written.
std::string EncodePage(const ImageSettings &img, const std::vector<std::string> &pages,
                       const std::string &staged, int formatCode, bool multiPage) {
    int h = ImageConverterCreate();
    if (h <= 0)
        return "out of memory";
    if (multiPage) {
        ImageConverterSetOption(h, IC_OPT_MULTIPAGE_PATH, staged.c_str(), 0);
        ImageConverterSetOption(h, IC_OPT_MULTIPAGE, nullptr, 1);
    } else {
        ImageConverterSetOption(h, IC_OPT_OUTPUT_PATH, staged.c_str(), 0);
    }
    for (const std::string &page : pages)
        ImageConverterAddFile(h, page.c_str(), IC_INPUT_BMP);
    ApplyImageSettings(h, formatCode, img);
    ImageConverterConvert(h);
    char reason[kReasonBytes] = "";
    ImageConverterLastError(h, reason, sizeof reason);
    ImageConverterDestroy(h);
    if (reason[0] != '\0')
        return reason;
    // The staging folder is fresh: a file there is the converter's own.
    struct stat st {};
    if (::lstat(staged.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return "can't write the image";
    return {};
}

// Put the staged outputs in place in page order under their wanted names
// (claimed, numbered as "exists" asks); all of them or, undoing what was
// done, none.
RowOutcome PublishStaged(RunContext &run, RowStaging &staging) {
    OutputClaims::Row claims(run.claims);
    RowOutcome outcome{RowStatus::Succeed, {}, {}};
    const std::vector<RowStaging::Entry> &entries = staging.Entries();
    for (std::size_t k = 0; k < entries.size(); ++k) {
        std::string reason;
        std::string output = run.claims.Claim(claims, entries[k].wanted, &reason);
        auto place = [&staging, k](const std::string &target, Placement placement) {
            return staging.Place(k, target, placement);
        };
        if (output.empty() ||
            !run.claims.Publish(claims, place, entries[k].wanted, &output, &reason)) {
            staging.Undo(); // all or nothing
            claims.ForgetPublished();
            return run.NotDone(reason);
        }
        outcome.outputs.push_back(output);
    }
    return outcome;
}

// Render every page of `input` into a fresh page folder as
// PageFileName(folder, k); that folder, or the empty text when none could be
// made. `engineCode` and `engineError` receive the run's result code and the
// interpreter's first error line.
std::string RenderPages(RunContext &run, const std::string &input, int formatCode, int *engineCode,
                        std::string *engineError) {
    std::string pageFolder = CreatePageFolder(run.tempFolder);
    if (!pageFolder.empty())
        *engineCode = EngineCode(run.engine,
                                 RenderArguments(pageFolder, run.Settings().img, formatCode, input),
                                 engineError);
    return pageFolder;
}

// Every page into one file (a multi-page TIFF), base + extension, in
// page-number order. Its pages are rendered first; the file is written in
// one step that can't stop between its pages, so a stop that came meanwhile
// stops the row all the same.
RowOutcome OneFileRow(RunContext &run, int i, const ImageFormatChoice &format,
                      const std::string &input, const std::string &target,
                      const std::string &base) {
    int engineCode = 0;
    std::string engineError;
    const std::string pageFolder = RenderPages(run, input, format.code, &engineCode, &engineError);
    if (pageFolder.empty())
        return run.NotDone("can't create a temporary folder");
    const std::size_t count = ListPageFiles(pageFolder).size();
    if (count > 0 && !run.Stopped())
        run.Converting(i, 3);

    RowOutcome outcome;
    RowStaging staging;
    if (run.Stopped()) {
        outcome = {RowStatus::Aborted, {}, {}};
    } else if (count == 0 || !EngineSucceeded(engineCode)) {
        outcome =
            run.NotDone(EngineSucceeded(engineCode)
                            ? "no page was rendered"
                            : EngineFailReason(engineCode, engineError, run.MemoryLimitMiB()));
    } else if (int err = staging.Open(target)) {
        outcome = run.NotDone(FailReason(err, "can't write in the output folder"));
    } else {
        std::vector<std::string> pages;
        for (std::size_t k = 1; k <= count; ++k)
            pages.push_back(PageFileName(pageFolder, static_cast<int>(k)));
        std::string reason =
            EncodePage(run.Settings().img, pages,
                       staging.Add(1, target + base + format.ext, format.ext), format.code, true);
        if (run.Stopped())
            outcome = {RowStatus::Aborted, {}, {}};
        else
            outcome = reason.empty() ? PublishStaged(run, staging) : run.NotDone(reason);
    }
    DeletePageFiles(pageFolder, ListPageFiles(pageFolder));
    return outcome;
}

// An image row's pages (every layout but the multi-page TIFF), rendered and
// encoded into `staging` at once.
void StreamImagePages(RunContext &run, const PageRowInputs &in, RowStaging &staging,
                      PageRowResults *out) {
    const std::string folder = CreatePageFolder(run.tempFolder);
    if (folder.empty())
        return;
    out->pageFolderMade = true;
    WorkerPool localPool(1);
    WorkerPool &pool = run.pagePool ? *run.pagePool : localPool;

    PageStream stream(folder, 2 * pool.Workers());
    run.lastPageStreamPeak = 0;
    // A row past its time stops as a stopped one does.
    RowDeadlines::Row *row = RowDeadlines::Row::Current();
    stream.SetStopTest([&run, row] { return run.Stopped() || (row && row->Expired()); });
    if (run.engine.signalThreadRun)
        stream.SetEngineSignal(run.engine.signalThreadRun);
    // The engine's thread has ended when stream.Finish() returns, so its
    // error line is read only after that.
    stream.Start([&run, &folder, &in, out, row] {
        return EngineCode(run.engine,
                          RenderArguments(folder, run.Settings().img, in.format.code, in.input),
                          &out->engineError, row);
    });

    if (const int declared = DeclaredPageCount(in.input))
        run.View([&in, declared](ConversionView &view) { view.PagesDeclared(in.row, declared); });
    PageJobs jobs;
    for (std::string page = stream.Next(); !page.empty(); page = stream.Next()) {
        const int k = ++out->pages;
        if (k == 1) {
            run.Converting(in.row, 3);
            if (int err = staging.Open(in.target))
                out->reason = FailReason(err, "can't write in the output folder");
        }
        run.Page(in.row, k, 0); // more may follow
        std::string staged;
        if (staging.IsOpen())
            staged = staging.Add(k, in.target + in.base + PageOutputSuffix(k) + in.format.ext,
                                 in.format.ext);
        std::shared_ptr<PageJob> job = jobs.Add(page, staged);
        pool.Submit([&run, job, &jobs, &stream, &in] {
            if (!job->staged.empty() && !jobs.Failed())
                job->reason =
                    EncodePage(run.Settings().img, {job->page}, job->staged, in.format.code, false);
            ::unlink(job->page.c_str());
            stream.Done();
            jobs.Encoded(*job);
        });
    }
    out->engineCode = stream.Finish();
    run.lastPageStreamPeak = stream.PeakWaiting();
    std::string failed = jobs.WaitAll();
    if (out->reason.empty())
        out->reason = failed;
    out->cut = stream.Cut();
    // Anything else the engine left is removed with the folder.
    DeletePageFiles(folder, ListPageFiles(folder));
}

// One file per page: a document of one page is base + extension, any other
// base_001 + extension, ... (PageSuffix).
RowOutcome PagedImageRow(RunContext &run, const PageRowInputs &in) {
    RowStaging staging;
    PageRowResults r;
    StreamImagePages(run, in, staging, &r);
    const bool engineOk = EngineSucceeded(r.engineCode);
    if (!r.pageFolderMade)
        return run.NotDone("can't create a temporary folder");
    if (r.cut)
        return {RowStatus::Aborted, {}, {}};
    if (r.pages == 0)
        return run.NotDone(
            engineOk ? "no page was rendered"
                     : EngineFailReason(r.engineCode, r.engineError, run.MemoryLimitMiB()));
    if (!r.reason.empty())
        return run.NotDone(r.reason);
    // The pages that were rendered were converted, but a row whose engine
    // step reported an error is not a success.
    if (!engineOk)
        return run.NotDone(EngineFailReason(r.engineCode, r.engineError, run.MemoryLimitMiB()));
    if (r.pages == 1)
        staging.Rename(0, in.target + in.base + in.format.ext);
    // Complete, even when a stop came after its last page.
    return PublishStaged(run, staging);
}

} // namespace

RowOutcome ImageRow(RunContext &run, int i, const ImageFormatChoice &format) {
    const std::string &input = run.Input(i);
    run.BeginRow(i);

    const std::string base = InputBaseName(input);
    const std::string target = ImageTargetFolder(run.Settings(), run.RowFolder(i), input);
    const bool multiPage = WritesOneFile(format, run.Settings().img);
    // The longest output name: base + extension for one file, else base_001
    // and so on (a page count isn't known yet).
    const std::string longest = target + base + (multiPage ? "" : PageOutputSuffix(0)) + format.ext;
    // An input that is not a regular file (a named pipe would block the
    // engine), or a name that can't be written as it stands, fails the row
    // before any work. A compressed one is unpacked for the engine.
    EngineInput source;
    std::string reason = source.Open(input);
    if (reason.empty() && (!FitsPlatformLimits(longest) ||
                           !FitsPlatformLimits(PageFileName(LongestPageFolder(run.tempFolder), 0))))
        reason = FailReason(ENAMETOOLONG, "");
    if (!reason.empty())
        return run.NotDone(reason);

    // The folders this row makes go again unless it succeeds.
    const std::vector<std::string> madeFolders = MissingFolders(target);
    RowOutcome outcome = multiPage ? OneFileRow(run, i, format, source.Path(), target, base)
                                   : PagedImageRow(run, {i, source.Path(), target, base, format});
    if (outcome.status != RowStatus::Succeed)
        RemoveEmptyFolders(madeFolders);
    return outcome;
}
