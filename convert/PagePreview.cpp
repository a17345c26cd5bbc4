// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/PagePreview.h"

#include <sys/stat.h>
#include <unistd.h>

#include <new>
#include <utility>

#include "common/CompressedInput.h"
#include "convert/ApplyImageSettings.h"
#include "convert/EngineArgs.h"
#include "convert/RunEngine.h"
#include "convert/TempFiles.h"
#include "imageconv/ConverterRecord.h"
#include "imageconv/ImageConverter.h"
#include "imageconv/ImageFormats.h"
#include "imageconv/PageOps.h"

namespace {

// The longest converter message kept, as an image row keeps it.
constexpr int kReasonBytes = 512;

// The page as pixels to show, whatever its depth.
bool ToBitmap(const imageconv::Dib &page, PreviewBitmap *out) {
    if (!page.IsValid())
        return false;
    PreviewBitmap bitmap;
    bitmap.width = page.width;
    bitmap.height = page.height;
    try {
        bitmap.rgb.resize(std::size_t(page.width) * std::size_t(page.height) * 3);
    } catch (const std::bad_alloc &) {
        return false;
    }
    unsigned char *to = bitmap.rgb.data();
    for (int y = page.height - 1; y >= 0; --y) { // the bottom row comes first
        if (page.bpp == 24) {
            const uint8_t *from = page.Row(y);
            for (int x = 0; x < page.width; ++x, from += 3, to += 3) {
                to[0] = from[2];
                to[1] = from[1];
                to[2] = from[0];
            }
            continue;
        }
        for (int x = 0; x < page.width; ++x, to += 3) {
            const imageconv::RgbQuad c = imageconv::PixelColour(page, x, y);
            to[0] = c.red;
            to[1] = c.green;
            to[2] = c.blue;
        }
    }
    *out = std::move(bitmap);
    return true;
}

} // namespace

PreviewPage::~PreviewPage() {
    Remove();
}

PreviewPage::PreviewPage(PreviewPage &&other) noexcept
    : reason(std::move(other.reason)), pastEnd(other.pastEnd), file(std::move(other.file)),
      m_folder(std::exchange(other.m_folder, std::string())) {}

PreviewPage &PreviewPage::operator=(PreviewPage &&other) noexcept {
    if (this != &other) {
        Remove();
        reason = std::move(other.reason);
        pastEnd = other.pastEnd;
        file = std::move(other.file);
        m_folder = std::exchange(other.m_folder, std::string());
    }
    return *this;
}

void PreviewPage::Remove() {
    if (!m_folder.empty())
        DeletePageFiles(m_folder, ListPageFiles(m_folder));
    m_folder.clear();
    file.clear();
}

PreviewPage RenderPreviewPage(const EngineModule &engine, const std::string &tempFolder,
                              const std::string &input, int page, const ImageSettings &img,
                              int formatCode, int memoryLimitMiB, RowDeadlines::Row *row) {
    PreviewPage out;
    if (page < 1) {
        out.pastEnd = true;
        return out;
    }
    // The same check (and the same unpacking of a compressed file) a row
    // makes before its engine step.
    EngineInput source;
    out.reason = source.Open(input);
    if (!out.reason.empty())
        return out;
    out.m_folder = CreatePageFolder(tempFolder);
    if (out.m_folder.empty()) {
        out.reason = "can't create a temporary folder";
        return out;
    }
    // A one-off helper renders it ("-f" before the input makes the vector
    // one no warm server takes): the page list is part of a server's fixed
    // arguments, so a server per previewed page would push the run's own
    // servers out of the module's pool.
    ArgumentVector args =
        RenderArguments(out.m_folder, img, formatCode, source.Path(), std::to_string(page));
    args.insert(args.end() - 1, "-f");
    std::string errorLine;
    const int code = EngineCode(engine, std::move(args), &errorLine, row);
    // The listed page is the only one rendered, so it is page 1 of the folder.
    const std::string rendered = PageFileName(out.m_folder, 1);
    struct stat st {};
    if (::lstat(rendered.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        out.file = rendered;
    if (!EngineSucceeded(code))
        out.reason = EngineFailReason(code, errorLine, memoryLimitMiB);
    else if (out.file.empty() && page == 1)
        out.reason = "no page was rendered";
    else if (out.file.empty())
        out.pastEnd = true;
    return out;
}

PreviewBitmap PreviewPixels(const PreviewPage &page, std::string *reason) {
    PreviewBitmap bitmap;
    reason->clear();
    if (page.file.empty()) {
        *reason = page.reason.empty() ? "no page was rendered" : page.reason;
        return bitmap;
    }
    imageconv::Dib dib;
    const imageconv::Status read = imageconv::ReadBmp(page.file, dib);
    if (!read)
        *reason = "damaged page file: " + read.message();
    else if (!ToBitmap(dib, &bitmap))
        *reason = "out of memory";
    return bitmap;
}

WrittenPreview PreviewAsWritten(const PreviewPage &page, const ImageSettings &img, int formatCode) {
    WrittenPreview out;
    if (page.file.empty()) {
        out.reason = page.reason.empty() ? "no page was rendered" : page.reason;
        return out;
    }
    const ImageFormat *format = FindImageFormat(formatCode);
    if (!format)
        format = &FallbackImageFormat();
    const std::string written = page.Folder() + "written" + format->ext;

    // The calls of an image row's one page.
    const int h = ImageConverterCreate();
    if (h <= 0) {
        out.reason = "out of memory";
        return out;
    }
    ImageConverterSetOption(h, IC_OPT_OUTPUT_PATH, written.c_str(), 0);
    ImageConverterAddFile(h, page.file.c_str(), IC_INPUT_BMP);
    ApplyImageSettings(h, format->code, img);
    ImageConverterConvert(h);
    char reason[kReasonBytes] = "";
    ImageConverterLastError(h, reason, sizeof reason);
    struct stat st {};
    if (reason[0] != '\0')
        out.reason = reason;
    else if (::lstat(written.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        out.reason = "can't write the image";
    else
        out.fileBytes = st.st_size;

    // The converter's record keeps the depth it decided on; the page it
    // prepares from it is the one its writer was given.
    if (out.reason.empty()) {
        imageconv::Dib prepared;
        const std::shared_ptr<imageconv::ImageConverter> record = imageconv::LookupConverter(h);
        if (!record || !imageconv::PreparePage(*record, page.file, prepared) ||
            !ToBitmap(prepared, &out.bitmap))
            out.reason = "out of memory";
    }
    ImageConverterDestroy(h);
    ::unlink(written.c_str());
    return out;
}
