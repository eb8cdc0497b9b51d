// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/DdeLinks.h"
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

// One refresh on a link that answers at once.
DdeLinks::RefreshResult Refresh(DdeLinks& links, int option) {
    DdeLinks::RefreshResult result;
    links.RequestDdeFields(
        [&](const DataLink::BatchAnswer& answer) { result = links.ApplyDdeFields(answer, option); });
    return result;
}

struct DdeLinksTest : ::testing::Test {
    MainState state;
    FlakyLink link;
    RecordingMessages messages;
    DdeLinks links{state, link, messages};
};

TEST_F(DdeLinksTest, OrbiFillsTheCrossedBoxesAndCloseUnlinksEveryBox) {
    link.servers[Orbi] = OrbiItems();
    EXPECT_EQ(links.OpenDdeLinks(), DdeLinks::OpenResult::Linked);
    const std::map<int, QString> expected{
        {1, "AO-91"}, {3, "o2"},    {4, "o3"},     {5, "o4"},      {8, "o5"},     {7, "o6"},
        {6, "o7"},    {12, "o8"},   {13, "o9"},    {14, "o10"},    {15, "o11"},   {18, "o20"},
        {19, "o21"},  {2, "Text2"}, {9, "text19"}, {10, "Text10"}, {11, "Text11"}};
    for (const auto& [box, text] : expected)
        EXPECT_EQ(state.DataBox[box], text) << "Text" << box;
    link.log.clear();
    links.CloseDdeLinks();
    QStringList wanted;
    for (int box : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 18, 19})
        wanted << QStringLiteral("mode %1 none").arg(box);
    EXPECT_EQ(link.log, wanted);
}

// ORBI wins when both run; Calsat32 fills Text1..Text15 only; no (complete) server ends the program
// with the message and leaves every box as it was. A failure part way through ORBI is retried once
// from the start, a second one ends the program: Calsat32 is never tried, even when it runs.
TEST_F(DdeLinksTest, ChoosesTheServerAndEndsWhenNoneAnswers) {
    struct Row {
        const char* name;
        bool orbi, calsat, calsatComplete;
        std::set<int> failing; // request numbers; 1 is the probe, 2..14 the first ORBI linking
        int requests;          // -1: not counted
        bool linked;
    };
    const Row rows[] = {
        {"orbi and calsat", true, true, true, {}, 1 + 13, true},
        {"calsat alone", false, true, true, {}, 15, true},
        {"neither", false, false, true, {}, 0, false},
        {"calsat missing an item", false, true, false, {}, -1, false},
        {"orbi fails once linking", true, true, true, {6}, 1 + 5 + 13, true},
        {"orbi fails twice", true, true, true, {6, 15}, 1 + 5 + 9, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        MainState s;
        FlakyLink flaky;
        if (r.orbi)
            flaky.servers[Orbi] = OrbiItems();
        if (r.calsat)
            flaky.servers[Calsat] = CalsatItems();
        if (!r.calsatComplete)
            flaky.servers[Calsat].remove(QStringLiteral("txtZg"));
        flaky.failingRequests = r.failing;
        RecordingMessages m;

        EXPECT_EQ(DdeLinks(s, flaky, m).OpenDdeLinks(),
                  r.linked ? DdeLinks::OpenResult::Linked : DdeLinks::OpenResult::MustEnd);
        EXPECT_EQ(m.texts, r.linked ? QStringList() : QStringList{DdeLinks::StartServerMessage});
        if (r.linked || r.orbi) {
            EXPECT_EQ(s.UsingCalsat, r.orbi ? 0 : 1);
        }
        if (r.requests >= 0) {
            EXPECT_EQ(flaky.requests, r.requests);
        }
        if (r.orbi) {
            EXPECT_FALSE(flaky.log.join('\n').contains(Calsat));
        }
        if (!r.linked && !r.calsat) {
            EXPECT_EQ(s.DataBox, MainState().DataBox);
        } else if (r.linked && r.orbi) {
            EXPECT_EQ(s.DataBox[6], "o7");
            EXPECT_EQ(s.DataBox[19], "o21");
        } else if (r.linked) {
            for (int box = 1; box <= 15; ++box)
                EXPECT_EQ(s.DataBox[box], QStringLiteral("c%1").arg(box));
            EXPECT_EQ(s.DataBox[18], "Text18");
            EXPECT_EQ(s.DataBox[19], "Text19");
        }
    }
}

TEST_F(DdeLinksTest, RefreshFailureStopsAtTheFirstMissingAnswerAndKeepsEveryBox) {
    link.servers[Orbi] = OrbiItems();
    ASSERT_EQ(links.OpenDdeLinks(), DdeLinks::OpenResult::Linked);
    const auto before = state.DataBox;
    link.servers[Orbi][QStringLiteral("TEXT2")] = QStringLiteral("99");
    link.failingRequests = {link.requests + 4}; // Text5, after Text1, Text3, Text4 answered
    link.log.clear();
    const auto result = Refresh(links, 1);

    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.failedBox, 5);
    EXPECT_EQ(result.server, "ORBI");
    EXPECT_EQ(link.log, QStringList({"request 1", "request 3", "request 4", "request 5"}));
    EXPECT_EQ(state.DataBox, before); // Text3 did not take the fresh 99 alone
}

// South start point ("1"): the selected target's azimuth box is turned by half a turn. Any other text is
// the north start point, as the settings dialog shows it.
TEST_F(DdeLinksTest, RefreshTurnsTheSelectedAzimuthForTheSouthStartPoint) {
    struct Row {
        QString startPoint;
        int option;
        QString received;
        int box;
        QString written;
    };
    const Row rows[] = {
        {"1", 1, "30", 3, "210"},  {"1", 1, "-1", 3, "-181"}, {"1", 1, "180", 3, "0"},
        {"1", 1, "0", 3, "180"},   {"1", 1, "abc", 3, "180"}, {"1", 2, "90.25", 12, "270.25"},
        {"1", 3, "200", 14, "20"}, {"1", 4, "10", 18, "190"}, {"1", 0, "30", 3, "30"},
        {"0", 1, "30", 3, "30"},   {"2", 1, "30", 3, "30"},   {"1.0", 1, "30", 3, "30"},
        {"", 1, "30", 3, "30"},
    };
    const std::map<int, QString> itemOfBox{{3, "TEXT2"}, {12, "text8"}, {14, "text10"}, {18, "text20"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(qPrintable(r.startPoint + ' ' + QString::number(r.option) + ' ' + r.received));
        MainState s;
        s.AzimuthStartPoint = r.startPoint;
        FakeDataLink fake;
        fake.servers[Orbi] = OrbiItems();
        RecordingMessages m;
        DdeLinks l(s, fake, m);
        ASSERT_EQ(l.OpenDdeLinks(), DdeLinks::OpenResult::Linked);
        for (const auto& [box, item] : itemOfBox)
            fake.servers[Orbi][item] = r.received;

        const auto result = Refresh(l, r.option);
        EXPECT_FALSE(result.error);
        EXPECT_EQ(s.DataBox[r.box], r.written);
        for (const auto& [box, item] : itemOfBox) {
            if (box != r.box) {
                EXPECT_EQ(s.DataBox[box], r.received) << " Text" << box;
            }
        }
        if (r.written != r.received) {
            EXPECT_EQ(result.receivedTargetAzimuth, r.received.toDouble());
        } else {
            EXPECT_FALSE(result.receivedTargetAzimuth);
        }
    }
}

} // namespace
