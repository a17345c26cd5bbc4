// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/PageQueue.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

namespace {

int OpenPidfd(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

int SendSignal(int pidfd, int sig) {
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, sig, nullptr, 0));
}

// The processes the thread `tid` of this process has started and not yet reaped.
std::vector<pid_t> ChildrenOf(int tid) {
    std::vector<pid_t> pids;
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/children");
    pid_t pid = 0;
    while (in >> pid)
        pids.push_back(pid);
    return pids;
}

// Descriptors for the children of `tid`. A pid is taken only when it is still
// listed after its descriptor was opened: an unreaped child keeps its pid, so
// the descriptor is then certainly that child's.
std::vector<int> ChildPidfds(int tid) {
    std::vector<int> fds;
    if (tid == 0)
        return fds;
    for (pid_t pid : ChildrenOf(tid)) {
        int fd = OpenPidfd(pid);
        if (fd < 0)
            continue;
        bool still = false;
        for (pid_t again : ChildrenOf(tid))
            still = still || again == pid;
        if (still)
            fds.push_back(fd);
        else
            ::close(fd);
    }
    return fds;
}

void Poke(int eventFd) {
    if (eventFd < 0)
        return;
    uint64_t one = 1;
    ssize_t n = ::write(eventFd, &one, sizeof one);
    (void)n;
}

} // namespace

// ---------------------------------------------------------------------------
// WorkerPool

WorkerPool::WorkerPool(int workers) {
    if (workers <= 0)
        workers = static_cast<int>(std::thread::hardware_concurrency());
    if (workers <= 0)
        workers = 1;
    for (int k = 0; k < workers; ++k) {
        try {
            m_threads.emplace_back([this] { Work(); });
        } catch (const std::system_error &) {
            break;
        }
    }
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_closing = true;
    }
    m_wake.notify_all();
    for (std::thread &t : m_threads)
        t.join();
}

void WorkerPool::Submit(std::function<void()> task) {
    if (m_threads.empty()) {
        task();
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_one();
}

void WorkerPool::Work() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_wake.wait(lock, [this] { return m_closing || !m_tasks.empty(); });
            if (m_tasks.empty())
                return;
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
    }
}

// ---------------------------------------------------------------------------
// PageStream

PageStream::PageStream(std::string folder, std::string base, int bound)
    : m_folder(std::move(folder)), m_base(std::move(base)), m_bound(bound < 1 ? 1 : bound) {
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
    char number[32];
    std::snprintf(number, sizeof number, "_%03d.bmp", k);
    return m_folder + m_base + number;
}

bool PageStream::IsPlainFile(const std::string &path) const {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
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
        if (roomFree || stopped) {
            // Read before looking at the files: pages complete before the
            // engine ended are all on disk once it has.
            const bool ended = m_engineEnded.load();
            const std::string page = PagePath(m_next);
            const std::string name = page.substr(m_folder.size());
            bool complete = ended || m_closed.count(name) > 0 || IsPlainFile(PagePath(m_next + 1));
            if (complete) {
                if (!IsPlainFile(page)) {
                    if (ended)
                        return {};
                } else if (stopped) {
                    // A page the stop keeps from being converted: the rest
                    // of the document is not wanted either.
                    m_cut = true;
                    KillEngine();
                    return {};
                } else {
                    ++m_next;
                    std::lock_guard<std::mutex> lock(m_lock);
                    ++m_waiting;
                    if (m_waiting > m_peakWaiting.load())
                        m_peakWaiting = m_waiting;
                    if (m_waiting >= m_bound)
                        PauseEngine();
                    return page;
                }
            }
        }
        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {m_inotify, POLLIN, 0}};
        // Without inotify the fallback rules are looked at on every wake.
        int n = ::poll(fds, m_inotify >= 0 ? 2 : 1, m_inotify >= 0 ? 100 : 50);
        if (n < 0 && errno != EINTR)
            return {};
        if (n <= 0)
            continue;
        if (fds[0].revents & POLLIN) {
            uint64_t count = 0;
            ssize_t r = ::read(m_wakeFd, &count, sizeof count);
            (void)r;
        }
        if (m_inotify >= 0 && (fds[1].revents & POLLIN)) {
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

// Sends `sig` to the engine's interpreter: the engine thread's own children,
// and the child a warm engine runs the thread's file in. How many got it.
int PageStream::SignalEngine(int sig) {
    int count = 0;
    const int tid = m_engineTid.load();
    if (m_signalThreadRun && tid != 0)
        count += m_signalThreadRun(tid, sig);
    for (int fd : ChildPidfds(tid)) {
        if (SendSignal(fd, sig) == 0)
            ++count;
        if (sig == SIGSTOP)
            m_pausedPidfds.push_back(fd);
        else
            ::close(fd);
    }
    return count;
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
    for (int fd : m_pausedPidfds) {
        SendSignal(fd, SIGCONT);
        ::close(fd);
    }
    m_pausedPidfds.clear();
    const int tid = m_engineTid.load();
    if (m_signalThreadRun && tid != 0)
        m_signalThreadRun(tid, SIGCONT);
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
