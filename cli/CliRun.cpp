#include "cli/CliRun.h"

#include <dirent.h>
#include <dlfcn.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "convert/ConversionRun.h"
#include "convert/EngineModule.h"
#include "convert/TempFiles.h"
#include "modules/tessarin/Tessarin.h"
#include "settings/ConvertSettings.h"
#include "settings/SettingsStore.h"

namespace {

// The view of a run without a window: statuses are kept per row, a finished
// row prints its line, the progress bar is redrawn in place.
class CliView : public ConversionView {
public:
    CliView(const std::vector<std::string> &rows, std::FILE *out, std::FILE *err, bool bar,
            bool quiet)
        : m_rows(rows), m_status(rows.size()), m_out(out), m_err(err), m_bar(bar), m_quiet(quiet) {}

    void SelectOnly(int) override {}
    void SetStatus(int row, const std::string &text) override {
        if (row >= 0 && static_cast<std::size_t>(row) < m_status.size())
            m_status[static_cast<std::size_t>(row)] = text;
    }
    void SetProgress(int position) override {
        m_position = position;
        DrawBar();
    }
    void SetSelectedText(const std::string &) override {}
    void RestoreIdle() override { ClearBar(); }
    void RowFinished(int row) override {
        ++m_finished;
        if (!m_quiet) {
            ClearBar();
            std::fprintf(m_out, "%s  %s\n", m_status[static_cast<std::size_t>(row)].c_str(),
                         m_rows[static_cast<std::size_t>(row)].c_str());
            std::fflush(m_out);
        }
        DrawBar();
    }

    const std::vector<std::string> &Statuses() const { return m_status; }

private:
    void DrawBar() {
        if (!m_bar || m_quiet)
            return;
        const int width = 30;
        int filled = m_position * width / 100;
        std::string bar(static_cast<std::size_t>(filled), '#');
        bar.append(static_cast<std::size_t>(width - filled), '.');
        std::fprintf(m_err, "\r[%s] %3d%%  %d/%zu", bar.c_str(), m_position, m_finished,
                     m_rows.size());
        std::fflush(m_err);
        m_drawn = true;
    }
    void ClearBar() {
        if (m_drawn) {
            std::fputs("\r\033[K", m_err);
            std::fflush(m_err);
            m_drawn = false;
        }
    }

    const std::vector<std::string> &m_rows;
    std::vector<std::string> m_status;
    std::FILE *m_out;
    std::FILE *m_err;
    bool m_bar;
    bool m_quiet;
    int m_position = 0;
    int m_finished = 0;
    bool m_drawn = false;
};

std::string DefaultProfile() {
    return SettingsFilePath(SystemMajorVersion(), ProgramFolder(), ConfigFolder());
}

} // namespace

int KillChildProcesses() {
    const pid_t self = ::getpid();
    int killed = 0;
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return 0;
    while (struct dirent *e = ::readdir(proc)) {
        char *end = nullptr;
        long pid = std::strtol(e->d_name, &end, 10);
        if (pid <= 0 || *end != '\0')
            continue;
        std::string statPath = std::string("/proc/") + e->d_name + "/stat";
        std::FILE *f = std::fopen(statPath.c_str(), "re");
        if (!f)
            continue;
        char buf[1024];
        size_t n = std::fread(buf, 1, sizeof buf - 1, f);
        std::fclose(f);
        buf[n] = '\0';
        // The command name may hold blanks and parentheses: the fields that
        // follow start after the last ')'.
        char *close = std::strrchr(buf, ')');
        if (!close)
            continue;
        char state = 0;
        long ppid = 0;
        if (std::sscanf(close + 1, " %c %ld", &state, &ppid) == 2 && ppid == self) {
            if (::kill(static_cast<pid_t>(pid), SIGKILL) == 0)
                ++killed;
        }
    }
    ::closedir(proc);
    return killed;
}

