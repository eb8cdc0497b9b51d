// SPDX-License-Identifier: GPL-3.0-or-later
// The main window with section TRACKING set: the satellite's pass planned from the tracker's element
// files and the station, its rotator azimuth shown beside the compass azimuth.

#include "WindowFixture.h"
#include "orbit/ElementSet.h"
#include "orbit/Observation.h"

#include <QLabel>
#include <cmath>

namespace {

using PassPlanWindow = WindowFixture;

// The ISS ten minutes into a pass that runs 249.0 -> 40.9 degrees clockwise through north: on a
// 450-degree rotator the plan carries it past the north end, so rotator and compass differ by a turn.
TEST_F(PassPlanWindow, ShowsTheRotatorAzimuthWhereThePlanTurnsIt) {
    const double unix = 1638758868.0 + 600;
    const auto file = orbit::ReadElementFile(PASSES_TLE);
    const orbit::Sgp4 model(file.sets.front());
    const auto seen = orbit::Observe(model, {35.68, 139.77, 40},
                                     orbit::JulianDate::FromUnixMilliseconds(std::llround(unix * 1000)));
    ASSERT_TRUE(seen.ok());
    const auto& look = seen.observation.look;
    ASSERT_LT(look.azimuth, 90);
    ASSERT_GT(look.elevation, 0);

    WriteFile(QStringLiteral("rotorcfg.ini"),
              QByteArray("[TRACKING]\r\nAZ_TRAVEL=450\r\nPREPOSITION=1\r\n[TRACKER]\r\nTLE=") + PASSES_TLE +
                  "\r\n[STATION]\r\nLOCATION=35.68,139.77,40\r\n");
    auto& orbi = world.link.servers[QStringLiteral("ORBI|EXTRN")];
    orbi[QStringLiteral("TEXT1")] = QStringLiteral("ISS (ZARYA)");
    orbi[QStringLiteral("TEXT2")] = QString::number(look.azimuth, 'f', 3);
    orbi[QStringLiteral("TEXT3")] = QString::number(look.elevation, 'f', 3);
    world.clock.localStart = QDateTime::fromMSecsSinceEpoch(std::llround(unix * 1000) - 2000);

    Form1& w = Start();
    Tick(); // the start-up range check
    Tick();
    const auto& planned = w.state().planned;
    ASSERT_TRUE(planned.active);
    EXPECT_NEAR(planned.azimuth, look.azimuth + 360, 0.01);
    EXPECT_EQ(w.lblAz->text(),
              QStringLiteral("%1 (%2)").arg(look.azimuth, 0, 'f', 2).arg(look.azimuth + 360, 0, 'f', 2));
    EXPECT_EQ(w.lblEl->text(), QString::number(look.elevation, 'f', 2));
    // The target itself stays the satellite's compass direction (map, cues).
    EXPECT_NEAR(w.state().TargetAzimuth, look.azimuth, 0.001);
}

// Without the section nothing is planned and nothing shown differently.
TEST_F(PassPlanWindow, NothingPlannedWithoutTheSection) {
    Form1& w = Start();
    Tick();
    Tick();
    EXPECT_FALSE(w.state().planned.active);
    EXPECT_EQ(w.lblAz->text(), QStringLiteral("123.46"));
}

} // namespace
