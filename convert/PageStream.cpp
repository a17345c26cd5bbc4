// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/PageStream.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <system_error>

#include "convert/TempFiles.h"

namespace {

void Poke(int eventFd) {
    if (eventFd < 0)
        return;
    uint64_t one = 1;
    ssize_t n = ::write(eventFd, &one, sizeof one);
    (void)n;
}

} // namespace

PageStream::PageStream(std::string folder, int bound)
    : m_folder(std::move(folder)), m_bound(bound < 1 ? 1 : bound) {
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_inotify = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (m_inotify >= 0 &&
        ::inotify_add_watch(m_inotify, m_folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO) < 0) {
        ::close(m_inotify);
        m_inotify = -1;
    }
}

PageStream::~PageStream() {
    ResumeEngine();
    if (m_engineThread.joinable())
        m_engineThread.join();
    if (m_inotify >= 0)
        ::close(m_inotify);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void PageStream::Start(std::function<int()> engine) {
    m_engineThread =
        std::thread([this, engine = std::move(engine)]() mutable { RunEngine(std::move(engine)); });
}

void PageStream::RunEngine(std::function<int()> engine) {
    m_engineTid = static_cast<int>(::gettid());
    int code = engine();
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_engineCode = code;
        m_engineTid = 0;
    }
    m_engineEnded = true;
    Poke(m_wakeFd);
}

std::string PageStream::PagePath(int k) const {
    return PageFileName(m_folder, k);
}

bool PageStream::IsPlainFile(const std::string &path) const {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Whether page m_next is complete: the engine has ended (read before
// looking at the files: pages complete before it ended are all on disk once
// it has), the engine has closed it, or the next page's file exists.
bool PageStream::PageComplete(bool ended) const {
    const std::string name = PagePath(m_next).substr(m_folder.size());
    return ended || m_closed.count(name) > 0 || IsPlainFile(PagePath(m_next + 1));
}

// Counts `page` as waiting and pauses the engine when the bound is reached.
std::string PageStream::HandOut(const std::string &page) {
    ++m_next;
    std::lock_guard<std::mutex> lock(m_lock);
    ++m_waiting;
    if (m_waiting > m_peakWaiting.load())
        m_peakWaiting = m_waiting;
    if (m_waiting >= m_bound)
        PauseEngine();
    return page;
}

std::string PageStream::Next() {
    for (;;) {
        if (!m_stopped.load() && m_stopTest && m_stopTest())
            Stop();
        const bool stopped = m_stopped.load();
        bool roomFree;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            roomFree = m_waiting < m_bound;
        }
        const bool ended = m_engineEnded.load();
        if ((roomFree || stopped) && PageComplete(ended)) {
            const std::string page = PagePath(m_next);
            if (!IsPlainFile(page)) {
                if (ended)
                    return {};
            } else if (stopped) {
                // A page the stop keeps from being converted: the rest of
                // the document is not wanted either.
                m_cut = true;
                KillEngine();
                return {};
            } else {
                return HandOut(page);
            }
        }
        if (!WaitForChange())
            return {};
    }
}

// Waits for a wake (Done, Stop, the engine's end), a closed file or the
// time-out; false when the wait itself failed.
bool PageStream::WaitForChange() {
    pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {m_inotify, POLLIN, 0}};
    // Without inotify the fallback rules are looked at on every wake.
    int n = ::poll(fds, m_inotify >= 0 ? 2 : 1, m_inotify >= 0 ? 100 : 50);
    if (n < 0 && errno != EINTR)
        return false;
    if (n <= 0)
        return true;
    if (fds[0].revents & POLLIN) {
        uint64_t count = 0;
        ssize_t r = ::read(m_wakeFd, &count, sizeof count);
        (void)r;
    }
    if (m_inotify >= 0 && (fds[1].revents & POLLIN))
        ReadClosedNames();
    return true;
}

void PageStream::ReadClosedNames() {
    alignas(inotify_event) char buffer[8192];
    ssize_t r;
    while ((r = ::read(m_inotify, buffer, sizeof buffer)) > 0) {
        for (char *p = buffer; p < buffer + r;) {
            auto *e = reinterpret_cast<inotify_event *>(p);
            if (e->len > 0)
                m_closed.insert(e->name);
            p += sizeof(inotify_event) + e->len;
        }
    }
}

void PageStream::Done() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_waiting > 0)
            --m_waiting;
        if (m_waiting < m_bound)
            ResumeLocked();
    }
    Poke(m_wakeFd);
}

// Sends `sig` to the engine's interpreter through the module; how many got
// it (0 without the module's entry point or once the engine has returned).
int PageStream::SignalEngine(int sig) {
    const int tid = m_engineTid.load();
    if (!m_signalThreadRun || tid == 0)
        return 0;
    return m_signalThreadRun(tid, sig);
}

// With m_lock held.
void PageStream::PauseEngine() {
    if (m_paused || m_stopped.load())
        return;
    if (SignalEngine(SIGSTOP) == 0)
        return;
    m_paused = true;
    ++m_pauses;
}

// With m_lock held.
void PageStream::ResumeLocked() {
    if (!m_paused)
        return;
    SignalEngine(SIGCONT);
    m_paused = false;
}

void PageStream::ResumeEngine() {
    std::lock_guard<std::mutex> lock(m_lock);
    ResumeLocked();
}

void PageStream::Stop() {
    m_stopped = true;
    // A paused engine finishes the page it is drawing, so the stream can
    // tell whether anything is left.
    ResumeEngine();
    Poke(m_wakeFd);
}

void PageStream::KillEngine() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_engineEnded.load())
        return;
    SignalEngine(SIGKILL);
}

int PageStream::Finish() {
    ResumeEngine();
    if (m_engineThread.joinable())
        m_engineThread.join();
    std::lock_guard<std::mutex> lock(m_lock);
    return m_engineCode;
}
