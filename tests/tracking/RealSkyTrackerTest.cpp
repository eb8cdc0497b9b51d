// SPDX-License-Identifier: GPL-3.0-or-later
// The tracker serving element sets: what azelmon reads over the bus, which satellite it serves,
// what it refuses, its pass list, and its start by D-Bus activation.

#include "TrackerClientSuite.h"
#include "links/DbusDataLink.h"
#include "orbit/ElementSet.h"
#include "orbit/Observation.h"
#include "support/TestFiles.h"

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

const QString DemoTle = QStringLiteral(ORBIT_DEMO_TLE);

class RealSkyTrackerTest : public TrackerClientSuite<RealSkyTrackerTest> {
  protected:
    // A frozen tracker at `time` over Tokyo; no settings file, so nothing of the machine's leaks in.
    bool Start(const QStringList& arguments, const QString& time) {
        return server.Start(*bus, QStringList{QStringLiteral("--freeze"), QStringLiteral("--time"), time,
                                              QStringLiteral("--observer"), QStringLiteral("35.68,139.77,40"),
                                              QStringLiteral("--settings"), scratch.filePath("none.ini")} +
                                      arguments);
    }

    QTemporaryDir scratch;
};

// The items agree with the orbit library at the frozen second, in the units azelmon expects.
TEST_F(RealSkyTrackerTest, ServesTheElementSetsSatellite) {
    const QString time = QStringLiteral("2026-12-07T02:27:43Z");
    ASSERT_TRUE(Start({"--tle", DemoTle, "--satellite", "90001"}, time)) << qPrintable(server.errors());
    const auto file = orbit::ReadElementFile(DemoTle.toStdString());
    const orbit::Sgp4 model(file.sets.at(0));
    const auto expected = orbit::Observe(model, {35.68, 139.77, 40},
                                         orbit::JulianDate::FromUnixMilliseconds(
                                             QDateTime::fromString(time, Qt::ISODate).toMSecsSinceEpoch()));
    ASSERT_TRUE(expected.ok());
    const auto& o = expected.observation;
    EXPECT_EQ(Ask("TEXT1").text, "DEMO-LEO (ISS-LIKE)");
    EXPECT_NEAR(Number("TEXT2"), o.look.azimuth, 0.005);
    EXPECT_NEAR(Number("TEXT3"), o.look.elevation, 0.005);
    EXPECT_GT(Number("TEXT3"), 29);
    EXPECT_NEAR(Number("TEXT4"), o.look.range, 0.5);
    EXPECT_NEAR(Number("TEXT7"), o.look.rangeRate, 0.05);
    EXPECT_NEAR(Number("TEXT6"), o.meanAnomaly, 0.05);
    EXPECT_EQ(Number("TEXT5"), o.revolution);
    for (const char* item : {"text8", "text9", "text10", "text11", "text20", "text21"})
        Number(QString::fromLatin1(item));
}

struct Choice {
    const char* time;
    const char* first;
    const char* second;
    const char* served;
};

// Two satellites: the first in the given order that is up; when neither is, the one that rises
// next whatever the order.
TEST_F(RealSkyTrackerTest, ServesTheFirstUpElseTheNextToRise) {
    const Choice rows[] = {
        {"2026-12-07T02:27:43Z", "90001", "DEMO-MOLNIYA", "DEMO-LEO (ISS-LIKE)"}, // both up: the first
        {"2026-12-07T02:27:43Z", "DEMO-MOLNIYA", "90001", "DEMO-MOLNIYA"},
        {"2026-12-07T01:00:00Z", "90001", "90002", "DEMO-MOLNIYA"},        // only the second up
        {"2026-12-07T02:45:00Z", "90002", "90001", "DEMO-LEO (ISS-LIKE)"}, // neither: the LEO rises first
    };
    for (const Choice& row : rows) {
        SCOPED_TRACE(row.time);
        ASSERT_TRUE(Start({"--tle", DemoTle, "--satellite", row.first, "--satellite", row.second},
                          QString::fromLatin1(row.time)))
            << qPrintable(server.errors());
        EXPECT_EQ(Ask("TEXT1").text, QString::fromLatin1(row.served));
    }
}

// An element set the model rejects at the moment (this rocket body decayed within the hour): the
// position items are refused, the rest still answer.
TEST_F(RealSkyTrackerTest, ADecayedSetGivesNoPosition) {
    WriteBytes(scratch.filePath("decayed.tle"),
               "MINOTAUR R/B\n"
               "1 28872U 05037B   05333.02012661  .25992681  00000-0  24476-3 0  1534\n"
               "2 28872  96.4736 157.9986 0303955 244.0492 110.6523 16.46015938 10708\n");
    ASSERT_TRUE(Start({"--tle", scratch.filePath("decayed.tle")}, "2005-11-29T02:00:00Z"))
        << qPrintable(server.errors());
    EXPECT_EQ(Ask("TEXT1").text, "MINOTAUR R/B");
    for (const char* item : {"TEXT2", "TEXT3", "TEXT4", "TEXT5", "TEXT6", "TEXT7"}) {
        const auto answer = Ask(QString::fromLatin1(item));
        EXPECT_TRUE(answer.error) << item << " = " << qPrintable(answer.text);
    }
    Number("text8");
}

