#include "RotatorFixture.h"

#include <numeric>

namespace {

int TotalWait(const std::vector<int>& waits) {
    return std::accumulate(waits.begin(), waits.end(), 0);
}

struct RangeCase {
    const char* name;
    double present, pointed, correction, presentElevation, pointedElevation, azimuthMax, elevationMax;
    std::vector<RecordingBoard::Write> writes;
    const char* message; // "" when accepted
};

class CheckRange : public RotatorTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(CheckRange, StartsTheMotorsOrRefuses) {
    const auto& c = GetParam();
    state.OperatingMode = 1;
    state.PresentAzimuth = c.present;
    state.PointedAzimuth = c.pointed;
    state.AzimuthCorrection = c.correction;
    state.PresentElevation = c.presentElevation;
    state.PointedElevation = c.pointedElevation;
    state.module.AzimuthRangeMax = c.azimuthMax;
    state.module.ElevationRangeMax = c.elevationMax;
    rotator.CheckOperatingRange();
    EXPECT_EQ(Writes(), c.writes);
    const QString message = QString::fromUtf8(c.message);
    EXPECT_EQ(world.messages.texts, message.isEmpty() ? QStringList() : QStringList{message});
    EXPECT_EQ(view.aborts, message.isEmpty() ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    CheckOperatingRange, CheckRange,
    ::testing::Values(
        // The scale is linear: from 5 to 355 the antenna turns right through 180, never across north.
        RangeCase{"RightThroughSouth", 5, 355, 0, 10, 10, 360, 90, {{6, 4, 1}, {6, 5, 0}}, ""},
        RangeCase{"Left", 200, 100, 0, 10, 10, 360, 90, {{6, 4, 0}, {6, 5, 1}}, ""},
        RangeCase{"WithinTolerance", 100, 100.4, 0, 10, 10, 360, 90, {}, ""},
        // 359 + 3 is held at 360, the top of the scale, not wrapped to 2.
        RangeCase{"HeldAtTopOfScale", 300, 359, 3, 10, 10, 360, 90, {{6, 4, 1}, {6, 5, 0}}, ""},
        RangeCase{"LimitIsInclusive", 300, 350, 0, 10, 10, 350, 90, {{6, 4, 1}, {6, 5, 0}}, ""},
        RangeCase{"AzimuthOutside", 300, 355, 0, 10, 10, 350, 90, {}, "水平角が稼動範囲外が指定された"},
        RangeCase{"UpAndDown", 100, 100, 0, 50, 20, 360, 90, {{6, 6, 0}, {6, 7, 1}}, ""},
        RangeCase{"ElevationHeldAt90", 100, 100, 0, 10, 95, 360, 90, {{6, 6, 1}, {6, 7, 0}}, ""},
        // The azimuth is started before the elevation is refused; the next step stops it.
        RangeCase{"ElevationOutside",
                  5,
                  100,
                  0,
                  10,
                  85,
                  360,
                  80,
                  {{6, 4, 1}, {6, 5, 0}},
                  "仰角が稼動範囲外が指定された"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ManualCase {
    const char* name;
    double pointed;
    std::int16_t scheduleRunning;
    bool pulsed, finished;
    std::int16_t rightAfter;
};

class ManualStep : public RotatorTest, public ::testing::WithParamInterface<ManualCase> {};

// The antenna at 100 turns right towards the pointed azimuth.
TEST_P(ManualStep, DeadBandNearMarginAndFinish) {
    const auto& c = GetParam();
    state.OperatingMode = state.PointMarkShown = 1;
    state.ScheduleRunning = c.scheduleRunning;
    state.PresentAzimuth = 100;
    state.PointedAzimuth = c.pointed;
    state.piob4 = 1;
    rotator.Timer2_Timer();
    const auto writes = Writes();
    EXPECT_EQ(std::find(writes.begin(), writes.end(), Write{6, 4, 1}) != writes.end(), c.pulsed);
    if (c.pulsed) {
        // 0.15 s on, then off and 0.3 s of rest.
        EXPECT_GE(TotalWait(world.waiter.eventWaits), 450);
        EXPECT_LE(TotalWait(world.waiter.eventWaits), 470);
        EXPECT_EQ(writes.back(), (Write{6, 5, 0}));
    } else {
        EXPECT_TRUE(world.waiter.eventWaits.empty());
    }
    EXPECT_EQ(view.finished, c.finished ? 1 : 0);
    EXPECT_EQ(state.OperatingMode, c.finished ? 0 : 1);
    EXPECT_EQ(state.PointMarkShown, c.finished ? 0 : 1);
    EXPECT_EQ(state.piob4, c.rightAfter);
}

INSTANTIATE_TEST_SUITE_P(ManualPositioningStep, ManualStep,
                         ::testing::Values(ManualCase{"WithinTolerance", 100.4, 0, false, true, 0},
                                           ManualCase{"NearPulsesThenStops", 108, 0, true, true, 0},
                                           ManualCase{"NearEdge", 109.5, 0, true, true, 0},
                                           ManualCase{"FarKeepsRunning", 120, 0, false, false, 1},
                                           // Stopped, but the schedule stays in charge.
                                           ManualCase{"ScheduleRunning", 100.4, 1, false, false, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

class AbortInMode : public RotatorTest, public ::testing::WithParamInterface<int> {};

TEST_P(AbortInMode, NextStepSwitchesEverythingOff) {
    state.OperatingMode = static_cast<std::int16_t>(GetParam());
    state.AbortRequested = 1;
    state.piob4 = state.piob7 = 1;
    rotator.OutputAzimuthRelays();
    rotator.OutputElevationRelays();
    rotator.ShowRelayIndicators();
    rotator.PositionAntenna(); // measurement hands over to the step
    EXPECT_TRUE(Relays(0, 0, 0, 0));
    EXPECT_TRUE(world.board.AllRelaysOff());
    EXPECT_FALSE(view.indicators[0] || view.indicators[1] || view.indicators[2] || view.indicators[3]);
    EXPECT_EQ(state.OperatingMode, 0);
    EXPECT_TRUE(world.waiter.eventWaits.empty());
}

INSTANTIATE_TEST_SUITE_P(Abort, AbortInMode, ::testing::Values(1, 2));

TEST_F(RotatorTest, StepThatFindsAnotherWaitingReturnsAtOnce) {
    state.OperatingMode = 1;
    state.PresentAzimuth = 100;
    state.PointedAzimuth = 108;
    state.piob4 = 1;
    int nested = 0;
    world.waiter.onEvents = [&](int) {
        ++nested;
        rotator.Timer2_Timer(); // a Timer2 tick during the pulse
        rotator.PositionAntenna();
    };
    rotator.positioning.ManualPositioningStep();
    EXPECT_GT(nested, 40);
    EXPECT_LE(TotalWait(world.waiter.eventWaits), 470); // only the one pulse waited
    EXPECT_FALSE(rotator.positioning.StepRunning());
}

struct TrackingCase {
    const char* name;
    const char* positionedName;
    std::int16_t approachBefore, rightBefore;
    double present, previousTarget, target, presentElevation, targetElevation;
    std::int16_t approachAfter, rightAfter;
    bool pulsed, mayWait;
};

class TrackingStep : public RotatorTest, public ::testing::WithParamInterface<TrackingCase> {};

TEST_P(TrackingStep, ApproachesFollowsUpOrStartsAgain) {
    const auto& c = GetParam();
    state.OperatingMode = 2;
    state.TargetName = QStringLiteral("SAT");
    state.PositionedTargetName = QString::fromUtf8(c.positionedName);
    state.ApproachComplete = c.approachBefore;
    state.piob4 = c.rightBefore;
    state.PresentAzimuth = c.present;
    state.PreviousTargetAzimuth = c.previousTarget;
    state.TargetAzimuth = c.target;
    state.PresentElevation = c.presentElevation;
    state.TargetElevation = state.PreviousTargetElevation = c.targetElevation;
    rotator.Timer2_Timer();
    EXPECT_EQ(state.PositionedTargetName, QStringLiteral("SAT"));
    EXPECT_EQ(state.ApproachComplete, c.approachAfter);
    EXPECT_TRUE(Relays(c.rightAfter, 0, 0, 0));
    std::vector<Write> azimuth;
    for (const auto& w : Writes())
        if (w.bit == 4)
            azimuth.push_back(w);
    if (c.pulsed) {
        EXPECT_EQ(azimuth, (std::vector<Write>{{6, 4, 1}, {6, 4, 0}}));
        EXPECT_GE(TotalWait(world.waiter.eventWaits), 450);
    } else if (!c.mayWait) {
        EXPECT_TRUE(world.waiter.eventWaits.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    TrackingPositioningStep, TrackingStep,
    ::testing::Values(
        // A still target 2 degrees beyond the tolerance: one follow-up pulse completes the approach.
        TrackingCase{"FollowUpPulse", "SAT", 0, 0, 100, 103.5, 103.5, 30, 30, 1, 0, true, true},
        TrackingCase{"NewTargetName", "月", 0, 0, 100, 0, 200, 10, 9, 0, 1, false, false},
        // The target ran 10.5 beyond a - ta: a fresh approach turns right again.
        TrackingCase{"FallenBehind", "SAT", 1, 1, 100, 110, 112, 30, 30, 0, 1, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RotatorTest, AutomaticTargetOutsideRangeStopsAzimuthAndShowsAFailedRead) {
    state.OperatingMode = 2;
    state.module.AzimuthRangeMax = 300;
    state.TargetAzimuth = 320;
    state.PresentElevation = state.TargetElevation = 30;
    state.piob4 = 1;
    world.board.failAllReads = true;
    rotator.StartAutoTracking();
    EXPECT_EQ(state.sv_piob4, 1);
    EXPECT_EQ(state.piob4, 0);
    EXPECT_EQ(world.status.left, QStringLiteral("4.発生したエラーの番号は 10060"));
}

} // namespace
