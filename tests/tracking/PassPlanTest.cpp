// SPDX-License-Identifier: GPL-3.0-or-later
// Planning real passes (element sets of 2020 and 2021 over Tokyo) onto the rotators' travel.

#include "sky/PassPlan.h"
#include "orbit/ElementSet.h"
#include "orbit/Passes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const orbit::Geodetic Tokyo{35.68, 139.77, 40};

std::vector<TrackPoint> TrackOf(const char* satellite, double fromUnix) {
    const auto file = orbit::ReadElementFile(PASSES_TLE);
    for (const auto& set : file.sets)
        if (std::to_string(set.catalogueNumber) == satellite) {
            const orbit::Sgp4 model(set);
            const auto found = orbit::NextPasses(
                model, Tokyo, orbit::JulianDate::FromUnixMilliseconds(std::int64_t(fromUnix * 1000)), 1, 1);
            if (found.passes.empty())
                return {};
            return SamplePass(model, Tokyo, found.passes.front(), 1);
        }
    return {};
}

// Largest step of the planned rotator azimuth between two seconds of the pass: an unwind or a wrong
// stretch shows as a jump of hundreds of degrees.
double LargestAzimuthStep(const std::vector<TrackPoint>& track, const PassPlan& plan,
                          const RotatorTravel& travel) {
    double largest = 0;
    for (std::size_t i = 1; i < track.size(); ++i) {
        const auto a = ToRotator(plan, travel, track[i - 1].azimuth, track[i - 1].elevation);
        const auto b = ToRotator(plan, travel, track[i].azimuth, track[i].elevation);
        largest = std::max(largest, std::abs(b.azimuth - a.azimuth));
    }
    return largest;
}

struct PlanCase {
    const char* name;
    const char* satellite;
    double fromUnix; // a minute before the pass's AOS
    bool south;
    double azimuthMax, elevationMax;
    double presentAzimuth;
    bool followable, flipped;
    double prePositionAzimuth, prePositionElevation; // rotator angles, to 0.5 degrees
};

class PassPlanTable : public ::testing::TestWithParam<PlanCase> {};

TEST_P(PassPlanTable, ChoosesTheStretchAndTheFlip) {
    const auto& c = GetParam();
    const auto track = TrackOf(c.satellite, c.fromUnix);
    ASSERT_GT(track.size(), 100u);
    const RotatorTravel travel{c.south, 0, c.azimuthMax, 0, c.elevationMax};
    const PassPlan plan = PlanPass(track, travel, c.presentAzimuth);
    ASSERT_EQ(plan.followable, c.followable);
    if (!plan.followable)
        return;
    EXPECT_EQ(plan.flipped, c.flipped);
    EXPECT_NEAR(plan.prePosition.azimuth, c.prePositionAzimuth, 0.5);
    EXPECT_NEAR(plan.prePosition.elevation, c.prePositionElevation, 0.5);
    // Followed on one stretch: no jump, nothing beyond the travel, and less than a turn travelled.
    EXPECT_LT(LargestAzimuthStep(track, plan, travel), 20);
    EXPECT_LT(plan.azimuthTravelled, 360);
    for (const auto& p : track) {
        const auto r = ToRotator(plan, travel, p.azimuth, p.elevation);
        ASSERT_GE(r.azimuth, 0);
        ASSERT_LE(r.azimuth, c.azimuthMax);
        // The plan points where the satellite is.
        const auto back = ToCompass(travel, r.azimuth, r.elevation);
        const double d = std::remainder(back.azimuth - p.azimuth, 360.0);
        ASSERT_NEAR(d * std::cos(p.elevation * M_PI / 180), 0, 0.01) << p.seconds;
        ASSERT_NEAR(back.elevation, std::max(0.0, p.elevation), 0.01) << p.seconds;
    }
}

// Passes (AOS azimuth -> LOS azimuth, culmination): high 224.8 -> 49.4 at 81.0 degrees; north
// crossing 249.0 -> 40.9 at 31.4 (clockwise through north); low 198.3 -> 61.7 at 22.1; high and
// north crossing 311.9 -> 132.0 at 85.5.
constexpr double High = 1638925968.2 - 60, North = 1638758868.0 - 60, Low = 1638753082.0 - 60,
                 HighNorth = 1638782343.3 - 60;

