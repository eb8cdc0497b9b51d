// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotator/BoardSilence.h"

#include <gtest/gtest.h>

namespace {

// One call's outcome as the board backend reports it, at a moment of the monotonic clock.
enum class Outcome { TimedOut, Answered };
struct Step {
    std::int64_t atMs;
    bool maySend; // what the guard says before the call
    Outcome outcome;
    bool off = false; // a relay switched off: never gated
};
struct Case {
    const char* name;
    std::vector<Step> steps;
};

class BoardSilenceCase : public ::testing::TestWithParam<Case> {};

TEST_P(BoardSilenceCase, DecidesWhichCallsGoOnTheWire) {
    BoardSilence silence;
    for (const auto& step : GetParam().steps) {
        ASSERT_EQ(silence.MaySend(step.atMs, !step.off), step.maySend) << "at " << step.atMs << " ms";
        if (!step.maySend)
            continue; // failed at once, nothing to report
        if (step.outcome == Outcome::TimedOut)
            silence.TimedOut();
        else
            silence.NotSilent();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Calls, BoardSilenceCase,
    ::testing::Values(
        // Lost requests are retried on the wire: two time-outs are a noisy line, not yet a silence.
        Case{"TwoLostRequestsAreRetried",
             {{0, true, Outcome::TimedOut},
              {500, true, Outcome::TimedOut},
              {1000, true, Outcome::Answered},
              {1040, true, Outcome::TimedOut},
              {1540, true, Outcome::Answered}}},
        // Three in a row: the next calls fail at once until a second has passed since the last call
        // started; then one call asks, and its time-out keeps the board silent for another second.
        Case{"ThreeTimeOutsMakeItSilentAndOneCallASecondAsks",
             {{0, true, Outcome::TimedOut},
              {500, true, Outcome::TimedOut},
              {1000, true, Outcome::TimedOut},
              {1001, false, Outcome::TimedOut},
              {1999, false, Outcome::TimedOut},
              {2000, true, Outcome::TimedOut},
              {2500, false, Outcome::TimedOut},
              {2999, false, Outcome::TimedOut},
              {3000, true, Outcome::Answered},
              {3001, true, Outcome::Answered}}},
        // Any answer in between starts the count again.
        Case{"AnAnswerBetweenTimeOutsStartsTheCountAgain",
             {{0, true, Outcome::TimedOut},
              {500, true, Outcome::TimedOut},
              {1000, true, Outcome::Answered},
              {1040, true, Outcome::TimedOut},
              {1540, true, Outcome::TimedOut},
              {2040, true, Outcome::TimedOut},
              {2041, false, Outcome::Answered}}},
        // While silent every off goes on the wire, and counts as the second's probe for the others;
        // the off a module answers ends the silence.
        Case{"AnOffAlwaysGoesAndCountsAsTheProbe",
             {{0, true, Outcome::TimedOut},
              {500, true, Outcome::TimedOut},
              {1000, true, Outcome::TimedOut},
              {1001, true, Outcome::TimedOut, true},
              {1501, true, Outcome::TimedOut, true},
              {2100, false, Outcome::TimedOut},
              {2501, true, Outcome::TimedOut},
              {2600, true, Outcome::Answered, true},
              {2601, true, Outcome::Answered}}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
