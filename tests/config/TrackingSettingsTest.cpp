// Section TRACKING of the settings file: every option off unless set, unusable values named.

#include "config/TrackingSettings.h"
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

} // namespace
