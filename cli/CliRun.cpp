// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "cli/CliRun.h"

#include <signal.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "cli/FileList.h"
#include "cli/RowLine.h"
#include "cli/RunReport.h"
#include "cli/StopSignals.h"
#include "common/FileRules.h"
#include "common/InputCheck.h"
#include "common/LiveTemporaries.h"
#include "convert/ConversionRun.h"
#include "convert/EngineModule.h"
#include "convert/OutputKind.h"
#include "convert/ProgramFiles.h"
#include "convert/RunSummary.h"
#include "convert/TempFiles.h"
#include "convert/UpToDate.h"
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
    int Fd() const { return ::fileno(m_out); }

private:
    std::FILE *m_out;
    bool m_closed = false;
    bool m_failed = false;
};

// An input's line: on standard output, or under -q only when it did not
// succeed, and then on standard error.
void PrintRowLine(Output &out, std::FILE *err, bool quiet, const std::string &line,
                  bool succeeded) {
    if (!quiet)
        out.Line(line + "\n");
    else if (!succeeded)
        std::fprintf(err, "%s\n", line.c_str());
}

// The view of a run without a window: statuses, reasons, outputs and times
// are kept per row; a finished row prints its line and its report entry; the
// progress line follows the file started last.
class CliView : public ConversionView {
public:
    CliView(const std::vector<std::string> &rows, Output &out, std::FILE *err,
            ProgressLine &progress, RunReport &report, bool quiet)
        : m_rows(rows), m_status(rows.size(), RowStatus::Ready), m_finished(rows.size()),
          m_start(rows.size()), m_out(out), m_err(err), m_progress(progress), m_report(report),
          m_quiet(quiet) {}

    void SelectOnly(int) override {}
    void SetConverting(int row, int) override {
        std::lock_guard<std::timed_mutex> lock(m_lock);
        if (Valid(row))
            Started(static_cast<std::size_t>(row));
    }
    void SetProgress(int) override {}
    void SetSelectedText(const std::string &) override {}
    void RestoreIdle() override {
        std::lock_guard<std::timed_mutex> lock(m_lock);
        m_progress.Clear();
    }
    void PageStarted(int row, int page, int pages) override {
        std::lock_guard<std::timed_mutex> lock(m_lock);
        if (row == m_shown)
            m_progress.Page(page, pages);
    }
    void RowFinished(int row, const RowOutcome &outcome) override {
        std::lock_guard<std::timed_mutex> lock(m_lock);
        if (!Valid(row))
            return;
        std::size_t r = static_cast<std::size_t>(row);
        Started(r);
        m_status[r] = outcome.status;
        // A row that succeeded says what it has to say where a failed one
        // says why.
        Finish(r, outcome.status == RowStatus::Succeed ? outcome.note : outcome.reason,
               outcome.outputs);
    }

    // After the run: the rows it never reached go into the report.
    void ReportUnreached() {
        std::lock_guard<std::timed_mutex> lock(m_lock);
        AddUnreached();
    }
    const std::vector<RowStatus> &Statuses() const { return m_status; }
    // True once the run is over and the view has said all it will.
    bool Closed() const { return m_closed.load(); }

    // The run is abandoned while rows still convert: each of them ends
    // "Aborted", and no later call of the run's reaches the output or the
    // report (the lock is kept). False when the lock can't be had soon (a
    // write of ours is stuck), with nothing done.
    bool Abandon() {
        if (!m_lock.try_lock_for(std::chrono::milliseconds(200)))
            return false;
        for (std::size_t r = 0; r < m_rows.size(); ++r) {
            if (m_status[r] != RowStatus::Ready && !m_finished[r]) {
                m_status[r] = RowStatus::Aborted;
                Finish(r, {}, {});
            }
        }
        AddUnreached();
        return true;
    }

private:
    bool Valid(int row) const { return row >= 0 && static_cast<std::size_t>(row) < m_rows.size(); }

    // Row r's first call: its time starts and the progress line shows it.
    void Started(std::size_t r) {
        if (m_status[r] != RowStatus::Ready)
            return;
        m_status[r] = RowStatus::Converting;
        m_start[r] = Clock::now();
        m_shown = static_cast<int>(r);
        m_progress.File(++m_started, static_cast<int>(m_rows.size()), m_rows[r]);
    }

