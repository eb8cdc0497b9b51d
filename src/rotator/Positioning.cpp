// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotator/Positioning.h"

#include "common/Clock.h"
#include "common/MainState.h"
#include "common/MessageSink.h"
#include "common/NoSatellite.h"
#include "common/NumberText.h"
#include "common/Ports.h"
#include "common/StatusLine.h"
#include "common/Waiter.h"
#include "rotator/BoardFailure.h"
#include "rotator/MotionWatch.h"
#include "rotator/OperationLog.h"
#include "rotator/RelayOutputs.h"
#include "rotator/RotatorView.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace {
const QColor PointedYellow{255, 255, 0};

// Margins of the approach: pulses only inside them.
constexpr double ManualNearMargin = 8;
constexpr double AutomaticNearMargin = 5;
constexpr double FallenBehindMargin = 8;

// Inside the dead band around the target.
bool WithinTolerance(double present, double tolerance, double target) {
    return !(present - tolerance > target) && !(present + tolerance < target);
}

// Outside the dead band, but no further from it than the margin.
bool WithinNearMargin(double present, double tolerance, double target, double margin) {
    return (present - tolerance > target && (present - tolerance) - target <= margin) ||
           (present + tolerance < target && target - (present + tolerance) <= margin);
}
} // namespace

Positioning::Positioning(MainState& state, Ports& ports, RotatorView& view, RelayOutputs& relays,
                         OperationLog& log, const MotionWatch& watch)
    : state_(state), ports_(ports), view_(view), relays_(relays), log_(log), watch_(watch) {
    phaseTimer_.setSingleShot(true);
    QObject::connect(&phaseTimer_, &QTimer::timeout, [this] { RunDuePhase(); });
}

bool Positioning::BeginStep() {
    if (stepRunning_)
        return false;
    stepRunning_ = true;
    return true;
}

void Positioning::RunStepPart(const std::function<void()>& part) {
    // The step is over once a part of it has scheduled no further phase, however the part ended.
    struct EndUnlessPending {
        Positioning& p;
        ~EndUnlessPending() {
            if (!p.phase_ && p.stepRunning_) {
                p.stepRunning_ = false;
                p.view_.PositioningStepEnded();
            }
        }
    } end{*this};
    part();
}

void Positioning::Then(double seconds, std::function<void()> phase) {
    const std::int64_t ms = std::llround(seconds * 1000.0);
    phase_ = Phase{ports_.clock->MonotonicMs() + ms, std::move(phase)};
    if (QCoreApplication::instance())
        phaseTimer_.start(static_cast<int>(ms));
}

std::optional<std::int64_t> Positioning::NextPhaseDueMs() const {
    if (!phase_)
        return std::nullopt;
    return phase_->dueMs;
}

void Positioning::RunDuePhase() {
    if (!phase_)
        return;
    const std::int64_t left = phase_->dueMs - ports_.clock->MonotonicMs();
    if (left > 0) {
        // Woken early (a timer's coarse rounding): wait for the rest.
        if (QCoreApplication::instance())
            phaseTimer_.start(static_cast<int>(left));
        return;
    }
    const std::function<void()> run = std::move(phase_->run);
    phase_.reset();
    try {
        RunStepPart(run);
    } catch (const BoardFailure& failure) {
        ShowRoutineError(*ports_.status, QStringLiteral("4."), failure.error());
    }
}

bool Positioning::AzimuthSeen() const {
    return !watch_.Blind(MotionWatch::Azimuth);
}

bool Positioning::ElevationSeen() const {
    return !watch_.Blind(MotionWatch::Elevation);
}