// Installed and started by the bus with nothing configured: the bodies, and a satellite entry that
// says so, far below the horizon.
TEST_F(RealSkyTrackerTest, WithNothingConfiguredSaysSo) {
    ASSERT_TRUE(Start({"--from-settings"}, "2026-12-07T02:27:43Z")) << qPrintable(server.errors());
    const auto name = Ask("TEXT1");
    EXPECT_EQ(name.text, QStringLiteral("衛星未設定")) << qPrintable(server.errors());
    EXPECT_EQ(Ask("TEXT3").text, "-90.00");
    Number("text9");
    EXPECT_TRUE(server.errors().contains("no satellite configured")) << qPrintable(server.errors());
}

struct BadStart {
    const char* what;
    QStringList arguments;
    const char* message;
};

TEST(RealSkyTrackerInput, BadInputEndsWithStatusTwo) {
    const BadStart rows[] = {
        {"missing file",
         {"--tle", "/nonexistent/sats.tle"},
         "cannot read element file /nonexistent/sats.tle"},
        {"unknown satellite",
         {"--tle", DemoTle, "--satellite", "NO SUCH SAT"},
         "no satellite \"NO SUCH SAT\""},
        {"bad locator", {"--locator", "PM95v"}, "bad --locator"},
        {"latitude out of range", {"--observer", "91,139"}, "latitude must be"},
        {"passes without a satellite", {"--passes", "3"}, "--passes needs a satellite"},
    };
    QTemporaryDir scratch;
    for (const BadStart& row : rows) {
        SCOPED_TRACE(row.what);
        QProcess tracker;
        tracker.start(QStringLiteral(TRACKSERVER_PATH),
                      row.arguments + QStringList{"--settings", scratch.filePath("none.ini"), "--bus",
                                                  "unix:path=/nonexistent", "--quit-after", "1"});
        ASSERT_TRUE(tracker.waitForFinished(10000));
        EXPECT_EQ(tracker.exitCode(), 2);
        EXPECT_TRUE(tracker.readAllStandardError().contains(row.message));
    }
}

TEST(RealSkyTrackerInput, BadLinesAreReportedWithTheirPlaceAndSkipped) {
    QTemporaryDir scratch;
    QByteArray text = ReadBytes(DemoTle);
    const int line5 = text.indexOf("2 90002");
    text[line5 + 68] = text[line5 + 68] == '0' ? '1' : '0'; // a wrong checksum on line 6
    WriteBytes(scratch.filePath("sats.tle"), text);
    QProcess tracker;
    tracker.start(QStringLiteral(TRACKSERVER_PATH),
                  {"--tle", scratch.filePath("sats.tle"), "--satellite", "90003", "--passes", "1",
                   "--settings", scratch.filePath("none.ini"), "--time", "2026-12-07T00:00:00Z"});
    ASSERT_TRUE(tracker.waitForFinished(20000));
    EXPECT_EQ(tracker.exitCode(), 0);
    EXPECT_TRUE(
        tracker.readAllStandardError().contains(scratch.filePath("sats.tle").toUtf8() + ":6: bad checksum"));
    EXPECT_TRUE(tracker.readAllStandardOutput().contains("DEMO-GEO 140E"));
}

TEST(RealSkyTrackerInput, OldElementsGetOneWarning) {
    QTemporaryDir scratch;
    QProcess tracker;
    tracker.start(QStringLiteral(TRACKSERVER_PATH),
                  {"--tle", DemoTle, "--passes", "1", "--settings", scratch.filePath("none.ini"), "--time",
                   "2027-01-01T00:00:00Z"});
    ASSERT_TRUE(tracker.waitForFinished(20000));
    const QString errors = QString::fromUtf8(tracker.readAllStandardError());
    EXPECT_EQ(errors.count(QStringLiteral("days old")), 1) << qPrintable(errors);
}

#ifdef SGP4_PYTHON

