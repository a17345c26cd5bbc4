#include "cli/CliRun.h"

#include <filesystem>
#include <string>
#include <vector>

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

    if (!IsOutputKind(settings.m_nOutputKind))
        std::fprintf(err, "vantoria-cli: output kind %d is none of image, pdf, text\n",
                     settings.m_nOutputKind);

    EngineModule engine;
    ExtractorModule extractor;
    int status = 0;
    std::vector<std::string> statuses;
    if (!rows.empty()) {
        std::string folder = ModuleFolder();
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

        {
            // Stop requests arrive as signals, taken on a thread of their own.
            StopSignals stopper(run, engine.killRunning, options.quiet ? nullptr : err);
            if (run.Start(settings, rows))
                run.Wait();
        }
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
