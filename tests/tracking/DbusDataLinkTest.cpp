// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/DbusDataLink.h"
#include "PrivateBusServer.h"
#include "common/MainState.h"
#include "links/DdeLinks.h"
#include "support/EventWait.h"
#include "support/FakePorts.h"

#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <map>

namespace {

const QString Orbi = QStringLiteral("ORBI|EXTRN");

// A data server inside the test, on a connection of its own: it answers three items, with or without
// RequestList, and counts what it is asked.
class FakeTopic : public QDBusVirtualObject {
  public:
    FakeTopic(const PrivateBus& bus, bool offersList, const QString& connectionName)
        : offersList_(offersList), connectionName_(connectionName) {
        QDBusConnection c = QDBusConnection::connectToBus(bus.address(), connectionName_);
        registered_ = c.registerVirtualObject(QStringLiteral("/EXTRN"), this) &&
                      c.registerService(QStringLiteral("dde.ORBI"));
    }
    ~FakeTopic() override { Leave(); }
    bool registered() const { return registered_; }
    // Gives up the name and the connection; the next owner gets a new unique name.
    void Leave() {
        if (connectionName_.isEmpty())
            return;
        QDBusConnection(connectionName_).unregisterService(QStringLiteral("dde.ORBI"));
        QDBusConnection::disconnectFromBus(connectionName_);
        connectionName_.clear();
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() == QLatin1String("Request") && message.signature() == QLatin1String("s")) {
            ++itemCalls;
            const QString item = message.arguments().constFirst().toString();
            const auto found = texts_.find(item);
            connection.send(found != texts_.end()
                                ? message.createReply(found->second)
                                : message.createErrorReply(QStringLiteral("dde.Error.UnknownItem"),
                                                           QStringLiteral("no item \"%1\"").arg(item)));
            return true;
        }
        if (message.member() == QLatin1String("RequestList") && offersList_) {
            ++listCalls;
            QList<DdeListAnswer> answers;
            for (const QString& item : message.arguments().constFirst().toStringList()) {
                const auto found = texts_.find(item);
                answers.push_back(found != texts_.end()
                                      ? DdeListAnswer{QString(), found->second}
                                      : DdeListAnswer{QStringLiteral("dde.Error.UnknownItem"),
                                                      QStringLiteral("no item \"%1\"").arg(item)});
            }
            connection.send(message.createReply(QVariant::fromValue(answers)));
            return true;
        }
        ++listCalls;
        connection.send(
            message.createErrorReply(QDBusError::UnknownMethod, QStringLiteral("no such method")));
        return true;
    }

    int itemCalls = 0, listCalls = 0;

  private:
    const std::map<QString, QString> texts_{{QStringLiteral("TEXT1"), QStringLiteral("ISS")},
                                            {QStringLiteral("TEXT2"), QStringLiteral("123.45")},
                                            {QStringLiteral("TEXT3"), QStringLiteral("12.34")}};
    bool offersList_;
    QString connectionName_;
    bool registered_ = false;
};

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

// A server with RequestList is asked once a batch; one without it is asked item by item from its
// first refusal on. The answers and the error of an unknown item read the same either way.
TEST_F(DbusDataLinkTest, BatchIsOneListCallWhereTheServerHasOne) {
    struct Row {
        const char* name;
        bool offersList;
        const char* azimuthItem;
        int listCalls, itemCalls; // over two batches
    };
    const Row rows[] = {
        {"list", true, "TEXT2", 2, 0},
        {"no list", false, "TEXT2", 1, 6},
        {"list, unknown item", true, "TEXT9", 2, 0},
        {"no list, unknown item", false, "TEXT9", 1, 6},
    };
    std::map<bool, QString> unknownItemError; // by offersList
    int n = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        FakeTopic fake(*bus, r.offersList, QStringLiteral("fake-topic-%1").arg(++n));
        ASSERT_TRUE(fake.registered());
        DbusDataLink quick(bus->connection(), 1000);
        LinkThree(quick, r.azimuthItem);
        for (int round = 0; round < 2; ++round) {
            std::optional<DataLink::BatchAnswer> got;
            quick.RequestBatch({1, 3, 4}, [&](DataLink::BatchAnswer a) { got = std::move(a); });
            ASSERT_TRUE(WaitUntil([&] { return got.has_value(); }, 5000));
            if (QLatin1String(r.azimuthItem) == QLatin1String("TEXT2")) {
                ASSERT_FALSE(got->error) << qPrintable(got->error->description);
                EXPECT_EQ(got->texts, (std::vector<QString>{"ISS", "123.45", "12.34"}));
            } else {
                ASSERT_TRUE(got->error);
                EXPECT_EQ(got->error->number, DbusDataLink::RefusedError);
                EXPECT_EQ(got->failedBox, 3);
                EXPECT_EQ(got->error->description, "dde.ORBI: no item \"TEXT9\"");
            }
        }
        EXPECT_EQ(fake.listCalls, r.listCalls);
        EXPECT_EQ(fake.itemCalls, r.itemCalls);
        fake.Leave();
        ASSERT_TRUE(bus->WaitUntilGone(QStringLiteral("dde.ORBI")));
    }
}

// A server without the list is remembered only while it owns the name: the answers of its successor
// show the change and the list is tried again.
TEST_F(DbusDataLinkTest, ANewOwnerOfTheNameIsAskedForTheListAgain) {
    DbusDataLink quick(bus->connection(), 1000);
    auto batch = [&quick] {
        std::optional<DataLink::BatchAnswer> got;
        quick.RequestBatch({1, 3, 4}, [&](DataLink::BatchAnswer a) { got = std::move(a); });
        return WaitUntil([&] { return got.has_value(); }, 5000) && !got->error && got->texts.size() == 3;
    };
    auto old = std::make_unique<FakeTopic>(*bus, false, QStringLiteral("fake-topic-old"));
    ASSERT_TRUE(old->registered());
    LinkThree(quick);
    ASSERT_TRUE(batch());
    EXPECT_EQ(old->listCalls, 1);
    old.reset();
    ASSERT_TRUE(bus->WaitUntilGone(QStringLiteral("dde.ORBI")));

    FakeTopic successor(*bus, true, QStringLiteral("fake-topic-new"));
    ASSERT_TRUE(successor.registered());
    ASSERT_TRUE(batch()); // still item by item: nothing has shown the change yet
    EXPECT_EQ(successor.itemCalls, 3);
    EXPECT_EQ(successor.listCalls, 0);
    ASSERT_TRUE(batch());
    EXPECT_EQ(successor.itemCalls, 3);
    EXPECT_EQ(successor.listCalls, 1);
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
