// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracking/TrackingCycle.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

#include "common/Clock.h"
#include "common/MainState.h"
#include "common/NumberText.h"
#include "common/Ports.h"
#include "common/StartPoint.h"
#include "common/StatusLine.h"
#include "links/DdeLinks.h"
#include "rotator/RotatorControl.h"
#include "skymap/SkyMapMarks.h"
#include "skymap/SkyMapPainter.h"
#include "skymap/SkyProjection.h"
#include "tracking/TrackingRules.h"
#include "tracking/TrackingView.h"
#include "tracking/VisibilityCue.h"

namespace {

// The relay pair (increasing direction, decreasing direction) that drives an axis back into its range.
std::pair<std::int16_t, std::int16_t> ReturnRelays(RangeSide side) {
    switch (side) {
    case RangeSide::Above:
        return {0, 1};
    case RangeSide::Below:
        return {1, 0};
    case RangeSide::Inside:
        break;
    }
    return {0, 0};
}

// Clears a flag when the scope ends, however it ends.
struct RunningFlag {
    explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~RunningFlag() { flag_ = false; }
    bool& flag_;
};

} // namespace

TrackingCycle::TrackingCycle(MainState& state, Ports& ports, DdeLinks& links, RotatorControl& rotator,
                             SkyMapPainter& painter, TrackingView& view)
    : state_(state), ports_(ports), links_(links), rotator_(rotator), painter_(painter), view_(view) {
    answerWait_.setSingleShot(true);
    answerWait_.setInterval(AnswerWaitMs);
    QObject::connect(&answerWait_, &QTimer::timeout, [this] { AnswerWaitOver(); });
}

QString TrackingCycle::LostText(const QString& server) {
    return QStringLiteral("5.%1の応答がありません。前回の値のままです").arg(server);
}

QString TrackingCycle::RestoredText(const QString& server) {
    return QStringLiteral("5.%1の応答が戻りました").arg(server);
}

QString TrackingCycle::StoppedText(const QString& server) {
    return QStringLiteral("5.%1の応答がないため自動追尾を停止しました").arg(server);
}

TrackingCycle::Report TrackingCycle::Timer1_Timer() {
    // The wait's own timer ends it; should that timer ever be held up, the next tick does.
    if (awaiting_ && ports_.clock->MonotonicMs() - awaitStartMs_ >= AnswerWaitMs)
        AnswerWaitOver();
    if (running_ || awaiting_)
        return {};
    if (inFlight_ && ports_.clock->MonotonicMs() - inFlightSinceMs_ >= AbandonBatchMs)
        inFlight_ = false;
    if (!inFlight_ && watch_.ShouldRequest(ports_.clock->MonotonicMs())) {
        SendRequests();
        // A silent server is asked again, but not waited for.
        if (inFlight_ && !watch_.Silent()) {
            awaiting_ = true;
            awaitStartMs_ = ports_.clock->MonotonicMs();
            answerWait_.start();
            Report report;
            report.ran = true;
            report.waitingForAnswers = true;
            return report;
        }
    }
    return RunCycle();
}

void TrackingCycle::SendRequests() {
    inFlight_ = true;
    inFlightSinceMs_ = ports_.clock->MonotonicMs();
    const std::uint64_t batch = ++batchNumber_;
    const std::weak_ptr<int> alive = alive_;
    links_.RequestDdeFields([this, alive, batch](DataLink::BatchAnswer answer) {
        if (!alive.expired())
            AnswersIn(batch, std::move(answer));
    });
}

void TrackingCycle::AnswersIn(std::uint64_t batch, DataLink::BatchAnswer answer) {
    if (batch != batchNumber_)
        return; // given up on long ago
    inFlight_ = false;
    // A failure is told at once; answers count (and a silence ends) only once a cycle uses them, so
    // the status line never says the server is back while the boxes still show the old values.
    if (answer.error)
        RecordOutcome(answer.error);
    else
        fresh_ = std::move(answer);
    if (!awaiting_)
        return;
    awaiting_ = false;
    answerWait_.stop();
    if (view_.CycleTimerRunning())
        RunCycle();
}

void TrackingCycle::AnswerWaitOver() {
    if (!awaiting_)
        return;
    awaiting_ = false;
    answerWait_.stop();
    RecordOutcome(PortError{
        DataLinkWatch::NoAnswerError,
        QStringLiteral("%1 did not answer within %2 s").arg(links_.ServerName()).arg(AnswerWaitMs / 1000.0)});
    if (view_.CycleTimerRunning())
        RunCycle();
}

void TrackingCycle::RecordOutcome(const std::optional<PortError>& error) {
    switch (watch_.Record(ports_.clock->MonotonicMs(), !error)) {
    case DataLinkWatch::Change::Lost:
        ports_.status->SetLeft(LostText(links_.ServerName()));
        ports_.status->SetRight(QStringLiteral("エラーメッセージは ") + error->description);
        break;
    case DataLinkWatch::Change::Restored:
        ports_.status->SetLeft(RestoredText(links_.ServerName()));
        ports_.status->SetRight(QString());
        break;
    case DataLinkWatch::Change::None:
        break;
    }
}

TrackingCycle::Report TrackingCycle::RunCycle() {
    Report report;
    if (running_)
        return report;
    RunningFlag flag(running_);
    report.ran = true;

    // 1: fresh values, or the last ones while the server is silent.
    report.refreshed = Refresh();
    StopStaleTracking(report);

    // 2-5: the target and its display.
    TakeTarget();
    FollowPassPlan(report.refreshed);
    ShowTarget();

    // 6: the raw values just received become readable numbers. Only fresh values are rewritten:
    // range and range rate are divided by 1000 on the way.
    if (report.refreshed)
        FormatInformationBoxes(state_.DataBox);
    view_.ShowDataBoxes();

    // 7: the target's map point, in the compass frame.
    const double a = CompassTargetAzimuth();
    const double x = SkyPlotX(a, state_.TargetElevation) + state_.MapCentreX;
    const double y = SkyPlotY(a, state_.TargetElevation) + state_.MapCentreY;
    report.targetPoint = QPointF(x, y);

    // 8-9: the map, the antenna and the target mark.
    ClearAndDrawSkyMap(painter_, state_);
    PositionAndMark(x, y, report);

    // 10-11.
    PlayVisibilityCue(state_, *ports_.sound);
    ShowClocks();
    last_ = report;
    ++cyclesRun_;
    return report;
}

bool TrackingCycle::Refresh() {
    if (!fresh_)
        return false;
    const DataLink::BatchAnswer answer = std::move(*fresh_);
    fresh_.reset();
    const DdeLinks::RefreshResult result = links_.ApplyDdeFields(answer, view_.SelectedOption());
    RecordOutcome(result.error);
    if (result.error)
        return false;
    if (result.receivedTargetAzimuth)
        ReceivedTargetAzimuth = *result.receivedTargetAzimuth;
    return true;
}

void TrackingCycle::StopStaleTracking(Report& report) {
    // Following a target that no longer moves is not tracking: stop the motors and say so.
    if (state_.OperatingMode != RunMode::Automatic || !watch_.DataStale(ports_.clock->MonotonicMs()))
        return;
    view_.AbortOperation();
    rotator_.relays.RevokeLeases(true);
    state_.OperatingMode = RunMode::Stopped;
    ports_.status->SetLeft(StoppedText(links_.ServerName()));
    report.trackingStopped = true;
}

void TrackingCycle::TakeTarget() {
    const auto choice = TargetOfOption(view_.SelectedOption(), state_);
    if (!choice)
        return;
    MoveTarget(state_, choice->name, LeadingNumber(state_.DataBox[choice->azimuthBox]),
               LeadingNumber(state_.DataBox[choice->elevationBox]));
    view_.ShowTargetName(choice->name);
}

void TrackingCycle::MoveTarget(MainState& state, const QString& name, double azimuth, double elevation) {
    state.TargetName = name;
    state.PreviousTargetAzimuth = state.TargetAzimuth;
    state.PreviousTargetElevation = state.TargetElevation;
    state.TargetAzimuth = azimuth;
    state.TargetElevation = elevation;
}

