#include "PrivateBusServer.h"
#include "tracking/DbusDataLink.h"

#include <QDateTime>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

namespace {

// Asks a frozen trackserver for items, as azelmon would, and reads the answers as numbers.
class TrackServerTest : public PrivateBusSuite<TrackServerTest> {
  protected:
    static constexpr const char* Epoch = "2026-12-21T00:00:00Z";

    // Starts the server with its clock frozen `seconds` after the epoch.
    bool StartAt(double seconds, QStringList arguments = {}) {
        const QDateTime epoch = QDateTime::fromString(QString::fromLatin1(Epoch), Qt::ISODate);
        arguments << "--epoch" << QString::fromLatin1(Epoch) << "--freeze"
                  << "--time"
                  << epoch.addMSecs(static_cast<qint64>(seconds * 1000)).toString(Qt::ISODateWithMs);
        topic = arguments.contains(QStringLiteral("calsat")) ? QStringLiteral("Calsat32|Export")
                                                             : QStringLiteral("ORBI|EXTRN");
        return server.Start(*bus, arguments);
    }
    DataLink::Answer Ask(const QString& item) {
        link.SetLinkTopic(1, topic);
        link.SetLinkItem(1, item);
        if (auto error = link.SetLinkMode(1, DataLink::Mode::Manual))
            return {QString(), error};
        return link.Request(1);
    }
    double Number(const QString& item) {
        const auto answer = Ask(item);
        EXPECT_FALSE(answer.error) << qPrintable(item) << ": " << qPrintable(answer.error->description);
        bool ok = false;
        const double value = answer.text.toDouble(&ok);
        EXPECT_TRUE(ok) << qPrintable(item) << " = " << qPrintable(answer.text);
        return value;
    }

