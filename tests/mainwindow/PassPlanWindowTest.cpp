// SPDX-License-Identifier: GPL-3.0-or-later
// The main window with section TRACKING set: the satellite's pass planned from the tracker's element
// files and the station, its rotator azimuth shown beside the compass azimuth.

#include "WindowFixture.h"
#include "config/ProfileFile.h"
#include "orbit/ElementSet.h"
#include "orbit/Observation.h"
#include "satellites/SettingsWatch.h"
#include "sky/PassTargets.h"

#include "mainwindow/FittedLabelText.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QSaveFile>
#include <QSignalSpy>
#include <cmath>

namespace {

// The ISS ten minutes into a pass that runs 249.0 -> 40.9 degrees clockwise through north, served by
// the data server and computable from the element file of the tracker's settings for the station.
struct PassPlanWindow : WindowFixture {
    orbit::LookAngles ServeTheIssInItsPass(const QByteArray& trackingSection,
                                           const QByteArray& elementFile = PASSES_TLE) {
        const double unix = 1638758868.0 + 600;
        const auto file = orbit::ReadElementFile(PASSES_TLE);
        const orbit::Sgp4 model(file.sets.front());
        const auto seen = orbit::Observe(model, {35.68, 139.77, 40},
                                         orbit::JulianDate::FromUnixMilliseconds(std::llround(unix * 1000)));
        EXPECT_TRUE(seen.ok());
        const auto look = seen.observation.look;
        WriteFile(QStringLiteral("rotorcfg.ini"), trackingSection + QByteArray("[TRACKER]\r\nTLE=") +
                                                      elementFile +
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

// The plan goes by the time of the positions served, not by the computer's clock: Calsat32 sends its
// time with them; ORBI does not, and positions of another time than the computer's are not planned on.
struct ServedTime {
    const char* name;
    bool calsat;
    double clockAhead; // seconds the computer's clock is ahead of the server's
    bool planned;
};

struct PassPlanTime : PassPlanWindow, ::testing::WithParamInterface<ServedTime> {};

TEST_P(PassPlanTime, PlansOnTheTimeOfTheServedPositions) {
    const ServedTime& row = GetParam();
    const auto look =
        ServeTheIssInItsPass("[HPOSITION]\r\nHVOLT360=4.000\r\n[TRACKING]\r\nAZ_TRAVEL=450\r\n");
    world.clock.localStart = world.clock.localStart.addMSecs(std::llround(row.clockAhead * 1000));
    if (row.calsat) {
        const double unix = 1638758868.0 + 600;
        auto orbi = world.link.servers.take(QStringLiteral("ORBI|EXTRN"));
        auto& calsat = world.link.servers[QStringLiteral("Calsat32|Export")];
        for (const auto* item :
             {"txtRange", "txtRangeRate", "txtMeanAnomaly", "txtRevolution", "txtXg", "txtYg", "txtZg",
              "txtSunAzimuth", "txtSunElevation", "txtMoonAzimuth", "txtMoonElevation"})
            calsat[QString::fromLatin1(item)] = QStringLiteral("0");
        calsat[QStringLiteral("txtSatellite")] = orbi[QStringLiteral("TEXT1")];
        calsat[QStringLiteral("txtAzimuth")] = orbi[QStringLiteral("TEXT2")];
        calsat[QStringLiteral("txtElevation")] = orbi[QStringLiteral("TEXT3")];
        calsat[QStringLiteral("txtMJD")] = QString::number(unix / 86400 + 40587, 'f', 6);
    }
    Form1& w = Start();
    Tick();
    Tick();
    EXPECT_EQ(w.state().planned.active, row.planned);
    if (row.planned) {
        EXPECT_NEAR(w.state().planned.azimuth, look.azimuth + 360, 0.01);
    } else {
        EXPECT_TRUE(world.status.left.startsWith(QStringLiteral("7.データサーバーの衛星の位置")))
            << qPrintable(world.status.left);
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, PassPlanTime,
                         ::testing::Values(ServedTime{"calsat_with_the_clock_a_day_ahead", true, 86400, true},
                                           ServedTime{"orbi_with_the_clock_a_day_ahead", false, 86400, false},
                                           ServedTime{"orbi_an_hour_behind", false, -3600, false},
                                           ServedTime{"orbi_on_the_same_time", false, 0, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A satellite the plan's element files lack is planned as soon as they have it, without a restart:
// whether the settings name another file (a choice saved in the satellite dialog) or a download
// replaces the element file.
void PlansOnceTheFilesHaveIt(PassPlanWindow& f, bool download) {
    const QByteArray demoOnly = QByteArray(ORBIT_DEMO_TLE);
    const QString downloaded = f.dir.filePath(QStringLiteral("elements.tle"));
    if (download) {
        ASSERT_TRUE(QFile::copy(QString::fromUtf8(demoOnly), downloaded));
    }
    f.ServeTheIssInItsPass("[HPOSITION]\r\nHVOLT360=4.000\r\n[TRACKING]\r\nAZ_TRAVEL=450\r\n",
                           download ? downloaded.toUtf8() : demoOnly);
    Form1& w = f.Start();
    f.Tick();
    f.Tick();
    EXPECT_FALSE(w.state().planned.active);
    EXPECT_TRUE(f.world.status.history.contains(
        QStringLiteral("L:") + PassTargets::NotInElementsText(QStringLiteral("ISS (ZARYA)"))));
    ASSERT_NE(w.planWatch(), nullptr);
    QSignalSpy reloaded(w.planWatch(), &SettingsWatch::Changed);

    if (download) {
        // As the update writes it: a new file renamed over the old one.
        QFile tle(QString::fromUtf8(PASSES_TLE));
        ASSERT_TRUE(tle.open(QIODevice::ReadOnly));
        QSaveFile file(downloaded);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(tle.readAll());
        ASSERT_TRUE(file.commit());
    } else {
        ASSERT_TRUE(SetINIValue(QString::fromUtf8(PASSES_TLE), QStringLiteral("TLE"),
                                QStringLiteral("TRACKER"), f.iniPath()));
    }
    ASSERT_TRUE(reloaded.wait(10000));
    // The plan is made from the reading the watch found the change in.
    if (!download) {
        EXPECT_EQ(w.planWatch()->settings().Value(QStringLiteral("TLE"), QStringLiteral("TRACKER")),
                  QString::fromUtf8(PASSES_TLE));
    }
    f.Tick();
    EXPECT_TRUE(w.state().planned.active);
    EXPECT_TRUE(f.world.status.left.startsWith(QStringLiteral("7.このパスは水平")))
        << qPrintable(f.world.status.left);
}

TEST_F(PassPlanWindow, PlansANewChoiceWithoutARestart) {
    PlansOnceTheFilesHaveIt(*this, false);
}

TEST_F(PassPlanWindow, PlansADownloadedSetWithoutARestart) {
    PlansOnceTheFilesHaveIt(*this, true);
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