void TrackingCycle::FollowPassPlan(bool refreshed) {
    if (refreshed)
        state_.planned.takenAtMs = ports_.clock->MonotonicMs();
    // Pass plans (section TRACKING) are made for the satellite only, and only when an option asks.
    if (!state_.tracking.AnySet() || view_.SelectedOption() != 1) {
        if (state_.planned.active)
            passTargets_.Clear(state_);
        return;
    }
    const double compass = CompassTargetAzimuth();
    if (const auto text = passTargets_.Apply(state_, state_.TargetName, PositionsUnixSeconds(), compass,
                                             state_.TargetElevation, refreshed))
        ports_.status->SetLeft(*text);
}

double TrackingCycle::PositionsUnixSeconds() const {
    // Calsat32 sends the time of its positions (txtMJD); ORBI does not, and its positions are taken for
    // the computer's time (the plan checks that they agree).
    if (state_.UsingCalsat != 0) {
        bool ok = false;
        const double mjd = state_.DataBox[2].trimmed().toDouble(&ok);
        if (ok && mjd > 15020 && mjd < 100000) // 1900 .. 2132
            return (mjd - 40587) * 86400;
    }
    return ports_.clock->UtcNow().toMSecsSinceEpoch() / 1000.0;
}

double TrackingCycle::CompassTargetAzimuth() const {
    // With the south start point TargetAzimuth is a rotator azimuth; the served value is the compass one.
    return IsSouthStartPoint(state_.AzimuthStartPoint) ? ReceivedTargetAzimuth : state_.TargetAzimuth;
}

void TrackingCycle::ShowTarget() {
    const double shownAzimuth = CompassTargetAzimuth();
    if (state_.planned.active) {
        // The compass direction first; the rotator's angles beside it where the plan turned them.
        const auto& p = state_.planned;
        QString azimuthText = TargetAngleText(shownAzimuth),
                elevationText = TargetAngleText(state_.TargetElevation);
        if (std::abs(p.azimuth - state_.TargetAzimuth) > 0.005)
            azimuthText += QStringLiteral(" (%1)").arg(TargetAngleText(p.azimuth));
        if (std::abs(p.elevation - state_.TargetElevation) > 0.005)
            elevationText += QStringLiteral(" (%1)").arg(TargetAngleText(p.elevation));
        view_.ShowTargetAngles(azimuthText, elevationText);
    } else {
        view_.ShowTargetAngles(TargetAngleText(shownAzimuth), TargetAngleText(state_.TargetElevation));
    }
    view_.ShowTargetVisibility(AboveHorizon(state_.TargetAzimuth, state_.TargetElevation));
    const int bodies[3][2] = {{12, 13}, {14, 15}, {18, 19}};
    for (const auto& pair : bodies) {
        const bool up =
            AboveHorizon(LeadingNumber(state_.DataBox[pair[0]]), LeadingNumber(state_.DataBox[pair[1]]));
        view_.ShowBodyVisibility(pair[0], pair[1], up);
    }
}

void TrackingCycle::PositionAndMark(double x, double y, Report& report) {
    if (state_.StartupState != 0) {
        // Nothing is followed before the antenna is known to be inside its range.
        state_.OperatingMode = RunMode::Stopped;
        rotator_.PositionAntenna([this] {
            ReturnIntoRange();
            RecordPass();
        });
        return;
    }
    if (state_.TargetElevation >= 0) {
        painter_.DrawTargetMark(x, y);
        rotator_.PositionAntenna([this, x, y] {
            // Drawn again so the antenna mark does not hide it.
            painter_.DrawTargetMark(x, y);
            DrawCelestialMarks(painter_, state_);
            RecordPass();
        });
        report.targetMarkDrawn = true;
        return;
    }
    rotator_.PositionAntenna([this] { RecordPass(); });
}

