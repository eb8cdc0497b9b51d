#include "rotator/RelayOutputs.h"

#include "common/Clock.h"
#include "common/IoBoard.h"
#include "common/MainState.h"
#include "common/Ports.h"
#include "common/StatusLine.h"
#include "rotator/EmergencyRelayStop.h"
#include "rotator/MotionWatch.h"
#include "rotator/RotatorView.h"

#include <limits>

namespace {
// At most five retries per call; the sixth failure gives up that write.
constexpr int MaxRetries = 5;

std::int16_t Step(std::int16_t count, int delta) {
    const int moved = count + delta;
    // Held at the ends of the 16-bit range instead of wrapping round.
    if (moved > std::numeric_limits<std::int16_t>::max())
        return std::numeric_limits<std::int16_t>::max();
    if (moved < std::numeric_limits<std::int16_t>::min())
        return std::numeric_limits<std::int16_t>::min();
    return static_cast<std::int16_t>(moved);
}
} // namespace

RelayOutputs::RelayOutputs(MainState& state, Ports& ports, RotatorView& view)
    : state_(state), ports_(ports), view_(view) {}

bool RelayOutputs::OutputAxis(const QString& motorText, int firstBit, int firstLevel, int secondBit,
                              int secondLevel, const QString& retryText, const QString& numberPrefix) {
    if (motorText != QLatin1String("1"))
        return true;
    const int bits[2] = {firstBit, secondBit};
    const int levels[2] = {firstLevel, secondLevel};
    int failures = 0;
    int next = 0;
    bool allTaken = true;
    while (next < 2) {
        // Asked again before every attempt: a crash in another thread, or the end, may have come while
        // the last attempt waited on the board, and a retry must not switch back on what it switched off.
        const int level = RefusingOn() ? 0 : levels[next];
        const auto error = ports_.board->WriteOutputBit(6, bits[next], level);
        if (!error) {
            ++next;
            continue;
        }
        ++failures;
        if (failures <= MaxRetries) {
            ports_.status->SetLeft(retryText);
            next = 0; // a retry writes both bits again, the first one included
            continue;
        }
        if (error->number != 0) {
            ports_.status->SetLeft(numberPrefix + QString::number(error->number));
            ports_.status->SetRight(QStringLiteral("エラーメッセージは ") + error->description);
        }
        allTaken = false;
        ++next;
    }
    return allTaken;
}

bool RelayOutputs::RefusingOn() const {
    return ending_ || holds_ > 0 || EmergencyRelayStop::Engaged();
}

void RelayOutputs::ResendUnconfirmed() {
    if (uncertain_[0])
        OutputAzimuthRelays();
    if (uncertain_[1])
        OutputElevationRelays();
}

void RelayOutputs::OutputAzimuthRelays() {
    OutputAxisRelays(MotionWatch::Azimuth, state_.piob4, state_.piob5);
}

void RelayOutputs::OutputElevationRelays() {
    OutputAxisRelays(MotionWatch::Elevation, state_.piob6, state_.piob7);
}

void RelayOutputs::OutputAxisRelays(MotionWatch::Axis axis, std::int16_t& first, std::int16_t& second) {
    const bool azimuth = axis == MotionWatch::Azimuth;
    if (RefusingOn())
        first = second = 0;
    uncertain_[azimuth ? 0 : 1] = !OutputAxis(
        azimuth ? state_.AzimuthMotorText : state_.ElevationMotorText, azimuth ? 4 : 6, first != 0 ? 1 : 0,
        azimuth ? 5 : 7, second != 0 ? 1 : 0,
        azimuth ? QStringLiteral("1.水平制御のリトライを実行")
                : QStringLiteral("２.仰角制御のリトライを実行"),
        azimuth ? QStringLiteral("1.発生したエラーの番号は ") : QStringLiteral("2.発生したエラーの番号は "));
    if (watch_)
        watch_->MotorSwitched(axis, first != 0 || second != 0, ports_.clock->MonotonicMs());
}

void RelayOutputs::ShowRelayIndicators() {
    view_.ShowRelayIndicators(state_.piob4 != 0, state_.piob5 != 0, state_.piob6 != 0, state_.piob7 != 0);
}

void RelayOutputs::Timer3_Timer() {
    if (state_.piob4 == 1)
        state_.SimulatedAzimuthCount = Step(state_.SimulatedAzimuthCount, 2);
    if (state_.piob5 == 1)
        state_.SimulatedAzimuthCount = Step(state_.SimulatedAzimuthCount, -2);
    if (state_.piob6 == 1)
        state_.SimulatedElevationCount = Step(state_.SimulatedElevationCount, 2);
    if (state_.piob7 == 1)
        state_.SimulatedElevationCount = Step(state_.SimulatedElevationCount, -2);
}

void RelayOutputs::SwitchAllOff() {
    state_.piob4 = state_.piob5 = state_.piob6 = state_.piob7 = 0;
    OutputAzimuthRelays();
    OutputElevationRelays();
    ShowRelayIndicators();
}

void RelayOutputs::TurnLeft() {
    state_.piob4 = 0;
    state_.piob5 = 1;
    OutputAzimuthRelays();
}

void RelayOutputs::TurnRight() {
    state_.piob4 = 1;
    state_.piob5 = 0;
    OutputAzimuthRelays();
}

void RelayOutputs::StopAzimuth() {
    state_.piob4 = 0;
    state_.piob5 = 0;
    OutputAzimuthRelays();
}

void RelayOutputs::MoveUp() {
    state_.piob6 = 1;
    state_.piob7 = 0;
    OutputElevationRelays();
}

void RelayOutputs::MoveDown() {
    state_.piob6 = 0;
    state_.piob7 = 1;
    OutputElevationRelays();
}

void RelayOutputs::StopElevation() {
    state_.piob6 = 0;
    state_.piob7 = 0;
    OutputElevationRelays();
}

bool RelayOutputs::AllOff() const {
    return state_.piob4 == 0 && state_.piob5 == 0 && state_.piob6 == 0 && state_.piob7 == 0;
}

bool RelayOutputs::MayBeOn() const {
    return !AllOff() || uncertain_[0] || uncertain_[1];
}

void RelayOutputs::BeginEnding() {
    // Latched first: whatever runs while the all-off below waits on the board stays off too.
    ending_ = true;
    SwitchAllOff();
}

void RelayOutputs::BeginHoldOff() {
    ++holds_;
    if (MayBeOn())
        SwitchAllOff();
}

void RelayOutputs::EndHoldOff() {
    if (holds_ > 0)
        --holds_;
}
