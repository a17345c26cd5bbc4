// Helpers shared by the conversion tests: temporary folders, PostScript
// documents written on the spot, the real engine modules, and a view that
// records every call a run makes.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "convert/ConversionView.h"
#include "convert/EngineModule.h"

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with its
// contents on destruction. Path() ends in '/'.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &Path() const { return m_path; }
    std::string operator/(const std::string &name) const { return m_path + name; }

private:
    std::string m_path;
};

struct PsOptions {
    int pages = 1;
    bool colour = true;  // draw coloured bars as well as text
    int widthStep = 0;   // page k is 200 + k * widthStep points wide (0: US Letter)
    bool broken = false; // a file the interpreter refuses
    bool quitAtEnd = false;
};

// Write a PostScript document whose page k shows "Page k of NAME".
void WritePs(const std::string &path, const PsOptions &options = {});

std::string ReadAll(const std::string &path);
void WriteAll(const std::string &path, const std::string &bytes);
bool Exists(const std::string &path);
void CreateFolder(const std::string &path);
// Names in `folder` (not recursive), sorted.
std::vector<std::string> ListNames(const std::string &folder);

// The modules built beside the program; loaded once per process.
const EngineModule &Engine();
const ExtractorModule &Extractor();

// A view that records each call as a line of text:
//   "selected Selected: 1", "select 2", "status 2 Converting.",
//   "progress 66", "restore", "finished 2"
class RecordingView : public ConversionView {
public:
    void SelectOnly(int row) override { Record("select " + std::to_string(row)); }
    void SetStatus(int row, const std::string &text) override {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (static_cast<std::size_t>(row) >= m_status.size())
                m_status.resize(static_cast<std::size_t>(row) + 1);
            m_status[static_cast<std::size_t>(row)] = text;
        }
        Record("status " + std::to_string(row) + " " + text);
    }
    void SetProgress(int position) override { Record("progress " + std::to_string(position)); }
    void SetSelectedText(const std::string &text) override { Record("selected " + text); }
    void RestoreIdle() override { Record("restore"); }
    void RowFinished(int row) override { Record("finished " + std::to_string(row)); }
    void SetFailReason(int row, const std::string &reason) override {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (static_cast<std::size_t>(row) >= m_reason.size())
                m_reason.resize(static_cast<std::size_t>(row) + 1);
            m_reason[static_cast<std::size_t>(row)] = reason;
        }
        Record("reason " + std::to_string(row) + " " + reason);
    }

    // Called after each recorded event, on the run's thread.
    std::function<void(const std::string &)> onEvent;

    std::vector<std::string> Events() const;
    std::vector<std::string> EventsMatching(const std::string &prefix) const;
    std::string Status(int row) const;
    // The last reason given for the row's failure (empty when none was).
    std::string Reason(int row) const;

private:
    void Record(const std::string &event);
    mutable std::mutex m_lock;
    std::vector<std::string> m_events;
    std::vector<std::string> m_status;
    std::vector<std::string> m_reason;
};

// Run `body` in a child process and return its exit code (-1 when it did
// not exit normally). With `fileSizeLimit` > 0 the child, and every program
// it starts, can't make a file larger than that many bytes: a write past it
// fails as on a full disk (SIGXFSZ is ignored).
int RunInChild(const std::function<int()> &body, long long fileSizeLimit = 0);

} // namespace testsupport
