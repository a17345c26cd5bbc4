// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PageRange: which pages of a document to convert, in the interpreter's own
// page-list syntax: pages and ranges joined by commas, "1-3,7,10-" (a range
// with no end runs to the document's end). The empty text means every page.
//
// Parse checks a typed text: blanks around the parts are dropped, every part
// must be a page from 1 or a rising range, "3-1", "0", "x" and "1,,2" are
// refused with the reason's kind. The parts are kept in page order with
// overlapping and touching ones joined ("7,1-3,2" keeps "1-3,7"), since the
// interpreter takes only a rising list, and a range that names every page
// ("1-") is every page. The kept text (Text) is that canonical form, handed
// to the interpreter. The pages of a range are numbered among themselves
// from 1 in page order (Nth): the interpreter renders them in that order.
// Plain value type; no Qt.
#pragma once

#include <string>
#include <vector>

class PageRange {
public:
    enum class Problem {
        None,
        NotANumber, // a part holds something other than digits and one '-'
        ZeroPage,   // a page below 1
        Falling,    // "3-1"
        EmptyPart,  // "1,,2", a trailing comma
        TooLarge,   // a page above kMostPage
    };
    static constexpr int kMostPage = 1000000;

    // Every page.
    PageRange() = default;
    // `text` checked; on a problem the range is every page and `problem`
    // (when given) says what was wrong.
    static bool Parse(const std::string &text, PageRange *range, Problem *problem = nullptr);

    bool All() const { return m_parts.empty(); }
    // The canonical text ("1-3,7,10-"); empty for every page.
    std::string Text() const;
    bool Contains(int page) const;
    // The last page the range names; 0 when it runs to the document's end
    // (or is every page).
    int Last() const;
    // How many of pages 1..`pages` the range takes.
    int CountIn(int pages) const;
    // Page `k` (from 1) of the range, in page order; 0 when it has fewer.
    int Nth(int k) const;
    // The canonical text of the range's pages above `page` ("10-12"); empty
    // when it has none there.
    std::string TextAfter(int page) const;
    // The canonical text of what a document of `pages` pages lacks of the
    // range: its pages above `pages`, but a part running to the end only
    // when it starts there ("1-3,5-" lacks "5-" in 4 pages, nothing in 6);
    // empty when it lacks nothing.
    std::string TextPast(int pages) const;

private:
    struct Part {
        int first = 1;
        int last = 0; // 0: to the end
    };
    // In page order, overlapping and touching parts joined; "1-" is none.
    void Normalise();
    static std::string TextOf(const std::vector<Part> &parts);

    std::vector<Part> m_parts;
};

// A short English hint for `problem`, for messages and the command line.
const char *PageRangeHint(PageRange::Problem problem);
