// SPDX-License-Identifier: GPL-3.0-or-later
#include "RotatorFixture.h"

namespace {

// Angle = range minimum + (volts - volts at the minimum) / slope, the slope taken over the range.
TEST_F(RotatorTest, CountsBecomePresentAnglesThroughTheCalibration) {
    struct Row {
        int channel;
        const char *volt0, *voltTop;
        double rangeMin, rangeMax;
        int count;
        double angle;
        const char* text;
    } const rows[] = {
        {0, "0", "5", 0, 360, 512, 512 * 5.0 / 1023 / (5.0 / 360), "180.18"},
        {0, "0", "5", 0, 350, 1023, 350, "350.00"},
        {0, "1", "4", 0, 360, 1023, (5 - 1) / (3.0 / 360), "480.00"},
        {0, "0V", "5 volts", 0, 360, 1023, 360, "360.00"}, // leading numbers are read
        {1, "0", "2.5", 0, 90, 512, 512 * 5.0 / 1023 / (2.5 / 90), "90.09"},
        // Calibrated at the ends of a range that does not start at 0: the ends read as those angles.
        {0, "0.5", "4.5", 10, 350, 512, 10 + (512 * 5.0 / 1023 - 0.5) / (4.0 / 340), "180.21"},
        {0, "0.5", "4.5", 10, 350, 0, 10 - 0.5 / (4.0 / 340), "-32.50"},
        {0, "0.1389", "4.8611", 10, 350, 284, 99.94,
         "99.94"}, // a pot of 0..5 V over 0..360: count 284 is 99.94
        {1, "1", "2.5", 40, 90, 409, 40 + (409 * 5.0 / 1023 - 1) / (1.5 / 50), "73.30"},
        {1, "1", "2.5", 40, 90, 205, 40 + (205 * 5.0 / 1023 - 1) / (1.5 / 50), "40.07"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const bool az = row.channel == 0;
        (az ? state.AzimuthVolt0Text : state.ElevationVolt0Text) = QString::fromUtf8(row.volt0);
        (az ? state.AzimuthVolt360Text : state.ElevationVolt90Text) = QString::fromUtf8(row.voltTop);
        (az ? state.module.AzimuthRangeMin : state.module.ElevationRangeMin) = row.rangeMin;
        (az ? state.module.AzimuthRangeMax : state.module.ElevationRangeMax) = row.rangeMax;
        world.board.counts[row.channel] = row.count;
        rotator.PositionAntenna();
        EXPECT_NEAR(az ? state.PresentAzimuth : state.PresentElevation, row.angle, 0.01);
        EXPECT_EQ(az ? view.azimuthText : view.elevationText, QString::fromUtf8(row.text));
    }
    EXPECT_TRUE(world.messages.texts.isEmpty());
}

// Simulated axes with a calibration of one count per degree, so the counts are the present angles.
TEST_F(RotatorTest, CorrectionsAndStartPointPlaceTheAntennaOnTheMap) {
    struct Row {
        int azimuthCount, elevationCount;
        double azimuthCorrection;
        int azimuthSlider, elevationSlider;
        const char* startPoint;
        double mapAzimuth, mapElevation;
    } const rows[] = {
        {2, 45, 3, 0, 0, "1", 179, 45}, // 359, then the south start point
        {2, 45, 3, 0, 0, "2", 359, 45}, // only "1" is south
        {365, 30, 0, -5, 4, "0", 10, 26}, {100, 95, 0, 0, 0, "0", 100, 90}, {100, -3, 0, 0, 0, "0", 100, 0},
    };
    state.AzimuthMotorText = state.ElevationMotorText = QStringLiteral("0");
    state.module.AzimuthRangeMax = state.module.ElevationRangeMax = 1023;
    state.ElevationVolt90Text = QStringLiteral("5");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.azimuthCount);
        state.SimulatedAzimuthCount = row.azimuthCount;
        state.SimulatedElevationCount = row.elevationCount;
        state.AzimuthCorrection = row.azimuthCorrection;
        view.azimuthSlider = row.azimuthSlider;
        view.elevationSlider = row.elevationSlider;
        state.AzimuthStartPoint = QString::fromUtf8(row.startPoint);
        rotator.PositionAntenna();
        EXPECT_NEAR(view.antennaAzimuth, row.mapAzimuth, 1e-6);
        EXPECT_NEAR(view.antennaElevation, row.mapElevation, 1e-6);
        EXPECT_EQ(state.AzimuthTempCorrection, row.azimuthSlider);
    }
    EXPECT_TRUE(Writes().empty());
    EXPECT_TRUE(world.board.reads.empty());
}

