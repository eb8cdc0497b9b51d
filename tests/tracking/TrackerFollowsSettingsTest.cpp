// SPDX-License-Identifier: GPL-3.0-or-later
// The tracker serving from the settings follows them while it runs: a new choice of satellites, and
// element sets replaced by --update, which downloads from a local server.

#include "TrackerClientSuite.h"
#include "config/ProfileFile.h"
#include "satellites/LocalHttpServer.h"
#include "support/EventWait.h"
#include "support/TestFiles.h"

#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {

const QString DemoTle = QStringLiteral(ORBIT_DEMO_TLE);

class TrackerFollowsSettingsTest : public TrackerClientSuite<TrackerFollowsSettingsTest> {
  protected:
    void SetUp() override {
        TrackerClientSuite::SetUp();
        ini = scratch.filePath("rotorcfg.ini");
    }
    // True once TEXT1 reads `name` (the watch settles half a second after a write).
    bool Serves(const QString& name) {
        return WaitUntil([&] { return Ask(QStringLiteral("TEXT1")).text == name; }, 5000);
    }
    QTemporaryDir scratch;
    QString ini;
};

TEST_F(TrackerFollowsSettingsTest, ANewChoiceIsServedWithoutARestart) {
    ASSERT_TRUE(SetINIValue(DemoTle, "TLE", "TRACKER", ini));
    ASSERT_TRUE(server.Start(*bus, {"--freeze", "--time", "2026-12-07T02:27:43Z", "--observer",
                                    "35.68,139.77,40", "--settings", ini, "--from-settings"}))
        << qPrintable(server.errors());
    EXPECT_EQ(Ask("TEXT1").text, "DEMO-LEO (ISS-LIKE)"); // nothing chosen: the first set
    // Both up at this moment: the first of the order is served.
    ASSERT_TRUE(SetINIValue("90002;90001", "SATELLITE", "TRACKER", ini));
    EXPECT_TRUE(Serves("DEMO-MOLNIYA"));
    ASSERT_TRUE(SetINIValue("90001;90002", "SATELLITE", "TRACKER", ini));
    EXPECT_TRUE(Serves("DEMO-LEO (ISS-LIKE)"));
    // The element file replaced under the same name (as an update does): its sets are read again.
    const QString own = scratch.filePath("own.tle");
    QByteArray text = ReadBytes(DemoTle);
    WriteBytes(own, text.replace("DEMO-LEO (ISS-LIKE)", "RENAMED LEO"));
    ASSERT_TRUE(SetINIValue(own, "TLE", "TRACKER", ini));
    EXPECT_TRUE(Serves("RENAMED LEO"));
}

// The station's location saved while the tracker runs moves the sky it serves (the Sun's azimuth
// here); a location that does not read leaves the present one, and clearing it brings the default.
TEST_F(TrackerFollowsSettingsTest, ANewLocationIsServedWithoutARestart) {
    ASSERT_TRUE(SetINIValue(DemoTle, "TLE", "TRACKER", ini));
    ASSERT_TRUE(SetINIValue("PM95vq", "LOCATION", "STATION", ini));
    ASSERT_TRUE(server.Start(
        *bus, {"--freeze", "--time", "2026-12-07T02:27:43Z", "--settings", ini, "--from-settings"}))
        << qPrintable(server.errors());
    const QString tokyo = Ask("text8").text;
    auto sunAzimuthBecomes = [&](auto test) {
        return WaitUntil([&] { return test(Ask(QStringLiteral("text8")).text); }, 5000);
    };
    ASSERT_TRUE(SetINIValue("-33.87,151.21,20", "LOCATION", "STATION", ini)); // Sydney
    ASSERT_TRUE(sunAzimuthBecomes([&](const QString& az) { return az != tokyo; }));
    const QString sydney = Ask("text8").text;
    // A location that does not read, saved with a new choice: the choice is served, the place kept.
    ASSERT_TRUE(SetINIValue("PM95v", "LOCATION", "STATION", ini));
    ASSERT_TRUE(SetINIValue("90002", "SATELLITE", "TRACKER", ini));
    EXPECT_TRUE(Serves("DEMO-MOLNIYA"));
    EXPECT_EQ(Ask("text8").text, sydney);
    // No location: the default, Tokyo's sky within the locator's square.
    ASSERT_TRUE(SetINIValue("", "LOCATION", "STATION", ini));
    EXPECT_TRUE(sunAzimuthBecomes(
        [&](const QString& az) { return std::abs(az.toDouble() - tokyo.toDouble()) < 0.2; }));
}