Positioning::WorkingTarget Positioning::Working(double azimuth, double elevation) {
    state_.AzimuthTempCorrection = view_.AzimuthSliderValue();
    state_.ElevationTempCorrection = view_.ElevationSliderValue();
    // Every aim (a plan's target, the flip's 180 - e, the lead's aim point, a pointed position) stays
    // inside the travel by the tolerance, so that the motor stops inside its dead band before the end
    // stop, never on it.
    const auto inside = [](double value, double limit, double tolerance) {
        const double margin = std::clamp(tolerance, 0.0, limit / 2);
        return std::clamp(value, margin, limit - margin);
    };
    const double T = inside(state_.AzimuthCorrection + azimuth + state_.AzimuthTempCorrection, AzimuthLimit(),
                            state_.AzimuthTolerance);
    const double U = inside(state_.ElevationCorrection + elevation + state_.ElevationTempCorrection,
                            ElevationLimit(), state_.ElevationTolerance);
    return {T, U};
}

double Positioning::AzimuthLimit() const {
    return std::max(360.0, state_.tracking.azimuthTravelMax);
}

double Positioning::ElevationLimit() const {
    return std::max(90.0, state_.tracking.elevationTravelMax);
}

Positioning::WorkingTarget Positioning::ManualTarget() {
    return Working(state_.PointedAzimuth, state_.PointedElevation);
}

Positioning::WorkingTarget Positioning::AutomaticTarget() {
    if (state_.tracking.lead)
        return LeadTarget();
    const auto& planned = state_.planned;
    if (planned.active)
        return Working(planned.azimuth, planned.elevation);
    return Working(state_.TargetAzimuth, state_.TargetElevation);
}

Positioning::TargetMotion Positioning::AutomaticMotion() const {
    const auto& p = state_.planned;
    if (p.active)
        return {p.azimuth, p.elevation, p.previousAzimuth, p.previousElevation};
    return {state_.TargetAzimuth, state_.TargetElevation, state_.PreviousTargetAzimuth,
            state_.PreviousTargetElevation};
}

// A rotator whose travel reaches past the operating range may use it up to the travel end.
bool Positioning::AzimuthInRange(double value) const {
    const double max = std::max(state_.module.AzimuthRangeMax, state_.tracking.azimuthTravelMax);
    return value >= state_.module.AzimuthRangeMin && value <= max;
}

bool Positioning::ElevationInRange(double value) const {
    const double max = std::max(state_.module.ElevationRangeMax, state_.tracking.elevationTravelMax);
    return value >= state_.module.ElevationRangeMin && value <= max;
}

void Positioning::AbortAll() {
    // Every relay written off, whatever the abort button did already; every lease void.
    relays_.RevokeLeases(true);
    state_.OperatingMode = RunMode::Stopped;
}

void Positioning::FinishManualOperation() {
    relays_.RevokeLeases();
    view_.FinishManualOperation();
    state_.PointMarkShown = 0;
    state_.OperatingMode = RunMode::Stopped;
}

bool Positioning::StillCurrent(const RelayOutputs::Lease& lease, RunMode mode) const {
    return relays_.Current(lease) && state_.OperatingMode == mode && state_.AbortRequested == 0;
}

void Positioning::RenewRunning(const RelayOutputs::Lease& lease) {
    if (AzimuthSeen() && (state_.piob4 != 0 || state_.piob5 != 0))
        relays_.Renew(lease, MotionWatch::Azimuth);
    if (ElevationSeen() && (state_.piob6 != 0 || state_.piob7 != 0))
        relays_.Renew(lease, MotionWatch::Elevation);
}

