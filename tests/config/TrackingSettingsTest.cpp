// SPDX-License-Identifier: GPL-3.0-or-later
// Section TRACKING of the settings file: every option off unless set, unusable values named.

#include "config/TrackingSettings.h"
#include "config/TrackingGroup.h"
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
