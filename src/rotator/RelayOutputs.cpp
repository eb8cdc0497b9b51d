// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotator/RelayOutputs.h"

#include "common/Clock.h"
#include "common/IoBoard.h"
#include "common/MainState.h"
#include "common/Ports.h"
#include "common/StatusLine.h"
#include "rotator/ControlDeadman.h"
#include "rotator/EmergencyRelayStop.h"
#include "rotator/MotionWatch.h"
#include "rotator/RotatorView.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <algorithm>
#include <limits>
#include <vector>

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
    : state_(state), ports_(ports), view_(view) {
    expiry_.setSingleShot(true);
    QObject::connect(&expiry_, &QTimer::timeout, [this] { ExpireLeases(); });
}

bool RelayOutputs::OutputAxis(const QString& motorText, int firstBit, int firstLevel, int secondBit,
                              int secondLevel, const QString& retryText, const QString& numberPrefix) {
    if (motorText != QLatin1String("1"))
        return true;
    const int bits[2] = {firstBit, secondBit};
    const int levels[2] = {firstLevel, secondLevel};
    const auto showFailure = [&](const PortError& error) {
        if (error.number != 0 && !error.inFlight()) {
            ports_.status->SetLeft(numberPrefix + QString::number(error.number));
            ports_.status->SetRight(QStringLiteral("エラーメッセージは ") + error.description);
        }
    };
    if (firstLevel == 0 && secondLevel == 0) {
        // An off is never held back: past the board's silence gate, one frame per coil with the plain
        // response time-out, and no retry limit either, since an axis whose off was not answered is sent
        // it again at every measurement until the module has taken it. A coil that timed out ends this
        // attempt: a dead module must not hold the program for the time-out of every coil in turn.
        for (int bit : bits) {
            if (const auto error = ports_.board->WriteOutputBitOnce(6, bit, 0, 2 * OffTimeoutMs)) {
                showFailure(*error);
                return false;
            }
        }
        return true;
    }
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
        if (error->inFlight()) {
            // Handed to the board's own thread, the module's answer not in yet: no retry, nothing to
            // show; the measurement asks again.
            allTaken = false;
            ++next;
            continue;
        }
        ++failures;
        if (failures <= MaxRetries) {
            ports_.status->SetLeft(retryText);
            next = 0; // a retry writes both bits again, the first one included
            continue;
        }
        showFailure(*error);
        allTaken = false;
        ++next;
    }
    return allTaken;
}

bool RelayOutputs::RefusingOn() const {
    return ending_ || holds_ > 0 || EmergencyRelayStop::Engaged();
}

bool RelayOutputs::LeaseHeld(int axis) const {
    return !RefusingOn() && leaseOperation_[axis] == operation_ &&
           ports_.clock->MonotonicMs() < leaseUntilMs_[axis];
}

bool RelayOutputs::Grant(const Lease& lease, MotionWatch::Axis axis) {
    // Only a step of the operation now running, on an axis read since that operation began and not
    // blind since.
    if (RefusingOn() || !Current(lease) || !watch_ || watch_->Blind(axis) ||
        watch_->GoodReadings(axis) <= readingsAtStart_[axis])
        return false;
    leaseOperation_[axis] = operation_;
    leaseUntilMs_[axis] = ports_.clock->MonotonicMs() + LeaseMs;
    ArmExpiry();
    TellDeadman();
    return true;
}

bool RelayOutputs::Renew(const Lease& lease, MotionWatch::Axis axis) {
    return Grant(lease, axis);
}

void RelayOutputs::ArmExpiry() {
    // Only a lease still running is waited for: one that has run out is void (ExpireLeases), so the
    // timer never finds a due time in the past and never fires again and again for nothing.
    const std::int64_t now = ports_.clock->MonotonicMs();
    std::int64_t first = -1;
    for (int axis = 0; axis < 2; ++axis)
        if (leaseOperation_[axis] == operation_ && leaseUntilMs_[axis] > now &&
            (first < 0 || leaseUntilMs_[axis] < first))
            first = leaseUntilMs_[axis];
    if (first < 0 || !QCoreApplication::instance()) {
        expiry_.stop();
        return;
    }
    expiry_.start(static_cast<int>(std::min<std::int64_t>(first - now + 1, LeaseMs + 1)));
}

