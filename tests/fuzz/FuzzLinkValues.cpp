// SPDX-License-Identifier: GPL-3.0-or-later
// The texts the satellite-tracking program sends for the data boxes, through one refresh of the
// tracking cycle and the formatting of what is shown.
#include "FuzzInput.h"
#include "common/DataLink.h"
#include "common/MainState.h"
#include "common/MessageSink.h"
#include "common/NumberText.h"
#include "links/DdeLinks.h"
#include "tracking/TrackingRules.h"

#include <QList>
#include <algorithm>
#include <cmath>

namespace {

// Answers the requests from the fuzz input in order; a request past a chosen count fails.
class ScriptedLink : public DataLink {
  public:
    QList<QString> answers;
    int failAt = -1; // 0-based request that fails, -1 for none
    int requests = 0;

    void SetLinkTopic(int, const QString&) override {}
    void SetLinkItem(int, const QString&) override {}
    std::optional<PortError> SetLinkMode(int, Mode) override { return std::nullopt; }
    Answer Request(int) override {
        const int n = requests++;
        if (n == failAt)
            return {QString(), PortError{286, QStringLiteral("time-out")}};
        return {n < answers.size() ? answers[n] : QString(), std::nullopt};
    }
};

class NoMessages : public MessageSink {
  public:
    void ShowMessage(const QString&) override {}
    bool AskYesNo(const QString&) override { return false; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t control = input.Byte();
    const std::uint8_t failure = input.Byte();

    MainState state;
    state.UsingCalsat = (control & 1) ? 1 : 0;
    state.AzimuthStartPoint = (control & 2) ? QStringLiteral("1") : QStringLiteral("0");
    const int option = (control >> 2) % 5;
    ScriptedLink link;
    while (!input.AtEnd())
        link.answers << input.Text();
    link.failAt = failure < 20 ? failure : -1;
    NoMessages messages;
    DdeLinks links(state, link, messages);

    const std::array<QString, 20> before = state.DataBox;
    DdeLinks::RefreshResult result;
    links.RequestDdeFields(
        [&](const DataLink::BatchAnswer& answer) { result = links.ApplyDdeFields(answer, option); });
    if (result.error) {
        // A failed refresh leaves every box as it was.
        FUZZ_CHECK(state.DataBox == before);
        FUZZ_CHECK(result.failedBox > 0);
        return 0;
    }
    if (result.receivedTargetAzimuth) {
        // The turned azimuth reads back as the received value turned by half a turn.
        const double received = *result.receivedTargetAzimuth;
        FUZZ_CHECK(std::isfinite(received));
        const double turned = DdeLinks::HalfTurn(received);
        const double shown = LeadingNumber(state.DataBox[DdeLinks::AzimuthBoxOf(option)]);
        if (std::fabs(turned) < 1e300)
            FUZZ_CHECK(std::fabs(shown - turned) <= 1e-13 * std::max(1.0, std::fabs(turned)));
        if (received >= 0 && received < 360)
            FUZZ_CHECK(turned >= 0 && turned < 360);
    }

    // What the cycle shows of the target and the information panel.
    if (const auto target = TargetOfOption(option, state)) {
        const double az = LeadingNumber(state.DataBox[target->azimuthBox]);
        const double el = LeadingNumber(state.DataBox[target->elevationBox]);
        const auto azText = StrictNumber(TargetAngleText(az));
        if (std::fabs(az) < 1e12) {
            FUZZ_CHECK(azText.has_value());
            FUZZ_CHECK(std::fabs(*azText - az) <= 0.005 + 1e-9 + 1e-15 * std::fabs(az));
        }
        AboveHorizon(az, el);
    }
    std::array<QString, 20> boxes = state.DataBox;
    FormatInformationBoxes(boxes);
    for (int box : {5, 6}) {
        const double raw = LeadingNumber(state.DataBox[box]) / 1000;
        if (std::fabs(raw) < 1e12)
            FUZZ_CHECK(StrictNumber(boxes[box]).has_value());
    }
    return 0;
}
