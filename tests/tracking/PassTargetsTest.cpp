// SPDX-License-Identifier: GPL-3.0-or-later
// The pass plan as the tracking cycle keeps it: what positioning is given before, during and after a
// real pass, and what the status line is told.

#include "tracking/PassTargets.h"
#include "common/MainState.h"
#include "orbit/ElementSet.h"
#include "orbit/Observation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

namespace {

const orbit::Geodetic Tokyo{35.68, 139.77, 40};
// The ISS, 249.0 -> 40.9 degrees clockwise through north, culmination 31.4 degrees.
constexpr double Aos = 1638758868.0, Los = Aos + 637;

struct Moment {
    const char* name;
    double unix;
    bool active, prePositioning;
    double azimuth, elevation; // rotator target when active, within `within` degrees; -1: not checked
    double within = 0.5;
};

struct PlanCase {
    const char* name;
    double azimuthTravel, elevationTravel;
    bool prePosition;
    bool refused, flipped;
    std::vector<Moment> moments;
};

class PassTargetsTable : public ::testing::TestWithParam<PlanCase> {};

TEST_P(PassTargetsTable, GivesPositioningThePlannedTarget) {
    const auto& c = GetParam();
    const auto file = orbit::ReadElementFile(PASSES_TLE);
    const orbit::Sgp4 model(file.sets.front());
    PassTargets targets;
    targets.Use(file.sets, Tokyo);
    MainState state;
    state.tracking.lead = true;
    state.tracking.prePosition = c.prePosition;
    state.tracking.azimuthTravelMax = c.azimuthTravel;
    state.tracking.elevationTravelMax = c.elevationTravel;
    const QString name = QString::fromStdString(model.Elements().name);

    int texts = 0;
    std::optional<QString> first;
    const auto apply = [&](double unix) {
        const auto seen =
            orbit::Observe(model, Tokyo, orbit::JulianDate::FromUnixMilliseconds(std::llround(unix * 1000)));
        const auto text =
            targets.Apply(state, name, unix, seen.observation.look.azimuth, seen.observation.look.elevation);
        if (text && !first)
            first = text;
        texts += text.has_value();
    };
    // Planned a few minutes ahead, then every moment of the table once a minute's cycles have run.
    const auto started = std::chrono::steady_clock::now();
    apply(Aos - 300);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500))
        << "planning must not hold the event loop";
    for (const auto& m : c.moments) {
        apply(m.unix);
        EXPECT_EQ(state.planned.active, m.active) << m.name;
        EXPECT_EQ(state.planned.prePositioning, m.prePositioning) << m.name;
        if (m.active && state.planned.active && m.azimuth >= 0) {
            EXPECT_NEAR(state.planned.azimuth, m.azimuth, m.within) << m.name;
        }
        if (m.active && state.planned.active && m.elevation >= 0) {
            EXPECT_NEAR(state.planned.elevation, m.elevation, m.within) << m.name;
        }
    }
    EXPECT_EQ(state.planned.flipped || targets.follower().plan().flipped, c.flipped);
    // One line on the status line for the pass, not one a minute.
    EXPECT_EQ(texts, c.refused || c.flipped ? 1 : 0);
    texts = 0;
    if (c.refused) {
        EXPECT_EQ(*first, PlanFallbackText());
    } else {
        // After LOS the plan is the next pass's.
        apply(Los + 5);
        ASSERT_TRUE(targets.follower().pass().has_value());
        EXPECT_GT(targets.follower().pass()->aosUnix, Los + 3000);
    }
}

INSTANTIATE_TEST_SUITE_P(
    NorthCrossing, PassTargetsTable,
    ::testing::Values(PlanCase{"overlap_with_pre_positioning",
                               450,
                               0,
                               true,
                               false,
                               false,
                               {{"before_its_time", Aos - 200, true, false, -1, 0},
                                {"waiting_at_the_rise_point", Aos - 100, true, true, 249.0, 0},
                                {"rising", Aos + 1, true, false, 249.0, 0},
                                {"past_north_on_the_overlap", Aos + 600, true, false, 395, -1, 10}}},
                      PlanCase{"flip_without_pre_positioning",
                               0,
                               180,
                               false,
                               false,
                               true,
                               {{"before_the_pass_already_flipped", Aos - 100, true, false, -1, 180},
                                {"rising_flipped", Aos + 1, true, false, 69.0, 180}}},
                      // A 360-degree rotator cannot carry it: nothing planned, said once.
                      PlanCase{"refused",
                               0,
                               0,
                               true,
                               true,
                               false,
                               {{"before", Aos - 100, false, false, 0, 0},
                                {"rising", Aos + 1, false, false, 0, 0},
                                {"later", Aos + 300, false, false, 0, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