void Positioning::CheckOperatingRange() {
    if (state_.PointMarkShown == 1)
        view_.DrawPointedPositionMark(state_.PointMarkX, state_.PointMarkY, PointedYellow);
    const auto [T, U] = ManualTarget();
    if (!AzimuthInRange(T)) {
        ports_.messages->ShowMessage(QStringLiteral("水平角が稼動範囲外が指定された"));
        view_.Command4_Click();
        return;
    }
    // Only an axis that has been read is set going; one not read yet is taken up by the step that
    // follows its first good reading.
    const RelayOutputs::Lease lease = relays_.TakeLease();
    const double ta = state_.AzimuthTolerance, te = state_.ElevationTolerance;
    if (AzimuthSeen() && state_.PresentAzimuth - ta > T)
        relays_.TurnLeft(lease);
    if (AzimuthSeen() && state_.PresentAzimuth + ta < T)
        relays_.TurnRight(lease);
    if (ElevationInRange(U)) {
        if (ElevationSeen() && state_.PresentElevation - te > U)
            relays_.MoveDown(lease);
        if (ElevationSeen() && state_.PresentElevation + te < U)
            relays_.MoveUp(lease);
        relays_.ShowRelayIndicators();
    } else {
        ports_.messages->ShowMessage(QStringLiteral("仰角が稼動範囲外が指定された"));
        view_.Command4_Click();
    }
}

bool Positioning::StepMayGoOn() {
    AzimuthNear = 0;
    ElevationNear = 0;
    if (state_.AbortRequested == 1) {
        AbortAll();
        return false;
    }
    return true;
}

void Positioning::StopAzimuthInDeadBand(double T) {
    if (WithinTolerance(state_.PresentAzimuth, state_.AzimuthTolerance, T))
        relays_.StopAzimuth();
}

void Positioning::StopElevationInDeadBand(double U) {
    if (WithinTolerance(state_.PresentElevation, state_.ElevationTolerance, U))
        relays_.StopElevation();
}

void Positioning::StopAzimuthThatReached(double T) {
    const double ta = state_.AzimuthTolerance, a = state_.PresentAzimuth;
    if (state_.piob5 == 1 && a - ta <= T)
        relays_.StopAzimuth();
    if (state_.piob4 == 1 && a + ta >= T)
        relays_.StopAzimuth();
}

void Positioning::StopElevationThatReached(double U) {
    const double te = state_.ElevationTolerance, e = state_.PresentElevation;
    if (state_.piob7 == 1 && e - te <= U)
        relays_.StopElevation();
    if (state_.piob6 == 1 && e + te >= U)
        relays_.StopElevation();
}

void Positioning::ManualPositioningStep() {
    if (BeginStep())
        RunStepPart([this] { ManualStepStart(); });
}

void Positioning::ManualStepStart() {
    if (!StepMayGoOn())
        return;
    const RelayOutputs::Lease lease = relays_.TakeLease();
    const auto [T, U] = ManualTarget();
    const double ta = state_.AzimuthTolerance, te = state_.ElevationTolerance;
    log_.WriteLog(QStringLiteral("hkaku=") + LogNumberText(state_.PresentAzimuth) +
                  QStringLiteral(" h_gosa=") + LogNumberText(ta) + QStringLiteral("tp_m_hkaku=") +
                  LogNumberText(T));

    const double a = state_.PresentAzimuth, e = state_.PresentElevation;
    // An axis whose last reading failed is left as it is: its angle is not known.
    const bool azimuthSeen = AzimuthSeen(), elevationSeen = ElevationSeen();
    if (azimuthSeen)
        StopAzimuthInDeadBand(T);
    if (elevationSeen)
        StopElevationInDeadBand(U);
    if (state_.ScheduleRunning == 0 && ManualMoveSettled(T, U)) {
        FinishManualOperation();
        return;
    }
    relays_.ShowRelayIndicators();

    if (azimuthSeen && WithinNearMargin(a, ta, T, ManualNearMargin))
        AzimuthNear = 1;
    if (elevationSeen && WithinNearMargin(e, te, U, ManualNearMargin))
        ElevationNear = 1;
    // The move is over only when both axes are settled: an axis still short of its dead band gets its
    // pulse every step, and one that was stopped further off (an overrun) is set going again.
    RenewRunning(lease);
    const double targetT = T, targetU = U;
    if (AzimuthNear == 1 || ElevationNear == 1 || AxisStoppedShort(T, U)) {
        // After the pulse: a stop meanwhile ended this step's part.
        InchToPointedPosition(lease, [this, lease, targetT, targetU] {
            if (StillCurrent(lease, RunMode::Manual))
                ManualStepEnd(lease, targetT, targetU);
        });
        return;
    }
    ManualStepEnd(lease, targetT, targetU);
}

