#include "tracking/DbusDataLink.h"
#include "PrivateBusServer.h"
#include "common/MainState.h"
#include "support/FakePorts.h"
#include "tracking/DdeLinks.h"

#include <gtest/gtest.h>

namespace {

const QString Orbi = QStringLiteral("ORBI|EXTRN");

TEST(DbusDataLinkAddress, TopicToBusNameAndPath) {
    const std::tuple<QString, QString, QString> good[] = {{"ORBI|EXTRN", "dde.ORBI", "/EXTRN"},
                                                          {"Calsat32|Export", "dde.Calsat32", "/Export"},
                                                          {"_a|0", "dde._a", "/0"}};
    for (const auto& [topic, service, path] : good) {
        const auto address = DbusDataLink::AddressOf(topic);
        ASSERT_TRUE(address) << qPrintable(topic);
        EXPECT_EQ(address->service, service);
        EXPECT_EQ(address->path, path);
    }
    for (const char* bad :
         {"ORBI", "", "|EXTRN", "ORBI|", "32cal|Export", "A.B|C", "A|B/C", "A|B|C", "A B|C"})
        EXPECT_FALSE(DbusDataLink::AddressOf(QString::fromLatin1(bad))) << bad;
}

class DbusDataLinkTest : public PrivateBusSuite<DbusDataLinkTest> {
  protected:
    void Link(int box, const QString& topic, const QString& item) {
        link.SetLinkTopic(box, topic);
        link.SetLinkItem(box, item);
    }

    TrackServerProcess server;
    DbusDataLink link{bus->connection()};
};

TEST_F(DbusDataLinkTest, NoServerMeansManualModeFailsAndRequestsAreRefused) {
    Link(1, Orbi, QStringLiteral("TEXT1"));
    const auto error = link.SetLinkMode(1, DataLink::Mode::Manual);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number, DbusDataLink::NoServerError);
    EXPECT_TRUE(error->description.contains(QStringLiteral("dde.ORBI")));
    const auto answer = link.Request(1);
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->number, DbusDataLink::NotLinkedError);

    link.SetLinkTopic(2, QStringLiteral("no topic"));
    EXPECT_TRUE(link.SetLinkMode(2, DataLink::Mode::Manual));
    EXPECT_FALSE(link.SetLinkMode(2, DataLink::Mode::None));
}

TEST_F(DbusDataLinkTest, RequestsItemsUnknownItemsAndAVanishedServer) {
    ASSERT_TRUE(server.Start(*bus, {"--satellite", "AO-91"})) << qPrintable(server.errors());
    Link(1, Orbi, QStringLiteral("TEXT1"));
    Link(3, Orbi, QStringLiteral("TEXT2"));
    Link(5, Orbi, QStringLiteral("text1")); // items are matched exactly: this one does not exist
    for (int box : {1, 3, 5})
        ASSERT_FALSE(link.SetLinkMode(box, DataLink::Mode::Manual)) << box;

    EXPECT_EQ(link.Request(1).text, "AO-91");
    EXPECT_FALSE(link.Request(3).error);
    const auto unknown = link.Request(5);
    ASSERT_TRUE(unknown.error);
    EXPECT_EQ(unknown.error->number, DbusDataLink::RefusedError);
    EXPECT_TRUE(unknown.error->description.contains(QStringLiteral("text1")));

    // The item can change while linked; a topic change closes the link.
    link.SetLinkItem(5, QStringLiteral("TEXT1"));
    EXPECT_EQ(link.Request(5).text, "AO-91");
    link.SetLinkTopic(5, QStringLiteral("Calsat32|Export"));
    EXPECT_EQ(link.Request(5).error->number, DbusDataLink::NotLinkedError);
    link.SetLinkMode(3, DataLink::Mode::None);
    EXPECT_TRUE(link.Request(3).error);

    server.Kill();
    ASSERT_TRUE(bus->WaitUntilGone(QStringLiteral("dde.ORBI")));
    const auto gone = link.Request(1);
    ASSERT_TRUE(gone.error);
    EXPECT_EQ(gone.error->number, DbusDataLink::NoServerError);
    EXPECT_TRUE(link.SetLinkMode(1, DataLink::Mode::Manual));
}

// A server that holds its name but does not answer fails the request after the time-out. A short
// time-out here keeps the test quick; the program uses five seconds.
TEST_F(DbusDataLinkTest, SilentServerTimesOut) {
    ASSERT_TRUE(server.Start(*bus, {})) << qPrintable(server.errors());
    DbusDataLink quick(bus->connection(), 200);
    quick.SetLinkTopic(1, Orbi);
    quick.SetLinkItem(1, QStringLiteral("TEXT1"));
    ASSERT_FALSE(quick.SetLinkMode(1, DataLink::Mode::Manual));
    server.Freeze();

    const auto answer = quick.Request(1);
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->number, DbusDataLink::TimeoutError);
}

// The whole start-up linking against the real server: Calsat32 alone is found after the ORBI probe.
TEST_F(DbusDataLinkTest, OpenDdeLinksOverTheBusFallsBackToCalsat) {
    ASSERT_TRUE(server.Start(*bus, {"--topic", "calsat", "--time", "2026-12-21T03:00:00Z", "--freeze"}));
    MainState state;
    RecordingMessages messages;
    DdeLinks links(state, link, messages);

    ASSERT_EQ(links.OpenDdeLinks(), DdeLinks::OpenResult::Linked);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(state.UsingCalsat, 1);
    EXPECT_EQ(state.DataBox[1], "ISS");
    EXPECT_EQ(state.DataBox[2], "61395.12500"); // MJD of 2026-12-21 03:00 UTC
    EXPECT_EQ(state.DataBox[18], "Text18");
    EXPECT_FALSE(links.RefreshDdeFields(1).error);
}

} // namespace
