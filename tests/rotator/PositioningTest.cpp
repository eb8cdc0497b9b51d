// SPDX-License-Identifier: GPL-3.0-or-later
#include "RotatorFixture.h"
#include "support/StepPhases.h"

namespace {

// Present elevation 50.
TEST_F(RotatorTest, CheckOperatingRangeStartsTheMotorsOrRefuses) {
    const QString azimuthOutside = QStringLiteral("水平角が稼動範囲外が指定された");
    const QString elevationOutside = QStringLiteral("仰角が稼動範囲外が指定された");
    struct Row {
        const char* name;
        double present, pointed, pointedElevation, azimuthMax, elevationMax;
        std::vector<Write> writes;
        const QString* message;
    } const rows[] = {
        // The scale is linear: from 5 to 355 the antenna turns right through 180, never across north.
        {"RightThroughSouth", 5, 355, 50, 360, 90, {{6, 4, 1}, {6, 5, 0}}, nullptr},
        {"Left", 200, 100, 50, 360, 90, {{6, 4, 0}, {6, 5, 1}}, nullptr},
        {"WithinTolerance", 100, 100.4, 50, 360, 90, {}, nullptr},
        {"HeldAtTopOfScale", 300, 365, 50, 360, 90, {{6, 4, 1}, {6, 5, 0}}, nullptr}, // not wrapped to 5
        {"LimitIsInclusive", 300, 350, 50, 350, 90, {{6, 4, 1}, {6, 5, 0}}, nullptr},
        {"AzimuthOutside", 300, 355, 50, 350, 90, {}, &azimuthOutside},
        {"Down", 100, 100, 20, 360, 90, {{6, 6, 0}, {6, 7, 1}}, nullptr},
        {"ElevationHeldAt90", 100, 100, 95, 360, 90, {{6, 6, 1}, {6, 7, 0}}, nullptr},
        // The azimuth is started before the elevation is refused; the next step stops it.
        {"ElevationOutside", 5, 100, 85, 360, 80, {{6, 4, 1}, {6, 5, 0}}, &elevationOutside},
    };
    state.OperatingMode = RunMode::Manual;
    SetOwned(state.PresentElevation, 50);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        world.board.writes.clear();
        world.messages.texts.clear();
        view.aborts = 0;
        SetOwned(state.PresentAzimuth, row.present);
        state.PointedAzimuth = row.pointed;
        state.PointedElevation = row.pointedElevation;
        state.module.AzimuthRangeMax = row.azimuthMax;
        state.module.ElevationRangeMax = row.elevationMax;
        rotator.CheckOperatingRange();
        EXPECT_EQ(Writes(), row.writes);
        EXPECT_EQ(world.messages.texts, row.message ? QStringList{*row.message} : QStringList());
        EXPECT_EQ(view.aborts, row.message ? 1 : 0);
    }
}

struct ManualCase {
    const char* name;
    double pointed;
    std::int16_t right, left;   // azimuth relays before the step
    double measuredDuringPulse; // the present azimuth a measurement finds during the pulse (0: none)
    std::int16_t scheduleRunning;
    bool pulsed, finished;
    std::int16_t rightAfter, leftAfter;
};

class ManualStep : public RotatorTest, public ::testing::WithParamInterface<ManualCase> {};

// The antenna at 100, elevation settled at 30, azimuth range 0..350. The move is over only when both axes are
// settled.
TEST_P(ManualStep, DeadBandNearMarginAndFinish) {
    const auto& c = GetParam();
    state.OperatingMode = RunMode::Manual;
    state.PointMarkShown = 1;
    state.ScheduleRunning = c.scheduleRunning;
    SetOwned(state.PresentAzimuth, 100);
    SetOwned(state.PresentElevation, 30);
    state.PointedElevation = 30;
    state.PointedAzimuth = c.pointed;
    state.module.AzimuthRangeMax = 350;
    SetRelay(state.piob4, c.right), SetRelay(state.piob5, c.left);
    rotator.Timer2_Timer();
    const std::int64_t paused = RunStepPhases(rotator.positioning, world.clock, [&] {
        if (c.measuredDuringPulse != 0)
            SetOwned(state.PresentAzimuth, c.measuredDuringPulse);
    });
    const auto writes = Writes();
    const bool turned = std::find(writes.begin(), writes.end(), Write{6, 4, 1}) != writes.end() ||
                        std::find(writes.begin(), writes.end(), Write{6, 5, 1}) != writes.end();
    // 0.15 s on, then 0.3 s of rest.
    EXPECT_EQ(paused, c.pulsed ? 450 : 0);
    EXPECT_EQ(turned, c.pulsed);
    EXPECT_FALSE(rotator.positioning.StepRunning());
    EXPECT_EQ(view.finished, c.finished ? 1 : 0);
    EXPECT_EQ(state.OperatingMode, c.finished ? RunMode::Stopped : RunMode::Manual);
    EXPECT_EQ(state.PointMarkShown, c.finished ? 0 : 1);
    EXPECT_EQ(state.piob4, c.rightAfter);
    EXPECT_EQ(state.piob5, c.leftAfter);
}