void Positioning::ManualStepEnd(const RelayOutputs::Lease& lease, double T, double U) {
    // The pulse ran; the antenna may have been measured again meanwhile.
    if (AzimuthSeen())
        StopAzimuthThatReached(T);
    if (ElevationSeen())
        StopElevationThatReached(U);
    if (state_.ScheduleRunning == 0 && ManualMoveSettled(T, U)) {
        FinishManualOperation();
        return;
    }
    RenewRunning(lease);
    relays_.ShowRelayIndicators();
}

bool Positioning::ManualMoveSettled(double T, double U) const {
    // A write given up may have left a relay on: not settled until the board has taken the off.
    if (relays_.MayBeOn())
        return false;
    // A target outside its range is never driven to, so that axis is done once it is off. Otherwise the
    // axis is judged on a reading taken with its motor at rest: one taken during a pulse is not where
    // the pulse left it.
    const bool azimuthDone =
        !AzimuthInRange(T) || (watch_.StandingSinceReading(MotionWatch::Azimuth) &&
                               WithinTolerance(state_.PresentAzimuth, state_.AzimuthTolerance, T));
    const bool elevationDone =
        !ElevationInRange(U) || (watch_.StandingSinceReading(MotionWatch::Elevation) &&
                                 WithinTolerance(state_.PresentElevation, state_.ElevationTolerance, U));
    return azimuthDone && elevationDone;
}

bool Positioning::AxisStoppedShort(double T, double U) const {
    const bool azimuthShort = AzimuthSeen() && AzimuthInRange(T) && state_.piob4 == 0 && state_.piob5 == 0 &&
                              !WithinTolerance(state_.PresentAzimuth, state_.AzimuthTolerance, T);
    const bool elevationShort = ElevationSeen() && ElevationInRange(U) && state_.piob6 == 0 &&
                                state_.piob7 == 0 &&
                                !WithinTolerance(state_.PresentElevation, state_.ElevationTolerance, U);
    return azimuthShort || elevationShort;
}

void Positioning::InchToPointedPosition(const RelayOutputs::Lease& lease, std::function<void()> then) {
    if (state_.OperatingMode != RunMode::Manual)
        return;
    if (state_.PointMarkShown == 1)
        view_.DrawPointedPositionMark(state_.PointMarkX, state_.PointMarkY, PointedYellow);
    const auto [T, U] = ManualTarget();
    const double ta = state_.AzimuthTolerance, te = state_.ElevationTolerance;
    const double a = state_.PresentAzimuth, e = state_.PresentElevation;
    const bool azimuthSeen = AzimuthSeen(), elevationSeen = ElevationSeen();
    bool azimuthSet = false, elevationSet = false;
    if (azimuthSeen && a - ta > T) {
        if (AzimuthInRange(T))
            relays_.TurnLeft(lease);
        else
            relays_.StopAzimuth();
        azimuthSet = true;
    }
    if (azimuthSeen && a + ta < T) {
        if (AzimuthInRange(T))
            relays_.TurnRight(lease);
        else
            relays_.StopAzimuth();
        azimuthSet = true;
    }
    if (elevationSeen && e - te > U) {
        if (ElevationInRange(U))
            relays_.MoveDown(lease);
        else
            relays_.StopElevation();
        elevationSet = true;
    }
    if (elevationSeen && e + te < U) {
        if (ElevationInRange(U))
            relays_.MoveUp(lease);
        else
            relays_.StopElevation();
        elevationSet = true;
    }
    relays_.ShowRelayIndicators();
    // The pulse: 0.15 s on, then the axes near their target stop and rest 0.3 s.
    Then(PulseOnSeconds, [this, lease, azimuthSet, elevationSet, then = std::move(then)] {
        // Whatever ran during the pulse (an abort, a box, the end) decides first.
        if (!StillCurrent(lease, RunMode::Manual))
            return;
        if (azimuthSet && AzimuthNear == 1)
            relays_.StopAzimuth();
        if (elevationSet && ElevationNear == 1)
            relays_.StopElevation();
        relays_.ShowRelayIndicators();
        Then(PulseRestSeconds, then);
    });
}

