// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "convert/RunSummary.h"

#include <cmath>

DurationParts SplitDuration(std::chrono::duration<double> elapsed) {
    const double s = elapsed.count();
    const long long total = s > 0 ? std::llround(s) : 0;
    DurationParts parts;
    if (total < 60) {
        parts.first = total;
    } else if (total < 3600) {
        parts = {DurationParts::Form::MinutesSeconds, total / 60, total % 60};
    } else {
        parts = {DurationParts::Form::HoursMinutes, total / 3600, (total % 3600) / 60};
    }
    return parts;
}

std::string DurationText(std::chrono::duration<double> elapsed) {
    const DurationParts p = SplitDuration(elapsed);
    switch (p.form) {
    case DurationParts::Form::Seconds:
        break;
    case DurationParts::Form::MinutesSeconds:
        return std::to_string(p.first) + " min " + std::to_string(p.second) + " s";
    case DurationParts::Form::HoursMinutes:
        return std::to_string(p.first) + " h " + std::to_string(p.second) + " min";
    }
    return std::to_string(p.first) + " s";
}

std::string RunSummaryText(const RunTally &tally, std::chrono::duration<double> elapsed,
                           bool withSkipped) {
    std::string text = std::to_string(tally.succeeded) + " succeeded, " +
                       std::to_string(tally.failed) + " failed, " + std::to_string(tally.stopped) +
                       " stopped";
    if (withSkipped)
        text += ", " + std::to_string(tally.skipped) + " skipped";
    return text + " in " + DurationText(elapsed);
}