TEST_F(RotatorTest, CalibrationFaultSwitchesTheRelaysOffBeforeTheMessageThenEnds) {
    struct Row {
        const char *azimuthTop, *elevationTop;
        double azimuthMax, elevationMax;
        bool azimuthMessage;
        const char* statusLeft; // "" when no division error
    } const rows[] = {
        {"-1", "2.5", 360, 90, true, ""},
        {"5", "2.5", 0, 90, true, "3.発生したエラーの番号は 11"},
        {"0", "2.5", 0, 90, true, "3.発生したエラーの番号は 6"}, // 0 / 0
        {"5", "0", 360, 90, false, ""},
    };
    state.OperatingMode = RunMode::Manual;
    bool offWhileShown = false;
    world.messages.onShow = [&](const QString&) {
        offWhileShown = world.board.AllRelaysOff() && Relays(0, 0, 0, 0) && view.ends == 0;
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.statusLeft);
        world.messages.texts.clear();
        world.status.left.clear();
        view.ends = 0;
        state.AzimuthVolt360Text = QString::fromUtf8(row.azimuthTop);
        state.ElevationVolt90Text = QString::fromUtf8(row.elevationTop);
        state.module.AzimuthRangeMax = row.azimuthMax;
        state.module.ElevationRangeMax = row.elevationMax;
        SetRelay(state.piob4, 1);
        SetRelay(state.piob7, 1);
        rotator.OutputAzimuthRelays();
        rotator.OutputElevationRelays();
        offWhileShown = false;
        rotator.PositionAntenna();
        ASSERT_EQ(world.messages.texts.size(), 1);
        EXPECT_EQ(world.messages.texts.first(), row.azimuthMessage
                                                    ? AngleMeasurement::AzimuthCalibrationMessage
                                                    : AngleMeasurement::ElevationCalibrationMessage);
        EXPECT_TRUE(offWhileShown);
        EXPECT_EQ(view.ends, 1);
        EXPECT_EQ(world.status.left, QString::fromUtf8(row.statusLeft));
    }
    EXPECT_EQ(view.antennaDraws, 0); // nothing after the end
}

// The azimuth motor is stopped while its pot is read, then set going again. The pause is the
// measurement's own: nothing sleeps, a measurement asked for meanwhile returns at once, and a step that
// runs in the pause cannot set the azimuth going before the reading.
TEST_F(RotatorTest, QuietReadingStopsPausesReadsAndResumesTheAzimuth) {
    state.module.DelaySwitch = QStringLiteral("1");
    state.module.DelaySeconds = 1.5f;
    HoldLeases();
    SetRelay(state.piob5, 1);
    const std::int64_t start = world.clock.nowMs;
    rotator.PositionAntenna();
    EXPECT_EQ(Writes(), (std::vector<Write>{{6, 4, 0}, {6, 5, 0}}));
    ASSERT_EQ(rotator.measurement.QuietReadingDueMs(), start + 1500);
    rotator.PositionAntenna();              // the next cycle, still in the pause
    EXPECT_TRUE(world.board.reads.empty()); // the stop's voltage is read for the log alone
    const auto lease = rotator.relays.TakeLease();
    rotator.relays.TurnLeft(lease); // a step in the pause
    EXPECT_TRUE(Relays(0, 0, 0, 0));
    world.clock.nowMs = start + 1500;
    rotator.measurement.FinishQuietReading();
    EXPECT_EQ(world.board.reads, (std::vector<int>{0, 1}));
    EXPECT_TRUE(world.waiter.sleeps.empty());
    EXPECT_TRUE(Relays(0, 1, 0, 0));
    EXPECT_EQ(state.sv_piob5, 0);
    EXPECT_FALSE(rotator.measurement.QuietReadingDueMs());
}

} // namespace
