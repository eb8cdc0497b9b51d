// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rotator/MotionWatch.h"

#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>

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
                     OperationLog& log, Positioning& positioning, MotionWatch& watch);
    ~AngleMeasurement();
    AngleMeasurement(const AngleMeasurement&) = delete;
    AngleMeasurement& operator=(const AngleMeasurement&) = delete;

    // How long a measurement waits for a board on a thread of its own to answer both readings; past
    // that it goes on with what came (an answer not in is no position, and no failure either).
    static constexpr int ReadingWaitMs = 1600;

    // Called once a second by the tracking cycle. Every error on the way is shown with "3." and the
    // routine goes on with its next statement.
    // A failed read is not a position: that axis keeps its last good angle (shown as it was) and the
    // positioning step makes no decision on it. When the watch finds an axis unreadable for 2 s, jammed,
    // driven away from its target or with its sensor at the end of the scale, every relay goes off, the
    // operation ends and the status line says why (StopForFinding); the wrong way also gets a box.
    // A calibration whose slope is 0 or negative switches all relays off, shows its message and ends
    // the program through the view.
    //
    // With the quiet reading on (DELAY_SW=1, an azimuth motor on the board) the azimuth is held off for
    // DelaySeconds before it is read, then set going again: that pause is the measurement's own, on
    // its own timer (drivers in virtual time call FinishQuietReading at QuietReadingDueMs); the window
    // goes on meanwhile, and a measurement asked for during it returns at once.
    //
    // A board on a thread of its own is asked for its readings first, and the measurement goes on once
    // they are in (or after ReadingWaitMs): the window never waits on the module. `then` runs after the
    // measurement and its positioning step, whenever that is (at once with a board on this thread); a
    // measurement asked for while one is under way only replaces the `then` of the one under way.
    void PositionAntenna(std::function<void()> then = {});
    std::optional<std::int64_t> QuietReadingDueMs() const;
    void FinishQuietReading();

    // The status line after a stop for a finding: Label24 says which axis and why, Label25 what to do
    // (or the board's last error for reads that keep failing).
    static QString FindingText(MotionWatch::Axis axis, const MotionWatch::Finding& finding);
    // The finding's text while the module has not yet answered the all-off.
    static QString PendingOffText(const QString& findingText);
    static QString FindingAdvice(const MotionWatch::Finding& finding);
    // The box after an axis was driven away from its target.
    static QString WrongWayMessage(MotionWatch::Axis axis);

    static const QString AzimuthCalibrationMessage;
    static const QString ElevationCalibrationMessage;

  private:
    void StartMeasuring(bool quietReading);
    void ReadingsIn();
    void Measure(bool quietReading);
    // The calibration slope in volts per degree, or 0 after showing the division error.
    double Slope(double volt0, double voltTop, double rangeMin, double rangeMax);
    void EndOnCalibration(const QString& message);
    // Acts on what the watch found for one axis; true when it stopped everything.
    bool StopForFinding(MotionWatch::Axis axis, const MotionWatch::Finding& finding);

    MainState& state_;
    Ports& ports_;
    RotatorView& view_;
    RelayOutputs& relays_;
    OperationLog& log_;
    Positioning& positioning_;
    MotionWatch& watch_;
    QString lastReadError_[2];
    std::optional<std::int64_t> quietDueMs_;
    QTimer quietTimer_;
    bool awaitingReadings_ = false;
    bool awaitedQuiet_ = false;
    std::function<void()> then_;
    QTimer readingTimer_; // the bound on the wait, and the object the board's answer is posted to
};
