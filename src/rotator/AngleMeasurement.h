#pragma once

#include <QString>

struct MainState;

// Where the antenna points on the map: the present angles less the fixed and temporary corrections,
// azimuth wrapped once into 0..360, elevation held to 0..90, and with the south start point turned
// half round into the compass frame. The map's antenna mark and the rotctld endpoint both use it.
struct PointingDirection {
    double azimuth = 0;
    double elevation = 0;
};
PointingDirection MapPointingDirection(const MainState& state);
struct Ports;
class RotatorView;
class RelayOutputs;
class OperationLog;
class Positioning;

// Measuring the antenna: both potentiometer counts to the present angles by the two-point
// calibration, the display, the antenna on the map, and the hand-over to the step of the mode.
class AngleMeasurement {
  public:
    AngleMeasurement(MainState& state, Ports& ports, RotatorView& view, RelayOutputs& relays,
                     OperationLog& log, Positioning& positioning);

    // Called once a second by the tracking cycle. Every error on the way is shown with "3." and the
    // routine goes on with its next statement; a failed read leaves that axis's count at 0.
    // A calibration whose slope is 0 or negative switches all relays off, shows its message and ends
    // the program through the view.
    void PositionAntenna();

    static const QString AzimuthCalibrationMessage;
    static const QString ElevationCalibrationMessage;

  private:
    // The calibration slope in volts per degree, or 0 after showing the division error.
    double Slope(double volt0, double voltTop, double rangeMin, double rangeMax);
    void EndOnCalibration(const QString& message);

    MainState& state_;
    Ports& ports_;
    RotatorView& view_;
    RelayOutputs& relays_;
    OperationLog& log_;
    Positioning& positioning_;
};
