#include "TrackerClientSuite.h"
#include "tracking/DbusDataLink.h"

#include <QDateTime>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

class TrackServerTest : public TrackerClientSuite<TrackServerTest> {};

// The frozen clock, seconds after the epoch: a high pass over the east.
TEST_F(TrackServerTest, ServesEveryItemAlongTheScriptedPasses) {
    const QDateTime epoch(QDate(2026, 12, 21), QTime(0, 0), QTimeZone::utc());
    // seconds, elevation and azimuth bounds, revolution
    const double rows[][6] = {
        {0, -10, -0.1, 190, 205, 12345}, // before the first pass: below the horizon
        {360, 70, 80, 105, 115, 12345},  // culmination, high in the east
        {1500, -90, -5, 0, 360, 12345},  // between passes
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r[0]);
        ASSERT_TRUE(server.Start(*bus, {"--freeze", "--epoch", epoch.toString(Qt::ISODate), "--time",
                                        epoch.addSecs(qint64(r[0])).toString(Qt::ISODate)}))
            << qPrintable(server.errors());
        const double el = Number("TEXT3"), az = Number("TEXT2");
        EXPECT_TRUE(el >= r[1] && el <= r[2]) << el;
        EXPECT_TRUE(az >= r[3] && az <= r[4]) << az;
        EXPECT_EQ(Number("TEXT5"), r[5]);
        for (const char* item :
             {"TEXT4", "TEXT6", "TEXT7", "text8", "text9", "text10", "text11", "text20", "text21"})
            Number(QString::fromLatin1(item));
    }
    EXPECT_EQ(Ask("TEXT1").text, "ISS");
    const auto refused = Ask("txtMJD");
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->number, DbusDataLink::RefusedError);
}

} // namespace