void Positioning::StartAutoTracking() {
    StartAutoTracking(relays_.TakeLease());
}

void Positioning::StartAutoTracking(const RelayOutputs::Lease& lease) {
    if (state_.OperatingMode != RunMode::Automatic)
        return;
    // Plain variables, not a structured binding: the lambdas below capture them, which clang 14 refuses.
    const WorkingTarget target = AutomaticTarget();
    const double T = target.T, U = target.U;
    const double ta = state_.AzimuthTolerance, te = state_.ElevationTolerance;
    const double a = state_.PresentAzimuth, e = state_.PresentElevation;
    if (!AzimuthSeen()) {
        // Not known where the azimuth stands: nothing is decided for it.
    } else if (!AzimuthInRange(T)) {
        log_.StopAzimuthAndLog();
    } else {
        if (a - ta > T)
            relays_.TurnLeft(lease);
        if (a + ta < T)
            relays_.TurnRight(lease);
    }
    if (ElevationSeen() && ElevationInRange(U)) {
        if (e + te < U)
            relays_.MoveUp(lease);
        else if (e - te > U)
            relays_.MoveDown(lease);
        else
            log_.StopElevationAndLog();
    }
    relays_.ShowRelayIndicators();
}

void Positioning::MarkTargetPositioned() {
    state_.PositionedTargetName = state_.TargetName;
}

void Positioning::TrackingPositioningStep() {
    if (BeginStep())
        RunStepPart([this] { TrackingStepStart(); });
}

void Positioning::TrackingStepStart() {
    if (!StepMayGoOn() || RefuseUnconfiguredSatellite())
        return;
    if (state_.tracking.lead)
        NoteSpeeds();
    const RelayOutputs::Lease lease = relays_.TakeLease();
    const auto [T, U] = AutomaticTarget();
    const double ta = state_.AzimuthTolerance, te = state_.ElevationTolerance;
    const double a = state_.PresentAzimuth, e = state_.PresentElevation;

    // Each axis settled in turn: its dead band, then its overrun. An axis whose reading failed is left
    // as it is.
    const bool azimuthSeen = AzimuthSeen(), elevationSeen = ElevationSeen();
    if (azimuthSeen) {
        StopAzimuthInDeadBand(T);
        StopAzimuthThatReached(T);
    }
    if (elevationSeen) {
        StopElevationInDeadBand(U);
        StopElevationThatReached(U);
    }
    RenewRunning(lease);
    relays_.ShowRelayIndicators();

    if (relays_.AllOff()) {
        state_.ApproachComplete = 1;
        AzimuthNear = 1;
        ElevationNear = 1;
    }
    if (azimuthSeen && WithinNearMargin(a, ta, T, AutomaticNearMargin)) {
        state_.ApproachComplete = 1;
        AzimuthNear = 1;
    }
    if (elevationSeen && WithinNearMargin(e, te, U, AutomaticNearMargin)) {
        state_.ApproachComplete = 1;
        ElevationNear = 1;
    }
    if (state_.ApproachComplete == 1) {
        if (state_.PositionedTargetName != state_.TargetName) {
            state_.PositionedTargetName = state_.TargetName;
            state_.ApproachComplete = 0;
            StartAutoTracking(lease);
        } else {
            ContinueTracking(lease);
        }
    }
}

