#include "tracking/DdeLinks.h"
#include "common/MainState.h"
#include "support/FakePorts.h"

#include <gtest/gtest.h>
#include <set>

namespace {

const QString Orbi = QStringLiteral("ORBI|EXTRN");
const QString Calsat = QStringLiteral("Calsat32|Export");

QMap<QString, QString> OrbiItems() {
    QMap<QString, QString> items;
    items[QStringLiteral("TEXT1")] = QStringLiteral("AO-91");
    for (int i = 2; i <= 7; ++i)
        items[QStringLiteral("TEXT%1").arg(i)] = QStringLiteral("o%1").arg(i);
    for (int i : {8, 9, 10, 11, 20, 21})
        items[QStringLiteral("text%1").arg(i)] = QStringLiteral("o%1").arg(i);
    return items;
}

QMap<QString, QString> CalsatItems() {
    QMap<QString, QString> items;
    for (const auto& entry : DdeLinks::CalsatLinks)
        items[QString::fromLatin1(entry.item)] = QStringLiteral("c%1").arg(entry.box);
    return items;
}

// Fails the chosen requests (counted from 1) as a busy or vanishing server would.
class FlakyLink : public FakeDataLink {
  public:
    std::set<int> failingRequests;
    int requests = 0;
    Answer Request(int box) override {
        if (failingRequests.count(++requests)) {
            log << QStringLiteral("request %1").arg(box);
            return {QString(), PortError{286, QStringLiteral("time-out")}};
        }
        return FakeDataLink::Request(box);
    }
};

struct DdeLinksTest : ::testing::Test {
    MainState state;
    FlakyLink link;
    RecordingMessages messages;
    DdeLinks links{state, link, messages};

