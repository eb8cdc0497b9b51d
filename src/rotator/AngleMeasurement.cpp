// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotator/AngleMeasurement.h"

#include "common/Clock.h"
#include "common/IoBoard.h"
#include "common/MainState.h"
#include "common/MessageSink.h"
#include "common/NumberFormat.h"
#include "common/NumberText.h"
#include "common/Ports.h"
#include "common/StartPoint.h"
#include "rotator/BoardFailure.h"
#include "rotator/OperationLog.h"
#include "rotator/Positioning.h"
#include "rotator/RelayOutputs.h"
#include "rotator/RotatorView.h"

#include <QCoreApplication>
#include <cmath>
#include <optional>
#include <utility>

const QString AngleMeasurement::AzimuthCalibrationMessage = QStringLiteral(
    "水平ローテータの設定値がゼロになっています。azelmon.iniファイルを削除して設定からしなおしてください。");
const QString AngleMeasurement::ElevationCalibrationMessage = QStringLiteral(
    "垂直ローテータの設定値がゼロになっています。azelmon.iniファイルを削除して設定からしなおしてください。");

namespace {
const QColor PointedOlive{150, 155, 0};
} // namespace

AngleMeasurement::AngleMeasurement(MainState& state, Ports& ports, RotatorView& view, RelayOutputs& relays,
                                   OperationLog& log, Positioning& positioning, MotionWatch& watch)
    : state_(state), ports_(ports), view_(view), relays_(relays), log_(log), positioning_(positioning),
      watch_(watch) {
    quietTimer_.setSingleShot(true);
    QObject::connect(&quietTimer_, &QTimer::timeout, [this] { FinishQuietReading(); });
    readingTimer_.setSingleShot(true);
    QObject::connect(&readingTimer_, &QTimer::timeout, [this] { ReadingsIn(); });
}

AngleMeasurement::~AngleMeasurement() {
    if (awaitingReadings_)
        ports_.board->CancelReadings();
}

std::optional<std::int64_t> AngleMeasurement::QuietReadingDueMs() const {
    return quietDueMs_;
}

void AngleMeasurement::FinishQuietReading() {
    if (!quietDueMs_)
        return;
    quietDueMs_.reset();
    quietTimer_.stop();
    StartMeasuring(true);
}

void AngleMeasurement::StartMeasuring(bool quietReading) {
    const bool in = !QCoreApplication::instance() || ports_.board->PrepareReadings([this] {
        QMetaObject::invokeMethod(
            &readingTimer_, [this] { ReadingsIn(); }, Qt::QueuedConnection);
    });
    awaitingReadings_ = true;
    awaitedQuiet_ = quietReading;
    if (in)
        ReadingsIn();
    else
        readingTimer_.start(ReadingWaitMs);
}

void AngleMeasurement::ReadingsIn() {
    if (!awaitingReadings_)
        return;
    awaitingReadings_ = false;
    readingTimer_.stop();
    Measure(awaitedQuiet_);
    if (auto then = std::exchange(then_, nullptr))
        then();
}

QString AngleMeasurement::FindingText(MotionWatch::Axis axis, const MotionWatch::Finding& finding) {
    const QString name = axis == MotionWatch::Azimuth ? QStringLiteral("水平") : QStringLiteral("仰角");
    switch (finding.fault) {
    case MotionWatch::Fault::ReadsFailing:
        return QStringLiteral("3.%1の角度が%2秒間読めないため、全リレーを切り運転を停止しました")
            .arg(name)
            .arg(finding.failingMs / 1000.0, 0, 'f', 1);
    case MotionWatch::Fault::Stalled:
        return QStringLiteral("6.%1ローテータが動きません（%2秒間で%3度）。全リレーを切り運転を停止しました")
            .arg(name)
            .arg(finding.onMs / 1000.0, 0, 'f', 1)
            .arg(finding.moved, 0, 'f', 1);
    case MotionWatch::Fault::SensorAtEnd:
        return QStringLiteral("6.%1の位置センサーが振り切れています（%2）。全リレーを切り運転を停止しました")
            .arg(name)
            .arg(finding.count);
    case MotionWatch::Fault::WrongWay:
        return QStringLiteral(
                   "6.%1ローテータが目標と逆の方向に動いています（%2秒間で%3度）。全リレーを切り運転を停止し"
                   "ました")
            .arg(name)
            .arg(finding.onMs / 1000.0, 0, 'f', 1)
            .arg(finding.moved, 0, 'f', 1);
    case MotionWatch::Fault::None:
        break;
    }
    return QString();
}

