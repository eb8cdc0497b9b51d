// SPDX-License-Identifier: GPL-3.0-or-later
// The follow-up step with and without the lead option: how long a motor that is behind runs, and
// whether an antenna parked just inside the end of its scale may leave it.

#include "RotatorFixture.h"

namespace {

struct FollowCase {
    const char* name;
    bool lead;
    double present, target, previousTarget;
    double azimuthTravel;
    int onAtLeastMs, onAtMostMs; // right-turn relay time within the step
    bool stillOn = false;        // the right turn runs on into the next step
};

class FollowUpLead : public RotatorTest, public ::testing::WithParamInterface<FollowCase> {};

TEST_P(FollowUpLead, RunsAsLongAsNeeded) {
    const auto& c = GetParam();
    state.tracking.lead = c.lead;
    state.tracking.azimuthTravelMax = c.azimuthTravel;
    state.OperatingMode = RunMode::Automatic;
    SetOwned(state.TargetName, QStringLiteral("SAT"));
    SetOwned(state.PositionedTargetName, QStringLiteral("SAT"));
    state.ApproachComplete = 1;
    SetOwned(state.PresentAzimuth, c.present);
    SetOwned(state.TargetAzimuth, c.target);
    SetOwned(state.PreviousTargetAzimuth, c.previousTarget);
    SetOwned(state.PresentElevation, 30);
    SetOwned(state.TargetElevation, 30);
    SetOwned(state.PreviousTargetElevation, 30);
    // The right turn's time on the relay until the step is over (or, running on, until its end).
    std::int64_t onMs = 0, lastMs = world.clock.nowMs;
    const auto count = [&] {
        onMs += state.piob4 == 1 ? world.clock.nowMs - lastMs : 0;
        lastMs = world.clock.nowMs;
    };
    rotator.positioning.AzimuthNear = 1;
    rotator.positioning.ContinueTracking();
    while (const auto due = rotator.positioning.NextPhaseDueMs()) {
        world.clock.nowMs = *due;
        count();
        rotator.positioning.RunDuePhase();
    }
    EXPECT_GE(onMs, c.onAtLeastMs);
    EXPECT_LE(onMs, c.onAtMostMs);
    EXPECT_EQ(state.piob5, 0);
    EXPECT_EQ(state.piob4 == 1, c.stillOn);
}

INSTANTIATE_TEST_SUITE_P(Steps, FollowUpLead,
                         ::testing::Values(
                             // 4 degrees behind a target moving 0.2 degrees/s: one 0.15 s pulse, then rest.
                             FollowCase{"one_pulse_without_lead", false, 100, 104, 103.8, 0, 150, 160},
                             // With the lead it runs to the centre ahead of the target, at the guessed 8
                             // degrees/s about 0.6 s, in one go.
                             FollowCase{"runs_to_the_centre_with_lead", true, 100, 104, 103.8, 0, 550, 700},
                             // Further behind than a step can make up: it keeps running into the next step.
                             FollowCase{"keeps_running_when_far_behind", true, 100, 112, 111.8, 0, 100, 110,
                                        true},
                             // Parked at 0.7 degrees: the right turn is refused on a - tolerance without the
                             // lead, allowed with it (only the end it turns towards counts).
                             FollowCase{"parked_at_the_end_without_lead", false, 0.7, 5, 4.8, 0, 0, 0},
                             FollowCase{"parked_at_the_end_with_lead", true, 0.7, 5, 4.8, 0, 300, 700},
                             // Travel past 360: a target at 400 is driven to, not held at 360.
                             FollowCase{"past_360_on_a_450_rotator", true, 396, 400, 399.8, 450, 300, 700}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