INSTANTIATE_TEST_SUITE_P(
    RealPasses, PassPlanTable,
    ::testing::Values(
        // A 360-degree rotator with its start point north carries passes that stay off north as they are.
        PlanCase{"high_360", "25544", High, false, 360, 90, 0, true, false, 224.8, 0},
        PlanCase{"low_360", "25544", Low, false, 360, 90, 0, true, false, 198.3, 0},
        // ... but not a pass crossing north: without more travel or the flip it is followed as today.
        PlanCase{"north_360", "25544", North, false, 360, 90, 0, false, false, 0, 0},
        // The south start point carries the north crossing (rotator azimuth = compass + 180).
        PlanCase{"north_south_start", "25544", North, true, 360, 90, 0, true, false, 69.0, 0},
        // 450 degrees: the north crossing rides over the north end, 249 -> 400.9.
        PlanCase{"north_450", "25544", North, false, 450, 90, 0, true, false, 249.0, 0},
        // 450 degrees, a pass between 90 and 360 that could start at either end: the nearer wins.
        PlanCase{"low_450_from_0", "25544", Low, false, 450, 90, 0, true, false, 198.3, 0},
        // The flip turns the north crossing into a south one: 249 + 180 = 69, elevation 180 at AOS.
        PlanCase{"north_flip", "25544", North, false, 360, 180, 0, true, true, 69.0, 180},
        // A pass the rotator can carry directly is not flipped.
        PlanCase{"high_flip_not_needed", "25544", High, false, 360, 180, 0, true, false, 224.8, 0},
        PlanCase{"high_north_flip", "25544", HighNorth, false, 360, 180, 0, true, true, 131.9, 180},
        // 450 degrees are not enough for 311.9 -> 492 (clockwise through north), nor is the flip there.
        PlanCase{"high_north_450", "25544", HighNorth, false, 450, 90, 0, false, false, 0, 0},
        // Elevation travel that cannot reach the pass's top: not planned.
        PlanCase{"high_on_a_60_degree_rotator", "25544", High, false, 450, 60, 0, false, false, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// The course of the azimuth through a pass: no faster than the rotator, within the bound everywhere,
// and the track itself where the rotator keeps up.
struct CourseCase {
    const char* name;
    double fromUnix;
    double elevationMax;
    double speed; // degrees/s
    double boundAtLeast, boundAtMost;
    std::optional<double> overTheTopAzimuth = std::nullopt; // held while the elevation passes 90
};

class PassCourseTable : public ::testing::TestWithParam<CourseCase> {};

TEST_P(PassCourseTable, TurnsAheadWithinTheBound) {
    const auto& c = GetParam();
    const auto track = TrackOf("25544", c.fromUnix);
    ASSERT_GT(track.size(), 100u);
    const RotatorTravel travel{false, 0, 360, 0, c.elevationMax};
    const PassPlan plan = PlanPass(track, travel, 0);
    ASSERT_TRUE(plan.followable);
    const PassCourse course = PlanCourse(track, plan, travel, c.speed);
    ASSERT_EQ(course.azimuthOffset.size(), track.size());
    EXPECT_GE(course.bound, c.boundAtLeast);
    EXPECT_LE(course.bound, c.boundAtMost);
    ASSERT_EQ(course.overTheTopAzimuth.has_value(), c.overTheTopAzimuth.has_value());
    if (c.overTheTopAzimuth) {
        EXPECT_NEAR(*course.overTheTopAzimuth, *c.overTheTopAzimuth, 10);
    }
    double previous = 0;
    for (std::size_t i = 0; i < track.size(); ++i) {
        const auto& p = track[i];
        const double offset = course.azimuthOffset[i];
        const double azimuth = ToRotator(plan, travel, p.azimuth, p.elevation).azimuth + offset;
        if (i > 0) {
            ASSERT_LE(std::abs(azimuth - previous), c.speed * (p.seconds - track[i - 1].seconds) + 1e-6)
                << p.seconds;
        }
        previous = azimuth;
        // Pointed at the nearest elevation, the antenna is off by no more than the bound.
        const double e = ElevationFor(plan, p.elevation, offset);
        const auto back = ToCompass(travel, azimuth, e);
        const double r = M_PI / 180, el = std::max(0.0, p.elevation);
        const double cosine =
            std::sin(back.elevation * r) * std::sin(el * r) +
            std::cos(back.elevation * r) * std::cos(el * r) * std::cos((back.azimuth - p.azimuth) * r);
        ASSERT_LE(std::acos(std::clamp(cosine, -1.0, 1.0)) / r, course.bound + 0.01) << p.seconds;
        if (c.boundAtMost == 0) {
            ASSERT_EQ(offset, 0) << p.seconds;
        }
    }
}

constexpr double Overhead = 1639946038.0 - 60; // 225.5 -> 49.1 at 83.9 degrees
constexpr double Zenith = 1640482439.5 - 60;   // 311.5 -> 133.0 at 89.7 degrees

INSTANTIATE_TEST_SUITE_P(RealPasses, PassCourseTable,
                         ::testing::Values(
                             // A low pass: the rotator keeps up, the course is the track.
                             CourseCase{"low_6", Low, 90, 6, 0, 0},
                             // At 83.9 degrees the azimuth turns at 9.8 degrees/s: 6 degrees/s hold it
                             // within the tolerance by turning ahead, 3 degrees/s do not.
                             CourseCase{"overhead_6", Overhead, 90, 6, 0.5, 1.5},
                             CourseCase{"overhead_3", Overhead, 90, 3, 2, 10},
                             // Flipped, the azimuth needs the same speed near the zenith.
                             CourseCase{"high_north_flipped_6", HighNorth, 180, 6, 1.5, 3},
                             // At 89.7 degrees no azimuth turns fast enough; over the top it need not:
                             // the azimuth stays near the pass's heading (towards its LOS at 133).
                             CourseCase{"zenith_over_the_top_6", Zenith, 180, 6, 0, 0.5, 133.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PassPlan, NoTrackNoPlan) {
    EXPECT_FALSE(PlanPass({}, RotatorTravel{}, 0).followable);
}

} // namespace
