#include "tracking/DbusDataLink.h"
#include "PrivateBusServer.h"
#include "common/MainState.h"
#include "support/FakePorts.h"
#include "tracking/DdeLinks.h"

#include <gtest/gtest.h>

namespace {

const QString Orbi = QStringLiteral("ORBI|EXTRN");

class DbusDataLinkTest : public PrivateBusSuite<DbusDataLinkTest> {
  protected:
    TrackServerProcess server;
    DbusDataLink link{bus->connection()};
};

// A server that holds its name but does not answer; the program's time-out is five seconds.
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