void RelayOutputs::ExpireLeases() {
    // A motor whose step stopped renewing its lease (a step parked or lost, readings that no longer
    // come) goes off here, and the operator learns why it stopped.
    QStringList stopped;
    if ((state_.piob4 != 0 || state_.piob5 != 0) && !LeaseHeld(MotionWatch::Azimuth)) {
        leaseOperation_[MotionWatch::Azimuth] = 0;
        StopAzimuth();
        stopped << QStringLiteral("水平");
    }
    if ((state_.piob6 != 0 || state_.piob7 != 0) && !LeaseHeld(MotionWatch::Elevation)) {
        leaseOperation_[MotionWatch::Elevation] = 0;
        StopElevation();
        stopped << QStringLiteral("仰角");
    }
    // A lease that ran out with its motor already off is void as well: its step must take a new one.
    for (int axis = 0; axis < 2; ++axis)
        if (!LeaseHeld(axis))
            leaseOperation_[axis] = 0;
    if (!stopped.isEmpty()) {
        ShowRelayIndicators();
        const QString names = stopped.join(QStringLiteral("・"));
        if (OffUnconfirmed())
            ports_.status->SetLeft(
                QStringLiteral("4.%1の制御が途絶えたため、%1のリレーを切る指令を送っています").arg(names));
        SayWhenConfirmed(QStringLiteral("4.%1の制御が途絶えたため、%1のリレーを切りました").arg(names));
    }
    ArmExpiry();
}

void RelayOutputs::VoidLeases() {
    ++operation_;
    for (int axis = 0; axis < 2; ++axis) {
        leaseOperation_[axis] = 0;
        readingsAtStart_[axis] = watch_ ? watch_->GoodReadings(static_cast<MotionWatch::Axis>(axis)) : 0;
    }
    expiry_.stop();
}

void RelayOutputs::RevokeLeases(bool writeAll) {
    VoidLeases();
    if (writeAll || MayBeOn())
        SwitchAllOff();
}

void RelayOutputs::ResendUnconfirmed() {
    // Taking turns, and no further after a write that failed, so that a module that does not answer
    // costs one time-out here, not one per axis.
    for (int turn = 0; turn < 2; ++turn) {
        const int axis = (nextResend_ + turn) % 2;
        if (!uncertain_[axis])
            continue;
        axis == 0 ? OutputAzimuthRelays() : OutputElevationRelays();
        if (uncertain_[axis]) {
            nextResend_ = (axis + 1) % 2;
            break;
        }
    }
    SayIfConfirmed();
}

void RelayOutputs::SayWhenConfirmed(const QString& text) {
    confirmedText_ = text;
    SayIfConfirmed();
}

void RelayOutputs::SayIfConfirmed() {
    if (confirmedText_.isEmpty() || OffUnconfirmed())
        return;
    ports_.status->SetLeft(confirmedText_);
    confirmedText_.clear();
}

void RelayOutputs::OutputAzimuthRelays() {
    OutputAxisRelays(MotionWatch::Azimuth, state_.piob4, state_.piob5);
}

void RelayOutputs::OutputElevationRelays() {
    OutputAxisRelays(MotionWatch::Elevation, state_.piob6, state_.piob7);
}

void RelayOutputs::OutputAxisRelays(MotionWatch::Axis axis, OwnedBy<std::int16_t, RelayOutputs>& first,
                                    OwnedBy<std::int16_t, RelayOutputs>& second) {
    const bool azimuth = axis == MotionWatch::Azimuth;
    if (RefusingOn() || !LeaseHeld(axis) || (azimuth && azimuthHeldOff_))
        first = second = 0;
    uncertain_[azimuth ? 0 : 1] = !OutputAxis(
        azimuth ? state_.AzimuthMotorText : state_.ElevationMotorText, azimuth ? 4 : 6, first != 0 ? 1 : 0,
        azimuth ? 5 : 7, second != 0 ? 1 : 0,
        azimuth ? QStringLiteral("1.水平制御のリトライを実行")
                : QStringLiteral("２.仰角制御のリトライを実行"),
        azimuth ? QStringLiteral("1.発生したエラーの番号は ") : QStringLiteral("2.発生したエラーの番号は "));
    TellDeadman();
    // The first relay of each pair drives the count up (right, up), the second down.
    if (watch_)
        watch_->MotorSwitched(axis, (first != 0 ? 1 : 0) - (second != 0 ? 1 : 0),
                              ports_.clock->MonotonicMs());
}

void RelayOutputs::TellDeadman() {
    if (!deadman_)
        return;
    // Only a relay the program holds on is watched: an off the module has not answered yet is sent
    // again by the measurement, and the deadman could reach that module no better.
    std::int64_t until = -1;
    const bool on[2] = {state_.piob4 != 0 || state_.piob5 != 0, state_.piob6 != 0 || state_.piob7 != 0};
    for (int axis = 0; axis < 2; ++axis)
        if (on[axis])
            until = std::max(until, leaseOperation_[axis] == operation_ ? leaseUntilMs_[axis] : 0);
    if (until < 0) {
        deadman_->AllOff();
        return;
    }
    const std::int64_t now = ports_.clock->MonotonicMs();
    deadman_->ExpectWordWithin(static_cast<int>(std::max<std::int64_t>(0, until - now)) + DeadmanMarginMs);
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
    if (ending_) {
        WriteAllOffOnce();
        TellDeadman();
    } else {
        OutputAzimuthRelays();
        OutputElevationRelays();
    }
    ShowRelayIndicators();
}

