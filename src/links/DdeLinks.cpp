// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/DdeLinks.h"

#include "common/MainState.h"
#include "common/MessageSink.h"
#include "common/NumberText.h"
#include "common/StartPoint.h"

const std::array<DdeLinks::BoxLink, 13> DdeLinks::OrbiLinks{{
    {1, "TEXT1"},
    {3, "TEXT2"},
    {4, "TEXT3"},
    {5, "TEXT4"},
    {8, "TEXT5"},
    {7, "TEXT6"},
    {6, "TEXT7"},
    {12, "text8"},
    {13, "text9"},
    {14, "text10"},
    {15, "text11"},
    {18, "text20"},
    {19, "text21"},
}};

const std::array<DdeLinks::BoxLink, 15> DdeLinks::CalsatLinks{{
    {1, "txtSatellite"},
    {2, "txtMJD"},
    {3, "txtAzimuth"},
    {4, "txtElevation"},
    {5, "txtRange"},
    {6, "txtRangeRate"},
    {7, "txtMeanAnomaly"},
    {8, "txtRevolution"},
    {9, "txtXg"},
    {10, "txtYg"},
    {11, "txtZg"},
    {12, "txtSunAzimuth"},
    {13, "txtSunElevation"},
    {14, "txtMoonAzimuth"},
    {15, "txtMoonElevation"},
}};

const std::array<int, 17> DdeLinks::AllLinkedBoxes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 18, 19};

const QString DdeLinks::OrbiTopic = QStringLiteral("ORBI|EXTRN");
const QString DdeLinks::CalsatTopic = QStringLiteral("Calsat32|Export");
const QString DdeLinks::StartServerMessage =
    QStringLiteral("ＯＲＢＩかＣＡＬＳＡＴを起動してからＡＺＥＬＭＯＮを再起動してください");

DdeLinks::DdeLinks(MainState& state, DataLink& link, MessageSink& messages)
    : state_(state), link_(link), messages_(messages) {}

template <std::size_t N> bool DdeLinks::Link(const QString& topic, const std::array<BoxLink, N>& entries) {
    for (const BoxLink& entry : entries) {
        link_.SetLinkTopic(entry.box, topic);
        link_.SetLinkItem(entry.box, QString::fromLatin1(entry.item));
        if (link_.SetLinkMode(entry.box, DataLink::Mode::Manual))
            return false;
    }
    for (const BoxLink& entry : entries) {
        const DataLink::Answer answer = link_.Request(entry.box);
        if (answer.error)
            return false;
        state_.DataBox[entry.box] = answer.text;
    }
    return true;
}

DdeLinks::OpenResult DdeLinks::OpenDdeLinks() {
    state_.UsingCalsat = 1;

    // Probe ORBI on Text1; any failing step means it is not there.
    link_.SetLinkTopic(1, OrbiTopic);
    link_.SetLinkItem(1, QStringLiteral("TEXT1"));
    bool orbiAnswers = !link_.SetLinkMode(1, DataLink::Mode::Manual);
    if (orbiAnswers) {
        const DataLink::Answer probe = link_.Request(1);
        orbiAnswers = !probe.error;
        if (orbiAnswers)
            state_.DataBox[1] = probe.text;
    }

    if (!orbiAnswers)
        return LinkCalsat();

    state_.UsingCalsat = 0;
    if (LinkOrbi() || LinkOrbi())
        return OpenResult::Linked;
    // ORBI answered the probe but not the links, twice: end the same way as without any server.
    messages_.ShowMessage(StartServerMessage);
    return OpenResult::MustEnd;
}

bool DdeLinks::LinkOrbi() {
    return Link(OrbiTopic, OrbiLinks);
}

DdeLinks::OpenResult DdeLinks::LinkCalsat() {
    if (Link(CalsatTopic, CalsatLinks))
        return OpenResult::Linked;
    messages_.ShowMessage(StartServerMessage);
    return OpenResult::MustEnd;
}

void DdeLinks::CloseDdeLinks() {
    for (int box : AllLinkedBoxes)
        link_.SetLinkMode(box, DataLink::Mode::None);
}

QString DdeLinks::ServerName() const {
    return state_.UsingCalsat ? QStringLiteral("Calsat32") : QStringLiteral("ORBI");
}

int DdeLinks::AzimuthBoxOf(int option) {
    switch (option) {
    case 1:
        return 3;
    case 2:
        return 12;
    case 3:
        return 14;
    case 4:
        return 18;
    default:
        return 0;
    }
}

double DdeLinks::HalfTurn(double azimuth) {
    return (azimuth >= 0 && azimuth < 180) ? azimuth + 180 : azimuth - 180;
}

QString DdeLinks::PlainNumberText(double value) {
    QString text = QString::number(value, 'g', 15);
    if (text == QStringLiteral("-0"))
        text = QStringLiteral("0");
    return text;
}

std::vector<int> DdeLinks::RefreshBoxes() const {
    std::vector<int> boxes;
    auto add = [&boxes](const auto& entries) {
        for (const BoxLink& entry : entries)
            boxes.push_back(entry.box);
    };
    if (state_.UsingCalsat)
        add(CalsatLinks);
    else
        add(OrbiLinks);
    return boxes;
}

void DdeLinks::RequestDdeFields(DataLink::BatchDone done) {
    link_.RequestBatch(RefreshBoxes(), std::move(done));
}

DdeLinks::RefreshResult DdeLinks::ApplyDdeFields(const DataLink::BatchAnswer& answer, int selectedOption) {
    RefreshResult result;
    result.server = ServerName();
    const std::vector<int> boxes = RefreshBoxes();
    if (answer.error) {
        result.error = answer.error;
        result.failedBox = answer.failedBox;
        return result;
    }
    if (answer.texts.size() != boxes.size()) {
        result.error = PortError{285, QStringLiteral("%1 answered %2 of %3 items")
                                          .arg(result.server)
                                          .arg(answer.texts.size())
                                          .arg(boxes.size())};
        return result;
    }
    for (std::size_t i = 0; i < boxes.size(); ++i)
        state_.DataBox[boxes[i]] = answer.texts[i];

    if (!IsSouthStartPoint(state_.AzimuthStartPoint))
        return result;
    const int box = AzimuthBoxOf(selectedOption);
    if (box == 0)
        return result;
    const double received = LeadingNumber(state_.DataBox[box]);
    result.receivedTargetAzimuth = received;
    state_.DataBox[box] = PlainNumberText(HalfTurn(received));
    return result;
}
