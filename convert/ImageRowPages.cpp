// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The image row's page scheduling: the engine renders on a thread of its own
// while the run's page pool encodes every page as soon as the engine has
// closed it; outputs are named and published in page order, so names and
// numbering are exactly those of one page after another.
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "convert/ApplyImageSettings.h"
#include "convert/ConversionRun.h"
#include "convert/EngineArgs.h"
#include "convert/PageStream.h"
#include "convert/PathRules.h"
#include "convert/RunEngine.h"
#include "convert/RunFiles.h"
#include "convert/TempFiles.h"
#include "convert/WorkerPool.h"
#include "imageconv/ImageConverter.h"

namespace {

// One page of a row on its way from page file to output.
struct PageJob {
    int number = 0;
    std::string page;     // the page file
    std::string temp;     // the converter's output, not yet under its name
    bool encoded = false; // the pool is done with it
    bool written = false; // the converter wrote `temp`
    std::string reason;   // why not
};

} // namespace

bool ConversionRun::StreamImagePages(Claims &claims, int row, const std::string &input,
                                     const std::string &target, const std::string &base,
                                     const ImageFormatChoice &format, std::string *pageFolder,
                                     std::vector<std::string> *pages, std::string *reason,
                                     bool *aborted, int *engineCode, std::string *engineError) {
    *pageFolder = CreatePageFolder(m_tempFolder);
    if (pageFolder->empty())
        return false;
    const std::string folder = *pageFolder;

    WorkerPool localPool(1);
    WorkerPool &pool = m_pagePool ? *m_pagePool : localPool;

    std::mutex lock;
    std::condition_variable encodedOne;
    std::deque<std::shared_ptr<PageJob>> jobs; // handed out, not yet published
    bool all = true;
    int published = 0;

    PageStream stream(folder, base, 2 * pool.Workers());
    m_lastPageStreamPeak = 0;
    stream.SetStopTest([this] { return m_bAbort.load() != 0; });
    if (m_engine.signalThreadRun)
        stream.SetEngineSignal(m_engine.signalThreadRun);
    // The engine's thread has ended when stream.Finish() returns, so its
    // error line is read only after that.
    stream.Start([this, &folder, &base, &input, &format, engineError] {
        ArgumentVector args = RenderArguments(folder, base, m_settings.img, format.code, input);
        ArgvView view(args);
        return RunEngineCode(m_engine, view.argc(), view.argv(), engineError);
    });

    // Publishes the finished jobs at the front, in page order. Names are
    // known once the count is: a document of one page is base + extension,
    // any other base_001 + extension, ... (the page file's own name).
    auto publishReady = [&](bool namesKnown, bool single) {
        std::unique_lock<std::mutex> guard(lock);
        while (namesKnown && !jobs.empty() && jobs.front()->encoded) {
            std::shared_ptr<PageJob> job = jobs.front();
            jobs.pop_front();
            guard.unlock();
            ++published;
            bool ok = job->written;
            std::string why = job->reason;
            if (ok) {
                std::string wanted =
                    target + (single ? base : SplitPath(job->page).base) + format.ext;
                std::string output = ClaimOutput(claims, wanted, &why);
                ok =
                    !output.empty() && PublishOutput(claims, row, job->temp, wanted, &output, &why);
            }
            if (!ok) {
                if (!job->temp.empty())
                    ::unlink(job->temp.c_str());
                if (all && reason)
                    *reason = why;
                all = false;
            }
            guard.lock();
        }
    };

    for (;;) {
        std::string page = stream.Next();
        if (page.empty())
            break;
        if (pages->empty()) {
            ViewStatus(row, kStatusConverting3);
            CreatePath(target);
        }
        pages->push_back(page);
        auto job = std::make_shared<PageJob>();
        job->number = static_cast<int>(pages->size());
        job->page = page;
        {
            std::lock_guard<std::mutex> viewGuard(m_viewLock);
            m_view.PageStarted(row, job->number, 0); // more may follow
        }
        job->temp = CreateSiblingTemp(target, format.ext);
        if (job->temp.empty())
            job->reason = FailReason(errno, "can't write in the output folder");
        {
            std::lock_guard<std::mutex> guard(lock);
            jobs.push_back(job);
        }
        pool.Submit([this, job, &stream, &lock, &encodedOne, &target, &format] {
            if (!job->temp.empty()) {
                int h = ImageConverterCreate();
                if (h > 0) {
                    FileMark before = MarkOf(job->temp);
                    ImageConverterSetOption(h, IC_OPT_OUTPUT_PATH, job->temp.c_str(), 0);
                    ImageConverterAddFile(h, job->page.c_str(), IC_INPUT_BMP);
                    ApplyImageSettings(h, format.code, m_settings.img);
                    ImageConverterConvert(h);
                    ImageConverterDestroy(h);
                    job->written = WrittenSince(before, job->temp);
                    if (!job->written)
                        job->reason = FolderFailReason(target, "can't write the image");
                } else {
                    job->reason = "out of memory";
                }
            }
            ::unlink(job->page.c_str());
            stream.Done();
            std::lock_guard<std::mutex> guard(lock);
            job->encoded = true;
            encodedOne.notify_all();
        });
        publishReady(pages->size() > 1, false);
    }

    *engineCode = stream.Finish();
    m_lastPageStreamPeak = stream.PeakWaiting();
    {
        std::unique_lock<std::mutex> guard(lock);
        encodedOne.wait(guard, [&] {
            for (const auto &job : jobs)
                if (!job->encoded)
                    return false;
            return true;
        });
    }
    if (stream.Cut()) {
        // The pages already handed over keep their outputs (their names are
        // known: at least one more page exists); the rest go.
        ViewStatus(row, kStatusAborted);
        *aborted = true;
        for (auto it = jobs.begin(); it != jobs.end();) {
            if ((*it)->written) {
                ++it;
                continue;
            }
            if (!(*it)->temp.empty())
                ::unlink((*it)->temp.c_str());
            it = jobs.erase(it);
        }
        publishReady(true, false);
        for (const auto &job : jobs)
            ::unlink(job->temp.c_str());
        jobs.clear();
    } else {
        publishReady(true, pages->size() == 1);
    }

    // Anything else the engine left is removed with the folder.
    for (const std::string &f : ListPageFiles(folder))
        ::unlink(f.c_str());
    ::rmdir(folder.c_str());
    return all && published > 0;
}