QString AngleMeasurement::PendingOffText(const QString& findingText) {
    QString text = findingText;
    return text.replace(QStringLiteral("全リレーを切り運転を停止しました"),
                        QStringLiteral("運転を停止しました。全リレーを切る指令を送っています"));
}

QString AngleMeasurement::FindingAdvice(const MotionWatch::Finding& finding) {
    switch (finding.fault) {
    case MotionWatch::Fault::Stalled:
        return QStringLiteral("ローテータ・モーター・リレー・ポテンショメータの配線を点検してください");
    case MotionWatch::Fault::SensorAtEnd:
        return QStringLiteral("ポテンショメータとその配線、稼動範囲の端を点検してください");
    case MotionWatch::Fault::WrongWay:
        return QStringLiteral(
            "リレー・モーターの配線（向きの入れ違い）、または校正値の向きを点検してください");
    case MotionWatch::Fault::ReadsFailing:
    case MotionWatch::Fault::None:
        break;
    }
    return QString();
}

bool AngleMeasurement::StopForFinding(MotionWatch::Axis axis, const MotionWatch::Finding& finding) {
    if (finding.fault == MotionWatch::Fault::None)
        return false;
    // A relay whose write was given up counts as running.
    const bool running =
        state_.OperatingMode != RunMode::Stopped || state_.ScheduleRunning != 0 || relays_.MayBeOn();
    // Reads that fail while nothing moves stop nothing; the read errors are on the status line already.
    if (finding.fault == MotionWatch::Fault::ReadsFailing && !running)
        return false;
    relays_.RevokeLeases(true);
    // Buttons back to idle and the schedule ended, as the abort button does; during the start-up
    // return the buttons stay disabled, since the antenna is not known to be inside its range.
    if (state_.StartupState == 0 && (state_.OperatingMode != RunMode::Stopped || state_.ScheduleRunning != 0))
        view_.Command4_Click();
    state_.OperatingMode = RunMode::Stopped;
    // The relays are said to be off only once the module has taken the off; until then the status
    // line says it is being sent.
    if (relays_.MayBeOn())
        ports_.status->SetLeft(PendingOffText(FindingText(axis, finding)));
    relays_.SayWhenConfirmed(FindingText(axis, finding));
    ports_.status->SetRight(finding.fault == MotionWatch::Fault::ReadsFailing
                                ? QStringLiteral("エラーメッセージは ") + lastReadError_[axis]
                                : FindingAdvice(finding));
    watch_.Restart(ports_.clock->MonotonicMs());
    // Driven away from its target: the operator must look at the wiring before anything runs again.
    // The box comes through the relay-safe path, every relay held off while it is up.
    if (finding.fault == MotionWatch::Fault::WrongWay)
        ports_.messages->ShowMessage(WrongWayMessage(axis));
    return true;
}

QString AngleMeasurement::WrongWayMessage(MotionWatch::Axis axis) {
    return axis == MotionWatch::Azimuth
               ? QStringLiteral(
                     "水平ローテータが目標と逆の方向に回りました。全リレーを切り運転を停止しました。\n"
                     "右回転・左回転のリレーとモーターの配線が入れ違っていないか、"
                     "校正値（HVOLT0・HVOLT360）の向きが逆でないかを点検してください。")
               : QStringLiteral(
                     "仰角ローテータが目標と逆の方向に動きました。全リレーを切り運転を停止しました。\n"
                     "ＵＰ・ＤＯＷＮのリレーとモーターの配線が入れ違っていないか、"
                     "校正値（VVOLT0・VVOLT90）の向きが逆でないかを点検してください。");
}

