// SPDX-License-Identifier: GPL-3.0-or-later
// The aim point of the lead option and the speed it learns from readings.

#include "rotator/TrackingLead.h"

#include <gtest/gtest.h>

namespace {

struct AimCase {
    const char* name;
    double target, previous, present, age, tolerance;
    double aimAtLeast, aimAtMost;
};

class LeadAim : public ::testing::TestWithParam<AimCase> {};

TEST_P(LeadAim, AimsWhereTheTargetWillBe) {
    const auto& c = GetParam();
    const TrackingLead lead; // starting guess: azimuth 8 degrees/s
    const double aim = lead.Aim(TrackingLead::Azimuth, c.target, c.previous, c.present, c.age, c.tolerance);
    EXPECT_GE(aim, c.aimAtLeast);
    EXPECT_LE(aim, c.aimAtMost);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, LeadAim,
    ::testing::Values(
        // Standing still: the target itself, with no shift of the dead band either.
        AimCase{"still", 100, 100, 90, 0.5, 1.5, 100, 100},
        // 1 degree/s, antenna on it: half a second of age, the reaction time and the tenths of a
        // degree to go ahead.
        AimCase{"on_it", 100, 99, 100, 0.5, 0, 101.0, 101.05},
        // ... and half the tolerance further: the dead band's centre runs ahead of the target.
        AimCase{"centre_ahead", 100, 99, 100, 0.5, 1.5, 101.75, 101.8},
        // Further behind, it takes longer to get there, so the aim lies further ahead.
        AimCase{"behind", 100, 99, 92, 0.5, 0, 102.1, 102.2},
        // Falling: the aim and the centre lie below.
        AimCase{"falling", 40, 40.6, 40, 0.5, 0, 39.4, 39.45},
        AimCase{"falling_centre", 40, 40.6, 40, 0.5, 1.5, 38.65, 38.7},
        // A jump (another target, a turn of the frame) is no motion to lead.
        AimCase{"jump", 10, 350, 10, 0.5, 1.5, 10, 10},
        // Never further ahead than the cap, however fast and far.
        AimCase{"capped", 100, 88, 20, 3, 1.5, 115, 115}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LeadSpeed, LearnsFromRunsOnly) {
    TrackingLead lead;
    lead.Reading(0, 100, 10, false, false);
    // Ten readings a second apart with the azimuth running at 6 degrees/s, elevation standing.
    for (int i = 1; i <= 10; ++i)
        lead.Reading(i * 1000, 100 + 6 * i, 10, true, false);
    EXPECT_NEAR(lead.Speed(TrackingLead::Azimuth), 6, 0.2);
    EXPECT_EQ(lead.Speed(TrackingLead::Elevation), 4);
    // A step that sees the same reading again, or one a motor only started in, teaches nothing.
    lead.Reading(10500, 160, 10, true, false);
    lead.Reading(11000, 160.5, 10, true, false);
    EXPECT_NEAR(lead.Speed(TrackingLead::Azimuth), 6, 0.2);
    EXPECT_NEAR(lead.RunSeconds(TrackingLead::Azimuth, 10, 13), 0.5, 0.02);
    // A pulse of 0.5 s from rest that moved the elevation 1.5 degrees: 3 degrees/s, learnt over a few.
    for (int i = 0; i < 12; ++i) {
        lead.Pulse(TrackingLead::Elevation, 10 + 1.5 * i, 0.5);
        lead.Reading(12000 + 1000 * i, 160.5, 10 + 1.5 * (i + 1), false, false);
    }
    EXPECT_NEAR(lead.Speed(TrackingLead::Elevation), 3, 0.1);
}

} // namespace
