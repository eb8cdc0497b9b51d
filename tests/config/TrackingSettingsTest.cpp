// SPDX-License-Identifier: GPL-3.0-or-later
// Section TRACKING of the settings file: every option off unless set, unusable values named.

#include "config/TrackingSettings.h"
#include "config/StartupSettings.h"
#include "settingsdialog/TrackingGroup.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct SettingsCase {
    const char* name;
    const char* section; // the TRACKING section's lines
    bool lead, prePosition;
    double seconds, azimuthTravel, elevationTravel;
    int problems;
};

class TrackingSettingsTable : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(TrackingSettingsTable, ReadsTheOptions) {
    const auto& c = GetParam();
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("rotorcfg.ini"));
    WriteBytes(ini, QByteArray("[HOUI]\r\nHKITEN=0\r\n") + c.section);
    TrackingOptions options;
    options.lead = true; // whatever was there before is replaced
    const QStringList problems = ReadTrackingSettings(options, ini);
    EXPECT_EQ(problems.size(), c.problems) << problems.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(options.lead, c.lead);
    EXPECT_EQ(options.prePosition, c.prePosition);
    EXPECT_EQ(options.prePositionSeconds, c.seconds);
    EXPECT_EQ(options.azimuthTravelMax, c.azimuthTravel);
    EXPECT_EQ(options.elevationTravelMax, c.elevationTravel);
    EXPECT_EQ(options.AnySet(), c.lead || c.prePosition || c.azimuthTravel > 0 || c.elevationTravel > 0);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TrackingSettingsTable,
    ::testing::Values(
        SettingsCase{"no_section", "", false, false, 120, 0, 0, 0},
        SettingsCase{"all_on", "[TRACKING]\r\nLEAD=1\r\nPREPOSITION=1\r\nAZ_TRAVEL=450\r\nEL_TRAVEL=180\r\n",
                     true, true, 120, 450, 180, 0},
        SettingsCase{"seconds", "[TRACKING]\r\nPREPOSITION=1\r\nPREPOSITION_SECONDS=300\r\n", false, true,
                     300, 0, 0, 0},
        SettingsCase{"switched_off", "[TRACKING]\r\nLEAD=0\r\nPREPOSITION=0\r\n", false, false, 120, 0, 0, 0},
        // A switch that is neither 0 nor 1, travel outside what a rotator has, seconds
        // that are not a number: each named and left off.
        SettingsCase{"unusable",
                     "[TRACKING]\r\nLEAD=yes\r\nPREPOSITION_SECONDS=2m\r\nAZ_TRAVEL=720\r\n"
                     "EL_TRAVEL=45\r\n",
                     false, false, 120, 0, 0, 4}),
    [](const auto& info) { return std::string(info.param.name); });

// The dialog's group writes what it shows and shows what the file holds; all off reads as nothing set.
TEST(TrackingGroupTest, SavesAndLoadsTheOptions) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("rotorcfg.ini"));
    WriteBytes(ini, "[HOUI]\r\nHKITEN=0\r\n");
    TrackingGroup group(nullptr);
    group.Load(ini);
    EXPECT_FALSE(group.Options().AnySet());
    ASSERT_TRUE(group.Save(ini));
    EXPECT_EQ(ReadBytes(ini), "[HOUI]\r\nHKITEN=0\r\n"); // nothing set, nothing written
    TrackingOptions read;
    EXPECT_TRUE(ReadTrackingSettings(read, ini).isEmpty());
    EXPECT_FALSE(read.AnySet());

    TrackingOptions wanted;
    wanted.lead = true;
    wanted.prePosition = true;
    wanted.prePositionSeconds = 300;
    wanted.azimuthTravelMax = 450;
    wanted.elevationTravelMax = 180;
    group.Show(wanted);
    ASSERT_TRUE(group.Save(ini));
    TrackingGroup again(nullptr);
    again.Load(ini);
    const TrackingOptions shown = again.Options();
    EXPECT_TRUE(shown.lead && shown.prePosition);
    EXPECT_EQ(shown.prePositionSeconds, 300);
    EXPECT_EQ(shown.azimuthTravelMax, 450);
    EXPECT_EQ(shown.elevationTravelMax, 180);
}

} // namespace