double AngleMeasurement::Slope(double volt0, double voltTop, double rangeMin, double rangeMax) {
    const double span = rangeMax - rangeMin;
    if (span == 0) {
        // The division fails like the platform's: 0/0 overflows, anything else divides by zero.
        const PortError error = voltTop - volt0 == 0
                                    ? PortError{6, QStringLiteral("オーバーフローしました。")}
                                    : PortError{11, QStringLiteral("0 で除算しました。")};
        ShowRoutineError(*ports_.status, QStringLiteral("3."), error);
        return 0;
    }
    return (voltTop - volt0) / span;
}

void AngleMeasurement::EndOnCalibration(const QString& message) {
    // Nobody may be left with a motor running behind a message that can stay up for minutes.
    relays_.BeginEnding();
    ports_.messages->ShowMessage(message);
    view_.EndProgram();
}

void AngleMeasurement::PositionAntenna(std::function<void()> then) {
    // A measurement under way (a quiet reading's pause, readings not in yet) goes on when it can.
    if (quietDueMs_ || awaitingReadings_) {
        if (then)
            then_ = std::move(then);
        return;
    }
    then_ = std::move(then);
    const bool quietReading =
        state_.AzimuthMotorText == QLatin1String("1") && state_.module.DelaySwitch == QLatin1String("1");
    if (quietReading) {
        try {
            log_.StopAzimuthAndLog();
        } catch (const BoardFailure& failure) {
            ShowRoutineError(*ports_.status, QStringLiteral("3."), failure.error());
        }
        relays_.HoldAzimuthOff(true);
        // The motor settles while the window goes on; the azimuth stays held off until the reading.
        const std::int64_t ms = std::llround(state_.module.DelaySeconds * 1000.0f);
        if (ms > 0) {
            quietDueMs_ = ports_.clock->MonotonicMs() + ms;
            if (QCoreApplication::instance())
                quietTimer_.start(static_cast<int>(ms));
            return;
        }
    }
    StartMeasuring(quietReading);
}

