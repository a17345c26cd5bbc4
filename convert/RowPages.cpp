// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/RowPages.h"

#include "convert/PageCount.h"
#include "settings/ConvertSettings.h"

PageRange RowPageRange(const ConvertSettings &settings) {
    PageRange range;
    PageRange::Parse(settings.m_szPages, &range);
    return range;
}

std::string PastEndText(const std::string &missing, int pages) {
    if (missing.empty())
        return {};
    if (pages == 0)
        return "the document has no pages";
    const bool one = missing.find_first_of(",-") == std::string::npos;
    std::string text = std::string(one ? "page " : "pages ") + missing + (one ? " is" : " are") +
                       " past the document's end";
    if (pages > 0)
        text += " (" + std::to_string(pages) + (pages == 1 ? " page)" : " pages)");
    return text;
}

RangeCheck CheckRangeBefore(const EngineModule &engine, const PageRange &range,
                            const std::string &input, const std::string &tempFolder,
                            int timeLimitSeconds) {
    if (range.All())
        return {};
    const int pages = CountPages(engine, input, tempFolder, timeLimitSeconds).pages;
    if (pages < 0)
        return {};
    const std::string text = PastEndText(range.TextPast(pages), pages);
    if (range.CountIn(pages) == 0)
        return {text, {}};
    return {{}, text};
}

std::string PastEndAfterRendering(const EngineModule &engine, const PageRange &range, int rendered,
                                  const std::string &input, const std::string &tempFolder,
                                  int timeLimitSeconds) {
    if (range.All() || rendered < 0)
        return {};
    // The document has page `last` (0: none asked for) and not page `next`:
    // what it lacks of the range is the same for every length between.
    const int last = range.Nth(rendered);
    const int next = range.Nth(rendered + 1);
    const std::string missing = range.TextPast(last);
    if (missing.empty())
        return {};
    int pages = -1;
    if (rendered > 0 && last + 1 == next) {
        pages = last;
    } else {
        pages = CountPages(engine, input, tempFolder, timeLimitSeconds).pages;
        // A reading that disagrees with the rendering gives no length.
        if (pages < last || (next > 0 && pages >= next))
            pages = -1;
    }
    return PastEndText(missing, pages);
}

int RowCountLimit(const ConvertSettings &settings) {
    return settings.m_nTimeLimit > 0 ? settings.m_nTimeLimit : kMaxTimeLimitSeconds;
}

std::string JoinedNotes(const std::string &a, const std::string &b) {
    if (a.empty() || b.empty())
        return a.empty() ? b : a;
    return a + "; " + b;
}
