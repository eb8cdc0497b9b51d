#include "RotatorFixture.h"
#include "skymap/SkyProjection.h"

namespace {

TEST_F(RotatorTest, CountsBecomePresentAnglesThroughTheCalibration) {
    struct Row {
        const char* name;
        int channel;
        const char *volt0, *voltTop;
        double rangeMax;
        int count;
        double angle;
        const char* text;
    } const rows[] = {
        {"Middle", 0, "0", "5", 360, 512, 512 * 5.0 / 1023 / (5.0 / 360), "180.18"},
        {"FullScale", 0, "0", "5", 360, 1023, 360, "360.00"},
        {"SpanNot360", 0, "0", "5", 350, 1023, 350, "350.00"},
        {"Zero", 0, "0", "5", 360, 0, 0, "0.00"},
        {"OffsetVolts", 0, "1", "4", 360, 1023, (5 - 1) / (3.0 / 360), "480.00"},
        {"TextWithUnit", 0, "0V", "5 volts", 360, 1023, 360, "360.00"}, // leading numbers are read
        {"ElevationHalfScale", 1, "0", "2.5", 90, 512, 512 * 5.0 / 1023 / (2.5 / 90), "90.09"},
        {"ElevationFullScale", 1, "0", "2.5", 90, 1023, 180, "180.00"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const bool az = row.channel == 0;
        (az ? state.AzimuthVolt0Text : state.ElevationVolt0Text) = QString::fromUtf8(row.volt0);
        (az ? state.AzimuthVolt360Text : state.ElevationVolt90Text) = QString::fromUtf8(row.voltTop);
        (az ? state.module.AzimuthRangeMax : state.module.ElevationRangeMax) = row.rangeMax;
        world.board.counts[row.channel] = row.count;
        rotator.PositionAntenna();
        EXPECT_NEAR(az ? state.PresentAzimuth : state.PresentElevation, row.angle, 1e-9);
        EXPECT_EQ(az ? view.azimuthText : view.elevationText, QString::fromUtf8(row.text));
    }
    EXPECT_TRUE(world.messages.texts.isEmpty());
}

// Simulated axes with a calibration of one count per degree, so the counts are the present angles.
TEST_F(RotatorTest, CorrectionsAndStartPointPlaceTheAntennaOnTheMap) {
    struct Row {
        const char* name;
        int azimuthCount, elevationCount;
        double azimuthCorrection, elevationCorrection;
        int azimuthSlider, elevationSlider;
        const char* startPoint;
        double mapAzimuth, mapElevation;
    } const rows[] = {
        {"WrapsBelowZero", 2, 45, 3, 0, 0, 0, "0", 359, 45},
        {"SouthStartPoint", 2, 45, 3, 0, 0, 0, "1", 179, 45},
        {"SouthBelow180", 10, 30, 0, 0, 0, 0, "1", 190, 30},
        {"WrapsAbove360", 365, 30, 0, 0, 0, 0, "0", 5, 30},
        {"ElevationHeldAt90", 100, 95, 0, 0, 0, 0, "0", 100, 90},
        {"ElevationHeldAt0", 100, -3, 0, 0, 0, 0, "0", 100, 0},
        {"SlidersSubtract", 100, 30, 0, 2, -5, 4, "0", 105, 24},
    };
    state.AzimuthMotorText = state.ElevationMotorText = QStringLiteral("0");
    state.module.AzimuthRangeMax = state.module.ElevationRangeMax = 1023;
    state.ElevationVolt90Text = QStringLiteral("5");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        state.SimulatedAzimuthCount = row.azimuthCount;
        state.SimulatedElevationCount = row.elevationCount;
        state.AzimuthCorrection = row.azimuthCorrection;
        state.ElevationCorrection = row.elevationCorrection;
        view.azimuthSlider = row.azimuthSlider;
        view.elevationSlider = row.elevationSlider;
        state.AzimuthStartPoint = QString::fromUtf8(row.startPoint);
        rotator.PositionAntenna();
        EXPECT_NEAR(view.antennaX, SkyPlotX(row.mapAzimuth, row.mapElevation) + 1380, 1e-6);
        EXPECT_NEAR(view.antennaY, SkyPlotY(row.mapAzimuth, row.mapElevation) + 1350, 1e-6);
        EXPECT_EQ(state.AzimuthTempCorrection, row.azimuthSlider);
    }
    EXPECT_TRUE(Writes().empty());
    EXPECT_TRUE(world.board.reads.empty());
}

struct FatalCase {
    const char* name;
    const char *azimuthTop, *elevationTop;
    double azimuthMax, elevationMax;
    bool azimuthMessage;
    const char* statusLeft; // "" when no division error
};

class CalibrationFatal : public RotatorTest, public ::testing::WithParamInterface<FatalCase> {};

TEST_P(CalibrationFatal, RelaysGoOffBeforeTheMessageThenTheProgramEnds) {
    const auto& c = GetParam();
    state.AzimuthVolt360Text = QString::fromUtf8(c.azimuthTop);
    state.ElevationVolt90Text = QString::fromUtf8(c.elevationTop);
    state.module.AzimuthRangeMax = c.azimuthMax;
    state.module.ElevationRangeMax = c.elevationMax;
    state.OperatingMode = 1;
    state.piob4 = state.piob7 = 1;
    rotator.OutputAzimuthRelays();
    rotator.OutputElevationRelays();
    bool offWhileShown = false;
    world.messages.onShow = [&](const QString&) {
        offWhileShown = world.board.AllRelaysOff() && Relays(0, 0, 0, 0) && view.ends == 0;
    };
    rotator.PositionAntenna();
    ASSERT_EQ(world.messages.texts.size(), 1);
    EXPECT_EQ(world.messages.texts.first(), c.azimuthMessage ? AngleMeasurement::AzimuthCalibrationMessage
                                                             : AngleMeasurement::ElevationCalibrationMessage);
    EXPECT_TRUE(offWhileShown);
    EXPECT_EQ(view.ends, 1);
    EXPECT_EQ(view.antennaDraws, 0); // nothing after the end
    EXPECT_EQ(world.status.left, QString::fromUtf8(c.statusLeft));
}

INSTANTIATE_TEST_SUITE_P(
    PositionAntenna, CalibrationFatal,
    ::testing::Values(FatalCase{"AzimuthVoltsEqual", "0", "2.5", 360, 90, true, ""},
                      FatalCase{"AzimuthVoltsReversed", "-1", "2.5", 360, 90, true, ""},
                      FatalCase{"AzimuthZeroSpan", "5", "2.5", 0, 90, true, "3.発生したエラーの番号は 11"},
                      FatalCase{"AzimuthZeroOverZero", "0", "2.5", 0, 90, true, "3.発生したエラーの番号は 6"},
                      FatalCase{"ElevationVoltsEqual", "5", "0", 360, 90, false, ""},
                      FatalCase{"ElevationZeroSpan", "5", "2.5", 360, 0, false,
                                "3.発生したエラーの番号は 11"}),
    [](const auto& info) { return std::string(info.param.name); });

// The azimuth motor is stopped while its pot is read, then set going again (the log lines are
// OperationLog's concern).
TEST_F(RotatorTest, QuietReadingStopsSleepsReadsAndResumesTheAzimuth) {
    state.module.DelaySwitch = QStringLiteral("1");
    state.module.DelaySeconds = 1.5f;
    state.piob5 = 1;
    rotator.PositionAntenna();
    EXPECT_EQ(Writes(), (std::vector<Write>{{6, 4, 0}, {6, 5, 0}, {6, 4, 0}, {6, 5, 1}}));
    EXPECT_EQ(world.board.reads, (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(world.waiter.sleeps, std::vector<int>{1500});
    EXPECT_TRUE(world.waiter.eventWaits.empty());
    EXPECT_TRUE(Relays(0, 1, 0, 0));
    EXPECT_EQ(state.sv_piob5, 0);
}

TEST_F(RotatorTest, QuietReadingIsSkippedForASimulatedAzimuth) {
    state.AzimuthMotorText = QStringLiteral("0");
    state.module.DelaySwitch = QStringLiteral("1");
    state.module.DelaySeconds = 1.0f;
    state.SimulatedAzimuthCount = 1023;
    rotator.PositionAntenna();
    EXPECT_TRUE(Writes().empty());
    EXPECT_EQ(world.board.reads, std::vector<int>{1});
    EXPECT_TRUE(world.waiter.sleeps.empty());
    EXPECT_NEAR(state.PresentAzimuth, 360, 1e-9);
}

TEST_F(RotatorTest, FailedReadIsShownAndCountsAsZero) {
    world.board.counts[0] = world.board.counts[1] = 1023;
    world.board.failReads = 1;
    state.PresentAzimuth = 99;
    rotator.PositionAntenna();
    EXPECT_EQ(world.status.left, QStringLiteral("3.発生したエラーの番号は 10060"));
    EXPECT_EQ(world.status.right, QStringLiteral("エラーメッセージは board did not answer"));
    EXPECT_EQ(state.PresentAzimuth, 0);
    EXPECT_NEAR(state.PresentElevation, 180, 1e-9);
    EXPECT_EQ(view.antennaDraws, 1); // went on to draw
}

} // namespace
