// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// How a document's pages are split between interpreters: every page has
// exactly one share, whose page list names it at the place the share's
// numbering gives it, also when only a page range is rendered; and when a
// document is split at all.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "convert/PageShares.h"
#include "settings/ConvertSettings.h"

namespace {

// The pages a list in the interpreter's syntax names, up to `last`
// ("odd", "even", "1,4,7", "3-9", "1000-").
std::vector<int> Listed(const std::string &list, int last) {
    std::vector<int> pages;
    for (int k = 1; k <= last; ++k) {
        bool in = (list == "odd" && k % 2 == 1) || (list == "even" && k % 2 == 0);
        std::stringstream entries(list);
        for (std::string e; !in && std::getline(entries, e, ',');) {
            if (e == "odd" || e == "even")
                continue;
            const std::size_t dash = e.find('-');
            const int first = std::stoi(e);
            const int end = dash == std::string::npos ? first
                            : dash + 1 == e.size()    ? last
                                                      : std::stoi(e.substr(dash + 1));
            in = k >= first && k <= end;
        }
        if (in)
            pages.push_back(k);
    }
    return pages;
}

TEST(PageShares, EveryPageHasOneShareAtItsPlaceInThatSharesList) {
    const int last = PageShares::kListedPages + 40;
    for (int n : {2, 3, 5}) {
        SCOPED_TRACE(n);
        const PageShares shares(n);
        std::set<int> seen;
        for (int s = 0; s < n; ++s) {
            const std::vector<int> pages = Listed(shares.List(s), last);
            for (std::size_t j = 0; j < pages.size(); ++j) {
                const int k = pages[j];
                EXPECT_TRUE(seen.insert(k).second) << "page " << k << " listed twice";
                EXPECT_EQ(shares.Owner(k), s) << "page " << k;
                EXPECT_EQ(shares.IndexIn(k), static_cast<int>(j) + 1) << "page " << k;
                EXPECT_EQ(shares.DocumentPage(s, static_cast<int>(j) + 1), k);
            }
            const int after = shares.DocumentPage(s, static_cast<int>(pages.size()) + 1);
            EXPECT_TRUE(after == 0 || after > last) << "share " << s;
        }
        EXPECT_EQ(static_cast<int>(seen.size()), last);
    }
    EXPECT_EQ(PageShares(1).List(0), "");
}

// The row's page k is page k of the range.
TEST(PageShares, ARangesPagesAreDealtOutTheSameWay) {
    const int last = PageShares::kListedPages + 1300;
    for (const char *text : {"2,5,7-1200,1250-", "3,9"}) {
        PageRange range;
        ASSERT_TRUE(PageRange::Parse(text, &range));
        for (int n : {1, 2, 3}) {
            SCOPED_TRACE(std::string(text) + " in " + std::to_string(n));
            const PageShares shares(n, range);
            std::map<int, int> rowPage; // document page to the row's page
            for (int s = 0; s < shares.Count(); ++s) {
                const std::vector<int> pages = Listed(shares.List(s), last);
                for (std::size_t j = 0; j < pages.size(); ++j) {
                    const int k = shares.DocumentPage(s, static_cast<int>(j) + 1);
                    EXPECT_EQ(range.Nth(k), pages[j]);
                    EXPECT_EQ(shares.Owner(k), s);
                    EXPECT_EQ(shares.IndexIn(k), static_cast<int>(j) + 1);
                    EXPECT_TRUE(rowPage.emplace(pages[j], k).second);
                }
            }
            EXPECT_EQ(static_cast<int>(rowPage.size()), range.CountIn(last));
        }
    }
    PageRange two;
    PageRange::Parse("3,9", &two);
    EXPECT_EQ(PageShares(3, two).Count(), 2); // no share without a page
    EXPECT_EQ(PageShares(1, two).List(0), "3,9");
}

TEST(PageShares, OnlyExpensiveDocumentsOfSeveralPagesAreSplit) {
    ImageSettings img;
    img.nXDpi = img.nYDpi = 300;
    EXPECT_EQ(PageShares::For(img, 17, 2, 1).Count(), 2);
    EXPECT_EQ(PageShares::For(img, 17, 8, 1).Count(), 8);
    EXPECT_EQ(PageShares::For(img, 3, 8, 1).Count(), 3);  // no more shares than pages
    EXPECT_EQ(PageShares::For(img, 17, 4, 2).Count(), 2); // the workers of two rows at once
    EXPECT_EQ(PageShares::For(img, 1, 2, 1).Count(), 1);
    EXPECT_EQ(PageShares::For(img, 0, 2, 1).Count(), 1); // no count declared
    EXPECT_EQ(PageShares::For(img, 17, 1, 1).Count(), 1);
    img.nXDpi = img.nYDpi = 72;
    EXPECT_EQ(PageShares::For(img, 17, 2, 1).Count(), 1);
}

} // namespace