// Started from the settings, a choice that cannot be served in full still starts: what is found is
// served, and with nothing found the placeholder (for which azelmon offers its satellite dialog).
TEST_F(TrackerFollowsSettingsTest, StartsWithWhatTheSettingsHold) {
    const struct {
        const char* files;
        const char* satellites;
        const char* served;
    } rows[] = {
        {"DEMO", "NO SUCH SAT;90002", "DEMO-MOLNIYA"},
        {"DEMO", "NO SUCH SAT", "衛星未設定"},
        {"/nonexistent/sats.tle", "90001", "衛星未設定"},
        {"/nonexistent/sats.tle;DEMO", "90001", "DEMO-LEO (ISS-LIKE)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.satellites);
        const QString files = QString::fromUtf8(row.files).replace("DEMO", DemoTle);
        ASSERT_TRUE(SetINIValue(files, "TLE", "TRACKER", ini));
        ASSERT_TRUE(SetINIValue(QString::fromUtf8(row.satellites), "SATELLITE", "TRACKER", ini));
        ASSERT_TRUE(server.Start(
            *bus, {"--freeze", "--time", "2026-12-07T02:27:43Z", "--settings", ini, "--from-settings"}))
            << qPrintable(server.errors());
        EXPECT_EQ(Ask("TEXT1").text, QString::fromUtf8(row.served));
        EXPECT_TRUE(server.errors().contains("left out")) << qPrintable(server.errors());
    }
}

TEST_F(TrackerFollowsSettingsTest, UpdateOnTheCommandLine) {
    LocalHttpServer web;
    web.Route("/good", {200, ReadBytes(DemoTle), {}, false, -1});
    web.Route("/html", {200, "<html>maintenance</html>", {}, false, -1});
    ASSERT_TRUE(SetINIValue("90002", "SATELLITE", "TRACKER", ini));
    auto run = [&](const QString& path, QString* output) {
        const QString address = path.startsWith('/') ? web.Url(path).toString() : path;
        EXPECT_TRUE(SetINIValue(address, "URL1", "TRACKER", ini));
        QProcess tracker;
        tracker.setProcessChannelMode(QProcess::MergedChannels);
        tracker.start(QStringLiteral(TRACKSERVER_PATH), {"--update", "--settings", ini});
        // The server runs in this thread: the events go on while the tracker downloads.
        EXPECT_TRUE(WaitUntil([&] { return tracker.state() == QProcess::NotRunning; }, 10000));
        *output = QString::fromUtf8(tracker.readAll());
        return tracker.exitCode();
    };
    QString output;
    EXPECT_EQ(run("/html", &output), 1);
    EXPECT_TRUE(output.contains("元のファイルはそのままです")) << qPrintable(output);
    EXPECT_EQ(run("ftp://127.0.0.1/elements.tle", &output), 1); // refused before anything is sent
    EXPECT_TRUE(output.contains("https または http")) << qPrintable(output);
    EXPECT_TRUE(output.contains("元のファイルはそのままです")) << qPrintable(output);
    EXPECT_FALSE(QFile::exists(scratch.filePath("elements.tle")));
    EXPECT_EQ(run("/good", &output), 0) << qPrintable(output);
    EXPECT_EQ(ReadBytes(scratch.filePath("elements.tle")), ReadBytes(DemoTle));
    EXPECT_EQ(GetINIValue("TLE", "TRACKER", ini), scratch.filePath("elements.tle"));
    EXPECT_FALSE(GetINIValue("UPDATED", "TRACKER", ini).startsWith("ERROR"));
}

} // namespace
