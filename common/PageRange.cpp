// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "common/PageRange.h"

#include <algorithm>
#include <limits>

namespace {

std::string Trimmed(const std::string &s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// A page number of digits only; 0 when `s` is not one, -1 above the limit.
long PageNumber(const std::string &s) {
    if (s.empty() || s.size() > 9 ||
        !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    const long n = std::stol(s);
    return n > PageRange::kMostPage ? -1 : n;
}

} // namespace

bool PageRange::Parse(const std::string &text, PageRange *range, Problem *problem) {
    auto fail = [&](Problem p) {
        if (problem)
            *problem = p;
        if (range)
            *range = PageRange();
        return false;
    };
    PageRange r;
    const std::string all = Trimmed(text);
    if (!all.empty()) {
        size_t start = 0;
        while (true) {
            const size_t comma = all.find(',', start);
            const std::string part = Trimmed(
                all.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
            if (part.empty())
                return fail(Problem::EmptyPart);
            const size_t dash = part.find('-');
            const std::string a = Trimmed(part.substr(0, dash));
            const std::string b = dash == std::string::npos ? a : Trimmed(part.substr(dash + 1));
            const bool openEnd = dash != std::string::npos && b.empty();
            if (a.empty() && dash != std::string::npos && !b.empty() &&
                b.find_first_not_of("0123456789") == std::string::npos)
                return fail(Problem::ZeroPage); // "-3": no first page
            const long first = PageNumber(a);
            const long last = openEnd ? 0 : PageNumber(b);
            if (first < 0 || last < 0)
                return fail(Problem::TooLarge);
            if ((first == 0 && (a.empty() || a.find_first_not_of('0') != std::string::npos)) ||
                (!openEnd && last == 0 && b.find_first_not_of('0') != std::string::npos))
                return fail(Problem::NotANumber);
            if (first == 0 || (!openEnd && last == 0))
                return fail(Problem::ZeroPage);
            if (!openEnd && last < first)
                return fail(Problem::Falling);
            r.m_parts.push_back({int(first), int(last)});
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
    }
    r.Normalise();
    if (problem)
        *problem = Problem::None;
    if (range)
        *range = std::move(r);
    return true;
}

void PageRange::Normalise() {
    std::sort(m_parts.begin(), m_parts.end(),
              [](const Part &a, const Part &b) { return a.first < b.first; });
    std::vector<Part> joined;
    for (const Part &p : m_parts) {
        if (!joined.empty()) {
            Part &q = joined.back();
            if (q.last == 0)
                continue; // runs to the end already
            if (p.first <= q.last + 1) {
                q.last = p.last == 0 ? 0 : std::max(q.last, p.last);
                continue;
            }
        }
        joined.push_back(p);
    }
    if (joined.size() == 1 && joined[0].first == 1 && joined[0].last == 0)
        joined.clear(); // "1-": every page
    m_parts = std::move(joined);
}

std::string PageRange::TextOf(const std::vector<Part> &parts) {
    std::string s;
    for (const Part &p : parts) {
        if (!s.empty())
            s += ',';
        s += std::to_string(p.first);
        if (p.last == 0)
            s += '-';
        else if (p.last != p.first)
            s += '-' + std::to_string(p.last);
    }
    return s;
}

std::string PageRange::Text() const {
    return TextOf(m_parts);
}

bool PageRange::Contains(int page) const {
    if (All())
        return page >= 1;
    return std::any_of(m_parts.begin(), m_parts.end(), [page](const Part &p) {
        return page >= p.first && (p.last == 0 || page <= p.last);
    });
}

int PageRange::Last() const {
    int last = 0;
    for (const Part &p : m_parts) {
        if (p.last == 0)
            return 0;
        last = std::max(last, p.last);
    }
    return last;
}

int PageRange::CountIn(int pages) const {
    if (All())
        return std::max(pages, 0);
    int n = 0;
    for (const Part &p : m_parts) {
        const int last = p.last == 0 ? pages : std::min(p.last, pages);
        if (last >= p.first)
            n += last - p.first + 1;
    }
    return n;
}

int PageRange::Nth(int k) const {
    if (k < 1)
        return 0;
    if (All())
        return k;
    long long left = k;
    for (const Part &p : m_parts) {
        if (p.last == 0) {
            const long long page = p.first + left - 1;
            return page > std::numeric_limits<int>::max() ? 0 : static_cast<int>(page);
        }
        const long long size = p.last - p.first + 1;
        if (left <= size)
            return static_cast<int>(p.first + left - 1);
        left -= size;
    }
    return 0;
}

std::string PageRange::TextAfter(int page) const {
    page = std::min(page, kMostPage);
    const std::vector<Part> every = {Part{}};
    std::vector<Part> after;
    for (const Part &p : All() ? every : m_parts) {
        if (p.last != 0 && p.last <= page)
            continue;
        after.push_back({std::max(p.first, page + 1), p.last});
    }
    return TextOf(after);
}

std::string PageRange::TextPast(int pages) const {
    pages = std::min(pages, kMostPage);
    const std::vector<Part> every = {Part{}};
    std::vector<Part> past;
    for (const Part &p : All() ? every : m_parts) {
        if (p.last == 0 ? p.first > pages : p.last > pages)
            past.push_back({std::max(p.first, pages + 1), p.last});
    }
    return TextOf(past);
}

const char *PageRangeHint(PageRange::Problem problem) {
    switch (problem) {
    case PageRange::Problem::None:
        return "";
    case PageRange::Problem::NotANumber:
        return "pages are numbers and ranges, as in 1-3,7,10-";
    case PageRange::Problem::ZeroPage:
        return "pages count from 1";
    case PageRange::Problem::Falling:
        return "a range goes from a lower page to a higher one, as in 1-3";
    case PageRange::Problem::EmptyPart:
        return "a comma stands between two pages or ranges";
    case PageRange::Problem::TooLarge:
        return "a page number is too large";
    }
    return "";
}
