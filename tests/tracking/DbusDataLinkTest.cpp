#include "tracking/DbusDataLink.h"
#include "PrivateBusServer.h"
#include "common/MainState.h"
#include "support/EventWait.h"
#include "support/FakePorts.h"
#include "tracking/DdeLinks.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

const QString Orbi = QStringLiteral("ORBI|EXTRN");

class DbusDataLinkTest : public PrivateBusSuite<DbusDataLinkTest> {
  protected:
    // Links Text1, Text3 and Text4 to ORBI's name, azimuth and elevation (or the items given).
    void LinkThree(DbusDataLink& l, const char* azimuthItem = "TEXT2") {
        const std::pair<int, const char*> items[] = {{1, "TEXT1"}, {3, azimuthItem}, {4, "TEXT3"}};
        for (const auto& [box, item] : items) {
            l.SetLinkTopic(box, Orbi);
            l.SetLinkItem(box, QString::fromLatin1(item));
            ASSERT_FALSE(l.SetLinkMode(box, DataLink::Mode::Manual));
        }
    }

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

// The batch the tracking cycle sends while motors may run: it returns at once, whatever the server
// does, and its answer comes from the event loop: the texts in order, or the first failure.
TEST_F(DbusDataLinkTest, BatchNeverWaitsForTheServer) {
    struct Row {
        const char* name;
        const char* azimuthItem;
        bool frozen;
        int error; // 0: answered
        int failedBox;
    };
    const Row rows[] = {
        {"answers", "TEXT2", false, 0, 0},
        {"unknown item", "txtMJD", false, DbusDataLink::RefusedError, 3},
        {"frozen server", "TEXT2", true, DbusDataLink::TimeoutError, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(server.Start(*bus, {"--freeze"})) << qPrintable(server.errors());
        DbusDataLink quick(bus->connection(), 300);
        LinkThree(quick, r.azimuthItem);
        if (r.frozen)
            server.Freeze();
        std::optional<DataLink::BatchAnswer> got;
        QElapsedTimer sent;
        sent.start();
        quick.RequestBatch({1, 3, 4}, [&](DataLink::BatchAnswer a) { got = std::move(a); });
        EXPECT_LT(sent.elapsed(), 100);
        EXPECT_FALSE(got) << "answered inside the call";
        ASSERT_TRUE(WaitUntil([&] { return got.has_value(); }, 5000));
        if (r.error == 0) {
            EXPECT_FALSE(got->error);
            ASSERT_EQ(got->texts.size(), 3u);
            EXPECT_EQ(got->texts[0], "ISS");
            EXPECT_GE(got->texts[1].toDouble(), 0);
        } else {
            ASSERT_TRUE(got->error);
            EXPECT_EQ(got->error->number, r.error);
            EXPECT_EQ(got->failedBox, r.failedBox);
            EXPECT_TRUE(got->texts.empty());
        }
        server.Kill();
    }
}

// A box that is not linked fails before anything is sent; a link destroyed while its batch is under
// way drops the answer instead of calling a caller that may be gone.
TEST_F(DbusDataLinkTest, BatchOnAnUnlinkedBoxOrADestroyedLink) {
    ASSERT_TRUE(server.Start(*bus, {"--freeze"})) << qPrintable(server.errors());
    LinkThree(link);
    std::optional<DataLink::BatchAnswer> got;
    link.RequestBatch({1, 5}, [&](DataLink::BatchAnswer a) { got = std::move(a); });
    ASSERT_TRUE(got && got->error);
    EXPECT_EQ(got->error->number, DbusDataLink::NotLinkedError);
    EXPECT_EQ(got->failedBox, 5);

    int calls = 0;
    {
        DbusDataLink gone(bus->connection(), 200);
        LinkThree(gone);
        gone.RequestBatch({1, 3, 4}, [&](DataLink::BatchAnswer) { ++calls; });
    }
    WaitUntil([] { return false; }, 400);
    EXPECT_EQ(calls, 0);
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
    std::optional<DdeLinks::RefreshResult> refreshed;
    links.RequestDdeFields([&](const DataLink::BatchAnswer& a) { refreshed = links.ApplyDdeFields(a, 1); });
    ASSERT_TRUE(WaitUntil([&] { return refreshed.has_value(); }, 5000));
    EXPECT_FALSE(refreshed->error);
    EXPECT_EQ(state.DataBox[2], "61395.12500");
}

} // namespace
