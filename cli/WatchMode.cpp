// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "cli/WatchMode.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cli/CliRun.h"
#include "cli/RowLine.h"
#include "common/AtomicFile.h"
#include "common/InputCheck.h"
#include "convert/ConversionRun.h"
#include "convert/EngineModule.h"
#include "convert/PathRules.h"
#include "convert/ProgramFiles.h"
#include "convert/RunFiles.h"
#include "convert/TempFiles.h"
#include "convert/UpToDate.h"
#include "settings/ConvertSettings.h"

namespace {

// A file descriptor closed with its owner.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return m_fd; }
    void Reset(int fd) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

// How the one row of a slot's run ended; "Aborted" until it reports.
class WatchView : public ConversionView {
public:
    void Reset() { m_outcome = {RowStatus::Aborted, {}, {}}; }
    void SelectOnly(int) override {}
    void SetConverting(int, int) override {}
    void SetProgress(int) override {}
    void SetSelectedText(const std::string &) override {}
    void RestoreIdle() override {}
    void RowFinished(int, const RowOutcome &outcome) override { m_outcome = outcome; }

    RowOutcome m_outcome{RowStatus::Aborted, {}, {}};
};

// One file converting at a time: its own run, reused file after file.
struct Slot {
    WatchView view;
    std::unique_ptr<ConversionRun> run;
    bool busy = false;
    bool stopAsked = false;
    std::string name; // the source's name in IN
    FileMark mark;    // the source as it was when its row started
};

// True for the names the watch converts: PostScript names, not hidden (a
// program writing through a hidden temporary file renames it when done).
bool WatchedName(const std::string &name) {
    return !name.empty() && name[0] != '.' && name.find('/') == std::string::npos &&
           IsPostScriptName(name);
}

// True when some process holds `path` open for writing: a read lease is
// refused exactly then. When the lease can't be asked for at all (a file of
// another owner, a file system without leases) the close that announced
// the file is taken as the evidence instead.
bool OpenForWriting(const std::string &path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool writing = false;
    if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0)
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
    else
        writing = errno == EAGAIN;
    ::close(fd);
    return writing;
}

// Copy the regular file `from` into `copy`, a temporary opened beside where
// it goes, with the source's permissions, and sync it: the source is
// removed once the copy is placed, so the copy must be on disk first. 0 or
// the errno.
int CopyInto(const std::string &from, AtomicFile &copy) {
    // Not blocking and not through a link: only a regular file is copied
    // (a named pipe with no writer would hold the watch for good).
    int in = ::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0)
        return errno;
    struct stat st {};
    int err = ::fstat(in, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : EXDEV;
    if (err == 0)
        copy.SetMode(st.st_mode & 07777); // the copy keeps the source's permissions
    char buf[65536];
    while (err == 0) {
        ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            err = n < 0 ? errno : 0;
            break;
        }
        for (ssize_t done = 0; done < n && err == 0;) {
            ssize_t w = ::write(copy.Fd(), buf + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno != EINTR)
                err = errno;
            else if (w > 0)
                done += w;
        }
    }
    ::close(in);
    return err != 0 ? err : copy.Sync();
}

// Place `source` under `name` without replacing anything: moved in one step,
// or, when `name` is on another file system, through a synced copy that
// takes the name and then the removal of the source. 0, or the errno
// (EEXIST: the name is taken; `*copy` is then kept for the next name).
int PlaceAside(const std::string &source, const std::string &name, AtomicFile *copy) {
    if (!copy->IsOpen()) {
        int err = PlaceFile(source, name, Placement::KeepExisting);
        if (err != EXDEV)
            return err;
        if ((err = copy->Open(name)) != 0 || (err = CopyInto(source, *copy)) != 0) {
            copy->Discard();
            return err;
        }
    }
    if (int err = copy->CommitAs(name, Placement::KeepExisting))
        return err;
    copy->SyncFolder();
    ::unlink(source.c_str());
    return 0;
}

// Move `source` into `folder` under its own name, or under the first free
// numbered name when that is taken; never over anything. The final path in
// `*moved`; 0 on success, else the errno (`source` is then where it was).
int MoveAside(const std::string &source, const std::string &folder, std::string *moved) {
    CreatePath(folder);
    const std::string wanted = folder + SplitPath(source).base + SplitPath(source).ext;
    std::set<std::string> tried;
    AtomicFile copy; // the source's copy when the folder is on another file system
    for (;;) {
        std::string name = MakeUniqueName(
            wanted, [&tried](const std::string &p) { return tried.count(p) > 0 || PathTaken(p); });
        if (name.empty())
            return FitsPlatformLimits(wanted) ? EEXIST : ENAMETOOLONG;
        tried.insert(name);
        if (int err = PlaceAside(source, name, &copy); err != EEXIST) {
            if (err == 0)
                *moved = name;
            return err;
        }
    }
}

