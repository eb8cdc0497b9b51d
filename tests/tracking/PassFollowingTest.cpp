// SPDX-License-Identifier: GPL-3.0-or-later
// Following real passes on the simulated board with rotator physics, in virtual time, through the
// program's own positioning and pass planning: the figures the pass-following options are for.

#include "TrackRun.h"
#include "orbit/ElementSet.h"
#include "orbit/Passes.h"

#include <gtest/gtest.h>

namespace {

const orbit::Geodetic Tokyo{35.68, 139.77, 40};

struct FollowCase {
    const char* name;
    double fromUnix; // a minute before AOS
    bool lead, prePosition;
    double azimuthTravel, elevationTravel;
    double p95AtMost;
    double longestOver10AtMost; // seconds
    double azimuthTurnedAtMost; // degrees from AOS to LOS
    double maxAtMost = 1e9;
};

class PassFollowing : public ::testing::TestWithParam<FollowCase> {};

TEST_P(PassFollowing, KeepsTheAntennaOnTheSatellite) {
    const auto& c = GetParam();
    const auto file = orbit::ReadElementFile(PASSES_TLE);
    ASSERT_FALSE(file.sets.empty());
    const orbit::Sgp4 model(file.sets.front()); // the ISS
    const auto found = orbit::NextPasses(
        model, Tokyo, orbit::JulianDate::FromUnixMilliseconds(std::int64_t(c.fromUnix * 1000)), 1, 1);
    ASSERT_EQ(found.passes.size(), 1u);
    RunSetup setup;
    setup.options.lead = c.lead;
    setup.options.prePosition = c.prePosition;
    setup.options.azimuthTravelMax = c.azimuthTravel;
    setup.options.elevationTravelMax = c.elevationTravel;
    const RunResult r = RunPass(model, Tokyo, found.passes.front(), setup);
    EXPECT_LE(r.p95, c.p95AtMost) << "median " << r.median << ", max " << r.max;
    EXPECT_LE(r.max, c.maxAtMost) << "p95 " << r.p95;
    EXPECT_LE(r.longestOver10, c.longestOver10AtMost);
    EXPECT_LE(r.azimuthTravelled, c.azimuthTurnedAtMost);
}

constexpr double High = 1638925968.2 - 60, North = 1638758868.0 - 60, Low = 1638753082.0 - 60,
                 Overhead = 1639946038.0 - 60, Zenith = 1640482439.5 - 60;

INSTANTIATE_TEST_SUITE_P(RealPasses, PassFollowing,
                         ::testing::Values(
                             // Lead and pre-positioning: within the tolerance, never long far off.
                             FollowCase{"high_lead", High, true, true, 0, 0, 1.5, 5, 360},
                             FollowCase{"low_lead", Low, true, true, 0, 0, 1.5, 5, 360},
                             // The north crossing on one stretch of a 450-degree rotator, or flipped on a
                             // 180-degree elevation rotator: no unwind.
                             FollowCase{"north_overlap", North, true, true, 450, 0, 1.5, 5, 250},
                             // (Below the tolerance's height the flipped aim stays that far inside
                             // the 180-degree end stop, which the pass's ends show.)
                             FollowCase{"north_flip", North, true, true, 0, 180, 1.8, 5, 250},
                             FollowCase{"high_flip", High, true, true, 0, 180, 1.5, 5, 360},
                             // Culminating at 83.9 degrees the azimuth turns at up to 9.8 degrees/s
                             // against the rotator's 6: it is turned ahead on the plan's course.
                             FollowCase{"overhead_lead", Overhead, true, true, 0, 0, 1.5, 0, 360, 3},
                             FollowCase{"overhead_overlap", Overhead, true, true, 450, 0, 1.5, 0, 360, 3},
                             // Culminating at 89.7 degrees the azimuth turns half a turn within seconds:
                             // a 180-degree elevation rotator goes over the top instead (its largest
                             // error, 3.04, is at AOS, the antenna a tolerance inside the travel).
                             FollowCase{"zenith_over_the_top", Zenith, true, true, 0, 180, 1.5, 0, 360,
                                        3.05}),
                         [](const auto& info) { return std::string(info.param.name); });

// With nothing set the unwind shows (this is what the options are for).
TEST(PassFollowingBaseline, NorthCrossingUnwindsWithNothingSet) {
    const auto file = orbit::ReadElementFile(PASSES_TLE);
    const orbit::Sgp4 model(file.sets.front());
    const auto found = orbit::NextPasses(
        model, Tokyo, orbit::JulianDate::FromUnixMilliseconds(std::int64_t(North * 1000)), 1, 1);
    ASSERT_EQ(found.passes.size(), 1u);
    const RunResult r = RunPass(model, Tokyo, found.passes.front(), RunSetup{});
    EXPECT_GT(r.longestOver10, 10);
    EXPECT_GT(r.azimuthTravelled, 300);
}

} // namespace