    void AddUnreached() {
        m_closed = true;
        for (std::size_t r = 0; r < m_rows.size(); ++r)
            if (m_status[r] == RowStatus::Ready)
                m_report.Add({m_rows[r], {}, StatusText(RowStatus::Ready), kReasonNotReached, 0});
    }

    void Finish(std::size_t r, std::string reason, const std::vector<std::string> &outputs) {
        m_finished[r] = true;
        const RowStatus status = m_status[r];
        if (status == RowStatus::Aborted && reason.empty())
            reason = kReasonStopped;
        const bool succeeded = status == RowStatus::Succeed;
        m_progress.Clear();
        PrintRowLine(m_out, m_err, m_quiet, RowLine(StatusText(status), m_rows[r], reason, outputs),
                     succeeded);
        m_progress.Redraw();
        std::chrono::duration<double> took = Clock::now() - m_start[r];
        m_report.Add({m_rows[r], outputs, StatusText(status), reason, took.count()});
    }

    std::timed_mutex m_lock; // the run's threads and an abandoning one
    const std::vector<std::string> &m_rows;
    std::vector<RowStatus> m_status;
    std::vector<bool> m_finished;
    std::vector<Clock::time_point> m_start;
    Output &m_out;
    std::FILE *m_err;
    ProgressLine &m_progress;
    RunReport &m_report;
    bool m_quiet;
    int m_started = 0;
    int m_shown = -1;
    std::atomic<bool> m_closed{false}; // the unreached rows are in the report
};

std::string DefaultProfile() {
    return SettingsFilePath(SystemMajorVersion(), ProgramFolder(), ConfigFolder());
}

// What the summary line counts beside the rows that were converted.
struct Counted {
    int refused = 0;
    int skipped = 0;
    bool withSkipped = false; // --skip-existing: the skipped count is said
    Clock::time_point started;
};

// The summary line, unless quiet, for rows that ended with `statuses` beside
// the inputs refused and skipped, with the time since the start; returns the
// exit status it gives.
int Summarise(const std::vector<RowStatus> &statuses, const Counted &counted, bool quiet,
              Output &output) {
    RunTally tally;
    tally.failed = counted.refused;
    tally.skipped = counted.skipped;
    for (RowStatus s : statuses) {
        switch (s) {
        case RowStatus::Succeed:
            ++tally.succeeded;
            break;
        case RowStatus::Failed:
            ++tally.failed;
            break;
        default:
            ++tally.stopped; // "Aborted" or never reached
            break;
        }
    }
    if (!quiet)
        output.Line(RunSummaryText(tally, Clock::now() - counted.started, counted.withSkipped) +
                    "\n");
    return (tally.failed == 0 && tally.stopped == 0 && tally.succeeded + tally.skipped > 0) ? 0 : 1;
}

// What converting the accepted inputs works with.
struct RowsRun {
    const CliOptions &options;
    const ConvertSettings &settings;
    const std::vector<RunRow> &rows;
    const Counted &counted;
    Output &output;
    RunReport &report;
    std::FILE *err;
};