void AngleMeasurement::Measure(bool quietReading) {
    const auto attempt = [this](auto&& statement) {
        try {
            statement();
        } catch (const BoardFailure& failure) {
            ShowRoutineError(*ports_.status, QStringLiteral("3."), failure.error());
        }
    };
    const auto read = [this](int channel, std::optional<int>& count) {
        const auto reading = ports_.board->ReadAnalogInput(5, channel);
        if (reading.error && reading.error->inFlight())
            return; // not answered yet: no position this time, and nothing to show
        if (reading.error) {
            lastReadError_[channel] = reading.error->description;
            throw BoardFailure(*reading.error);
        }
        count = reading.count;
    };

    const bool azimuthOnBoard = state_.AzimuthMotorText == QLatin1String("1");
    const bool elevationOnBoard = state_.ElevationMotorText == QLatin1String("1");

    // std::nullopt while the read failed: such a count is never turned into an angle.
    std::optional<int> azimuthCount, elevationCount;
    if (azimuthOnBoard) {
        attempt([&] { read(0, azimuthCount); });
    } else {
        azimuthCount = state_.SimulatedAzimuthCount;
    }
    if (elevationOnBoard)
        attempt([&] { read(1, elevationCount); });
    else
        elevationCount = state_.SimulatedElevationCount;
    if (quietReading) {
        double loggedCount = azimuthCount.value_or(0);
        log_.ResumeAzimuthAndLog(loggedCount);
    }
    // Relay levels the board has not taken yet (an off above all) are sent again at every measurement,
    // whatever the readings did: a module may answer writes while its reads time out.
    relays_.ResendUnconfirmed();

    const double azimuthVolt0 = LeadingNumber(state_.AzimuthVolt0Text);
    const double elevationVolt0 = LeadingNumber(state_.ElevationVolt0Text);
    const double azimuthSlope = Slope(azimuthVolt0, LeadingNumber(state_.AzimuthVolt360Text),
                                      state_.module.AzimuthRangeMin, state_.module.AzimuthRangeMax);
    if (!(azimuthSlope > 0)) {
        EndOnCalibration(AzimuthCalibrationMessage);
        return;
    }
    const double elevationSlope = Slope(elevationVolt0, LeadingNumber(state_.ElevationVolt90Text),
                                        state_.module.ElevationRangeMin, state_.module.ElevationRangeMax);
    if (!(elevationSlope > 0)) {
        EndOnCalibration(ElevationCalibrationMessage);
        return;
    }

    // The calibration voltages are captured at the range limits, so the lower one is the range minimum's.
    const double measuredAzimuth =
        state_.module.AzimuthRangeMin + (azimuthCount.value_or(0) * 5.0 / 1023 - azimuthVolt0) / azimuthSlope;
    const double measuredElevation =
        state_.module.ElevationRangeMin +
        (elevationCount.value_or(0) * 5.0 / 1023 - elevationVolt0) / elevationSlope;
    // A failed read keeps the last good angle.
    if (azimuthCount)
        state_.PresentAzimuth = measuredAzimuth;
    if (elevationCount)
        state_.PresentElevation = measuredElevation;
    view_.ShowPresentAngles(FormatNumber(state_.PresentAzimuth, QStringLiteral("###0.00")),
                            FormatNumber(state_.PresentElevation, QStringLiteral("###0.00")));

    state_.AzimuthTempCorrection = view_.AzimuthSliderValue();
    state_.ElevationTempCorrection = view_.ElevationSliderValue();
    const auto [azimuth, elevation] = MapPointingDirection(state_);

    if (state_.PointMarkShown == 1)
        view_.DrawPointedPositionMark(state_.PointMarkX, state_.PointMarkY, PointedOlive);
    view_.DrawAntennaMark(azimuth, elevation);
    view_.DrawSunMoonMars();

    watch_.SetStallWatch(state_.StallWatchOn, std::llround(state_.StallSeconds * 1000));
    const std::int64_t now = ports_.clock->MonotonicMs();
    const auto azimuthFinding = watch_.Reading(MotionWatch::Azimuth, azimuthCount, measuredAzimuth, now);
    const auto elevationFinding =
        watch_.Reading(MotionWatch::Elevation, elevationCount, measuredElevation, now);
    if (StopForFinding(MotionWatch::Azimuth, azimuthFinding) ||
        StopForFinding(MotionWatch::Elevation, elevationFinding))
        return;

    if (state_.OperatingMode == RunMode::Manual)
        attempt([&] { positioning_.ManualPositioningStep(); });
    else if (state_.OperatingMode == RunMode::Automatic)
        attempt([&] { positioning_.TrackingPositioningStep(); });
}

PointingDirection MapPointingDirection(const MainState& s) {
    double azimuth = s.PresentAzimuth - s.AzimuthCorrection - s.AzimuthTempCorrection;
    double elevation = s.PresentElevation - s.ElevationCorrection - s.ElevationTempCorrection;
    // An elevation rotator reaching past 90 degrees looks over the back.
    if (s.tracking.elevationTravelMax > 90 && elevation > 90) {
        azimuth += 180;
        elevation = 180 - elevation;
    }
    // An azimuth rotator reaching past 360 degrees (up to 540) points at the compass azimuth less a turn.
    if (azimuth > 360)
        azimuth -= 360;
    else if (azimuth < 0)
        azimuth += 360;
    if (azimuth > 360)
        azimuth -= 360;
    if (elevation > 90)
        elevation = 90;
    else if (elevation < 0)
        elevation = 0;
    if (IsSouthStartPoint(s.AzimuthStartPoint))
        azimuth = HalfTurn(azimuth);
    return {azimuth, elevation};
}
