#include "RotatorFixture.h"
#include "skymap/SkyProjection.h"

#include <QTemporaryDir>

namespace {

struct CalibrationCase {
    const char* name;
    const char *volt0, *voltTop;
    double rangeMin, rangeMax;
    int count;
    double azimuth;
    const char* text;
};

class Calibration : public RotatorTest, public ::testing::WithParamInterface<CalibrationCase> {};

TEST_P(Calibration, CountToPresentAzimuth) {
    const auto& c = GetParam();
    state.AzimuthVolt0Text = QString::fromUtf8(c.volt0);
    state.AzimuthVolt360Text = QString::fromUtf8(c.voltTop);
    state.module.AzimuthRangeMin = c.rangeMin;
    state.module.AzimuthRangeMax = c.rangeMax;
    world.board.counts[0] = c.count;
    rotator.PositionAntenna();
    EXPECT_NEAR(state.PresentAzimuth, c.azimuth, 1e-9);
    EXPECT_EQ(view.azimuthText, QString::fromUtf8(c.text));
    EXPECT_TRUE(world.messages.texts.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    PositionAntenna, Calibration,
    ::testing::Values(CalibrationCase{"Middle", "0", "5", 0, 360, 512, 512 * 5.0 / 1023 / (5.0 / 360),
                                      "180.18"},
                      CalibrationCase{"FullScale", "0", "5", 0, 360, 1023, 360, "360.00"},
                      CalibrationCase{"SpanNot360", "0", "5", 0, 350, 1023, 350, "350.00"},
                      CalibrationCase{"Zero", "0", "5", 0, 360, 0, 0, "0.00"},
                      CalibrationCase{"OffsetVolts", "1", "4", 0, 360, 1023, (5 - 1) / (3.0 / 360), "480.00"},
                      // Text settings are read as leading numbers.
                      CalibrationCase{"TextWithUnit", "0V", "5 volts", 0, 360, 1023, 360, "360.00"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RotatorTest, ElevationDefaultsGiveNinetyAtHalfScale) {
    world.board.counts[1] = 1023;
    rotator.PositionAntenna();
    EXPECT_NEAR(state.PresentElevation, 180, 1e-9);
    world.board.counts[1] = 512;
    rotator.PositionAntenna();
    EXPECT_NEAR(state.PresentElevation, 512 * 5.0 / 1023 / (2.5 / 90), 1e-9);
    EXPECT_EQ(view.elevationText, QStringLiteral("90.09"));
}

struct PointingCase {
    const char* name;
    int azimuthCount, elevationCount;
    double azimuthCorrection, elevationCorrection;
    int azimuthSlider, elevationSlider;
    const char* startPoint;
    double mapAzimuth, mapElevation;
};

class Pointing : public RotatorTest, public ::testing::WithParamInterface<PointingCase> {};

// Simulated axes with a calibration of one count per degree, so the counts are the present angles.
TEST_P(Pointing, CorrectionsAndStartPointPlaceTheAntennaOnTheMap) {
    const auto& c = GetParam();
    state.AzimuthMotorText = QStringLiteral("0");
    state.ElevationMotorText = QStringLiteral("0");
    state.module.AzimuthRangeMax = 1023;
    state.module.ElevationRangeMax = 1023;
    state.ElevationVolt90Text = QStringLiteral("5");
    state.SimulatedAzimuthCount = c.azimuthCount;
    state.SimulatedElevationCount = c.elevationCount;
    state.AzimuthCorrection = c.azimuthCorrection;
    state.ElevationCorrection = c.elevationCorrection;
    view.azimuthSlider = c.azimuthSlider;
    view.elevationSlider = c.elevationSlider;
    state.AzimuthStartPoint = QString::fromUtf8(c.startPoint);
    rotator.PositionAntenna();
    EXPECT_NEAR(view.antennaX, SkyPlotX(c.mapAzimuth, c.mapElevation) + 1380, 1e-6);
    EXPECT_NEAR(view.antennaY, SkyPlotY(c.mapAzimuth, c.mapElevation) + 1350, 1e-6);
    EXPECT_EQ(state.AzimuthTempCorrection, c.azimuthSlider);
    EXPECT_TRUE(Writes().empty());
    EXPECT_TRUE(world.board.reads.empty());
}

INSTANTIATE_TEST_SUITE_P(
    PositionAntenna, Pointing,
    ::testing::Values(PointingCase{"WrapsBelowZero", 2, 45, 3, 0, 0, 0, "0", 359, 45},
                      PointingCase{"SouthStartPoint", 2, 45, 3, 0, 0, 0, "1", 179, 45},
                      PointingCase{"SouthBelow180", 10, 30, 0, 0, 0, 0, "1", 190, 30},
                      PointingCase{"WrapsAbove360", 365, 30, 0, 0, 0, 0, "0", 5, 30},
                      PointingCase{"ElevationHeldAt90", 100, 95, 0, 0, 0, 0, "0", 100, 90},
                      PointingCase{"ElevationHeldAt0", 100, -3, 0, 0, 0, 0, "0", 100, 0},
                      PointingCase{"SlidersSubtract", 100, 30, 0, 2, -5, 4, "0", 105, 24}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RotatorTest, DrawsPointedMarkThenAntennaThenBodies) {
    state.PointMarkShown = 1;
    state.PointMarkX = 700;
    state.PointMarkY = 800;
    rotator.PositionAntenna();
    const QStringList expected = {QStringLiteral("angles 0.00 0.00"),
                                  QStringLiteral("pointed 700 800 #969b00"),
                                  QStringLiteral("antenna 1380 1350"), QStringLiteral("bodies")};
    EXPECT_EQ(view.calls, expected);
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
    state.piob4 = 1;
    state.piob7 = 1;
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
    EXPECT_EQ(view.calls.filter(QStringLiteral("antenna")).size(), 0); // nothing after the end
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

TEST_F(RotatorTest, QuietReadingStopsSleepsReadsAndResumesTheAzimuth) {
    QTemporaryDir dir;
    rotator.log.path = dir.filePath(QStringLiteral("azelmon_log.LOG"));
    state.module.DebugLogSwitch = QStringLiteral("1");
    state.module.DelaySwitch = QStringLiteral("1");
    state.module.DelaySeconds = 1.5f;
    state.piob5 = 1;
    world.board.counts[0] = 1023;
    rotator.PositionAntenna();
    const std::vector<Write> expected = {{6, 4, 0}, {6, 5, 0}, {6, 4, 0}, {6, 5, 1}};
    EXPECT_EQ(Writes(), expected);
    EXPECT_EQ(world.board.reads, (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(world.waiter.sleeps, std::vector<int>{1500});
    EXPECT_TRUE(world.waiter.eventWaits.empty());
    EXPECT_TRUE(Relays(0, 1, 0, 0));
    EXPECT_EQ(state.sv_piob5, 0);
    QFile file(rotator.log.path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("\x90\x85\x95\xbd\x92\xe2\x8e\x7e \x93\x64\x88\xb3\x81\x81 5\r\n"
                                         "\x90\x85\x95\xbd\x8d\xc4\x8a\x4a \x93\x64\x88\xb3\x81\x81 5\r\n"));
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
    world.board.counts[0] = 1023;
    world.board.counts[1] = 1023;
    world.board.failReads = 1;
    state.PresentAzimuth = 99;
    rotator.PositionAntenna();
    EXPECT_EQ(world.status.left, QStringLiteral("3.発生したエラーの番号は 10060"));
    EXPECT_EQ(world.status.right, QStringLiteral("エラーメッセージは board did not answer"));
    EXPECT_EQ(state.PresentAzimuth, 0);
    EXPECT_NEAR(state.PresentElevation, 180, 1e-9);
    EXPECT_EQ(view.calls.filter(QStringLiteral("antenna")).size(), 1); // went on to draw
}

} // namespace