    QStringList Requests() const { return link.log.filter(QStringLiteral("request ")); }
    bool Mentions(const QString& text) const {
        return std::any_of(link.log.begin(), link.log.end(),
                           [&](const QString& l) { return l.contains(text); });
    }
};

TEST_F(DdeLinksTest, OrbiOnlyLinksTheCrossedItemsAndLeavesTheCalsatBoxes) {
    link.servers[Orbi] = OrbiItems();

    EXPECT_EQ(links.OpenDdeLinks(), DdeLinks::OpenResult::Linked);

    EXPECT_EQ(state.UsingCalsat, 0);
    EXPECT_TRUE(messages.texts.isEmpty());
    const std::map<int, QString> expected{
        {1, "AO-91"}, {3, "o2"},    {4, "o3"},     {5, "o4"},      {8, "o5"},     {7, "o6"},
        {6, "o7"},    {12, "o8"},   {13, "o9"},    {14, "o10"},    {15, "o11"},   {18, "o20"},
        {19, "o21"},  {2, "Text2"}, {9, "text19"}, {10, "Text10"}, {11, "Text11"}};
    for (const auto& [box, text] : expected)
        EXPECT_EQ(state.DataBox[box], text) << "Text" << box;

    // The probe on Text1, then link all, then request all, in the box order.
    QStringList wanted{"topic 1 ORBI|EXTRN", "item 1 TEXT1", "mode 1 manual", "request 1"};
    for (const auto& entry : DdeLinks::OrbiLinks)
        wanted << QStringLiteral("topic %1 ORBI|EXTRN").arg(entry.box)
               << QStringLiteral("item %1 %2").arg(entry.box).arg(entry.item)
               << QStringLiteral("mode %1 manual").arg(entry.box);
    for (const auto& entry : DdeLinks::OrbiLinks)
        wanted << QStringLiteral("request %1").arg(entry.box);
    EXPECT_EQ(link.log, wanted);
}

TEST_F(DdeLinksTest, CalsatOnlyFillsText1ToText15AndKeepsTheMarsBoxes) {
    link.servers[Calsat] = CalsatItems();

    EXPECT_EQ(links.OpenDdeLinks(), DdeLinks::OpenResult::Linked);

    EXPECT_EQ(state.UsingCalsat, 1);
    EXPECT_TRUE(messages.texts.isEmpty());
    for (int box = 1; box <= 15; ++box)
        EXPECT_EQ(state.DataBox[box], QStringLiteral("c%1").arg(box));
    EXPECT_EQ(state.DataBox[18], "Text18");
    EXPECT_EQ(state.DataBox[19], "Text19");
    QStringList order;
    for (int box = 1; box <= 15; ++box)
        order << QStringLiteral("request %1").arg(box);
    EXPECT_EQ(Requests(), order); // the ORBI probe failed before its request
}

TEST_F(DdeLinksTest, BothServersRunningUsesOrbiOnly) {
    link.servers[Orbi] = OrbiItems();
    link.servers[Calsat] = CalsatItems();

    EXPECT_EQ(links.OpenDdeLinks(), DdeLinks::OpenResult::Linked);

    EXPECT_EQ(state.UsingCalsat, 0);
    EXPECT_FALSE(Mentions(Calsat));
}

TEST_F(DdeLinksTest, NeitherServerShowsOnlyTheMessageAndMustEnd) {
    const MainState untouched;

    EXPECT_EQ(links.OpenDdeLinks(), DdeLinks::OpenResult::MustEnd);

    EXPECT_EQ(messages.texts, QStringList{DdeLinks::StartServerMessage});
    EXPECT_EQ(DdeLinks::StartServerMessage,
              "ＯＲＢＩかＣＡＬＳＡＴを起動してからＡＺＥＬＭＯＮを再起動してください");
    EXPECT_EQ(state.DataBox, untouched.DataBox);
}

TEST_F(DdeLinksTest, CalsatMissingAnItemEndsWithTheMessage) {
    link.servers[Calsat] = CalsatItems();
    link.servers[Calsat].remove(QStringLiteral("txtZg"));

    EXPECT_EQ(links.OpenDdeLinks(), DdeLinks::OpenResult::MustEnd);
    EXPECT_EQ(messages.texts, QStringList{DdeLinks::StartServerMessage});
}

// ORBI answers the probe but fails while linking: once is retried from the start, twice ends the
// program the same way as no server at all — and Calsat32 is never tried, even when it runs.
TEST_F(DdeLinksTest, OrbiFailingPartWay) {
    struct Case {
        std::set<int> failing; // request numbers; 1 is the probe, 2..14 the first LinkOrbi
        DdeLinks::OpenResult result;
        int requests;
    };
    const Case cases[] = {
        {{6}, DdeLinks::OpenResult::Linked, 1 + 5 + 13},
        {{14}, DdeLinks::OpenResult::Linked, 1 + 13 + 13},
        {{6, 15}, DdeLinks::OpenResult::MustEnd, 1 + 5 + 9},
        {{3, 10}, DdeLinks::OpenResult::MustEnd, 1 + 2 + 7},
    };
    for (const Case& c : cases) {
        MainState s;
        FlakyLink flaky;
        flaky.servers[Orbi] = OrbiItems();
        flaky.servers[Calsat] = CalsatItems();
        flaky.failingRequests = c.failing;
        RecordingMessages m;
        DdeLinks l(s, flaky, m);

        EXPECT_EQ(l.OpenDdeLinks(), c.result) << "failing request " << *c.failing.begin();
        EXPECT_EQ(flaky.requests, c.requests);
        EXPECT_EQ(s.UsingCalsat, 0);
        EXPECT_FALSE(flaky.log.join('\n').contains(Calsat));
        if (c.result == DdeLinks::OpenResult::Linked) {
            EXPECT_TRUE(m.texts.isEmpty());
            EXPECT_EQ(s.DataBox[6], "o7");
            EXPECT_EQ(s.DataBox[19], "o21");
        } else {
            EXPECT_EQ(m.texts, QStringList{DdeLinks::StartServerMessage});
        }
    }
}

TEST_F(DdeLinksTest, CloseSetsEveryLinkedBoxToNoneInOrder) {
    links.CloseDdeLinks();
    QStringList wanted;
    for (int box : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 18, 19})
        wanted << QStringLiteral("mode %1 none").arg(box);
    EXPECT_EQ(link.log, wanted);
}

