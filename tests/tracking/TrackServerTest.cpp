// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrackerClientSuite.h"
#include "links/DbusDataLink.h"

#include <QDBusArgument>
#include <QDBusMessage>
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

// RequestList answers every item as Request does, an unknown item by the same error name and
// message, and the items around it all the same.
TEST_F(TrackServerTest, ListAnswersEachItemAsRequestDoes) {
    ASSERT_TRUE(server.Start(*bus, {"--freeze", "--time", "2026-12-21T00:06:00Z"}))
        << qPrintable(server.errors());
    const QStringList items{"TEXT1", "TEXT2", "txtMJD", "text8"};
    QDBusConnection c = bus->connection();
    QDBusMessage call = QDBusMessage::createMethodCall("dde.ORBI", "/EXTRN", "dde.Topic", "RequestList");
    call << items;
    const QDBusMessage reply = c.call(call, QDBus::Block, 5000);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << qPrintable(reply.errorMessage());
    ASSERT_EQ(reply.signature(), "a(ss)");
    const auto answers =
        qdbus_cast<QList<DdeListAnswer>>(reply.arguments().constFirst().value<QDBusArgument>());
    ASSERT_EQ(answers.size(), items.size());
    for (qsizetype i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(qPrintable(items[i]));
        QDBusMessage one = QDBusMessage::createMethodCall("dde.ORBI", "/EXTRN", "dde.Topic", "Request");
        one << items[i];
        const QDBusMessage single = c.call(one, QDBus::Block, 5000);
        if (single.type() == QDBusMessage::ErrorMessage) {
            EXPECT_EQ(answers[i].error, single.errorName());
            EXPECT_EQ(answers[i].text, single.errorMessage());
        } else {
            EXPECT_TRUE(answers[i].error.isEmpty());
            EXPECT_EQ(answers[i].text, single.arguments().constFirst().toString());
        }
    }
    EXPECT_EQ(answers[2].error, "dde.Error.UnknownItem");
}

} // namespace