// A travel past the range is kept only when the calibration reads it: the angle at 5 V (one count
// allowed for the capture) must reach the travel's end. An unreadable one is left off at start-up with
// what the range maximum's voltage has to be.
struct TravelCase {
    const char* name;
    const char* lines; // [HPOSITION], [VPOSITION] and [TRACKING] lines
    double azimuthTravel, elevationTravel;
    const char* says; // in the one message, nullptr for none
};

class TravelAgainstCalibration : public ::testing::TestWithParam<TravelCase> {};

TEST_P(TravelAgainstCalibration, KeepsOnlyWhatTheCalibrationReads) {
    const auto& c = GetParam();
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("rotorcfg.ini"));
    WriteBytes(ini, c.lines);
    MainState state;
    EXPECT_TRUE(ReadStartupSettings(state, ini).isEmpty());
    EXPECT_TRUE(ReadTrackingSettings(state.tracking, ini).isEmpty());
    const QStringList problems = RefuseUnreadableTravel(state.tracking, state);
    EXPECT_EQ(state.tracking.azimuthTravelMax, c.azimuthTravel);
    EXPECT_EQ(state.tracking.elevationTravelMax, c.elevationTravel);
    ASSERT_EQ(problems.size(), c.says ? 1 : 0) << problems.join(QLatin1Char('\n')).toStdString();
    if (c.says) {
        EXPECT_TRUE(problems[0].contains(QString::fromUtf8(c.says))) << problems[0].toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Travel, TravelAgainstCalibration,
    ::testing::Values(
        TravelCase{"azimuth_450_with_5V_at_360", "[TRACKING]\r\nAZ_TRAVEL=450\r\n", 0, 0,
                   "5 V が 360 度にあたり、その先は読みが 5 V のまま変わらないためです。"},
        TravelCase{"azimuth_450_with_4V_at_360",
                   "[HPOSITION]\r\nHVOLT360=4.000\r\n[TRACKING]\r\nAZ_TRAVEL=450\r\n", 450, 0, nullptr},
        // Count 819 at 360 degrees on a 0..5 V over 0..450 sensor: 449.66 at 5 V, within one count.
        TravelCase{"one_count_above", "[HPOSITION]\r\nHVOLT360=4.003\r\n[TRACKING]\r\nAZ_TRAVEL=450\r\n", 450,
                   0, nullptr},
        TravelCase{"two_counts_above", "[HPOSITION]\r\nHVOLT360=4.010\r\n[TRACKING]\r\nAZ_TRAVEL=450\r\n", 0,
                   0, "AZ_TRAVEL"},
        TravelCase{"offset_at_0",
                   "[HPOSITION]\r\nHVOLT0=0.500\r\nHVOLT360=4.500\r\n[TRACKING]\r\nAZ_TRAVEL=450\r\n", 0, 0,
                   "4.10 V 以下"},
        TravelCase{"range_not_from_0",
                   "[HPOSITION]\r\nHVOLT360=4.000\r\nH-RANGE=90,360\r\n[TRACKING]\r\nAZ_TRAVEL=450\r\n", 0, 0,
                   "5 V が 427.5 度"},
        TravelCase{"elevation_180_default_calibration", "[TRACKING]\r\nEL_TRAVEL=180\r\n", 0, 180, nullptr},
        TravelCase{"elevation_180_with_3V_at_90",
                   "[VPOSITION]\r\nVVOLT90=3.000\r\n[TRACKING]\r\nEL_TRAVEL=180\r\n", 0, 0,
                   "90 度の電圧は 2.50 V 以下"},
        // The other axis is kept when one is refused; a reversed calibration is the measurement's to refuse.
        TravelCase{"one_of_two", "[TRACKING]\r\nAZ_TRAVEL=450\r\nEL_TRAVEL=180\r\n", 0, 180, "AZ_TRAVEL"},
        TravelCase{"reversed", "[HPOSITION]\r\nHVOLT0=5\r\nHVOLT360=0\r\n[TRACKING]\r\nAZ_TRAVEL=450\r\n",
                   450, 0, nullptr},
        TravelCase{"no_travel", "[HPOSITION]\r\nHVOLT360=5.5\r\n", 0, 0, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });
