#include "rotator/AngleMeasurement.h"

#include "common/IoBoard.h"
#include "common/MainState.h"
#include "common/MessageSink.h"
#include "common/NumberFormat.h"
#include "common/NumberText.h"
#include "common/Ports.h"
#include "rotator/BoardFailure.h"
#include "rotator/OperationLog.h"
#include "rotator/Positioning.h"
#include "rotator/RelayOutputs.h"
#include "rotator/RotatorView.h"
#include "skymap/SkyProjection.h"

const QString AngleMeasurement::AzimuthCalibrationMessage = QStringLiteral(
    "水平ローテータの設定値がゼロになっています。azelmon.iniファイルを削除して設定からしなおしてください。");
const QString AngleMeasurement::ElevationCalibrationMessage = QStringLiteral(
    "垂直ローテータの設定値がゼロになっています。azelmon.iniファイルを削除して設定からしなおしてください。");

namespace {
const QColor PointedOlive{150, 155, 0};
} // namespace

AngleMeasurement::AngleMeasurement(MainState& state, Ports& ports, RotatorView& view, RelayOutputs& relays,
                                   OperationLog& log, Positioning& positioning)
    : state_(state), ports_(ports), view_(view), relays_(relays), log_(log), positioning_(positioning) {}

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

void AngleMeasurement::PositionAntenna() {
    const auto attempt = [this](auto&& statement) {
        try {
            statement();
        } catch (const BoardFailure& failure) {
            ShowRoutineError(*ports_.status, QStringLiteral("3."), failure.error());
        }
    };
    const auto read = [this](int channel, double& count) {
        const auto reading = ports_.board->ReadAnalogInput(5, channel);
        if (reading.error)
            throw BoardFailure(*reading.error);
        count = reading.count;
    };

    const bool azimuthOnBoard = state_.AzimuthMotorText == QLatin1String("1");
    const bool elevationOnBoard = state_.ElevationMotorText == QLatin1String("1");
    const bool quietReading = azimuthOnBoard && state_.module.DelaySwitch == QLatin1String("1");

    double azimuthCount = 0, elevationCount = 0;
    if (azimuthOnBoard) {
        if (quietReading) {
            attempt([&] { log_.StopAzimuthAndLog(); });
            positioning_.SleepMilliseconds(state_.module.DelaySeconds);
        }
        attempt([&] { read(0, azimuthCount); });
    } else {
        azimuthCount = state_.SimulatedAzimuthCount;
    }
    if (elevationOnBoard)
        attempt([&] { read(1, elevationCount); });
    else
        elevationCount = state_.SimulatedElevationCount;
    if (quietReading)
        log_.ResumeAzimuthAndLog(azimuthCount);

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

    state_.PresentAzimuth = (azimuthCount * 5 / 1023 - azimuthVolt0) / azimuthSlope;
    state_.PresentElevation = (elevationCount * 5 / 1023 - elevationVolt0) / elevationSlope;
    view_.ShowPresentAngles(FormatNumber(state_.PresentAzimuth, QStringLiteral("###0.00")),
                            FormatNumber(state_.PresentElevation, QStringLiteral("###0.00")));

    state_.AzimuthTempCorrection = view_.AzimuthSliderValue();
    state_.ElevationTempCorrection = view_.ElevationSliderValue();
    const auto [azimuth, elevation] = MapPointingDirection(state_);

    const double x = SkyPlotX(azimuth, elevation) + state_.MapCentreX;
    const double y = SkyPlotY(azimuth, elevation) + state_.MapCentreY;
    if (state_.PointMarkShown == 1)
        view_.DrawPointedPositionMark(state_.PointMarkX, state_.PointMarkY, PointedOlive);
    view_.DrawAntennaMark(state_.MapCentreX, state_.MapCentreY, x, y);
    view_.DrawSunMoonMars();

    if (state_.OperatingMode == 1)
        attempt([&] { positioning_.ManualPositioningStep(); });
    else if (state_.OperatingMode == 2)
        attempt([&] { positioning_.TrackingPositioningStep(); });
}

PointingDirection MapPointingDirection(const MainState& s) {
    double azimuth = s.PresentAzimuth - s.AzimuthCorrection - s.AzimuthTempCorrection;
    if (azimuth > 360)
        azimuth -= 360;
    else if (azimuth < 0)
        azimuth += 360;
    double elevation = s.PresentElevation - s.ElevationCorrection - s.ElevationTempCorrection;
    if (elevation > 90)
        elevation = 90;
    else if (elevation < 0)
        elevation = 0;
    if (LeadingNumber(s.AzimuthStartPoint) == 1)
        azimuth = HalfTurn(azimuth);
    return {azimuth, elevation};
}