// Convert the rows, taking stop requests meanwhile; `statuses` receives how
// each row ended. False when the modules can't be loaded (said on `err`).
// A run abandoned by a stop ends the process from here, with every row's
// line, the summary and the report written and the temporaries removed.
bool ConvertRows(const RowsRun &in, ProgressMode progressMode, std::vector<RowStatus> &statuses) {
    EngineModule engine;
    ExtractorModule extractor;
    if (!LoadCliModules(engine, extractor, in.err))
        return false;
    ProgressLine progress(in.err, in.options.quiet ? ProgressMode::None : progressMode);
    std::vector<std::string> names;
    for (const RunRow &row : in.rows)
        names.push_back(row.path);
    CliView view(names, in.output, in.err, progress, in.report, in.options.quiet);
    auto abandon = [&] {
        if (view.Closed())
            return false; // over meanwhile: the caller finishes as usual
        if (engine.killRunning)
            engine.killRunning();
        if (engine.abandonServers)
            engine.abandonServers(); // their scratch folders too
        RemoveLiveTemporaries();
        if (view.Abandon()) {
            Summarise(view.Statuses(), in.counted, in.options.quiet, in.output);
            in.report.Close();
        }
        return true;
    };
    {
        ConversionRun run(view, engine, extractor, SystemTempFolder());
        run.SetPacing(RunPacing::None());
        run.SetJobs(in.options.jobs);
        run.SetPageWorkers(in.options.threads);
        // Stop requests arrive as signals, taken on a thread of their own
        // once the run is active; one sent before waits for it.
        if (run.Start(in.settings, in.rows)) {
            StopSignals stopper(run, in.options.quiet ? nullptr : in.err, in.output.Fd(), abandon);
            run.Wait();
        }
    }
    view.ReportUnreached();
    statuses = view.Statuses();
    FreeExtractorModule(extractor);
    FreeEngineModule(engine);
    return true;
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

namespace {

// The inputs named on the command line and in the file lists, in order.
// False, with `status` the exit status, when a list can't be read or there
// is no input at all (said on `err`).
bool GatherInputs(const CliOptions &options, std::FILE *err, std::vector<std::string> &inputs,
                  int &status) {
    inputs = options.files;
    for (const std::string &list : options.fileLists) {
        std::string error;
        if (!ReadFileList(list, options.nulSeparated, inputs, error)) {
            std::fprintf(err, "vantoria-cli: %s: %s\n",
                         list == "-" ? "standard input" : list.c_str(), error.c_str());
            status = StopSignalPending() ? 1 : 2;
            return false;
        }
    }
    if (inputs.empty()) {
        std::fprintf(err, "vantoria-cli: no input files\n");
        status = 2;
        return false;
    }
    return true;
}

std::string AbsolutePath(const std::string &file) {
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(file, ec);
    return ec ? file : abs.lexically_normal().string();
}

// The inputs named, a folder standing for the PostScript files in its tree
// (each with its place in it); a folder without any is said on `err`.
std::vector<RunRow> ExpandFolders(const std::vector<std::string> &inputs, std::FILE *err) {
    std::vector<RunRow> rows;
    for (const std::string &input : inputs) {
        std::error_code ec;
        if (!std::filesystem::is_directory(input, ec)) {
            rows.push_back({input, {}});
            continue;
        }
        std::vector<FolderFile> files = ListPostScriptFiles(AbsolutePath(input), true);
        if (files.empty())
            std::fprintf(err, "vantoria-cli: %s: no PostScript file in this folder\n",
                         input.c_str());
        for (FolderFile &f : files)
            rows.push_back({std::move(f.path), std::move(f.subfolder)});
    }
    return rows;
}

// The inputs that may be converted, as absolute paths. A refused input is
// done with at once, and so is one --skip-existing finds up to date: its
// line and its report entry come before the files that convert. `counted`
// receives how many were refused and skipped.
std::vector<RunRow> AcceptInputs(const std::vector<std::string> &inputs, const CliOptions &options,
                                 const ConvertSettings &settings, Output &output, std::FILE *err,
                                 RunReport &report, Counted &counted) {
    std::vector<RunRow> rows;
    for (RunRow &row : ExpandFolders(inputs, err)) {
        std::string why = CheckInput(row.path, InputLook::Listing);
        if (!why.empty()) {
            const char *failed = StatusText(RowStatus::Failed);
            PrintRowLine(output, err, options.quiet, RowLine(failed, row.path, why, {}), false);
            report.Add({row.path, {}, failed, why, 0});
            ++counted.refused;
            continue;
        }
        row.path = AbsolutePath(row.path);
        if (options.skipExisting) {
            std::vector<std::string> outputs = UpToDateOutputs(settings, row);
            if (!outputs.empty()) {
                PrintRowLine(output, err, options.quiet,
                             RowLine(kSkippedLine, row.path, kUpToDateReason, {}), true);
                report.Add({row.path, outputs, kSkippedStatus, kUpToDateReason, 0});
                ++counted.skipped;
                continue;
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

int RunCli(const CliOptions &options, std::FILE *out, std::FILE *err, ProgressMode progressMode) {
    std::vector<std::string> inputs;
    int status = 0;
    if (!GatherInputs(options, err, inputs, status))
        return status;

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

    Output output(out);
    Counted counted;
    counted.started = Clock::now();
    counted.withSkipped = options.skipExisting;
    std::vector<RunRow> rows =
        AcceptInputs(inputs, options, settings, output, err, report, counted);

    if (!IsOutputKind(settings.m_nOutputKind))
        std::fprintf(err, "vantoria-cli: output kind %d is none of image, pdf, text\n",
                     settings.m_nOutputKind);

    std::vector<RowStatus> statuses;
    if (!rows.empty() && !ConvertRows({options, settings, rows, counted, output, report, err},
                                      progressMode, statuses))
        return 1;

    status = Summarise(statuses, counted, options.quiet, output);
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
