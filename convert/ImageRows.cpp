// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The image rows. Every layout but the multi-page TIFF streams its pages: the
// engine renders on a thread of its own (a long document at a high
// resolution on several, each rendering its share of the pages; see
// PageShares.h) while the run's page pool encodes every page, in page order,
// as soon as the engine has closed it. Each output is written into
// the row's staging folder (RowStaging.h) and published, in page order, only
// once every page is in and the engine succeeded, so names and numbering are
// exactly those of one page after another, and a row that fails or is
// stopped leaves nothing. A row with a page range (RowPages.h) renders the
// range's pages only and names each output after its page in the document.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "common/CompressedInput.h"
#include "convert/ApplyImageSettings.h"
#include "convert/DeclaredPages.h"
#include "convert/EngineArgs.h"
#include "convert/PageShares.h"
#include "convert/PathRules.h"
#include "convert/RowKinds.h"
#include "convert/RowPages.h"
#include "convert/RowStaging.h"
#include "convert/RunEngine.h"
#include "convert/RunFiles.h"
#include "convert/SharedPageStream.h"
#include "convert/TempFiles.h"
#include "convert/WorkerPool.h"
#include "imageconv/ImageConverter.h"
#include "modules/tessarin/Tessarin.h"

namespace {

// The longest converter message a row keeps.
constexpr int kReasonBytes = 512;

// A document whose shares (PageShares.h) rendered pages that don't fit
// together: one share went on past the page another ended at.
constexpr char kUnevenSharesReason[] = "the document's pages differ from one reading to the next";

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
    std::string queued; // the row's own input, for a page count
    PageRange range;    // the pages to render
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

// The shares that render `range` of a document that declares `declared`
// pages (PageShares.h).
PageShares SharesOf(const RunContext &run, const PageRange &range, int declared, int workers) {
    if (run.forcedShares > 0)
        return PageShares(run.forcedShares, range);
    return PageShares::For(run.Settings().img, declared, workers, run.Jobs(), range);
}

// What a row that rendered `rendered` pages of `in.range` says of the rest
// (PastEndAfterRendering); nothing once the run is stopping.
std::string PastEnd(RunContext &run, const PageRowInputs &in, int rendered) {
    if (run.Stopped())
        return {};
    return PastEndAfterRendering(run.engine, in.range, rendered, in.queued, run.tempFolder,
                                 RowCountLimit(run.Settings()));
}

// The name of the row's page `k`: base + suffix + extension, the suffix
// that of the page's number in the document.
std::string PageOutputName(const PageRowInputs &in, int k) {
    return in.target + in.base + PageOutputSuffix(in.range.Nth(k)) + in.format.ext;
}

// The page files a row waits on at most per share: two per worker of the
// page pool, split between the shares.
int BoundPerShare(int workers, const PageShares &shares) {
    return std::max(1, 2 * workers / shares.Count());
}

// The bytes of a 24-bit page file of an A3 page (297 x 420 mm) at the
// row's resolution, rows padded to 4 bytes.
unsigned long long A3PageBytes(const ImageSettings &img) {
    const unsigned long long width = 2970ULL * static_cast<unsigned>(img.nXDpi) / 254 + 1;
    const unsigned long long height = 4200ULL * static_cast<unsigned>(img.nYDpi) / 254 + 1;
    return (width * 3 + 3) / 4 * 4 * height;
}

// A page folder per share in the row's page root (PageFolderRoot: memory
// when it has room for every page file that can wait at once, each as large
// as an A3 page at the row's resolution); empty when one could not be made
// (the others are gone again).
std::vector<std::string> CreateShareFolders(RunContext &run, const PageShares &shares, int bound) {
    const unsigned long long waiting = static_cast<unsigned long long>(bound + 1) * shares.Count();
    const std::string root =
        PageFolderRoot(run.tempFolder, waiting * A3PageBytes(run.Settings().img), run.memoryFolder);
    std::vector<std::string> folders;
    for (int s = 0; s < shares.Count(); ++s) {
        folders.push_back(CreatePageFolder(root));
        if (folders.back().empty()) {
            for (const std::string &made : folders)
                DeletePageFiles(made, {});
            return {};
        }
    }
    return folders;
}

// The shares' page files in document order: page k is page IndexIn(k) of
// share Owner(k), up to the first one that is missing. `surplus` is set
// when a share left pages beyond that (the document rendered differently
// in different shares).
std::vector<std::string> SharedPageFiles(const PageShares &shares,
                                         const std::vector<std::string> &folders, bool *surplus) {
    std::size_t total = 0;
    for (const std::string &folder : folders)
        total += ListPageFiles(folder).size();
    std::vector<std::string> pages;
    for (int k = 1;; ++k) {
        std::string page = PageFileName(folders[static_cast<std::size_t>(shares.Owner(k))],
                                        shares.IndexIn(k));
        struct stat st {};
        if (::lstat(page.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            break;
        pages.push_back(std::move(page));
    }
    *surplus = pages.size() != total;
    return pages;
}

// Every page of `input` rendered by `shares` into `folders`, the shares at
// once. `engineCode` and `engineError` receive the first failing share's
// result code and its first error line (0 and empty when none failed).
void RenderShares(RunContext &run, const PageShares &shares, const std::vector<std::string> &folders,
                  const std::string &input, int formatCode, int *engineCode,
                  std::string *engineError) {
    std::vector<int> codes(static_cast<std::size_t>(shares.Count()), 0);
    std::vector<std::string> errors(codes.size());
    RowDeadlines::Row *row = RowDeadlines::Row::Current();
    auto render = [&](int s) {
        const auto i = static_cast<std::size_t>(s);
        codes[i] = EngineCode(
            run.engine,
            RenderArguments(folders[i], run.Settings().img, formatCode, input, shares.List(s)),
            &errors[i], row);
    };
    std::vector<std::thread> others;
    for (int s = 1; s < shares.Count(); ++s) {
        try {
            others.emplace_back(render, s);
        } catch (const std::system_error &) {
            codes[static_cast<std::size_t>(s)] = TESSARIN_E_START;
        }
    }
    render(0);
    for (std::thread &t : others)
        t.join();
    *engineCode = 0;
    for (std::size_t i = 0; i < codes.size(); ++i)
        if (!EngineSucceeded(codes[i])) {
            *engineCode = codes[i];
            *engineError = errors[i];
            break;
        }
}

// Every page into one file (a multi-page TIFF), base + extension, in
// page-number order. Its pages are rendered first; the file is written in
// one step that can't stop between its pages, so a stop that came meanwhile
// stops the row all the same.
RowOutcome OneFileRow(RunContext &run, int i, const PageRowInputs &in) {
    const ImageFormatChoice &format = in.format;
    const std::string &input = in.input;
    const std::string &target = in.target;
    const std::string &base = in.base;
    const int workers = run.pagePool ? run.pagePool->Workers() : 1;
    const PageShares shares = SharesOf(run, in.range, DeclaredPageCount(input), workers);
    const std::vector<std::string> folders =
        CreateShareFolders(run, shares, BoundPerShare(workers, shares));
    if (folders.empty())
        return run.NotDone("can't create a temporary folder");
    int engineCode = 0;
    std::string engineError;
    RenderShares(run, shares, folders, input, format.code, &engineCode, &engineError);
    bool surplus = false;
    const std::vector<std::string> pages = SharedPageFiles(shares, folders, &surplus);
    if (!pages.empty() && !run.Stopped())
        run.Converting(i, 3);

    RowOutcome outcome;
    RowStaging staging;
    std::string pastEnd;
    if (!run.Stopped() && EngineSucceeded(engineCode) && !surplus)
        pastEnd = PastEnd(run, in, static_cast<int>(pages.size()));
    if (run.Stopped()) {
        outcome = {RowStatus::Aborted, {}, {}};
    } else if (pages.empty() || !EngineSucceeded(engineCode)) {
        outcome = run.NotDone(
            EngineSucceeded(engineCode)
                ? (pastEnd.empty() ? "no page was rendered" : pastEnd)
                : EngineFailReason(engineCode, engineError, run.MemoryLimitMiB()));
    } else if (surplus) {
        outcome = run.NotDone(kUnevenSharesReason);
    } else if (int err = staging.Open(target)) {
        outcome = run.NotDone(FailReason(err, "can't write in the output folder"));
    } else {
        std::string reason =
            EncodePage(run.Settings().img, pages,
                       staging.Add(1, target + base + format.ext, format.ext), format.code, true);
        if (run.Stopped())
            outcome = {RowStatus::Aborted, {}, {}};
        else
            outcome = reason.empty() ? PublishStaged(run, staging) : run.NotDone(reason);
        if (outcome.status == RowStatus::Succeed)
            outcome.note = pastEnd;
    }
    for (const std::string &folder : folders)
        DeletePageFiles(folder, ListPageFiles(folder));
    return outcome;
}

// An image row's pages (every layout but the multi-page TIFF), rendered and
// encoded into `staging` at once.
void StreamImagePages(RunContext &run, const PageRowInputs &in, RowStaging &staging,
                      PageRowResults *out) {
    WorkerPool localPool(1);
    WorkerPool &pool = run.pagePool ? *run.pagePool : localPool;
    const int declared = in.range.CountIn(DeclaredPageCount(in.input));
    const PageShares shares = SharesOf(run, in.range, DeclaredPageCount(in.input), pool.Workers());
    const int bound = BoundPerShare(pool.Workers(), shares);
    const std::vector<std::string> folders = CreateShareFolders(run, shares, bound);
    if (folders.empty())
        return;
    out->pageFolderMade = true;

    SharedPageStream stream(shares, folders, bound);
    run.lastPageStreamPeak = 0;
    // A row past its time stops as a stopped one does.
    RowDeadlines::Row *row = RowDeadlines::Row::Current();
    stream.SetStopTest([&run, row] { return run.Stopped() || (row && row->Expired()); });
    if (run.engine.signalThreadRun)
        stream.SetEngineSignal(run.engine.signalThreadRun);
    // A share's error line is read only once the stream has finished.
    std::vector<std::string> errors(folders.size());
    stream.Start([&run, &folders, &errors, &in, &shares, row](int s) {
        const auto k = static_cast<std::size_t>(s);
        return EngineCode(run.engine,
                          RenderArguments(folders[k], run.Settings().img, in.format.code,
                                          in.input, shares.List(s)),
                          &errors[k], row);
    });

    if (declared)
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
            staged = staging.Add(k, PageOutputName(in, k), in.format.ext);
        std::shared_ptr<PageJob> job = jobs.Add(page, staged);
        pool.Submit([&run, job, &jobs, &stream, &in, k] {
            if (!job->staged.empty() && !jobs.Failed())
                job->reason =
                    EncodePage(run.Settings().img, {job->page}, job->staged, in.format.code, false);
            ::unlink(job->page.c_str());
            stream.Done(k);
            jobs.Encoded(*job);
        });
    }
    const SharedPageStream::Result result = stream.Finish(!out->reason.empty() || jobs.Failed());
    out->engineCode = result.engineCode;
    if (result.failedShare >= 0)
        out->engineError = errors[static_cast<std::size_t>(result.failedShare)];
    run.lastPageStreamPeak = stream.PeakWaiting();
    std::string failed = jobs.WaitAll();
    if (out->reason.empty())
        out->reason = failed;
    if (out->reason.empty() && result.surplus && EngineSucceeded(out->engineCode))
        out->reason = kUnevenSharesReason;
    out->cut = result.cut;
    // Anything else the engine left is removed with the folders.
    for (const std::string &folder : folders)
        DeletePageFiles(folder, ListPageFiles(folder));
}

// One file per page: a document of one page is base + extension, any other
// base_001 + extension, ... (PageSuffix); with a page range every page has
// the number of its page in the document.
RowOutcome PagedImageRow(RunContext &run, const PageRowInputs &in) {
    RowStaging staging;
    PageRowResults r;
    StreamImagePages(run, in, staging, &r);
    const bool engineOk = EngineSucceeded(r.engineCode);
    if (!r.pageFolderMade)
        return run.NotDone("can't create a temporary folder");
    if (r.cut)
        return {RowStatus::Aborted, {}, {}};
    if (r.pages == 0 && engineOk) {
        const std::string pastEnd = PastEnd(run, in, 0);
        return run.NotDone(pastEnd.empty() ? "no page was rendered" : pastEnd);
    }
    if (r.pages == 0)
        return run.NotDone(EngineFailReason(r.engineCode, r.engineError, run.MemoryLimitMiB()));
    if (!r.reason.empty())
        return run.NotDone(r.reason);
    // The pages that were rendered were converted, but a row whose engine
    // step reported an error is not a success.
    if (!engineOk)
        return run.NotDone(EngineFailReason(r.engineCode, r.engineError, run.MemoryLimitMiB()));
    const std::string pastEnd = PastEnd(run, in, r.pages);
    if (r.pages == 1 && in.range.All())
        staging.Rename(0, in.target + in.base + in.format.ext);
    // Complete, even when a stop came after its last page.
    RowOutcome outcome = PublishStaged(run, staging);
    if (outcome.status == RowStatus::Succeed)
        outcome.note = pastEnd;
    return outcome;
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
                           !FitsPlatformLimits(PageFileName(LongestPageFolder(run.tempFolder), 0)) ||
                           !FitsPlatformLimits(PageFileName(LongestPageFolder(run.memoryFolder), 0))))
        reason = FailReason(ENAMETOOLONG, "");
    if (!reason.empty())
        return run.NotDone(reason);

    // The folders this row makes go again unless it succeeds.
    const std::vector<std::string> madeFolders = MissingFolders(target);
    const PageRowInputs in{
        i, source.Path(), target, base, format, input, RowPageRange(run.Settings())};
    RowOutcome outcome = multiPage ? OneFileRow(run, i, in) : PagedImageRow(run, in);
    if (outcome.status != RowStatus::Succeed)
        RemoveEmptyFolders(madeFolders);
    return outcome;
}
