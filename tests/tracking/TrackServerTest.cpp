#include "PrivateBusServer.h"
#include "tracking/DbusDataLink.h"

#include <QDateTime>
#include <QTimeZone>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

namespace {

// Asks a frozen trackserver for items, as azelmon would, and reads the answers as numbers.
class TrackServerTest : public PrivateBusSuite<TrackServerTest> {
  protected:
    // Starts the server with its clock frozen `seconds` after the satellite's epoch.
    void StartAt(double seconds, const QString& topicName = QStringLiteral("orbi")) {
        const QDateTime epoch(QDate(2026, 12, 21), QTime(0, 0), QTimeZone::utc());
        topic = topicName == "orbi" ? QStringLiteral("ORBI|EXTRN") : QStringLiteral("Calsat32|Export");
        ASSERT_TRUE(
            server.Start(*bus, {"--topic", topicName, "--freeze", "--epoch", epoch.toString(Qt::ISODate),
                                "--time", epoch.addMSecs(qint64(seconds * 1000)).toString(Qt::ISODate)}))
            << qPrintable(server.errors());
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
        bool ok = false;
        const double value = answer.text.toDouble(&ok);
        EXPECT_TRUE(!answer.error && ok) << qPrintable(item) << " = " << qPrintable(answer.text);
        return value;
    }

    TrackServerProcess server;
    DbusDataLink link{bus->connection()};
    QString topic;
};

// The scripted passes: a high one over the east, one crossing north, below the horizon between.
TEST_F(TrackServerTest, ScriptedPassesRiseCulminateAndSet) {
    const double orbit = 5580;
    // seconds after the epoch, elevation and azimuth bounds, revolution, range rate -1 nearing/+1 leaving
    const double rows[][7] = {
        {0, -10, -0.1, 190, 205, 12345, -1},        // before the first pass: below the horizon
        {360, 70, 80, 105, 115, 12345, 0},          // culmination, high in the east
        {420, 35, 45, 30, 40, 12345, +1},           // going down in the north-east
        {1500, -90, -5, 0, 360, 12345, +1},         // between passes
        {orbit + 300, 15, 20, 335, 350, 12346, -1}, // the second pass, west of north
        {orbit + 420, 15, 20, 30, 40, 12346, +1},   // ... and east of north: it crossed north
        {3 * orbit + 360, 70, 80, 105, 115, 12348, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r[0]);
        StartAt(r[0]);
        const double el = Number("TEXT3"), az = Number("TEXT2"), rate = Number("TEXT7");
        EXPECT_TRUE(el >= r[1] && el <= r[2]) << el;
        EXPECT_TRUE(az >= r[3] && az <= r[4]) << az;
        EXPECT_EQ(Number("TEXT5"), r[5]);
        if (r[6] == 0)
            EXPECT_NEAR(rate, 0, 1);
        else
            EXPECT_GT(rate * r[6], 1000);
        const double anomaly = Number("TEXT6");
        EXPECT_TRUE(anomaly >= 0 && anomaly < 360) << anomaly;
        server.Kill();
    }
    StartAt(360);
    EXPECT_EQ(Ask("TEXT1").text, "ISS");
    const double range = Number("TEXT4"); // metres: 420 km up, seen 74 degrees high
    EXPECT_TRUE(range > 420e3 && range < 460e3) << range;
}

TEST_F(TrackServerTest, CalsatTopicHasMjdAndGeocentricPosition) {
    StartAt(360, "calsat");
    EXPECT_NEAR(Number("txtMJD"), 61395.0 + 360.0 / 86400, 1e-5);
    const double x = Number("txtXg"), y = Number("txtYg"), z = Number("txtZg");
    EXPECT_NEAR(std::sqrt(x * x + y * y + z * z), 6791e3, 2);
    // Near the zenith over Tokyo: the satellite is on the observer's side of the Earth.
    EXPECT_TRUE(x < 0 && y > 0 && z > 0);
    EXPECT_NEAR(Number("txtElevation"), 74.2, 0.1);
}

TEST_F(TrackServerTest, EachTopicAnswersOnlyItsOwnItems) {
    const std::map<QString, QStringList> refused{
        {"orbi", {"txtMJD", "text1", "TEXT8", "text12", "TEXT20", ""}},
        {"calsat", {"TEXT1", "text20", "txtMarsAzimuth", "txtsatellite"}},
    };
    for (const auto& [name, items] : refused) {
        StartAt(0, name);
        for (const QString& item : items) {
            const auto answer = Ask(item);
            ASSERT_TRUE(answer.error) << qPrintable(name) << " " << qPrintable(item);
            EXPECT_EQ(answer.error->number, DbusDataLink::RefusedError);
        }
        server.Kill();
    }
}

} // namespace
