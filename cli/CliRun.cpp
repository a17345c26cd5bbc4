#include "cli/CliRun.h"

#include <signal.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/FileList.h"
#include "cli/RunReport.h"
#include "cli/StopSignals.h"
#include "convert/ConversionRun.h"
#include "convert/EngineModule.h"
#include "convert/OutputKind.h"
#include "convert/ProgramFiles.h"
#include "convert/TempFiles.h"
#include "settings/ConvertSettings.h"
#include "settings/SettingsLocation.h"
#include "settings/SettingsStore.h"

namespace {

using Clock = std::chrono::steady_clock;

// The reason of a row that ended without its own: stopped, or never reached.
constexpr const char kReasonStopped[] = "stopped";
constexpr const char kReasonNotReached[] = "not reached: the run was stopped";

// Writes to standard output, and stops the run at once when its reader is
// gone (the write fails with EPIPE as SIGPIPE is blocked).
class Output {
public:
    explicit Output(std::FILE *out) : m_out(out) {}
    void Line(const std::string &text) {
        if (m_closed)
            return;
        errno = 0;
        if (std::fputs(text.c_str(), m_out) < 0 || std::fflush(m_out) != 0) {
            if (errno == EPIPE) {
                m_closed = true;
                RaiseStop(SIGPIPE);
            } else {
                m_failed = true;
            }
            std::clearerr(m_out);
        }
    }
    bool Failed() const { return m_failed; }

private:
    std::FILE *m_out;
    bool m_closed = false;
    bool m_failed = false;
};

// The view of a run without a window: statuses, reasons, outputs and times
// are kept per row; a finished row prints its line and its report entry; the
// progress line follows the file started last.
class CliView : public ConversionView {
public:
    CliView(const std::vector<std::string> &rows, Output &out, ProgressLine &progress,
            RunReport &report, bool quiet)
        : m_rows(rows), m_status(rows.size()), m_reason(rows.size()), m_outputs(rows.size()),
          m_start(rows.size()), m_out(out), m_progress(progress), m_report(report), m_quiet(quiet) {
    }

    void SelectOnly(int) override {}
    void SetStatus(int row, const std::string &text) override {
        if (!Valid(row))
            return;
        std::size_t r = static_cast<std::size_t>(row);
        if (m_status[r].empty()) {
            m_start[r] = Clock::now();
            m_shown = row;
            m_progress.File(++m_started, static_cast<int>(m_rows.size()), m_rows[r]);
        }
        m_status[r] = text;
    }
    void SetProgress(int) override {}
    void SetSelectedText(const std::string &) override {}
    void RestoreIdle() override { m_progress.Clear(); }
    void SetFailReason(int row, const std::string &reason) override {
        if (Valid(row))
            m_reason[static_cast<std::size_t>(row)] = reason;
    }
    void OutputWritten(int row, const std::string &path) override {
        if (Valid(row))
            m_outputs[static_cast<std::size_t>(row)].push_back(path);
    }
    void PageStarted(int row, int page, int pages) override {
        if (row == m_shown)
            m_progress.Page(page, pages);
    }
    void RowFinished(int row) override {
        if (!Valid(row))
            return;
        std::size_t r = static_cast<std::size_t>(row);
        if (m_status[r] == kStatusAborted && m_reason[r].empty())
            m_reason[r] = kReasonStopped;
        if (!m_quiet) {
            m_progress.Clear();
            std::string line = m_status[r] + "  " + m_rows[r];
            if (m_status[r] != kStatusSucceed && !m_reason[r].empty())
                line += ": " + m_reason[r];
            m_out.Line(line + "\n");
            m_progress.Redraw();
        }
        std::chrono::duration<double> took = Clock::now() - m_start[r];
        m_report.Add({m_rows[r], m_outputs[r], m_status[r], m_reason[r], took.count()});
    }

    // After the run: the rows it never reached go into the report.
    void ReportUnreached() {
        for (std::size_t r = 0; r < m_rows.size(); ++r)
            if (m_status[r].empty())
                m_report.Add({m_rows[r], {}, kStatusReady, kReasonNotReached, 0});
    }
    const std::vector<std::string> &Statuses() const { return m_status; }

private:
    bool Valid(int row) const { return row >= 0 && static_cast<std::size_t>(row) < m_rows.size(); }

    const std::vector<std::string> &m_rows;
    std::vector<std::string> m_status;
    std::vector<std::string> m_reason;
    std::vector<std::vector<std::string>> m_outputs;
    std::vector<Clock::time_point> m_start;
    Output &m_out;
    ProgressLine &m_progress;
    RunReport &m_report;
    bool m_quiet;
    int m_started = 0;
    int m_shown = -1;
};

std::string DefaultProfile() {
    return SettingsFilePath(SystemMajorVersion(), ProgramFolder(), ConfigFolder());
}

} // namespace