    TrackServerProcess server;
    DbusDataLink link{bus->connection()};
    QString topic;
};

// The scripted passes: a high one over the east, one crossing north, below the horizon between.
TEST_F(TrackServerTest, ScriptedPassesRiseCulminateAndSet) {
    struct Row {
        double seconds; // after the epoch
        double minElevation, maxElevation;
        double minAzimuth, maxAzimuth;
        int revolution;
        int rangeRateSign; // -1 approaching, +1 receding
    };
    const double orbit = 5580;
    const Row rows[] = {
        {0, -10, -0.1, 190, 205, 12345, -1},           // before the first pass: below the horizon
        {300, 35, 45, 180, 190, 12345, -1},            // rising through the south-east sky
        {360, 70, 80, 105, 115, 12345, 0},             // culmination, high in the east
        {420, 35, 45, 30, 40, 12345, +1},              // going down in the north-east
        {1500, -90, -5, 0, 360, 12345, +1},            // between passes
        {orbit + 300, 15, 20, 335, 350, 12346, -1},    // the second pass, west of north
        {orbit + 420, 15, 20, 30, 40, 12346, +1},      // ... and east of north: it crossed north
        {2 * orbit + 360, 13, 17, 285, 295, 12347, 0}, // the third, low over the west
        {3 * orbit + 360, 70, 80, 105, 115, 12348, 0}, // and the first again
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(StartAt(row.seconds)) << qPrintable(server.errors());
        const double el = Number("TEXT3"), az = Number("TEXT2");
        EXPECT_GE(el, row.minElevation) << row.seconds;
        EXPECT_LE(el, row.maxElevation) << row.seconds;
        EXPECT_GE(az, row.minAzimuth) << row.seconds;
        EXPECT_LE(az, row.maxAzimuth) << row.seconds;
        EXPECT_EQ(Number("TEXT5"), row.revolution) << row.seconds;
        const double rate = Number("TEXT7");
        if (row.rangeRateSign == 0)
            EXPECT_NEAR(rate, 0, 1) << row.seconds;
        else
            EXPECT_GT(rate * row.rangeRateSign, 1000) << row.seconds;
        const double anomaly = Number("TEXT6");
        EXPECT_GE(anomaly, 0);
        EXPECT_LT(anomaly, 360);
        server.Kill();
    }
}

TEST_F(TrackServerTest, RangeIsInMetresAndTheCulminationComesOnTime) {
    ASSERT_TRUE(StartAt(360));
    const double range = Number("TEXT4");
    EXPECT_GT(range, 420e3); // 420 km up, seen 74 degrees high
    EXPECT_LT(range, 460e3);
    EXPECT_EQ(Ask("TEXT1").text, "ISS");
}

// With --speedup the wait between passes shrinks, the passes themselves do not.
TEST_F(TrackServerTest, SpeedupShortensTheWaitForTheNextPass) {
    const double secondCulmination = 720 + (5580 - 720) / 10.0 + 360;
    ASSERT_TRUE(StartAt(secondCulmination, {"--speedup", "10"}));
    EXPECT_NEAR(Number("TEXT3"), 20.5, 0.5);
    EXPECT_EQ(Number("TEXT5"), 12346);
    server.Kill();
    ASSERT_TRUE(StartAt(secondCulmination + 60, {"--speedup", "10"}));
    EXPECT_NEAR(Number("TEXT3"), 17.9, 0.5); // a minute later at the true rate
}

TEST_F(TrackServerTest, CalsatTopicHasMjdAndGeocentricPosition) {
    ASSERT_TRUE(StartAt(360, {"--topic", "calsat"}));
    EXPECT_NEAR(Number("txtMJD"), 61395.0 + 360.0 / 86400, 1e-5);
    const double x = Number("txtXg"), y = Number("txtYg"), z = Number("txtZg");
    EXPECT_NEAR(std::sqrt(x * x + y * y + z * z), 6791e3, 2);
    // Near the zenith over Tokyo: the satellite is on the observer's side of the Earth.
    EXPECT_GT(z, 0);
    EXPECT_LT(x, 0);
    EXPECT_GT(y, 0);
    EXPECT_NEAR(Number("txtElevation"), 74.2, 0.1);
    EXPECT_NEAR(Number("txtRangeRate"), 0, 1);
}

TEST_F(TrackServerTest, EachTopicAnswersOnlyItsOwnItems) {
    const std::map<QString, QStringList> refused{
        {"orbi", {"txtMJD", "text1", "TEXT8", "text12", "TEXT20", ""}},
        {"calsat", {"TEXT1", "text20", "txtMarsAzimuth", "txtsatellite"}},
    };
    for (const auto& [name, items] : refused) {
        ASSERT_TRUE(StartAt(0, {"--topic", name}));
        for (const QString& item : items) {
            const auto answer = Ask(item);
            ASSERT_TRUE(answer.error) << qPrintable(name) << " " << qPrintable(item);
            EXPECT_EQ(answer.error->number, DbusDataLink::RefusedError);
        }
        server.Kill();
    }
}

// The Sun, Moon and Mars come from libnova with compass azimuths (north 0, east 90).
TEST_F(TrackServerTest, BodiesAreWhereTheSkyHasThem) {
    struct Row {
        QString time;
        const char *azimuthItem, *elevationItem;
        double azimuth, elevation, azimuthTolerance, elevationTolerance;
    };
    const Row rows[] = {
        // Tokyo, winter solstice, local noon (11:40 JST): due south, 90 - 35.68 - 23.44 high.
        {"2026-12-21T02:40:00Z", "text8", "text9", 180.5, 30.9, 1.5, 1.0},
        // An hour before sunrise (06:47 JST) the Sun is below the horizon in the east-south-east.
        {"2026-12-20T20:40:00Z", "text8", "text9", 111, -12.8, 3, 1},
        // Summer solstice noon: 90 - 35.68 + 23.44 high; the azimuth swings fast so near the zenith.
        {"2026-06-21T02:43:00Z", "text8", "text9", 180, 77.8, 5, 1},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(server.Start(*bus, {"--time", row.time, "--freeze"}));
        topic = QStringLiteral("ORBI|EXTRN");
        EXPECT_NEAR(Number(row.azimuthItem), row.azimuth, row.azimuthTolerance) << qPrintable(row.time);
        EXPECT_NEAR(Number(row.elevationItem), row.elevation, row.elevationTolerance) << qPrintable(row.time);
        for (const char* item : {"text10", "text11", "text20", "text21"})
            Number(item);
        server.Kill();
    }
}

} // namespace
