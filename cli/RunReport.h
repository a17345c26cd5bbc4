// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// RunReport: the --report file, one JSON object a line per input, written as
// each input is done with so that a stopped or killed run keeps what it did:
//
//   {"input":"/data/a.ps","outputs":["/out/a.pdf"],"status":"Succeed",
//    "reason":"","seconds":0.412}
//
// "status" is the row's status text ("Succeed", "Failed", "Aborted"; "Ready"
// for an input a stopped run never reached), "reason" says why a row failed
// or was refused (empty when nothing is known) and, for a row that
// succeeded, what it has to say about its result ("no text found: ..."),
// "outputs" are the files the
// row put in place, "seconds" its wall-clock time.
//
// Names are bytes; JSON text is UTF-8. Valid UTF-8 is written as it stands
// (control characters, quotes and backslashes escaped). In a name that is not
// valid UTF-8 each byte outside it reads U+FFFD, so every reader can show the
// line, and the exact bytes follow in base64: "input_bytes" beside "input",
// and "outputs_bytes" (one entry per output) beside "outputs" when any output
// name is not UTF-8. Nothing is ever written as a lone surrogate.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct ReportEntry {
    std::string input;
    std::vector<std::string> outputs;
    std::string status;
    std::string reason;
    double seconds = 0;
};

// `bytes` as a JSON string, quotes included.
std::string JsonString(const std::string &bytes);
// The entry as one JSON object, without a line end.
std::string ReportLine(const ReportEntry &entry);

class RunReport {
public:
    RunReport() = default;
    ~RunReport();
    RunReport(const RunReport &) = delete;
    RunReport &operator=(const RunReport &) = delete;

    // Create or empty the file `path`; false with `error` set when it can't.
    bool Open(const std::string &path, std::string &error);
    bool IsOpen() const { return m_file != nullptr; }
    // Append the entry's line; a write error is kept for Close.
    void Add(const ReportEntry &entry);
    // Close the file; false when any line could not be written.
    bool Close();

private:
    std::FILE *m_file = nullptr;
    bool m_failed = false;
};
