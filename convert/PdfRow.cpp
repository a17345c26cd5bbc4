// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The PDF row: the engine writes the document into a temporary beside the
// output, the text extractor finishes it there (document information,
// stamp, security, PDF/A, fast web view), and only then does it take the
// output's name: a failed row never damages an existing file. With a page
// range the document's length is counted first (RowPages.h): a row with
// none of its pages there fails before the engine writes anything.
#include "common/CompressedInput.h"
#include "convert/EngineArgs.h"
#include "convert/EnginePageWatch.h"
#include "convert/OutputFile.h"
#include "convert/PathRules.h"
#include "convert/PdfFinish.h"
#include "convert/RowKinds.h"
#include "convert/RowPages.h"
#include "convert/RunEngine.h"
#include "convert/RunFiles.h"

RowOutcome PdfRow(RunContext &run, int i) {
    const std::string &input = run.Input(i);
    const ConvertSettings &settings = run.Settings();
    run.Select(i);
    run.Converting(i, 1);

    const std::string folder = run.RowFolder(i);
    const std::vector<std::string> madeFolders = MissingFolders(folder);
    const std::string wanted = folder + InputBaseName(input) + ".pdf";
    OutputClaims::Row claims(run.claims);
    // Only a non-empty regular file reaches the engine (a named pipe would
    // block it), unpacked when it is compressed. Settings that contradict
    // themselves, and a name that can't be written as it stands, fail before
    // anything is written.
    EngineInput source;
    std::string reason =
        PdfAWithEncryption(settings.pdf) ? kPdfAEncryptedReason : source.Open(input);
    const PageRange range = RowPageRange(settings);
    RangeCheck rangeCheck;
    if (reason.empty()) {
        rangeCheck =
            CheckRangeBefore(run.engine, range, input, run.tempFolder, RowCountLimit(settings));
        reason = !range.All() && run.Stopped() ? "stopped" : rangeCheck.reason;
    }
    std::string output;
    if (reason.empty())
        output = run.claims.Claim(claims, wanted, &reason);

    run.Converting(i, 2);
    run.PauseAfterSecond();
    run.Converting(i, 3);

    AtomicFile pdf;
    if (reason.empty()) {
        if (int err = OpenInFolder(pdf, folder, output))
            reason = FailReason(err, "can't write in the output folder");
        else
            pdf.Close(); // the engine writes it by name
    }
    if (reason.empty()) {
        std::string line;
        EnginePageWatch pages(run.engine, [&run, i](int n) { run.Page(i, n, 0); });
        int code = EngineCode(
            run.engine, PdfArguments(settings.pdf, pdf.TempPath(), source.Path(), range.Text()),
            &line);
        reason = EngineResultFailReason(code, line, pdf.TempPath(), run.MemoryLimitMiB());
    }
    if (reason.empty() && !FinishPdf(run.extractor, settings, pdf.TempPath()))
        reason = ExtractorFailReason(run.extractor, folder, "finishing the PDF failed");
    RowOutcome outcome;
    if (reason.empty() && run.claims.Publish(claims, CommitTo(pdf), wanted, &output, &reason)) {
        outcome = {RowStatus::Succeed, {}, {output}, rangeCheck.note};
    } else {
        outcome = run.NotDone(reason);
        pdf.Discard();
        RemoveEmptyFolders(madeFolders);
    }
    run.Progress(i);
    return outcome;
}