// The printed pass list agrees with the independent script within 2 s (the table prints whole
// seconds).
TEST(RealSkyTrackerInput, PassListMatchesTheIndependentScript) {
    QTemporaryDir scratch;
    const QDateTime start(QDate(2026, 12, 6), QTime(12, 0), QTimeZone::utc());
    QProcess tracker;
    tracker.start(QStringLiteral(TRACKSERVER_PATH),
                  {"--tle", DemoTle, "--satellite", "90001", "--passes", "4", "--observer", "35.68,139.77,40",
                   "--settings", scratch.filePath("none.ini"), "--time", start.toString(Qt::ISODate)});
    ASSERT_TRUE(tracker.waitForFinished(20000));
    ASSERT_EQ(tracker.exitCode(), 0);
    QStringList printed;
    for (const QString& line : QString::fromUtf8(tracker.readAllStandardOutput()).split('\n'))
        if (line.startsWith("20"))
            printed << line;

    QProcess script;
    script.start(QStringLiteral(SGP4_PYTHON), {ORBIT_SCRIPT, "passes", DemoTle, "90001", "35.68", "139.77",
                                               "40", QString::number(start.toSecsSinceEpoch()), "4"});
    ASSERT_TRUE(script.waitForFinished(60000));
    const QStringList expected =
        QString::fromUtf8(script.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(printed.size(), 4);
    ASSERT_EQ(expected.size(), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(qPrintable(printed[i]));
        const QStringList p = printed[i].split(' ', Qt::SkipEmptyParts);
        const QStringList e = expected[i].split(' ');
        ASSERT_EQ(p.size(), 9);
        for (int t = 0; t < 3; ++t) {
            const QDateTime at = QDateTime::fromString(p[2 * t] + 'T' + p[2 * t + 1] + 'Z', Qt::ISODate);
            EXPECT_NEAR(at.toSecsSinceEpoch(), e[t].toDouble(), 2.0) << t;
        }
        EXPECT_NEAR(p[6].toDouble(), e[3].toDouble(), 0.06);
        EXPECT_NEAR(p[7].toDouble(), e[4].toDouble(), 0.06);
        EXPECT_NEAR(p[8].toDouble(), e[5].toDouble(), 0.06);
    }
}

#endif

} // namespace

namespace {

// The installed service file lets the session bus start the tracker on azelmon's first request; the
// tracker then takes the station and its satellite from the settings file.
TEST(RealSkyTrackerActivation, TheBusStartsTheTrackerOnTheFirstRequest) {
    const QByteArray installed = ReadBytes(QStringLiteral(TRACKER_SERVICE_FILE));
    ASSERT_TRUE(installed.contains("Name=dde.ORBI\n")) << installed.constData();
    const int exec = installed.indexOf("Exec=");
    ASSERT_GE(exec, 0);
    const QByteArray command = installed.mid(exec + 5).trimmed();
    const int space = command.indexOf(' ');
    ASSERT_TRUE(command.left(space).endsWith("/azelmon-tracker")) << command.constData();

    // The same file with the built program in place of the installed one.
    QTemporaryDir scratch;
    ASSERT_TRUE(QDir(scratch.path()).mkpath("share/dbus-1/services"));
    WriteBytes(scratch.filePath("share/dbus-1/services/dde.ORBI.service"),
               installed.left(exec) + "Exec=" + TRACKSERVER_PATH + command.mid(space) + " --quit-after 60\n");
    WriteBytes(scratch.filePath("rotorcfg.ini"), "[STATION]\r\nLOCATION=PM95vq\r\n[TRACKER]\r\nTLE=" +
                                                     DemoTle.toUtf8() + "\r\nSATELLITE=90003\r\n");

    QProcess daemon;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_DATA_DIRS", scratch.filePath("share"));
    environment.insert("XDG_DATA_HOME", scratch.filePath("home"));
    environment.insert("AZELMON_CONFIG_DIR", scratch.path());
    daemon.setProcessEnvironment(environment);
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    ASSERT_TRUE(daemon.waitForStarted(5000));
    while (!daemon.canReadLine() && daemon.waitForReadyRead(5000)) {
    }
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    ASSERT_FALSE(address.isEmpty());
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, "activation-test");
        ASSERT_TRUE(bus.isConnected());
        DbusDataLink link(bus);
        link.SetLinkTopic(1, "ORBI|EXTRN");
        link.SetLinkItem(1, "TEXT1");
        const auto linked = link.SetLinkMode(1, DataLink::Mode::Manual);
        EXPECT_FALSE(linked) << qPrintable(linked->description);
        EXPECT_EQ(link.Request(1).text, "DEMO-GEO 140E");
        link.SetLinkItem(1, "TEXT3");
        // The geostationary sample stands about 48 degrees up over Tokyo.
        EXPECT_NEAR(link.Request(1).text.toDouble(), 48, 2);
    }
    QDBusConnection::disconnectFromBus("activation-test");
    daemon.kill();
    daemon.waitForFinished(5000);
}

} // namespace
