// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/WarmServer.h"

#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <list>

#include <ghostscript/gserrors.h>
#include <ghostscript/iapi.h>

#include "modules/tessarin/ScratchFolder.h"
#include "modules/tessarin/Tessarin.h"
#include "modules/tessarin/WarmProtocol.h"

namespace tessarin {
namespace {

using warm::Kind;
using warm::Message;

using warm::kOutputEntry;
// A server with no file for this long ends, so an idle program holds no
// interpreter; the next file starts a new one.
constexpr int kIdleMs = 60000;

// What the server does once started, one step at a time while no file is
// waiting: it loads the fonts most documents use, so that each child finds
// them built instead of reading them again (a fifth of a one-page letter's
// time), and a page renderer paints in each colour space once and erases the
// page, so the colour conversions are set up before a child needs them.
// It starts with the second file: what the server changes while a child
// runs costs that child (the pages they share are copied, each copy a flush
// of the address translations on both processors), and a run of a single
// long document would pay for fonts it never gets. They are the
// interpreter's standard fonts, which every file may use; nothing of any
// file's is ever in the server.
std::vector<std::string> WarmUpSteps(bool pages) {
    std::vector<std::string> steps;
    for (const char *font :
         {"Times-Roman", "Times-Bold", "Times-Italic", "Times-BoldItalic", "Helvetica",
          "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique", "Courier", "Courier-Bold",
          "Courier-Oblique", "Courier-BoldOblique", "Symbol"})
        steps.push_back(std::string("/") + font + " findfont pop");
    if (pages)
        steps.push_back(
            "gsave 0.5 setgray 0 0 1 1 rectfill 0.2 0.4 0.6 setrgbcolor 0 0 1 1 rectfill"
            " 0.1 0.2 0.3 0.4 setcmykcolor 0 0 1 1 rectfill grestore erasepage");
    return steps;
}

// The page a child of the server converts to learn which pages of memory a
// child writes (see WrittenPages.h): text in the common fonts and a colour.
constexpr char kSamplePage[] =
    "%!\n/Helvetica-Bold findfont 20 scalefont setfont 72 720 moveto (A sample page) show\n"
    "/Times-Roman findfont 11 scalefont setfont 72 690 moveto (The quick brown fox, 0123456789.) "
    "show\n0.2 0.4 0.6 setrgbcolor 72 500 200 80 rectfill showpage\n";
// How long the server waits for that child.
constexpr int kSampleMs = 5000;
// The most it keeps of what the child wrote.
constexpr size_t kMostSampleBytes = 64 << 20;
constexpr size_t kMostSampleRanges = 4096;

// Reads the page ranges child `pid` writes to `fd` to the end into `ranges`
// (which must hold more than kMostSampleRanges), and reaps the child;
// `ranges` is left empty when the child failed, sent more than it could have
// written or took longer than kSampleMs (it is killed then).
void ReadWrittenPages(int fd, pid_t pid, std::vector<PageRange> &ranges) {
    char *buffer = reinterpret_cast<char *>(ranges.data());
    const size_t capacity = ranges.size() * sizeof ranges[0];
    size_t got = 0;
    bool whole = false;
    while (got < capacity) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, kSampleMs) != 1)
            break;
        ssize_t n = read(fd, buffer + got, capacity - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            whole = n == 0;
            break;
        }
        got += static_cast<size_t>(n);
    }
    int status = 0;
    if (!whole)
        kill(pid, SIGKILL);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ranges.resize(got / sizeof ranges[0]);
    size_t total = 0;
    for (const PageRange &r : ranges)
        total += r.length;
    if (!whole || got % sizeof ranges[0] != 0 || ranges.size() > kMostSampleRanges ||
        total > kMostSampleBytes || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        ranges.clear();
}

// A child running one file.
struct Child {
    pid_t pid = 0;
    int pidfd = -1;
    int replyFd = -1;
    std::string scratch;
};

// The output entry of the fixed arguments names an idle file in `scratch`
// (with a page field when the caller's names one: `pages`). There is no
// input: the interpreter reads a file's document comments with a parser it
// starts once, so a file run by the server would leave that parser in the
// middle of a job, and every child would read its own file's header
// comments (title, orientation) otherwise than an interpreter run on that
// file alone.
bool IdleArguments(std::vector<std::string> &args, const std::string &scratch, bool *pages) {
    bool found = false;
    for (std::string &a : args) {
        if (a.rfind(kOutputEntry, 0) != 0)
            continue;
        *pages = a.find('%', sizeof kOutputEntry - 1) != std::string::npos;
        a = kOutputEntry + scratch + (*pages ? "/idle_%d.out" : "/idle.out");
        found = true;
    }
    return found;
}

