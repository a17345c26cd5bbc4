// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/UpToDate.h"

#include <sys/stat.h>

#include "common/FileRules.h"
#include "convert/ImageFormat.h"
#include "convert/OutputKind.h"
#include "convert/PathRules.h"
#include "convert/RowPages.h"

namespace {

// The modification time of the regular file at `path`; false when there is none.
bool ModifiedAt(const std::string &path, struct timespec *when) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    *when = st.st_mtim;
    return true;
}

bool Newer(const struct timespec &a, const struct timespec &b) {
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

// The outputs an image row of `input` would have in `target` as they are
// now: the one-page name, or the page names from "_001" on while they exist
// (with a page range, those of the range's pages).
std::vector<std::string> ImageOutputs(const ConvertSettings &settings, const std::string &target,
                                      const std::string &input) {
    const ImageFormatChoice format =
        ImageFormatFromItemText(ImageFormatItemText(settings.m_nFormat));
    const std::string base = target + InputBaseName(input);
    const PageRange range = RowPageRange(settings);
    if (WritesOneFile(format, settings.img) || (range.All() && PathTaken(base + format.ext)))
        return {base + format.ext};
    std::vector<std::string> pages;
    for (int k = 1; range.Nth(k) > 0; ++k) {
        const std::string page = base + PageOutputSuffix(range.Nth(k)) + format.ext;
        if (!PathTaken(page))
            break;
        pages.push_back(page);
    }
    return pages;
}

} // namespace

std::vector<std::string> UpToDateOutputs(const ConvertSettings &settings, const RunRow &row) {
    if (!IsOutputKind(settings.m_nOutputKind))
        return {};
    ConvertSettings s = settings;
    s.m_szOutputDir = WithTrailingSeparator(s.m_szOutputDir);
    const std::string folder = RowOutputFolder(s, row.path, row.subfolder);
    std::vector<std::string> outputs;
    switch (ToOutputKind(s.m_nOutputKind)) {
    case OutputKind::Image:
        outputs = ImageOutputs(s, ImageTargetFolder(s, folder, row.path), row.path);
        break;
    case OutputKind::Pdf:
        outputs = {folder + InputBaseName(row.path) + ".pdf"};
        break;
    case OutputKind::Text:
        outputs = {folder + InputBaseName(row.path) + ".txt"};
        break;
    }
    struct timespec input {
    }, output{};
    if (outputs.empty() || !ModifiedAt(row.path, &input))
        return {};
    for (const std::string &o : outputs)
        if (!ModifiedAt(o, &output) || !Newer(output, input))
            return {};
    return outputs;
}