// Write `text` and a newline as the file `path`, through a temporary put
// over it in one step. False when it could not be written.
bool WriteReasonFile(const std::string &path, const std::string &text) {
    AtomicFile file;
    if (file.Open(path) != 0)
        return false;
    std::string line = text + "\n";
    return ::write(file.Fd(), line.data(), line.size()) == static_cast<ssize_t>(line.size()) &&
           file.Commit(Placement::Replace) == 0;
}

// Two sources whose outputs may take the same names: the same base, or one
// base followed by a page or copy number ("a" and "a_001", "a-01").
bool OutputsMayMeet(const std::string &a, const std::string &b) {
    const std::string &shorter = a.size() <= b.size() ? a : b;
    const std::string &longer = a.size() <= b.size() ? b : a;
    if (longer.compare(0, shorter.size(), shorter) != 0)
        return false;
    return longer.size() == shorter.size() || longer[shorter.size()] == '_' ||
           longer[shorter.size()] == '-';
}

class Watcher {
public:
    Watcher(const CliOptions &options, ConvertSettings settings, const EngineModule &engine,
            const ExtractorModule &extractor, std::FILE *out, std::FILE *err)
        : m_options(options), m_settings(std::move(settings)), m_engine(engine), m_out(out),
          m_err(err) {
        m_in = options.watchFolder;
        m_done = options.doneFolder.empty() ? m_in + "done/" : options.doneFolder;
        m_failed = options.failedFolder.empty() ? m_in + "failed/" : options.failedFolder;
        m_slots.resize(static_cast<std::size_t>(std::max(1, options.jobs)));
        for (Slot &s : m_slots) {
            s.run = std::make_unique<ConversionRun>(s.view, engine, extractor, SystemTempFolder());
            s.run->SetPacing(RunPacing::None());
            s.run->SetEndNotice([this] {
                uint64_t one = 1;
                ssize_t n = ::write(m_wake.get(), &one, sizeof one);
                (void)n;
            });
        }
    }

    int Run();

private:
    bool SetUp();
    void Scan();
    void Queue(const std::string &name);
    void StartWhatFits();
    bool StartNext(Slot &slot);
    void Finish(Slot &slot);
    void ReadEvents();
    void ReadSignals();
    void StopAll(bool now);
    void Log(const std::string &line);
    void Notice(const std::string &line);
    bool AnyBusy() const;

    const CliOptions &m_options;
    ConvertSettings m_settings;
    const EngineModule &m_engine;
    std::FILE *m_out;
    std::FILE *m_err;
    std::string m_in, m_done, m_failed;

    Fd m_inotify;
    Fd m_signals;
    Fd m_wake{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
    std::vector<Slot> m_slots; // sized once: each run holds its slot's view

    std::deque<std::string> m_queue; // names waiting, oldest first
    std::set<std::string> m_queued;
    bool m_stopping = false;
    bool m_stoppedNow = false;
    // The log's descriptor while a reader that goes away should stop the
    // watch (-1: not watched, or already noticed).
    int m_outFd = -1;
    int m_interrupts = 0;
    int m_status = 0;
};

bool Watcher::SetUp() {
    struct stat st {};
    if (::stat(m_in.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::fprintf(m_err, "vantoria-cli: %s: no such folder\n", m_in.c_str());
        return false;
    }
    if (m_done == m_in || m_failed == m_in) {
        std::fprintf(m_err, "vantoria-cli: --done and --failed must not be the watched folder\n");
        return false;
    }
    for (const std::string &folder : {m_done, m_failed}) {
        CreatePath(folder);
        if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            std::fprintf(m_err, "vantoria-cli: %s: can't make this folder\n", folder.c_str());
            return false;
        }
    }

    sigset_t set;
    sigemptyset(&set);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        sigaddset(&set, sig);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    m_signals.Reset(::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK));

    // The watch comes first, so no file is missed between the listing and it.
    m_inotify.Reset(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (m_inotify.get() < 0 || m_signals.get() < 0 || m_wake.get() < 0 ||
        ::inotify_add_watch(m_inotify.get(), m_in.c_str(),
                            IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF |
                                IN_ONLYDIR) < 0) {
        std::fprintf(m_err, "vantoria-cli: %s: can't watch this folder: %s\n", m_in.c_str(),
                     std::strerror(errno));
        return false;
    }
    return true;
}

// Every watched name in IN now, in name order.
void Watcher::Scan() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(m_in, ec)) {
        std::string name = entry.path().filename().string();
        if (WatchedName(name))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string &name : names)
        Queue(name);
}