int RunCli(const CliOptions &options, std::FILE *out, std::FILE *err, bool progressBar) {
    ConvertSettings settings;
    std::string profile = options.profile.empty() ? DefaultProfile() : options.profile;
    if (!options.profile.empty() && !std::filesystem::exists(profile))
        std::fprintf(err, "vantoria-cli: %s: no such settings file, using the defaults\n",
                     profile.c_str());
    LoadAllSettings(profile, settings);
    ApplyEdits(options.edits, settings);

    int refused = 0;
    std::vector<std::string> rows;
    for (const std::string &file : options.files) {
        std::string why = InputRefusal(file);
        if (!why.empty()) {
            std::fprintf(err, "vantoria-cli: %s: %s\n", file.c_str(), why.c_str());
            ++refused;
            continue;
        }
        std::error_code ec;
        std::filesystem::path abs = std::filesystem::absolute(file, ec);
        rows.push_back(ec ? file : abs.lexically_normal().string());
    }

    if (settings.m_nOutputKind < 0 || settings.m_nOutputKind > 2)
        std::fprintf(err, "vantoria-cli: output kind %d is none of image, pdf, text\n",
                     settings.m_nOutputKind);

    EngineModule engine;
    ExtractorModule extractor;
    int status = 0;
    std::vector<std::string> statuses;
    if (!rows.empty()) {
        std::string folder = ProgramFolder();
        if (!LoadEngineModule(folder + "tessarin.so", engine)) {
            std::fprintf(err, "vantoria-cli: cannot load %stessarin.so\n", folder.c_str());
            FreeEngineModule(engine);
            return 1;
        }
        if (!LoadExtractorModule(folder + "lumbrel.so", extractor)) {
            std::fprintf(err, "vantoria-cli: cannot load %slumbrel.so\n", folder.c_str());
            FreeExtractorModule(extractor);
            FreeEngineModule(engine);
            return 1;
        }

        CliView view(rows, out, err, progressBar, options.quiet);
        ConversionRun run(view, engine, extractor, SystemTempFolder());
        run.SetPacing(RunPacing::None());
        run.SetJobs(options.jobs);

        // Stop requests arrive as signals, taken on a thread of their own.
        std::atomic<bool> done{false};
        std::thread stopper([&] {
            sigset_t set;
            sigemptyset(&set);
            sigaddset(&set, SIGINT);
            sigaddset(&set, SIGTERM);
            sigaddset(&set, SIGUSR1);
            int presses = 0;
            for (;;) {
                int sig = 0;
                if (sigwait(&set, &sig) != 0)
                    continue;
                if (sig == SIGUSR1 && done.load())
                    return;
                if (sig == SIGUSR1)
                    continue;
                ++presses;
                if (presses == 1) {
                    run.RequestStop();
                    if (!options.quiet)
                        std::fputs("\nvantoria-cli: stopping after the current file "
                                   "(again to stop at once)\n",
                                   err);
                } else if (presses == 2) {
                    run.RequestStop();
                    // Kill until the run has wound down: a row may be about
                    // to start an interpreter as the first kill goes out.
                    auto killRunning = reinterpret_cast<TessarinKillRunningFn>(
                        ::dlsym(engine.handle, TESSARIN_KILL_RUNNING_SYMBOL));
                    const timespec tick = {0, 20 * 1000 * 1000};
                    while (!done.load() && run.m_bRunning.load()) {
                        if (killRunning)
                            killRunning();
                        else
                            KillChildProcesses();
                        // A further Ctrl+C meanwhile ends the process.
                        int more = sigtimedwait(&set, nullptr, &tick);
                        if (more == SIGINT || more == SIGTERM)
                            std::_Exit(1);
                    }
                    return;
                } else {
                    std::_Exit(1);
                }
            }
        });

        if (run.Start(settings, rows))
            run.Wait();
        done = true;
        ::pthread_kill(stopper.native_handle(), SIGUSR1);
        stopper.join();
        statuses = view.Statuses();
        FreeExtractorModule(extractor);
        FreeEngineModule(engine);
    }

    int succeeded = 0, failed = refused, stopped = 0;
    for (const std::string &s : statuses) {
        if (s == kStatusSucceed)
            ++succeeded;
        else if (s == kStatusFailed)
            ++failed;
        else
            ++stopped; // "Aborted", never reached, or stopped after its last test
    }
    if (!options.quiet)
        std::fprintf(out, "%d succeeded, %d failed, %d stopped\n", succeeded, failed, stopped);
    status = (failed == 0 && stopped == 0 && succeeded > 0) ? 0 : 1;
    return status;
}