void TrackingCycle::RecordPass() {
    // The antenna as just measured against the target, on the time the positions are served for.
    const auto served = QDateTime::fromMSecsSinceEpoch(std::llround(PositionsUnixSeconds() * 1000), Qt::UTC);
    if (const auto text = passRecorder_.Observe(
            ObservePass(state_, view_.SelectedOption(), CompassTargetAzimuth(), *ports_.clock, served)))
        ports_.status->SetLeft(*text);
}

void TrackingCycle::ShowClocks() {
    view_.ShowClocks(UtcClockText(ports_.clock->UtcNow()), LocalClockText(ports_.clock->LocalNow()));
}

void TrackingCycle::ReturnIntoRange() {
    if (state_.StartupState == 0) {
        view_.SetCommandButtonsReady(true);
        return;
    }
    if (state_.StartupState == 1) {
        view_.SetCommandButtonsReady(false);
        state_.StartupState = 2;
        // Not known to be inside until read: an axis not read yet counts as still returning.
        state_.AzimuthReturning = state_.ElevationReturning = 1;
        // One lease for the whole return: a stop meanwhile (a finding, a box, the settings dialog)
        // ends the return's drive; the dialog's close starts a fresh return.
        returnLease_ = rotator_.relays.TakeLease();
        DriveBackIntoRange(MotionWatch::Azimuth, true);
        DriveBackIntoRange(MotionWatch::Elevation, true);
        rotator_.ShowRelayIndicators();
    }

    if (state_.AzimuthReturning == 1 || state_.ElevationReturning == 1) {
        rotator_.PositionAntenna([this] {
            // The return may have been ended or begun afresh while the readings came in.
            if (state_.StartupState != 2)
                return;
            DriveBackIntoRange(MotionWatch::Azimuth, false);
            DriveBackIntoRange(MotionWatch::Elevation, false);
            rotator_.ShowRelayIndicators();
        });
        return;
    }

    view_.SetCommandButtonsReady(true);
    state_.StartupState = 0;
}

void TrackingCycle::DriveBackIntoRange(MotionWatch::Axis axis, bool first) {
    // Nothing is decided on an axis that has not been read, or whose last read failed: a relay it has
    // runs on under its lease until that runs out.
    if (rotator_.watch.Blind(axis))
        return;
    const bool azimuth = axis == MotionWatch::Azimuth;
    // A rotator travelling past its operating range (section TRACKING) may stand there.
    const RangeSide side =
        azimuth
            ? AxisRangeSide(state_.PresentAzimuth, state_.AzimuthTolerance, state_.module.AzimuthRangeMin,
                            std::max(state_.module.AzimuthRangeMax, state_.tracking.azimuthTravelMax))
            : AxisRangeSide(state_.PresentElevation, state_.ElevationTolerance,
                            state_.module.ElevationRangeMin,
                            std::max(state_.module.ElevationRangeMax, state_.tracking.elevationTravelMax));
    std::int16_t& returning = azimuth ? state_.AzimuthReturning : state_.ElevationReturning;
    const std::int16_t increasing = azimuth ? state_.piob4 : state_.piob6;
    const std::int16_t decreasing = azimuth ? state_.piob5 : state_.piob7;
    RelayOutputs& relays = rotator_.relays;
    if (side == RangeSide::Inside) {
        if (first || increasing != 0 || decreasing != 0)
            azimuth ? relays.StopAzimuth() : relays.StopElevation();
        returning = 0;
        return;
    }
    returning = 1;
    // Decided afresh from every good reading: a start on a wrong angle is reversed at once.
    const auto [up, down] = ReturnRelays(side);
    if (increasing == up && decreasing == down) {
        relays.Renew(returnLease_, axis);
        return;
    }
    if (up != 0)
        azimuth ? relays.TurnRight(returnLease_) : relays.MoveUp(returnLease_);
    else
        azimuth ? relays.TurnLeft(returnLease_) : relays.MoveDown(returnLease_);
}

void TrackingCycle::ChooseTarget(int option) {
    state_.ApproachComplete = 0;
    if (const auto choice = TargetOfOption(option, state_))
        state_.TargetName = choice->name;
    state_.PreviousTargetElevation = -1;
    PlayVisibilityCue(state_, *ports_.sound);
}