void LoadCliSettings(const CliOptions &options, std::FILE *err, ConvertSettings &settings) {
    std::string profile = options.profile.empty() ? DefaultProfile() : options.profile;
    if (!options.profile.empty() && !std::filesystem::exists(profile))
        std::fprintf(err, "vantoria-cli: %s: no such settings file, using the defaults\n",
                     profile.c_str());
    LoadAllSettings(profile, settings);
    ApplyEdits(options.edits, settings);
}

bool LoadCliModules(EngineModule &engine, ExtractorModule &extractor, std::FILE *err) {
    std::string folder = ModuleFolder();
    if (!LoadEngineModule(folder + "tessarin.so", engine)) {
        std::fprintf(err, "vantoria-cli: cannot load %stessarin.so\n", folder.c_str());
        FreeEngineModule(engine);
        return false;
    }
    if (!LoadExtractorModule(folder + "lumbrel.so", extractor)) {
        std::fprintf(err, "vantoria-cli: cannot load %slumbrel.so\n", folder.c_str());
        FreeExtractorModule(extractor);
        FreeEngineModule(engine);
        return false;
    }
    return true;
}

std::string ConfinementLine(const EngineModule &engine) {
    char layers[256] = "";
    if (!engine.confinement || engine.confinement(layers, sizeof layers) <= 0)
        return "interpreter confined: unknown (the engine module does not tell)";
    return std::string("interpreter confined: ") + layers;
}

std::string ConfinementLine() {
    EngineModule engine;
    std::string folder = ModuleFolder();
    std::string line =
        LoadEngineModule(folder + "tessarin.so", engine)
            ? ConfinementLine(engine)
            : "interpreter confined: unknown (cannot load " + folder + "tessarin.so)";
    FreeEngineModule(engine);
    return line;
}

int RunCli(const CliOptions &options, std::FILE *out, std::FILE *err, ProgressMode progressMode) {
    std::vector<std::string> inputs = options.files;
    for (const std::string &list : options.fileLists) {
        std::string error;
        if (!ReadFileList(list, options.nulSeparated, inputs, error)) {
            std::fprintf(err, "vantoria-cli: %s: %s\n",
                         list == "-" ? "standard input" : list.c_str(), error.c_str());
            return StopSignalPending() ? 1 : 2;
        }
    }
    if (inputs.empty()) {
        std::fprintf(err, "vantoria-cli: no input files\n");
        return 2;
    }

    RunReport report;
    if (!options.report.empty()) {
        std::string error;
        if (!report.Open(options.report, error)) {
            std::fprintf(err, "vantoria-cli: %s: cannot write the report: %s\n",
                         options.report.c_str(), error.c_str());
            return 2;
        }
    }

    ConvertSettings settings;
    LoadCliSettings(options, err, settings);

    int refused = 0;
    std::vector<std::string> rows;
    for (const std::string &file : inputs) {
        std::string why = InputRefusal(file);
        if (!why.empty()) {
            std::fprintf(err, "vantoria-cli: %s: %s\n", file.c_str(), why.c_str());
            report.Add({file, {}, kStatusFailed, why, 0});
            ++refused;
            continue;
        }
        std::error_code ec;
        std::filesystem::path abs = std::filesystem::absolute(file, ec);
        rows.push_back(ec ? file : abs.lexically_normal().string());
    }

    if (!IsOutputKind(settings.m_nOutputKind))
        std::fprintf(err, "vantoria-cli: output kind %d is none of image, pdf, text\n",
                     settings.m_nOutputKind);

    Output output(out);
    EngineModule engine;
    ExtractorModule extractor;
    std::vector<std::string> statuses;
    if (!rows.empty()) {
        if (!LoadCliModules(engine, extractor, err))
            return 1;

        ProgressLine progress(err, options.quiet ? ProgressMode::None : progressMode);
        CliView view(rows, output, progress, report, options.quiet);
        {
            ConversionRun run(view, engine, extractor, SystemTempFolder());
            run.SetPacing(RunPacing::None());
            run.SetJobs(options.jobs);
            // Stop requests arrive as signals, taken on a thread of their own.
            StopSignals stopper(run, options.quiet ? nullptr : err);
            if (run.Start(settings, rows))
                run.Wait();
        }
        view.ReportUnreached();
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
        output.Line(std::to_string(succeeded) + " succeeded, " + std::to_string(failed) +
                    " failed, " + std::to_string(stopped) + " stopped\n");
    int status = (failed == 0 && stopped == 0 && succeeded > 0) ? 0 : 1;
    if (output.Failed()) {
        std::fprintf(err, "vantoria-cli: cannot write standard output\n");
        status = 1;
    }
    if (!report.Close()) {
        std::fprintf(err, "vantoria-cli: %s: the report could not be written whole\n",
                     options.report.c_str());
        status = 1;
    }
    return status;
}
