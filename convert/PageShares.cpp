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

PageShares::PageShares(int count, const PageRange &range)
    : m_count(count < 1 ? 1 : count), m_range(range) {
    // A share with no page would render every page, lacking a list.
    if (!m_range.All() && m_range.Last() > 0)
        m_count = std::max(1, std::min(m_count, m_range.CountIn(m_range.Last())));
}

PageShares PageShares::For(const ImageSettings &img, int declaredPages, int workers, int jobs,
                           const PageRange &range) {
    const int perRow = workers / std::max(jobs, 1);
    const int pages = range.CountIn(declaredPages);
    if (perRow < 2 || pages < 2 ||
        static_cast<long>(img.nXDpi) * img.nYDpi < kSplitPixelsPerSquareInch)
        return PageShares(1, range);
    return PageShares(std::min({perRow, pages, kMostShares}), range);
}

std::string PageShares::List(int s) const {
    if (m_count == 1)
        return m_range.Text();
    if (!Listed())
        return s == 0 ? "odd" : "even";
    std::string list;
    int last = 0; // the last page listed
    for (int k = 1; k <= kListedPages; ++k) {
        const int page = m_range.Nth(k);
        if (page == 0)
            break;
        if ((k - 1) % m_count == s)
            list += (list.empty() ? "" : ",") + std::to_string(page);
        last = page;
    }
    if (s == 0) {
        const std::string rest = m_range.TextAfter(last);
        if (!rest.empty())
            list += "," + rest;
    }
    return list;
}

int PageShares::Owner(int k) const {
    if (Listed() && k > kListedPages)
        return 0;
    return (k - 1) % m_count;
}

int PageShares::IndexIn(int k) const {
    if (Listed() && k > kListedPages)
        return (kListedPages - 1) / m_count + 1 + (k - kListedPages);
    return (k - 1) / m_count + 1;
}

int PageShares::DocumentPage(int s, int j) const {
    const int k = (j - 1) * m_count + s + 1;
    if (!Listed() || k <= kListedPages)
        return k;
    // Only share 0 goes on past the listed pages.
    if (s != 0)
        return 0;
    return kListedPages + (j - ((kListedPages - 1) / m_count + 1));
}
