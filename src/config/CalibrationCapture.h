// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/PortError.h"

#include <QString>
#include <vector>

class IoBoard;

// The live sensor voltages of the settings dialog and the capture of calibration voltages. Each tick
// reads the axes in use; a capture takes the count of the last tick, so it never waits for the board.
class CalibrationCapture {
  public:
    explicit CalibrationCapture(IoBoard* board) : board_(board) {}

    // volts = count x 5 / 1023 (the count 1023 is 5 V).
    static double CountToVolts(double count) { return count * 5.0 / 1023.0; }

    struct Tick {
        QString azimuthVoltsText;      // "#0.000"
        QString elevationVoltsText;    // "#0.000"
        std::vector<PortError> errors; // in the order they happened; a failed read keeps its count
    };
    // One tick of the live display: reads channel 0 when the azimuth rotator is in use, channel 1
    // when the elevation rotator is; an axis not read keeps its last count.
    Tick ReadSensors(bool azimuthInUse, bool elevationInUse);

    double AzimuthCount = 0, ElevationCount = 0;
    double AzimuthVolts = 0, ElevationVolts = 0;

    double AzimuthCaptureVolts() const { return CountToVolts(AzimuthCount); }
    double ElevationCaptureVolts() const { return CountToVolts(ElevationCount); }

    // The capture text boxes show " #0.000".
    static QString CaptureText(double volts);

    // The dialog's error lines for one failure.
    static QString ErrorNumberLine(const PortError& e);
    static QString ErrorMessageLine(const PortError& e);

  private:
    IoBoard* board_;
};
