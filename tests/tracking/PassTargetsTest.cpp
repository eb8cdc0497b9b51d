// SPDX-License-Identifier: GPL-3.0-or-later
// The pass plan as the tracking cycle keeps it: what positioning is given before, during and after a
// real pass, and what the status line is told.

#include "sky/PassTargets.h"
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
    // One line on the status line for the pass, not one a minute: the plan in force, or why none is.
    EXPECT_EQ(texts, 1);
    texts = 0;
    ASSERT_TRUE(first.has_value());
    if (c.refused)
        EXPECT_EQ(*first, PlanFallbackText());
    else if (c.flipped)
        EXPECT_EQ(*first, PlanFlippedText());
    else
        EXPECT_EQ(*first, PassTargets::PlanText(249, 401, state.tracking));
    if (!c.refused) {
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

// Whenever no plan is followed, the status line says why, once; and a plan is never followed on
// positions served for another time than the plan's.
struct NoPlanCase {
    const char* name;
    bool inElements, station;
    double servedOffset;      // seconds: the served positions are for this much after the time given
    double offsetFrom = -1e9; // ... from this moment on (unix); before it they agree
    bool activeAtEnd;
    const char* said; // the one text told after the first, "" for the plan in force only
};

class PassTargetsNoPlan : public ::testing::TestWithParam<NoPlanCase> {};

TEST_P(PassTargetsNoPlan, SaysWhyOnceAndNeverFollowsAnotherTime) {
    const auto& c = GetParam();
    const auto file = orbit::ReadElementFile(PASSES_TLE);
    const orbit::Sgp4 model(file.sets.front());
    const QString name = QString::fromStdString(model.Elements().name);
    PassTargets targets;
    targets.Use(c.inElements ? file.sets : std::vector<orbit::ElementSet>{},
                c.station ? std::optional<orbit::Geodetic>(Tokyo) : std::nullopt);
    MainState state;
    state.tracking.azimuthTravelMax = 450;
    QStringList said;
    bool active = false;
    for (double unix = Aos - 200; unix <= Aos + 400; unix += 1) {
        const double served = unix + (unix >= c.offsetFrom ? c.servedOffset : 0);
        const auto seen = orbit::Observe(
            model, Tokyo, orbit::JulianDate::FromUnixMilliseconds(std::llround(served * 1000)));
        if (const auto text = targets.Apply(state, name, unix, seen.observation.look.azimuth,
                                            seen.observation.look.elevation))
            said << *text;
        active = state.planned.active;
        // Once the positions are for another time, at most one more cycle follows the plan.
        if (unix >= c.offsetFrom + 1 && !c.activeAtEnd && c.inElements && c.station) {
            EXPECT_FALSE(active) << unix - Aos;
        }
    }
    EXPECT_EQ(active, c.activeAtEnd);
    const bool plannedFirst = c.offsetFrom > Aos - 200 && c.inElements && c.station;
    ASSERT_EQ(said.size(), plannedFirst + (*c.said ? 1 : 0)) << qPrintable(said.join("\n"));
    if (plannedFirst) {
        EXPECT_EQ(said.front(), PassTargets::PlanText(249, 401, state.tracking));
    }
    if (*c.said) {
        EXPECT_TRUE(said.back().startsWith(QString::fromUtf8(c.said))) << qPrintable(said.back());
    }
}

INSTANTIATE_TEST_SUITE_P(
    NorthCrossing, PassTargetsNoPlan,
    ::testing::Values(NoPlanCase{"satellite_not_in_the_element_files", false, true, 0, -1e9, false, "7.ISS"},
                      NoPlanCase{"no_station_location", true, false, 0, -1e9, false, "7.局の位置"},
                      // A tracker serving an hour later from the start: nothing planned.
                      NoPlanCase{"server_an_hour_ahead", true, true, 3600, -1e9, false, "7.データサーバー"},
                      // A server whose clock jumps 50 s back in the middle of the pass: the plan is dropped.
                      NoPlanCase{"server_clock_jumps_during_the_pass", true, true, -50, Aos + 120, false,
                                 "7.データサーバー"},
                      // Positions a second off (a slow answer) keep the plan.
                      NoPlanCase{"a_second_late_is_the_same_time", true, true, -1, Aos - 100, true, ""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