void Watcher::Queue(const std::string &name) {
    if (!WatchedName(name) || m_queued.count(name) > 0)
        return;
    for (const Slot &s : m_slots)
        if (s.busy && s.name == name)
            return; // its row checks afterwards whether it changed meanwhile
    m_queue.push_back(name);
    m_queued.insert(name);
}

bool Watcher::AnyBusy() const {
    for (const Slot &s : m_slots)
        if (s.busy)
            return true;
    return false;
}

void Watcher::StartWhatFits() {
    for (Slot &s : m_slots)
        if (!s.busy && !StartNext(s))
            return;
}

// Start the oldest waiting file whose outputs can't meet those of a row in
// progress; false when none could be started.
bool Watcher::StartNext(Slot &slot) {
    for (std::size_t i = 0; i < m_queue.size();) {
        const std::string name = m_queue[i];
        const std::string base = InputBaseName(name);
        bool meets = false;
        for (const Slot &s : m_slots)
            if (s.busy && OutputsMayMeet(base, InputBaseName(s.name)))
                meets = true;
        if (meets) {
            ++i;
            continue;
        }
        m_queue.erase(m_queue.begin() + static_cast<std::ptrdiff_t>(i));
        m_queued.erase(name);

        const std::string path = m_in + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            Notice(path + ": gone before its turn");
            continue;
        }
        if (S_ISDIR(st.st_mode))
            continue;
        if (S_ISREG(st.st_mode) && OpenForWriting(path))
            continue; // its close brings it back
        // The watch moves its sources: a link in IN is refused, not followed.
        const std::string refusal = CheckInput(path, InputLook::Content, InputLinks::Refuse);
        if (refusal == kInputMissing) {
            Notice(path + ": gone before its turn");
            continue;
        }
        if (!refusal.empty()) {
            std::string moved;
            Log(RowLine(StatusText(RowStatus::Failed), path, refusal, {}));
            if (int e = MoveAside(path, m_failed, &moved); e != 0)
                Notice(path + ": can't move it to " + m_failed + ": " + std::strerror(e));
            else
                WriteReasonFile(moved + ".reason", refusal);
            continue;
        }

        if (!UpToDateOutputs(m_settings, {path, {}}).empty()) {
            // Its outputs are newer than it: converted already.
            std::string moved;
            Log(RowLine(kSkippedLine, path, kUpToDateReason, {}));
            if (int e = MoveAside(path, m_done, &moved); e != 0)
                Notice(path + ": can't move it to " + m_done + ": " + std::strerror(e));
            else
                WriteReasonFile(moved + ".reason", kUpToDateReason);
            continue;
        }

        slot.view.Reset();
        slot.name = name;
        slot.mark = MarkOf(path);
        slot.stopAsked = false;
        if (!slot.run->Start(m_settings, {path})) {
            Notice(path + ": can't start its conversion");
            m_queue.push_front(name);
            m_queued.insert(name);
            return false;
        }
        slot.busy = true;
        return true;
    }
    return false;
}

void Watcher::Finish(Slot &slot) {
    slot.run->Wait();
    slot.busy = false;
    const std::string path = m_in + slot.name;
    const RowOutcome &outcome = slot.view.m_outcome;
    const RowStatus status =
        outcome.status == RowStatus::Failed && slot.stopAsked ? RowStatus::Aborted : outcome.status;

    switch (status) {
    case RowStatus::Succeed: {
        Log(RowLine(StatusText(status), path, outcome.note, outcome.outputs));
        if (WrittenSince(slot.mark, path)) {
            // Written again while it converted: the new content's turn.
            Queue(slot.name);
            return;
        }
        std::string moved;
        if (int e = MoveAside(path, m_done, &moved); e != 0)
            Notice(path + ": can't move it to " + m_done + ": " + std::strerror(e));
        return;
    }
    case RowStatus::Failed: {
        std::string reason = outcome.reason.empty() ? "conversion failed" : outcome.reason;
        Log(RowLine(StatusText(status), path, reason, {}));
        std::string moved;
        if (int e = MoveAside(path, m_failed, &moved); e != 0)
            Notice(path + ": can't move it to " + m_failed + ": " + std::strerror(e));
        else if (!WriteReasonFile(moved + ".reason", reason))
            Notice(moved + ".reason: can't write it");
        return;
    }
    default:
        // Stopped: the row left no output; the source stays for the next
        // start.
        Log(std::string(StatusText(RowStatus::Aborted)) + "  " + path);
        return;
    }
}

