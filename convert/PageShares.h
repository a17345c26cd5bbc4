// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PageShares: one document's pages split between several interpreters, so
// that a long document at a high resolution is rasterised on every core.
//
// Each share is an interpreter run over the whole document given a page
// list (the interpreter's -sPageList): it interprets every page but
// rasterises only its own, which it writes as its pages 1, 2, 3, ... The
// shares interleave: with n shares, the row's page k belongs to share
// (k - 1) mod n, so all of them progress through the document together and
// the first pages come early. Two shares are "odd" and "even"; more list
// their pages up to kListedPages, and the pages after it all go to share 0.
// A row with a page range (PageRange.h) renders only the range's pages: its
// page k is page k of the range, and the shares are dealt the range's pages
// the same way, every one of them listed up to the range's kListedPages-th,
// the rest of the range going to share 0. A share's list depends on nothing
// but (share, n, range), so the engine's warm servers, one per argument
// set, serve every document of a run.
//
// No state beyond the count; any thread.
#pragma once

#include <string>

#include "common/PageRange.h"

struct ImageSettings;

class PageShares {
public:
    // Pages listed one by one when there are more than two shares.
    static constexpr int kListedPages = 999;

    // `count` shares of `range`; never more shares than the range has pages.
    explicit PageShares(int count = 1, const PageRange &range = {});

    // How many shares to render a document with: one unless the page pool
    // has several workers for this row (`workers` split between `jobs` rows
    // at once), the row has several pages (`declaredPages`, what the document
    // declares, a hint only: 0 is unknown; of them the ones in `range`) and
    // its pages are expensive (the resolution).
    static PageShares For(const ImageSettings &img, int declaredPages, int workers, int jobs,
                          const PageRange &range = {});

    int Count() const { return m_count; }
    // The interpreter's page list of share `s` (from 0); with one share the
    // range's own text (empty for every page).
    std::string List(int s) const;
    // The share that renders the row's page `k` (from 1), and the number that
    // page has among that share's pages (from 1).
    int Owner(int k) const;
    int IndexIn(int k) const;
    // The row's page that is page `j` (from 1) of share `s`; 0 when the
    // share has no such page.
    int DocumentPage(int s, int j) const;

private:
    // Whether the shares list their pages one by one up to kListedPages.
    bool Listed() const { return m_count > 2 || (m_count > 1 && !m_range.All()); }

    int m_count;
    PageRange m_range;
};
