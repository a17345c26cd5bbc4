// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// RunSummary: how a run went, as the end of a run tells it: "12 succeeded,
// 1 failed, 0 stopped in 1 min 20 s". The counts and the time are data; the
// command line takes the English text as it stands, the window puts the same
// parts into its translated texts. Pure functions; thread-safe.
#pragma once

#include <chrono>
#include <string>

struct RunTally {
    int succeeded = 0;
    int failed = 0;
    int stopped = 0; // stopped, or never reached by a stopped run
    int skipped = 0; // up to date, not converted again
};

// A time split for showing: under a minute seconds only, under an hour
// minutes and seconds, else hours and minutes.
struct DurationParts {
    enum class Form { Seconds, MinutesSeconds, HoursMinutes } form = Form::Seconds;
    long long first = 0;  // seconds, minutes or hours
    long long second = 0; // seconds or minutes; 0 for Form::Seconds
};

// `elapsed` to the nearest second, split as above.
DurationParts SplitDuration(std::chrono::duration<double> elapsed);
// "45 s", "1 min 20 s", "2 h 5 min".
std::string DurationText(std::chrono::duration<double> elapsed);
// "12 succeeded, 1 failed, 0 stopped in 1 min 20 s"; with `withSkipped`
// ", 3 skipped" follows the stopped count.
std::string RunSummaryText(const RunTally &tally, std::chrono::duration<double> elapsed,
                           bool withSkipped = false);