TEST_F(DdeLinksTest, RefreshRequestsTheBoxesOfTheServerInUse) {
    link.servers[Calsat] = CalsatItems();
    ASSERT_EQ(links.OpenDdeLinks(), DdeLinks::OpenResult::Linked);
    link.servers[Calsat][QStringLiteral("txtAzimuth")] = QStringLiteral("123.4");
    link.log.clear();

    const auto result = links.RefreshDdeFields(1);

    EXPECT_FALSE(result.error);
    QStringList order;
    for (int box = 1; box <= 15; ++box)
        order << QStringLiteral("request %1").arg(box);
    EXPECT_EQ(link.log, order);
    EXPECT_EQ(state.DataBox[3], "123.4");
    EXPECT_FALSE(result.receivedTargetAzimuth); // north start point
}

TEST_F(DdeLinksTest, RefreshFailureStopsAtTheFirstMissingAnswerAndKeepsEveryBox) {
    link.servers[Orbi] = OrbiItems();
    ASSERT_EQ(links.OpenDdeLinks(), DdeLinks::OpenResult::Linked);
    const auto before = state.DataBox;
    link.servers[Orbi][QStringLiteral("TEXT2")] = QStringLiteral("99");
    link.failingRequests = {link.requests + 4}; // Text5, after Text1, Text3, Text4 answered
    link.log.clear();

    const auto result = links.RefreshDdeFields(1);

    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.failedBox, 5);
    EXPECT_EQ(result.server, "ORBI");
    EXPECT_EQ(link.log, QStringList({"request 1", "request 3", "request 4", "request 5"}));
    EXPECT_EQ(state.DataBox, before); // Text3 did not take the fresh 99 alone
}

// South start point: the selected target's azimuth box is turned by half a turn.
TEST_F(DdeLinksTest, RefreshTurnsTheSelectedAzimuthForTheSouthStartPoint) {
    struct Case {
        QString startPoint;
        int option;
        QString received;
        int box;
        QString written;
    };
    const Case cases[] = {
        {"1", 1, "30", 3, "210"},  {"1", 1, "359", 3, "179"}, {"1", 1, "-1", 3, "-181"},
        {"1", 1, "180", 3, "0"},   {"1", 1, "0", 3, "180"},   {"1", 1, "90.25", 3, "270.25"},
        {"1", 1, "abc", 3, "180"}, {"1", 2, "30", 12, "210"}, {"1", 3, "200", 14, "20"},
        {"1", 4, "10", 18, "190"}, {"1", 0, "30", 3, "30"},   {"0", 1, "30", 3, "30"},
        {"2", 1, "30", 3, "210"},
    };
    const std::map<int, QString> itemOfBox{{3, "TEXT2"}, {12, "text8"}, {14, "text10"}, {18, "text20"}};
    for (const Case& c : cases) {
        MainState s;
        s.AzimuthStartPoint = c.startPoint;
        FakeDataLink fake;
        fake.servers[Orbi] = OrbiItems();
        RecordingMessages m;
        DdeLinks l(s, fake, m);
        ASSERT_EQ(l.OpenDdeLinks(), DdeLinks::OpenResult::Linked);
        for (const auto& [box, item] : itemOfBox)
            fake.servers[Orbi][item] = c.received;

        const auto result = l.RefreshDdeFields(c.option);

        const QString what =
            QStringLiteral("start %1 option %2 received %3").arg(c.startPoint).arg(c.option).arg(c.received);
        EXPECT_EQ(s.DataBox[c.box], c.written) << qPrintable(what);
        for (const auto& [box, item] : itemOfBox) {
            if (box != c.box) {
                EXPECT_EQ(s.DataBox[box], c.received) << qPrintable(what) << " Text" << box;
            }
        }
        if (c.written != c.received) {
            EXPECT_EQ(result.receivedTargetAzimuth, c.received.toDouble()) << qPrintable(what);
        }
    }
}

} // namespace
