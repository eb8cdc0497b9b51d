#include "RotatorFixture.h"

namespace {

int TotalWait(const std::vector<int>& waits) {
    int total = 0;
    for (int w : waits)
        total += w;
    return total;
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
    std::int16_t startRight;
    bool pulsed, finished;
};

class ManualStep : public RotatorTest, public ::testing::WithParamInterface<ManualCase> {};

TEST_P(ManualStep, DeadBandNearMarginAndFinish) {
    const auto& c = GetParam();
    state.OperatingMode = 1;
    state.PointMarkShown = 1;
    state.PresentAzimuth = 100;
    state.PointedAzimuth = c.pointed;
    state.piob4 = c.startRight;
    rotator.Timer2_Timer();
    const auto writes = Writes();
    const bool pulsed = std::find(writes.begin(), writes.end(), Write{6, 4, 1}) != writes.end();
    EXPECT_EQ(pulsed, c.pulsed);
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
    EXPECT_EQ(state.piob4, c.finished ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(ManualPositioningStep, ManualStep,
                         ::testing::Values(ManualCase{"WithinTolerance", 100.4, 1, false, true},
                                           ManualCase{"NearPulsesThenStops", 108, 1, true, true},
                                           ManualCase{"NearEdge", 109.5, 1, true, true},
                                           ManualCase{"FarKeepsRunning", 120, 1, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RotatorTest, ManualStepRunsOnWhileTheScheduleIsInCharge) {
    state.OperatingMode = 1;
    state.ScheduleRunning = 1;
    state.PresentAzimuth = 100;
    state.PointedAzimuth = 100.4;
    rotator.Timer2_Timer();
    EXPECT_EQ(view.finished, 0);
    EXPECT_EQ(state.OperatingMode, 1);
}

class AbortInMode : public RotatorTest, public ::testing::WithParamInterface<int> {};

TEST_P(AbortInMode, NextStepSwitchesEverythingOff) {
    state.OperatingMode = static_cast<std::int16_t>(GetParam());
    state.AbortRequested = 1;
    state.piob4 = 1;
    state.piob7 = 1;
    rotator.OutputAzimuthRelays();
    rotator.OutputElevationRelays();
    rotator.PositionAntenna(); // measurement hands over to the step
    EXPECT_TRUE(Relays(0, 0, 0, 0));
    EXPECT_TRUE(world.board.AllRelaysOff());
    EXPECT_EQ(view.calls.last(), QStringLiteral("indicators 0000"));
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

TEST_F(RotatorTest, FollowUpPulsesTowardsAStillTarget) {
    state.OperatingMode = 2;
    state.TargetName = state.PositionedTargetName = QStringLiteral("SAT");
    state.PresentAzimuth = 100;
    state.TargetAzimuth = state.PreviousTargetAzimuth = 103.5; // 2 degrees beyond the tolerance
    state.PresentElevation = state.TargetElevation = state.PreviousTargetElevation = 30;
    rotator.Timer2_Timer();
    std::vector<Write> azimuth;
    for (const auto& w : Writes())
        if (w.bit == 4)
            azimuth.push_back(w);
    EXPECT_EQ(azimuth, (std::vector<Write>{{6, 4, 1}, {6, 4, 0}}));
    EXPECT_GE(TotalWait(world.waiter.eventWaits), 450);
    EXPECT_EQ(state.ApproachComplete, 1);
    EXPECT_TRUE(Relays(0, 0, 0, 0));
}

TEST_F(RotatorTest, NewTargetNameStartsAFreshApproach) {
    state.OperatingMode = 2;
    state.PositionedTargetName = QStringLiteral("太陽");
    state.TargetName = QStringLiteral("月");
    state.PresentAzimuth = 100;
    state.TargetAzimuth = 200;
    state.PresentElevation = 10;
    state.TargetElevation = 9;
    rotator.Timer2_Timer();
    EXPECT_EQ(state.PositionedTargetName, QStringLiteral("月"));
    EXPECT_EQ(state.ApproachComplete, 0);
    EXPECT_TRUE(Relays(1, 0, 0, 0));
    EXPECT_TRUE(world.waiter.eventWaits.empty());
}

TEST_F(RotatorTest, FallenBehindStartsAgain) {
    state.OperatingMode = 2;
    state.TargetName = state.PositionedTargetName = QStringLiteral("SAT");
    state.ApproachComplete = 1;
    state.PresentAzimuth = 100;
    state.PreviousTargetAzimuth = 110;
    state.TargetAzimuth = 112; // 10.5 beyond a - ta
    state.PresentElevation = state.TargetElevation = state.PreviousTargetElevation = 30;
    state.piob4 = 1;
    rotator.Timer2_Timer();
    EXPECT_EQ(state.PositionedTargetName, QStringLiteral("SAT"));
    EXPECT_EQ(state.ApproachComplete, 0);
    EXPECT_TRUE(Relays(1, 0, 0, 0)); // the fresh approach turned right again
}

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