// The regular files the interpreter holds open once started.
std::vector<int> OpenFiles(int skip) {
    std::vector<int> files;
    rlimit limit{};
    int top = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 4096
                  ? static_cast<int>(limit.rlim_cur)
                  : 4096;
    for (int fd = 0; fd < top; ++fd) {
        struct stat st {};
        if (fd != skip && fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
            files.push_back(fd);
    }
    return files;
}

// Confines the server, then starts the interpreter over the Init message's
// arguments; its code. `pages` tells whether the output is a file per page.
int StartInterpreter(WarmInterpreter &gs, int controlFd, const std::string &scratch,
                     const WarmConfinement &confine, bool *pages) {
    Message init;
    std::vector<std::string> args;
    if (warm::Receive(controlFd, &init) != 1 || init.kind != Kind::Init ||
        !warm::UnpackStrings(init.body, &args) || args.empty() || scratch.empty() ||
        !IdleArguments(args, scratch, pages)) {
        warm::CloseFds(init);
        return TESSARIN_E_CALL;
    }
    if (confine.server && confine.server(scratch, controlFd) != 0)
        return TESSARIN_E_CONFINE;
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    int code = gsapi_new_instance(&gs.instance, nullptr);
    if (code == 0)
        code = gsapi_set_arg_encoding(gs.instance, GS_ARG_ENCODING_UTF8);
    if (code == 0)
        code = gsapi_set_stdio_with_handle(gs.instance, ReadNothing, Keep, Keep, &gs.output);
    if (code == 0)
        code = gsapi_init_with_args(gs.instance, static_cast<int>(argv.size()), argv.data());
    gs.files = OpenFiles(controlFd);
    return code;
}

class Server {
public:
    Server(int controlFd, std::string scratch, const WarmConfinement &confine)
        : m_control(controlFd), m_scratch(std::move(scratch)), m_confine(confine) {}
    int Serve();

private:
    void Start(Message &message);
    void Refuse(int replyFd, int code, const std::string &why);
    void Reap(std::list<Child>::iterator child);
    void KillAll();
    std::vector<int> InheritedFds() const;
    bool WarmUp();
    void SamplePage();

    int m_control;
    std::string m_scratch;
    WarmConfinement m_confine;
    WarmInterpreter m_gs;
    std::list<Child> m_children;
    unsigned m_count = 0;
    bool m_pages = false; // the output is a file per page
    std::vector<std::string> m_warmUp;
    size_t m_warmedUp = 0; // how many of m_warmUp have run
    bool m_sampled = false;
};

int Server::Serve() {
    int code = StartInterpreter(m_gs, m_control, m_scratch, m_confine, &m_pages);
    bool ready = code == 0 || code == gs_error_Quit;
    warm::Send(m_control, Kind::Ready, warm::PackCode(code, FirstErrorLine(m_gs.output.text)));
    if (!ready)
        return 1;
    m_warmUp = WarmUpSteps(m_pages);
    for (;;) {
        std::vector<pollfd> fds{{m_control, POLLIN, 0}};
        for (const Child &c : m_children)
            fds.push_back({c.pidfd, POLLIN, 0});
        const bool warming = m_count >= 2 && !m_sampled;
        int n = poll(fds.data(), fds.size(), warming ? 0 : m_children.empty() ? kIdleMs : -1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 && warming && WarmUp())
            continue;
        if (n <= 0)
            break;
        auto child = m_children.begin();
        for (size_t i = 1; i < fds.size(); ++i) {
            auto next = std::next(child);
            if (fds[i].revents)
                Reap(child);
            child = next;
        }
        if (fds[0].revents == 0)
            continue;
        Message message;
        if (warm::Receive(m_control, &message) != 1)
            break;
        if (message.kind == Kind::File)
            Start(message);
        warm::CloseFds(message);
    }
    KillAll();
    return 0;
}

// Runs the next warm-up step, the sample page last; false when the
// interpreter can't go on.
bool Server::WarmUp() {
    if (m_warmedUp == m_warmUp.size()) {
        SamplePage();
        m_sampled = true;
        return true;
    }
    int exitCode = 0;
    int code = gsapi_run_string(m_gs.instance, m_warmUp[m_warmedUp++].c_str(), 0, &exitCode);
    if (code < 0 && code != gs_error_Quit)
        m_warmedUp = m_warmUp.size(); // the rest is left undone
    m_gs.output = Output{};
    m_gs.files = OpenFiles(m_control);
    return code > gs_error_Fatal;
}

// Converts the sample page in a child of the server's own and keeps the
// pages that child wrote, for every later child to copy as it starts. Run
// once, after the fonts are loaded: the interpreter doesn't change
// afterwards, so later children write where the sample's child did.
void Server::SamplePage() {
    const std::string folder = MakeScratchFolder(m_scratch);
    const std::string input = folder + "/sample.ps";
    int fds[2];
    if (!folder.empty() && (std::ofstream(input) << kSamplePage) && pipe2(fds, O_CLOEXEC) == 0) {
        WarmFile file;
        file.output = folder + (m_pages ? "/sample_%d.out" : "/sample.out");
        file.scratch = folder;
        file.server = getpid();
        // Made before the fork, so the child finds the server's memory as
        // later children will.
        m_gs.written.assign(kMostSampleRanges + 1, PageRange{});
        pid_t pid = fork();
        if (pid == 0) {
            for (int fd : InheritedFds())
                close(fd);
            close(fds[0]);
            RunSamplePage(m_gs, file, input, fds[1]);
        }
        close(fds[1]);
        if (pid > 0)
            ReadWrittenPages(fds[0], pid, m_gs.written);
        else
            m_gs.written.clear();
        close(fds[0]);
    }
    if (!folder.empty())
        RemoveScratchFolder(folder);
}

void Server::Refuse(int replyFd, int code, const std::string &why) {
    warm::Send(replyFd, Kind::Code, warm::PackCode(code, why));
    warm::Send(replyFd, Kind::Ended, warm::PackCode(0));
}

void Server::Start(Message &message) {
    if (message.fds.size() != 2)
        return;
    WarmFile file;
    file.confine = m_confine;
    file.inputFd = message.fds[0];
    file.replyFd = message.fds[1];
    file.output = message.body;
    file.scratch = MakeScratchFolder(m_scratch);
    file.server = getpid();
    ++m_count;
    if (file.scratch.empty()) {
        Refuse(file.replyFd, TESSARIN_E_START, "can't make the interpreter's scratch folder");
        return;
    }
    pid_t pid = fork();
    if (pid == 0) {
        for (int fd : InheritedFds())
            if (fd != file.inputFd && fd != file.replyFd)
                close(fd);
        RunWarmFile(m_gs, file);
    }
    int pidfd = pid > 0 ? static_cast<int>(syscall(SYS_pidfd_open, pid, 0)) : -1;
    if (pid < 0 || pidfd < 0) {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        RemoveScratchFolder(file.scratch);
        Refuse(file.replyFd, TESSARIN_E_START, "can't start the interpreter child");
        return;
    }
    warm::Send(file.replyFd, Kind::Started, warm::PackCode(pid), {pidfd});
    // The reply socket is the one descriptor of the message that stays.
    message.fds = {file.inputFd};
    m_children.push_back({pid, pidfd, file.replyFd, file.scratch});
}

// The descriptors a child must not keep: the control socket and what the
// server holds for the other children.
std::vector<int> Server::InheritedFds() const {
    std::vector<int> fds{m_control};
    for (const Child &c : m_children) {
        fds.push_back(c.pidfd);
        fds.push_back(c.replyFd);
    }
    return fds;
}

void Server::Reap(std::list<Child>::iterator child) {
    int status = 0;
    rusage usage{};
    pid_t reaped;
    do {
        reaped = wait4(child->pid, &status, 0, &usage);
    } while (reaped < 0 && errno == EINTR);
    RemoveScratchFolder(child->scratch);
    if (reaped == child->pid && EndedOutOfMemory(status, usage.ru_maxrss, DataLimitMiB()))
        warm::Send(child->replyFd, Kind::Code, warm::PackCode(TESSARIN_E_MEMORY, ""));
    warm::Send(child->replyFd, Kind::Ended, warm::PackCode(status));
    close(child->replyFd);
    close(child->pidfd);
    m_children.erase(child);
}

void Server::KillAll() {
    for (Child &c : m_children)
        kill(c.pid, SIGKILL);
    while (!m_children.empty())
        Reap(m_children.begin());
}

} // namespace

void ServeWarm(int controlFd, const WarmConfinement &confine) {
    // A child allocates and frees a great deal while it runs one file. By
    // default freed memory at the top of the heap goes back to the system and
    // is asked for again at once, and large blocks are mapped and unmapped
    // one by one; each return costs a flush of the address translations,
    // which dominated a small file's time. A child lives for one file, and
    // the server starts once, so both keep what they get.
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_TOP_PAD, 16 << 20);
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    fcntl(controlFd, F_SETFD, FD_CLOEXEC);
    const char *tmp = std::getenv("TMPDIR");
    const std::string scratch = tmp ? tmp : "";
    int status = Server(controlFd, scratch, confine).Serve();
    // The scratch folder goes even when the program that started the server
    // is gone; the interpreter is left as it is, so nothing it would do at
    // exit touches a file.
    if (!scratch.empty())
        RemoveScratchFolder(scratch);
    _exit(status);
}

} // namespace tessarin
