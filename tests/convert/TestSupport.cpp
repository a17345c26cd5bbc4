#include "TestSupport.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testsupport {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "vantoria-test-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = std::string(buf.data()) + "/";
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

void WritePs(const std::string &path, const PsOptions &o) {
    std::ostringstream ps;
    if (o.broken) {
        ps << "%!PS\n/Helvetica findfont 12 scalefont setfont\n72 72 moveto (half) show\n"
              "this_is_not_an_operator\nshowpage\n";
        WriteAll(path, ps.str());
        return;
    }
    std::string name = fs::path(path).filename().string();
    std::string safe;
    for (char c : name)
        if (c != '(' && c != ')' && c != '\\')
            safe += c;
    ps << "%!PS-Adobe-3.0\n%%Pages: " << o.pages << "\n";
    for (int k = 1; k <= o.pages; ++k) {
        int w = o.widthStep ? 200 + k * o.widthStep : 612;
        int h = o.widthStep ? 300 : 792;
        ps << "%%Page: " << k << " " << k << "\n";
        ps << "<< /PageSize [" << w << " " << h << "] >> setpagedevice\n";
        if (o.colour) {
            ps << "1 0 0 setrgbcolor 10 10 " << (w / 3) << " 40 rectfill\n";
            ps << "0 0.6 0 setrgbcolor " << (w / 3 + 10) << " 10 " << (w / 4) << " 40 rectfill\n";
            ps << "0 0 1 setrgbcolor 10 60 60 60 rectfill\n";
        }
        ps << "0 0 0 setrgbcolor /Helvetica findfont 14 scalefont setfont\n";
        ps << "20 " << (h - 40) << " moveto (Page " << k << " of " << safe << ") show\n";
        ps << "20 " << (h - 60) << " moveto (Quick brown fox line two) show\n";
        ps << "showpage\n";
    }
    if (o.quitAtEnd)
        ps << "quit\n";
    ps << "%%EOF\n";
    WriteAll(path, ps.str());
}

std::string ReadAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool Exists(const std::string &path) {
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

void CreateFolder(const std::string &path) {
    fs::create_directories(path);
}

std::vector<std::string> ListNames(const std::string &folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto &e : fs::directory_iterator(folder, ec))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const EngineModule &Engine() {
    static EngineModule m = [] {
        EngineModule e;
        if (!LoadEngineModule(std::string(VANTORIA_BIN_DIR) + "/tessarin.so", e))
            throw std::runtime_error("tessarin.so did not load");
        return e;
    }();
    return m;
}

const ExtractorModule &Extractor() {
    static ExtractorModule m = [] {
        // Without the module the PDF and text tests fail on their own; the
        // image tests need none.
        ExtractorModule e;
        if (!LoadExtractorModule(std::string(VANTORIA_BIN_DIR) + "/lumbrel.so", e))
            e = ExtractorModule{};
        return e;
    }();
    return m;
}

void RecordingView::Record(const std::string &event) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_events.push_back(event);
    }
    if (onEvent)
        onEvent(event);
}

std::vector<std::string> RecordingView::Events() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_events;
}

std::vector<std::string> RecordingView::EventsMatching(const std::string &prefix) const {
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<std::string> out;
    for (const std::string &e : m_events)
        if (e.rfind(prefix, 0) == 0)
            out.push_back(e);
    return out;
}

std::string RecordingView::Reason(int row) const {
    std::lock_guard<std::mutex> lock(m_lock);
    if (row < 0 || static_cast<std::size_t>(row) >= m_reason.size())
        return {};
    return m_reason[static_cast<std::size_t>(row)];
}

int RunInChild(const std::function<int()> &body, long long fileSizeLimit) {
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        if (fileSizeLimit > 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit {};
            limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(fileSizeLimit);
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                ::_exit(120);
        }
        int code = body();
        ::_exit(code);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string RecordingView::Status(int row) const {
    std::lock_guard<std::mutex> lock(m_lock);
    if (row < 0 || static_cast<std::size_t>(row) >= m_status.size())
        return {};
    return m_status[static_cast<std::size_t>(row)];
}

} // namespace testsupport