INSTANTIATE_TEST_SUITE_P(
    ManualPositioningStep, ManualStep,
    ::testing::Values(ManualCase{"WithinTolerance", 100.4, 1, 0, 0, 0, false, true, 0, 0},
                      // A pulse that leaves the antenna short goes on at the next step.
                      ManualCase{"NearEdgePulsesAndGoesOn", 109.5, 1, 0, 0, 0, true, false, 0, 0},
                      // Measured inside the dead band during the pulse: where the pulse left it is known only
                      // at the next measurement.
                      ManualCase{"MeasuredDuringThePulse", 109.5, 1, 0, 108.5, 0, true, false, 0, 0},
                      // Stopped past the point by more than the near margin: turned back, not pulsed off.
                      ManualCase{"StoppedFarBeyond", 80, 0, 0, 0, 0, true, false, 0, 1},
                      // A point outside the range is done once the azimuth is off.
                      ManualCase{"OutsideRangeOnceOff", 355, 0, 0, 0, 0, false, true, 0, 0},
                      // Stopped, but the schedule stays in charge.
                      ManualCase{"ScheduleRunning", 100.4, 1, 0, 0, 1, false, false, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RotatorTest, StepThatFindsAnotherWaitingReturnsAtOnce) {
    state.OperatingMode = RunMode::Manual;
    SetOwned(state.PresentAzimuth, 100);
    state.PointedAzimuth = 108;
    SetRelay(state.piob4, 1);
    int during = 0;
    rotator.positioning.ManualPositioningStep();
    EXPECT_TRUE(rotator.positioning.StepRunning());
    const std::int64_t paused = RunStepPhases(rotator.positioning, world.clock, [&] {
        ++during;
        rotator.Timer2_Timer(); // a Timer2 tick during the pulse
        rotator.PositionAntenna();
    });
    EXPECT_EQ(during, 2);
    EXPECT_EQ(paused, 450); // only the one pulse paused
    EXPECT_FALSE(rotator.positioning.StepRunning());
}

// The target ran 10.5 beyond a - ta: a fresh approach turns right again.
TEST_F(RotatorTest, TrackingThatFellBehindStartsAFreshApproach) {
    state.OperatingMode = RunMode::Automatic;
    SetOwned(state.TargetName, QStringLiteral("SAT"));
    SetOwned(state.PositionedTargetName, QStringLiteral("SAT"));
    state.ApproachComplete = 1;
    SetRelay(state.piob4, 1);
    SetOwned(state.PresentAzimuth, 100);
    SetOwned(state.PreviousTargetAzimuth, 110);
    SetOwned(state.TargetAzimuth, 112);
    SetOwned(state.PresentElevation, 30);
    SetOwned(state.TargetElevation, 30);
    SetOwned(state.PreviousTargetElevation, 30);
    rotator.Timer2_Timer();
    RunStepPhases(rotator.positioning, world.clock);
    EXPECT_EQ(state.PositionedTargetName, QStringLiteral("SAT"));
    EXPECT_EQ(state.ApproachComplete, 0);
    EXPECT_TRUE(Relays(1, 0, 0, 0));
}

} // namespace

namespace {

// The automatic step settles the azimuth completely (dead band, then overrun) before the elevation.
TEST_F(RotatorTest, TrackingStepSettlesTheAzimuthBeforeTheElevation) {
    state.OperatingMode = RunMode::Automatic;
    SetOwned(state.TargetName, QStringLiteral("SAT"));
    SetOwned(state.PresentAzimuth, 100);
    SetOwned(state.TargetAzimuth, 105); // turning left past a target now above
    SetRelay(state.piob5, 1);
    SetOwned(state.PresentElevation, 30);
    SetOwned(state.TargetElevation, 30); // in its dead band while going up
    SetRelay(state.piob6, 1);
    rotator.positioning.TrackingPositioningStep();
    const auto writes = Writes();
    ASSERT_GE(writes.size(), 4u);
    EXPECT_EQ(std::vector<Write>(writes.begin(), writes.begin() + 4),
              (std::vector<Write>{{6, 4, 0}, {6, 5, 0}, {6, 6, 0}, {6, 7, 0}}));
}

// A target that stands still above the antenna's dead band is followed down, whichever way the target
// moved before: the "up" side must not stop what the "down" side started (a flipped pass before AOS stands
// at 180 - 0 on a 180-degree elevation rotator).
TEST_F(RotatorTest, AStandingTargetIsFollowedOnTheSideItLies) {
    struct Row {
        double present, target;
        int up, down;
    } const rows[] = {{179, 170, 0, 1}, {20, 30, 1, 0}, {30, 30.5, 0, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.present);
        state.OperatingMode = RunMode::Automatic;
        SetOwned(state.TargetName, QStringLiteral("SAT"));
        SetOwned(state.PositionedTargetName, QStringLiteral("SAT"));
        state.tracking.elevationTravelMax = 180;
        SetOwned(state.PresentAzimuth, 100);
        SetOwned(state.TargetAzimuth, 100);
        SetOwned(state.PreviousTargetAzimuth, 100);
        SetOwned(state.PresentElevation, row.present);
        SetOwned(state.TargetElevation, row.target);
        SetOwned(state.PreviousTargetElevation, row.target);
        ReadBothAxes(rotator, world.clock.nowMs);
        rotator.positioning.ContinueTracking();
        EXPECT_EQ(state.piob6, row.up);
        EXPECT_EQ(state.piob7, row.down);
        RunStepPhases(rotator.positioning, world.clock);
        rotator.relays.SwitchAllOff();
    }
}

} // namespace

namespace {

// The tracker's "no satellite configured" entry is no direction: neither entering automatic mode nor a
// step of it already running may turn the antenna towards its placeholder position.
TEST_F(RotatorTest, TheNoSatellitePlaceholderIsNeverFollowed) {
    for (const bool alreadyTracking : {false, true}) {
        SCOPED_TRACE(alreadyTracking ? "step" : "entry");
        SetOwned(state.TargetName, QStringLiteral("衛星未設定"));
        SetOwned(state.PresentAzimuth, 100);
        SetOwned(state.TargetAzimuth, 0);
        SetOwned(state.PresentElevation, 30);
        SetOwned(state.TargetElevation, -90);
        SetRelay(state.piob5, alreadyTracking ? 1 : 0);
        if (alreadyTracking) {
            state.OperatingMode = RunMode::Automatic;
            rotator.positioning.TrackingPositioningStep();
        } else {
            rotator.EnterAutomaticMode();
        }
        EXPECT_TRUE(Relays(0, 0, 0, 0));
        EXPECT_EQ(state.OperatingMode, RunMode::Stopped);
        EXPECT_TRUE(world.status.left.contains(QStringLiteral("衛星が設定されていない")));
        for (const Write& w : Writes())
            EXPECT_EQ(w.level, 0) << "bit " << w.bit;
    }
}

} // namespace
