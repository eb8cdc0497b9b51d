// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/CalibrationCapture.h"

#include "common/IoBoard.h"
#include "common/NumberFormat.h"

#include <cstdint>

namespace {

// Port of the analogue inputs; channel 0 azimuth, 1 elevation.
constexpr int kAnalogPort = 5;

} // namespace

CalibrationCapture::Tick CalibrationCapture::ReadSensors(bool azimuthInUse, bool elevationInUse) {
    Tick tick;
    auto read = [this, &tick](int channel, double& count) {
        if (!board_) {
            tick.errors.push_back({-1, QStringLiteral("I/O board not available")});
            return;
        }
        const IoBoard::Reading r = board_->ReadAnalogInput(kAnalogPort, channel);
        if (r.error && r.error->inFlight())
            return; // the next tick shows it
        if (r.error) {
            tick.errors.push_back(*r.error);
            return;
        }
        count = static_cast<std::int16_t>(r.count);
    };
    if (azimuthInUse)
        read(0, AzimuthCount);
    if (elevationInUse)
        read(1, ElevationCount);
    AzimuthVolts = CountToVolts(AzimuthCount);
    ElevationVolts = CountToVolts(ElevationCount);
    tick.azimuthVoltsText = FormatNumber(AzimuthVolts, QStringLiteral("#0.000"));
    tick.elevationVoltsText = FormatNumber(ElevationVolts, QStringLiteral("#0.000"));
    return tick;
}

QString CalibrationCapture::CaptureText(double volts) {
    return FormatNumber(volts, QStringLiteral(" #0.000"));
}

QString CalibrationCapture::ErrorNumberLine(const PortError& e) {
    return QStringLiteral("発生したエラーの番号は ") + QString::number(e.number);
}

QString CalibrationCapture::ErrorMessageLine(const PortError& e) {
    return QStringLiteral("エラーメッセージは ") + e.description;
}