void Positioning::ContinueTracking() {
    if (BeginStep())
        RunStepPart([this] { ContinueTracking(relays_.TakeLease()); });
}

void Positioning::Attempt(const std::function<void()>& statement) {
    // Errors of the follow-up are shown and it goes on with its next statement.
    try {
        statement();
    } catch (const BoardFailure& failure) {
        ShowRoutineError(*ports_.status, QStringLiteral("4."), failure.error());
    }
}

void Positioning::ContinueTracking(const RelayOutputs::Lease& lease) {
    if (state_.OperatingMode != RunMode::Automatic)
        return;
    // Plain variables, not a structured binding: the lambdas below capture them, which clang 14 refuses.
    const WorkingTarget target = AutomaticTarget();
    const double T = target.T, U = target.U;
    const double ta = state_.AzimuthTolerance, te = state_.ElevationTolerance;
    const auto& range = state_.module;
    bool azimuthSet = false, elevationSet = false;

    const double a = state_.PresentAzimuth, e = state_.PresentElevation;
    bool azimuthSeen = AzimuthSeen(), elevationSeen = ElevationSeen();
    const bool lead = state_.tracking.lead;
    const bool azimuthWasOff = state_.piob4 == 0 && state_.piob5 == 0;
    const bool elevationWasOff = state_.piob6 == 0 && state_.piob7 == 0;
    // With the lead option an axis that ran since its last reading and stands now waits for a fresh
    // reading: the one there is shows it where it stood before it ran.
    if (lead && azimuthWasOff && !watch_.StandingSinceReading(MotionWatch::Azimuth))
        azimuthSeen = false;
    if (lead && elevationWasOff && !watch_.StandingSinceReading(MotionWatch::Elevation))
        elevationSeen = false;
    // With the lead option a turn is refused only at the end it turns towards, so an antenna parked
    // just inside an end can still leave it.
    const bool leftAllowed = lead ? a > range.AzimuthRangeMin : AzimuthInRange(a - ta);
    const bool rightAllowed =
        lead ? a < std::max(range.AzimuthRangeMax, state_.tracking.azimuthTravelMax) : AzimuthInRange(a - ta);
    const TargetMotion motion = AutomaticMotion();
    if (azimuthSeen && motion.azimuth <= motion.previousAzimuth && a - ta > T) {
        Attempt([&] {
            if (leftAllowed)
                relays_.TurnLeft(lease);
            else
                relays_.StopAzimuth();
        });
        azimuthSet = true;
    }
    if (azimuthSeen && motion.azimuth >= motion.previousAzimuth && a + ta < T) {
        // The range test of the right turn also uses a - ta.
        Attempt([&] {
            if (rightAllowed)
                relays_.TurnRight(lease);
            else
                relays_.StopAzimuth();
        });
        azimuthSet = true;
    }
    if (!elevationSeen) {
        // Not known where the elevation stands: nothing is decided for it.
    } else if (!ElevationInRange(U)) {
        Attempt([&] {
            if (e + te < range.ElevationRangeMin)
                relays_.MoveUp(lease);
            else if (e - te > range.ElevationRangeMax)
                relays_.MoveDown(lease);
            else
                log_.StopElevationAndLog();
        });
    } else {
        // A falling target is followed down, a rising one up; one that stands still either way. Only
        // one of the two decides: a target that stands still must not have its "down" undone by the
        // "up" side's stop.
        const bool falling = motion.elevation <= motion.previousElevation;
        const bool rising = motion.elevation >= motion.previousElevation;
        Attempt([&] {
            if (falling && e - te > U)
                relays_.MoveDown(lease);
            else if (rising && e + te < U)
                relays_.MoveUp(lease);
            else
                relays_.StopElevation();
        });
        elevationSet = true;
    }
    relays_.ShowRelayIndicators();
    // After the runs (lead) or the pulse: whatever ran meanwhile (an abort, rotctld's S, a box, the
    // settings dialog, the end) decides first, and a stopped operation is not taken up again from here.
    const double targetT = T, targetU = U;
    auto after = [this, lease, targetT, targetU] {
        if (StillCurrent(lease, RunMode::Automatic))
            FollowUpEnd(lease, targetT, targetU);
    };
    if (lead) {
        RunForAsLongAsNeeded(azimuthSet, elevationSet, T, U, azimuthWasOff, elevationWasOff,
                             std::move(after));
        return;
    }
    Then(PulseOnSeconds, [this, lease, azimuthSet, elevationSet, after = std::move(after)] {
        if (!StillCurrent(lease, RunMode::Automatic))
            return;
        if (azimuthSet && AzimuthNear == 1)
            Attempt([&] { relays_.StopAzimuth(); });
        if (elevationSet && ElevationNear == 1)
            Attempt([&] { relays_.StopElevation(); });
        relays_.ShowRelayIndicators();
        Then(PulseRestSeconds, after);
    });
}

