// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/PageShares.h"

#include <algorithm>

#include "settings/ConvertSettings.h"

namespace {

// Below this many pixels per square inch a page rasterises in about the
// time it takes to encode, and one interpreter keeps the page pool busy.
constexpr long kSplitPixelsPerSquareInch = 200L * 200L;
// Each share interprets the whole document: past this many the repeated
// interpreting outweighs the rasterising saved.
constexpr int kMostShares = 16;

} // namespace

PageShares PageShares::For(const ImageSettings &img, int declaredPages, int workers, int jobs) {
    const int perRow = workers / std::max(jobs, 1);
    if (perRow < 2 || declaredPages < 2 ||
        static_cast<long>(img.nXDpi) * img.nYDpi < kSplitPixelsPerSquareInch)
        return PageShares(1);
    return PageShares(std::min({perRow, declaredPages, kMostShares}));
}

std::string PageShares::List(int s) const {
    if (m_count == 1)
        return {};
    if (m_count == 2)
        return s == 0 ? "odd" : "even";
    std::string list;
    for (int k = s + 1; k <= kListedPages; k += m_count)
        list += (list.empty() ? "" : ",") + std::to_string(k);
    if (s == 0)
        list += "," + std::to_string(kListedPages + 1) + "-";
    return list;
}

int PageShares::Owner(int k) const {
    if (m_count > 2 && k > kListedPages)
        return 0;
    return (k - 1) % m_count;
}

int PageShares::IndexIn(int k) const {
    if (m_count > 2 && k > kListedPages)
        return (kListedPages - 1) / m_count + 1 + (k - kListedPages);
    return (k - 1) / m_count + 1;
}

int PageShares::DocumentPage(int s, int j) const {
    const int k = (j - 1) * m_count + s + 1;
    if (m_count <= 2 || k <= kListedPages)
        return k;
    // Only share 0 goes on past the listed pages.
    if (s != 0)
        return 0;
    return kListedPages + (j - ((kListedPages - 1) / m_count + 1));
}
