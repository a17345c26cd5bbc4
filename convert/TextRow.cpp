// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The text row: the engine writes the document as a PDF into the run's
// temporary folder, the text extractor writes its text into a temporary
// beside the output, and that takes the output's name: an existing file (or
// a link) there is replaced as a whole, never written through. A document
// with no text to extract succeeds with a note saying so. A page range is
// checked against the document's length first, as the PDF row's is.
#include <unistd.h>

#include <cerrno>

#include "common/CompressedInput.h"
#include "common/FileRules.h"
#include "convert/EngineArgs.h"
#include "convert/EnginePageWatch.h"
#include "convert/OutputFile.h"
#include "convert/PathRules.h"
#include "convert/RowKinds.h"
#include "convert/RowPages.h"
#include "convert/RunEngine.h"
#include "convert/RunFiles.h"
#include "convert/TempFiles.h"

namespace {

// The row's output: `pdf` (the engine's temporary PDF) extracted into the
// claimed name for `wanted` in `folder`.
RowOutcome WriteText(RunContext &run, const std::string &pdf, const std::string &folder,
                     const std::string &wanted) {
    OutputClaims::Row claims(run.claims);
    std::string reason;
    std::string output = run.claims.Claim(claims, wanted, &reason);
    if (output.empty())
        return run.NotDone(reason);
    AtomicFile text;
    if (int err = OpenInFolder(text, folder, output))
        return run.NotDone(FailReason(err, "can't write in the output folder"));
    text.Close(); // the extractor writes it by name
    const TextSettings &txt = run.Settings().txt;
    if (!run.extractor.extractText ||
        run.extractor.extractText(pdf.c_str(), text.TempPath().c_str(), txt.nTextMode == 1 ? 3 : 1,
                                  txt.bPageBreak, 1) != 1)
        return run.NotDone(ExtractorFailReason(run.extractor, folder, "text extraction failed"));
    const bool found = HoldsText(text.TempPath());
    if (!run.claims.Publish(claims, CommitTo(text), wanted, &output, &reason))
        return run.NotDone(reason);
    return {RowStatus::Succeed, {}, {output}, found ? "" : kNoTextFound};
}

} // namespace

RowOutcome TextRow(RunContext &run, int i) {
    const std::string &input = run.Input(i);
    run.BeginRow(i);

    const std::string folder = run.RowFolder(i);
    const std::string wanted = folder + InputBaseName(input) + ".txt";
    EngineInput source;
    std::string reason = source.Open(input);
    if (reason.empty() && !FitsPlatformLimits(wanted))
        reason = FailReason(ENAMETOOLONG, "");
    const PageRange range = RowPageRange(run.Settings());
    RangeCheck rangeCheck;
    if (reason.empty()) {
        rangeCheck = CheckRangeBefore(run.engine, range, input, run.tempFolder,
                                 RowCountLimit(run.Settings()));
        reason = !range.All() && run.Stopped() ? "stopped" : rangeCheck.reason;
    }
    std::string temp;
    if (reason.empty()) {
        temp = CreateTempPdf(run.tempFolder);
        if (temp.empty())
            reason = "can't create a temporary file";
    }
    if (reason.empty()) {
        std::string line;
        EnginePageWatch pages(run.engine, [&run, i](int n) { run.Page(i, n, 0); });
        int code =
            EngineCode(run.engine, TextPdfArguments(temp, source.Path(), range.Text()), &line);
        reason = EngineResultFailReason(code, line, temp, run.MemoryLimitMiB());
    }
    run.Converting(i, 3);

    const std::vector<std::string> madeFolders = MissingFolders(folder);
    RowOutcome outcome =
        reason.empty() ? WriteText(run, temp, folder, wanted) : run.NotDone(reason);
    if (outcome.status == RowStatus::Succeed)
        outcome.note = JoinedNotes(rangeCheck.note, outcome.note);
    if (outcome.status != RowStatus::Succeed)
        RemoveEmptyFolders(madeFolders);
    if (!temp.empty())
        ::unlink(temp.c_str());
    return outcome;
}