void Positioning::FollowUpEnd(const RelayOutputs::Lease& lease, double T, double U) {
    RenewRunning(lease);
    const double ta = state_.AzimuthTolerance, te = state_.ElevationTolerance;

    // Fallen behind: start a fresh approach. Distances below the target use a - ta and e - te, and the
    // azimuth is not judged near the top of the scale.
    const double a = state_.PresentAzimuth, e = state_.PresentElevation;
    const bool azimuthSeen = AzimuthSeen(), elevationSeen = ElevationSeen();
    if ((azimuthSeen && T < 340 && a - ta > T && (a - ta) - T > FallenBehindMargin) ||
        (azimuthSeen && T < 340 && a + ta < T && T - (a - ta) > FallenBehindMargin) ||
        (elevationSeen && e - te > U && (e - te) - U > FallenBehindMargin) ||
        (elevationSeen && e + te < U && U - (e - te) > FallenBehindMargin))
        state_.PositionedTargetName = QString();
    if (state_.PositionedTargetName != state_.TargetName) {
        state_.PositionedTargetName = state_.TargetName;
        state_.ApproachComplete = 0;
        Attempt([&] { StartAutoTracking(lease); });
    }
}

void Positioning::Timer2_Timer() {
    try {
        if (state_.OperatingMode == RunMode::Manual)
            ManualPositioningStep();
        else if (state_.OperatingMode == RunMode::Automatic)
            TrackingPositioningStep();
    } catch (const BoardFailure& failure) {
        ShowRoutineError(*ports_.status, QStringLiteral("4."), failure.error());
    }
}

void Positioning::BeginAutoTracking() {
    try {
        StartAutoTracking();
    } catch (const BoardFailure& failure) {
        ShowRoutineError(*ports_.status, QStringLiteral("4."), failure.error());
    }
}

bool Positioning::RefuseUnconfiguredSatellite() {
    if (!IsNoSatelliteTarget(state_.TargetName))
        return false;
    // The data server has no satellite to give: its placeholder is no direction, nothing follows it.
    relays_.RevokeLeases();
    state_.OperatingMode = RunMode::Stopped;
    view_.Command4_Click();
    ports_.status->SetLeft(QStringLiteral("4.追跡する衛星が設定されていないため、自動追尾しません"));
    ports_.status->SetRight(
        QStringLiteral("azelmon-tracker の [TRACKER] 設定（TLE、SATELLITE）を確認してください"));
    return true;
}

void Positioning::EnterAutomaticMode() {
    if (RefuseUnconfiguredSatellite())
        return;
    state_.AbortRequested = 0;
    state_.OperatingMode = RunMode::Automatic;
    state_.PointMarkShown = 0;
    state_.ApproachComplete = 0;
    BeginAutoTracking();
}