void RelayOutputs::WriteAllOffOnce() {
    // No retries and no silence gate: one frame per coil, the four together within EndingAllOffMs, so
    // the end neither hangs on a dead board nor stays silent towards one that has just come back.
    struct Coil {
        MotionWatch::Axis axis;
        int bit;
    };
    std::vector<Coil> coils;
    if (state_.AzimuthMotorText == QLatin1String("1"))
        coils.insert(coils.end(), {{MotionWatch::Azimuth, 4}, {MotionWatch::Azimuth, 5}});
    if (state_.ElevationMotorText == QLatin1String("1"))
        coils.insert(coils.end(), {{MotionWatch::Elevation, 6}, {MotionWatch::Elevation, 7}});
    bool given[2] = {false, false};
    QElapsedTimer spent;
    spent.start();
    for (std::size_t i = 0; i < coils.size(); ++i) {
        const std::int64_t left = EndingAllOffMs - spent.elapsed();
        const int share = static_cast<int>(left / static_cast<std::int64_t>(coils.size() - i));
        if (share <= 0 || ports_.board->WriteOutputBitOnce(6, coils[i].bit, 0, share))
            given[coils[i].axis] = true;
    }
    for (int axis = 0; axis < 2; ++axis) {
        uncertain_[axis] = given[axis];
        if (watch_)
            watch_->MotorSwitched(static_cast<MotionWatch::Axis>(axis), 0, ports_.clock->MonotonicMs());
    }
}

bool RelayOutputs::TurnLeft(const Lease& lease) {
    const bool granted = Grant(lease, MotionWatch::Azimuth);
    state_.piob4 = 0;
    state_.piob5 = granted ? 1 : 0;
    OutputAzimuthRelays();
    return granted;
}

bool RelayOutputs::TurnRight(const Lease& lease) {
    const bool granted = Grant(lease, MotionWatch::Azimuth);
    state_.piob4 = granted ? 1 : 0;
    state_.piob5 = 0;
    OutputAzimuthRelays();
    return granted;
}

void RelayOutputs::StopAzimuth() {
    state_.piob4 = 0;
    state_.piob5 = 0;
    OutputAzimuthRelays();
}

bool RelayOutputs::MoveUp(const Lease& lease) {
    const bool granted = Grant(lease, MotionWatch::Elevation);
    state_.piob6 = granted ? 1 : 0;
    state_.piob7 = 0;
    OutputElevationRelays();
    return granted;
}

bool RelayOutputs::MoveDown(const Lease& lease) {
    const bool granted = Grant(lease, MotionWatch::Elevation);
    state_.piob6 = 0;
    state_.piob7 = granted ? 1 : 0;
    OutputElevationRelays();
    return granted;
}

void RelayOutputs::StopElevation() {
    state_.piob6 = 0;
    state_.piob7 = 0;
    OutputElevationRelays();
}

void RelayOutputs::PauseAxis(MotionWatch::Axis axis) {
    if (axis == MotionWatch::Azimuth) {
        state_.sv_piob4 = state_.piob4;
        state_.sv_piob5 = state_.piob5;
        StopAzimuth();
    } else {
        state_.sv_piob6 = state_.piob6;
        state_.sv_piob7 = state_.piob7;
        StopElevation();
    }
}

void RelayOutputs::ResumeAzimuth() {
    azimuthHeldOff_ = false;
    state_.piob4 = state_.sv_piob4;
    state_.piob5 = state_.sv_piob5;
    OutputAzimuthRelays();
    state_.sv_piob4 = 0;
    state_.sv_piob5 = 0;
}

bool RelayOutputs::AllOff() const {
    return state_.piob4 == 0 && state_.piob5 == 0 && state_.piob6 == 0 && state_.piob7 == 0;
}

bool RelayOutputs::MayBeOn() const {
    return !AllOff() || OffUnconfirmed();
}

void RelayOutputs::BeginEnding() {
    // Latched first: whatever runs while the all-off below waits on the board stays off too.
    ending_ = true;
    VoidLeases();
    SwitchAllOff();
}

void RelayOutputs::BeginHoldOff() {
    ++holds_;
    RevokeLeases();
}

void RelayOutputs::EndHoldOff() {
    if (holds_ > 0)
        --holds_;
}
