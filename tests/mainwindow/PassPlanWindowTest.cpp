// SPDX-License-Identifier: GPL-3.0-or-later
// The main window with section TRACKING set: the satellite's pass planned from the tracker's element
// files and the station, its rotator azimuth shown beside the compass azimuth.

#include "WindowFixture.h"
#include "orbit/ElementSet.h"
#include "orbit/Observation.h"

#include "mainwindow/FittedLabelText.h"

#include <QFontMetricsF>
#include <QLabel>
#include <cmath>

namespace {

// The ISS ten minutes into a pass that runs 249.0 -> 40.9 degrees clockwise through north, served by
// the data server and computable from the element file of the tracker's settings for the station.
struct PassPlanWindow : WindowFixture {
    orbit::LookAngles ServeTheIssInItsPass(const QByteArray& trackingSection) {
        const double unix = 1638758868.0 + 600;
        const auto file = orbit::ReadElementFile(PASSES_TLE);
        const orbit::Sgp4 model(file.sets.front());
        const auto seen = orbit::Observe(model, {35.68, 139.77, 40},
                                         orbit::JulianDate::FromUnixMilliseconds(std::llround(unix * 1000)));
        EXPECT_TRUE(seen.ok());
        const auto look = seen.observation.look;
        WriteFile(QStringLiteral("rotorcfg.ini"), trackingSection + QByteArray("[TRACKER]\r\nTLE=") +
                                                      PASSES_TLE +
                                                      "\r\n[STATION]\r\nLOCATION=35.68,139.77,40\r\n");
        auto& orbi = world.link.servers[QStringLiteral("ORBI|EXTRN")];
        orbi[QStringLiteral("TEXT1")] = QStringLiteral("ISS (ZARYA)");
        orbi[QStringLiteral("TEXT2")] = QString::number(look.azimuth, 'f', 3);
        orbi[QStringLiteral("TEXT3")] = QString::number(look.elevation, 'f', 3);
        world.clock.localStart = QDateTime::fromMSecsSinceEpoch(std::llround(unix * 1000) - 2000);
        return look;
    }
};

// On a 450-degree rotator the plan carries the pass past the north end, so rotator and compass differ
// by a turn.
TEST_F(PassPlanWindow, ShowsTheRotatorAzimuthWhereThePlanTurnsIt) {
    // Calibrated for the travel: a sensor giving 0..5 V over 0..450 degrees reads 4 V at 360.
    const auto look = ServeTheIssInItsPass(
        "[HPOSITION]\r\nHVOLT360=4.000\r\n[TRACKING]\r\nAZ_TRAVEL=450\r\nPREPOSITION=1\r\n");
    ASSERT_LT(look.azimuth, 90);
    ASSERT_GT(look.elevation, 0);

    Form1& w = Start();
    Tick(); // the start-up range check
    Tick();
    const auto& planned = w.state().planned;
    ASSERT_TRUE(planned.active);
    EXPECT_NEAR(planned.azimuth, look.azimuth + 360, 0.01);
    EXPECT_EQ(w.lblAz->text(),
              QStringLiteral("%1 (%2)").arg(look.azimuth, 0, 'f', 2).arg(look.azimuth + 360, 0, 'f', 2));
    EXPECT_EQ(w.lblEl->text(), QString::number(look.elevation, 'f', 2));
    // Both angles readable in the box: the whole text fits, at a smaller size than a lone value.
    EXPECT_LE(QFontMetricsF(w.lblAz->font()).horizontalAdvance(w.lblAz->text()),
              w.lblAz->contentsRect().width());
    EXPECT_LT(w.lblAz->font().pointSizeF(), TargetAnglePointSize);
    EXPECT_EQ(w.lblEl->font().pointSizeF(), TargetAnglePointSize);
    // The target itself stays the satellite's compass direction (map, cues).
    EXPECT_NEAR(w.state().TargetAzimuth, look.azimuth, 0.001);
}

// The same travel with 5 V at 360 degrees (the default calibration) would read 360 all the way to 450:
// the start-up leaves it off and says what to capture, and the plan keeps the pass inside 0..360.
TEST_F(PassPlanWindow, ATravelTheCalibrationCannotReadIsLeftOffWithAWord) {
    ServeTheIssInItsPass("[TRACKING]\r\nAZ_TRAVEL=450\r\nPREPOSITION=1\r\n");
    Form1& w = Start();
    EXPECT_EQ(w.state().tracking.azimuthTravelMax, 0);
    EXPECT_TRUE(w.state().tracking.prePosition);
    const auto said = world.messages.texts.filter(QStringLiteral("AZ_TRAVEL=450 は使いません"));
    ASSERT_EQ(said.size(), 1) << world.messages.texts.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(said[0].contains(QStringLiteral("360 度の電圧は 4.00 V 以下")));
}

// Without the section nothing is planned and nothing shown differently.
// Everything a plan needs is there (the element file, the station, the satellite in its pass), so only
// the missing section keeps it from being made.
TEST_F(PassPlanWindow, NothingPlannedWithoutTheSection) {
    const auto look = ServeTheIssInItsPass({});
    Form1& w = Start();
    Tick();
    Tick();
    EXPECT_FALSE(w.state().planned.active);
    EXPECT_EQ(w.lblAz->text(), QString::number(look.azimuth, 'f', 2));
}

// The longest texts a plan can show, in the window's own boxes at its default size: every character
// stays inside the box, and a lone value goes back to the full size.
TEST_F(PassPlanWindow, TheLongestTargetTextsFitTheirBoxes) {
    Form1& w = Start();
    const char* texts[] = {"31.44 (391.44)",   "-0.25 (0.00)",   "359.99 (539.99)",
                           "-10.25 (-190.25)", "35.20 (144.80)", "359.99"};
    for (QLabel* box : {w.lblAz, w.lblEl}) {
        for (const char* text : texts) {
            SCOPED_TRACE(text);
            ShowFittedText(*box, QLatin1String(text), TargetAnglePointSize);
            EXPECT_LE(QFontMetricsF(box->font()).horizontalAdvance(box->text()), box->contentsRect().width());
            EXPECT_GE(box->font().pointSizeF(), 8);
        }
        EXPECT_EQ(box->font().pointSizeF(), TargetAnglePointSize);
    }
}

} // namespace