Positioning::WorkingTarget Positioning::LeadTarget() {
    const std::int64_t taken = state_.planned.takenAtMs;
    // A target whose time is not known is taken to be half a cycle old.
    const double age = taken < 0 ? 0.5 : (ports_.clock->MonotonicMs() - taken) / 1000.0;
    const TargetMotion m = AutomaticMotion();
    const double azimuth = lead_.Aim(TrackingLead::Azimuth, m.azimuth, m.previousAzimuth,
                                     state_.PresentAzimuth, age, state_.AzimuthTolerance);
    const double elevation = lead_.Aim(TrackingLead::Elevation, m.elevation, m.previousElevation,
                                       state_.PresentElevation, age, state_.ElevationTolerance);
    return Working(azimuth, elevation);
}

void Positioning::NoteSpeeds() {
    const bool azimuthRuns = state_.piob4 == 1 || state_.piob5 == 1;
    const bool elevationRuns = state_.piob6 == 1 || state_.piob7 == 1;
    lead_.Reading(ports_.clock->MonotonicMs(), state_.PresentAzimuth, state_.PresentElevation,
                  azimuthRan_ && azimuthRuns, elevationRan_ && elevationRuns);
    azimuthRan_ = azimuthRuns;
    elevationRan_ = elevationRuns;
    state_.planned.azimuthSpeed =
        lead_.Measured(TrackingLead::Azimuth) ? lead_.Speed(TrackingLead::Azimuth) : 0.0;
}

void Positioning::RunForAsLongAsNeeded(bool azimuthSet, bool elevationSet, double T, double U,
                                       bool azimuthWasOff, bool elevationWasOff, std::function<void()> then) {
    // Each axis set going runs until it should stand at the centre of its dead band; one that needs
    // longer than a step keeps running and the next step judges it again on a fresh reading.
    const auto runFor = [&](bool set, bool running, TrackingLead::Axis axis, double present, double aim) {
        if (!set || !running)
            return -1.0;
        const double seconds = lead_.RunSeconds(axis, present, aim);
        return seconds > LongestRun ? -1.0 : std::max(ShortestRun, seconds);
    };
    const double azimuthRun = runFor(azimuthSet, state_.piob4 == 1 || state_.piob5 == 1,
                                     TrackingLead::Azimuth, state_.PresentAzimuth, T);
    const double elevationRun = runFor(elevationSet, state_.piob6 == 1 || state_.piob7 == 1,
                                       TrackingLead::Elevation, state_.PresentElevation, U);
    // A whole run from rest, read afterwards at rest, teaches the motor's speed.
    if (azimuthRun >= 0 && azimuthWasOff)
        lead_.Pulse(TrackingLead::Azimuth, state_.PresentAzimuth, azimuthRun);
    if (elevationRun >= 0 && elevationWasOff)
        lead_.Pulse(TrackingLead::Elevation, state_.PresentElevation, elevationRun);
    StopRunsInTurn({azimuthRun, elevationRun}, 0, std::move(then));
}

void Positioning::StopRunsInTurn(std::array<double, 2> runs, double elapsed, std::function<void()> then) {
    // The axis whose run ends first is stopped first; then a short rest before the step goes on.
    const bool azimuthNext = runs[0] >= 0 && (runs[1] < 0 || runs[0] <= runs[1]);
    const bool elevationNext = !azimuthNext && runs[1] >= 0;
    if (!azimuthNext && !elevationNext) {
        Then(ShortestRun, std::move(then));
        return;
    }
    const int axis = azimuthNext ? 0 : 1;
    const double until = runs[axis];
    Then(std::max(0.0, until - elapsed), [this, runs, axis, until, then = std::move(then)]() mutable {
        // A stop that fails is shown and the other axis is still stopped in its time.
        Attempt([&] { axis == 0 ? relays_.StopAzimuth() : relays_.StopElevation(); });
        relays_.ShowRelayIndicators();
        runs[axis] = -1;
        StopRunsInTurn(runs, until, std::move(then));
    });
}
