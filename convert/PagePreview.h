// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PagePreview: one page of a document, shown before any run, either as the
// interpreter renders it or as an image row would write it.
//
// RenderPreviewPage runs the engine as an image row does (EngineCode over
// RenderArguments with a page list naming the one page, in a one-off
// helper) into a scratch page folder of its own under the temporary
// folder; the PreviewPage owns that folder and removes it, with whatever
// is in it, when it goes. PreviewPixels reads its page file back (the
// interpreter is hostile: through the converter's own checked reader).
// PreviewAsWritten hands the page to the image converter with the same
// calls an image row makes for one page (ApplyImageSettings and the chosen
// format), writes the output file beside the page and gives back the pixels
// the format's writer received: colour reduction, grey, black and white,
// rotation and size as the run applies them (the format's own compression,
// JPEG's losses for one, is the file's and not shown).
//
// A failure gives the reason a row of the run gives for the same file and
// settings: the input check, the interpreter's error, the converter's.
// Every call blocks; meant for a background thread. Distinct PreviewPage
// objects may be used on distinct threads at once; no Qt.
#pragma once

#include <string>
#include <vector>

#include "convert/EngineModule.h"
#include "convert/RowDeadline.h"
#include "settings/ConvertSettings.h"

// Pixels to show: rows from the top, three bytes a pixel (red, green, blue),
// rows packed without padding.
struct PreviewBitmap {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

class PreviewPage {
public:
    PreviewPage() = default;
    ~PreviewPage();
    PreviewPage(PreviewPage &&other) noexcept;
    PreviewPage &operator=(PreviewPage &&other) noexcept;
    PreviewPage(const PreviewPage &) = delete;
    PreviewPage &operator=(const PreviewPage &) = delete;

    // Why the run would fail on this file (empty: it would not). A page may
    // have been rendered even so (an error after it).
    std::string reason;
    // The document ended before the page asked for (the engine succeeded).
    bool pastEnd = false;
    // The page file, empty when none was rendered.
    std::string file;
    // The scratch folder, ending in '/'; empty when none was made.
    const std::string &Folder() const { return m_folder; }

private:
    friend PreviewPage RenderPreviewPage(const EngineModule &, const std::string &,
                                         const std::string &, int, const ImageSettings &, int, int,
                                         RowDeadlines::Row *);
    void Remove();
    std::string m_folder;
};

// Page `page` (from 1) of `input`, rendered at img.nXDpi x img.nYDpi with the
// anti-aliasing format `formatCode` (IC_FORMAT_*) gets under `img`, into a
// fresh folder under `tempFolder`. `memoryLimitMiB` is the interpreter's
// limit, for the reason of a run out of memory (0: unknown). The engine step
// counts against `row` (RowDeadlines.h; null: not limited).
PreviewPage RenderPreviewPage(const EngineModule &engine, const std::string &tempFolder,
                              const std::string &input, int page, const ImageSettings &img,
                              int formatCode, int memoryLimitMiB = 0,
                              RowDeadlines::Row *row = RowDeadlines::Row::Current());

// The pixels of the rendered page; empty, with `*reason` set, when there is
// no page or its file can't be read.
PreviewBitmap PreviewPixels(const PreviewPage &page, std::string *reason);

// What an image row of format `formatCode` writes for the page under `img`.
struct WrittenPreview {
    std::string reason;      // why the row would fail; empty when it would not
    PreviewBitmap bitmap;    // the page the format's writer got
    long long fileBytes = 0; // the size of the file written
};
WrittenPreview PreviewAsWritten(const PreviewPage &page, const ImageSettings &img, int formatCode);
