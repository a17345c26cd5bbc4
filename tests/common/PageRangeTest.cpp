// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Page ranges: what is refused and why, the canonical (rising) text kept,
// and the range's pages counted, numbered and cut at a document's end.
#include <gtest/gtest.h>

#include "common/PageRange.h"

namespace {

PageRange Kept(const std::string &text) {
    PageRange range;
    EXPECT_TRUE(PageRange::Parse(text, &range)) << text;
    return range;
}

} // namespace

TEST(PageRange, BadTextsAreRefusedWithTheirReason) {
    using P = PageRange::Problem;
    const std::pair<const char *, P> bad[] = {
        {"3-1", P::Falling},      {"x", P::NotANumber}, {"2-x", P::NotANumber},
        {"1-2-3", P::NotANumber}, {"0", P::ZeroPage},   {"-3", P::ZeroPage},
        {"1,,2", P::EmptyPart},   {"1,", P::EmptyPart}, {"1000001", P::TooLarge},
    };
    for (const auto &[text, problem] : bad) {
        PageRange range = Kept("4");
        P got = P::None;
        EXPECT_FALSE(PageRange::Parse(text, &range, &got)) << text;
        EXPECT_EQ(got, problem) << text;
        EXPECT_TRUE(range.All()) << text;
        EXPECT_STRNE(PageRangeHint(got), "");
    }
}

TEST(PageRange, KeptTextIsRisingAndJoined) {
    EXPECT_EQ(Kept("1-3,7,10-").Text(), "1-3,7,10-");
    EXPECT_EQ(Kept(" 7 , 2 ").Text(), "2,7");
    EXPECT_EQ(Kept("5-8,1-3,2,4,9").Text(), "1-9");
    EXPECT_EQ(Kept("3-,1,10-12").Text(), "1,3-");
    EXPECT_TRUE(Kept("").All());
    EXPECT_TRUE(Kept("1-").All());
    EXPECT_TRUE(Kept("2-,1").All());
}

TEST(PageRange, PagesAreCountedNumberedAndCutAtTheEnd) {
    const PageRange r = Kept("2,4-5,9-");
    EXPECT_EQ(r.CountIn(8), 3);
    EXPECT_EQ(r.CountIn(11), 6);
    EXPECT_EQ(r.Nth(1), 2);
    EXPECT_EQ(r.Nth(3), 5);
    EXPECT_EQ(r.Nth(4), 9);
    EXPECT_EQ(r.Nth(0), 0);
    EXPECT_EQ(Kept("2,4").Nth(3), 0);
    EXPECT_EQ(PageRange().Nth(7), 7);
    EXPECT_EQ(r.TextAfter(4), "5,9-");
    EXPECT_EQ(r.TextAfter(12), "13-");
    EXPECT_EQ(r.TextPast(4), "5,9-");
    EXPECT_EQ(r.TextPast(9), ""); // "9-" has its page 9
    EXPECT_EQ(Kept("1-3,10-12").TextPast(8), "10-12");
    EXPECT_EQ(Kept("6-12").TextPast(8), "9-12");
    EXPECT_EQ(PageRange().TextPast(0), "1-");
    EXPECT_EQ(PageRange().TextPast(3), "");
    EXPECT_TRUE(r.Contains(10) && !r.Contains(3));
    EXPECT_EQ(r.Last(), 0);
    EXPECT_EQ(Kept("2,4").Last(), 4);
}
