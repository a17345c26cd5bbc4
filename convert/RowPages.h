// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// RowPages: the pages a row converts (the "pages" setting) and what a row
// says of the pages it was asked for that its document doesn't have.
//
// A row with a page range hands the range to the interpreter and converts
// what of it the document has. Pages of the range past the document's end
// are named in the row's note ("pages 10-12 are past the document's end (8
// pages)"); a row with none of its pages there fails with that text. The
// PDF and text rows learn the document's length first (CheckRangeBefore);
// an image row learns it from the pages it rendered, and counts them only
// when the rendering leaves the length open. Thread-safe; no state.
#pragma once

#include <string>

#include "common/PageRange.h"
#include "convert/EngineModule.h"

struct ConvertSettings;

// The settings' page range; a stored text that doesn't parse is every page.
PageRange RowPageRange(const ConvertSettings &settings);

// The words for `missing` (the canonical text of pages a document lacks,
// PageRange::TextPast) of a document of `pages` pages: "page 10 is past the
// document's end (8 pages)", "pages 9,11- are past ..."; without the
// count when `pages` is below 0; "the document has no pages" for 0; empty
// when nothing is missing.
std::string PastEndText(const std::string &missing, int pages);

// How much of its range a row has, learnt before its engine step.
struct RangeCheck {
    std::string reason; // none of the range is there: the row fails with this
    std::string note;   // some of it is missing: the row's note
};

// The page count of `input` against `range` (not every page), counted as
// the row's own step (CountPages, bound by `timeLimitSeconds`, 0 for the
// count's default). A count that fails says nothing: the row's engine step
// then meets what it met.
RangeCheck CheckRangeBefore(const EngineModule &engine, const PageRange &range,
                            const std::string &input, const std::string &tempFolder,
                            int timeLimitSeconds);

// What an image row that rendered the first `rendered` pages of `range`
// (its engine steps all succeeded) says of the rest: the empty text when
// the document has every page of the range, else PastEndText, the
// document's length from the rendering or, when that leaves it open,
// counted as CheckRangeBefore counts.
std::string PastEndAfterRendering(const EngineModule &engine, const PageRange &range, int rendered,
                                  const std::string &input, const std::string &tempFolder,
                                  int timeLimitSeconds);

// The bound on a page count a row makes: the row's own time limit, else
// none to speak of (the row's other steps have none either).
int RowCountLimit(const ConvertSettings &settings);

// Two notes as one ("a; b"), either may be empty.
std::string JoinedNotes(const std::string &a, const std::string &b);