void Watcher::ReadEvents() {
    alignas(struct inotify_event) char buf[16384];
    for (;;) {
        ssize_t n = ::read(m_inotify.get(), buf, sizeof buf);
        if (n <= 0)
            return;
        for (char *p = buf; p < buf + n;) {
            const auto *ev = reinterpret_cast<const struct inotify_event *>(p);
            p += sizeof(struct inotify_event) + ev->len;
            if (ev->mask & IN_Q_OVERFLOW) {
                Scan(); // events were lost: the folder itself says what is there
            } else if (ev->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) {
                if (m_status == 0)
                    std::fprintf(m_err, "vantoria-cli: %s: the watched folder is gone\n",
                                 m_in.c_str());
                m_status = 1;
                StopAll(true);
            } else if (ev->len > 0 && !(ev->mask & IN_ISDIR)) {
                Queue(ev->name);
            }
        }
    }
}

void Watcher::ReadSignals() {
    struct signalfd_siginfo info {};
    while (::read(m_signals.get(), &info, sizeof info) == sizeof info) {
        if (info.ssi_signo != SIGINT) {
            StopAll(true);
            continue;
        }
        if (m_stoppedNow || ++m_interrupts >= 3)
            std::_Exit(1);
        if (m_interrupts == 1) {
            Notice("stopping: the files being converted finish or stop (again to stop at "
                   "once)");
            StopAll(false);
        } else {
            StopAll(true);
        }
    }
}

void Watcher::StopAll(bool now) {
    m_stopping = true;
    m_stoppedNow = m_stoppedNow || now;
    for (Slot &s : m_slots) {
        if (!s.busy)
            continue;
        s.stopAsked = true;
        if (now)
            s.run->StopNow();
        else
            s.run->RequestStop();
    }
}

void Watcher::Log(const std::string &line) {
    if (m_options.quiet)
        return;
    std::fprintf(m_out, "%s\n", line.c_str());
    if (std::fflush(m_out) != 0 && errno == EPIPE && !m_stoppedNow)
        StopAll(true); // nobody reads the log any more
}

void Watcher::Notice(const std::string &line) {
    std::fprintf(m_err, "vantoria-cli: %s\n", line.c_str());
    std::fflush(m_err);
}

int Watcher::Run() {
    if (!SetUp())
        return 1;
    if (!m_options.quiet)
        Notice("watching " + m_in + " (done: " + m_done + ", failed: " + m_failed + "; " +
               ConfinementLine(m_engine) + ")");
    Scan();
    m_outFd = m_options.quiet ? -1 : ::fileno(m_out);
    for (;;) {
        if (!m_stopping)
            StartWhatFits();
        if (m_stopping && !AnyBusy())
            break;
        // A log whose reader has gone (a closed pipe) shows as an error on
        // its descriptor at once, not only at the next line written.
        pollfd fds[4] = {{m_wake.get(), POLLIN, 0},
                         {m_signals.get(), POLLIN, 0},
                         {m_inotify.get(), POLLIN, 0},
                         {m_outFd, 0, 0}};
        if (::poll(fds, 4, -1) < 0)
            continue;
        if (fds[3].revents) {
            m_outFd = -1; // answered once
            if ((fds[3].revents & (POLLERR | POLLHUP)) != 0 && !m_stoppedNow)
                StopAll(true); // nobody reads the log any more
        }
        if (fds[0].revents) {
            uint64_t count = 0;
            ssize_t n = ::read(m_wake.get(), &count, sizeof count);
            (void)n;
            for (Slot &s : m_slots)
                if (s.busy && !s.run->Running())
                    Finish(s);
        }
        if (fds[1].revents)
            ReadSignals();
        if (fds[2].revents)
            ReadEvents();
    }
    return m_status;
}

} // namespace

int RunWatch(const CliOptions &optionsIn, std::FILE *out, std::FILE *err) {
    // The output goes beside the source unless the command line says where.
    CliOptions options = optionsIn;
    options.edits.insert(options.edits.begin(), SettingEdit{"Set", "mode", "0"});
    ConvertSettings settings;
    LoadCliSettings(options, err, settings);
    // Unattended, no file may hold up the rest: a time limit unless the
    // settings or the command line give one (0 among them: none).
    const bool limitGiven = std::any_of(options.edits.begin(), options.edits.end(),
                                        [](const SettingEdit &e) { return e.key == "timelimit"; });
    if (!limitGiven && settings.m_nTimeLimit == 0)
        settings.m_nTimeLimit = kWatchTimeLimitSeconds;

    EngineModule engine;
    ExtractorModule extractor;
    if (!LoadCliModules(engine, extractor, err))
        return 1;
    int status = 0;
    {
        Watcher watcher(options, settings, engine, extractor, out, err);
        status = watcher.Run();
    }
    FreeExtractorModule(extractor);
    FreeEngineModule(engine);
    return status;
}
