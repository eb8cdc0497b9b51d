#pragma once

#include <cstdint>
#include <optional>

// Watches each rotator while its motor runs, so that nothing is left turning unsupervised:
//
// - A failed potentiometer reading is never a position. The axis is "blind" until a good reading
//   comes; positioning makes no decision on a blind axis. When an axis's reads have failed for
//   ReadFailureLimitMs in a row (three cycles), the watch reports it.
// - Stall: once an axis's relay has been on for the stall time in total (pulses add up) while its
//   measured angle moved less than StallDegrees, the rotator is jammed, its motor is dead or its
//   sensor does not follow. The relay time counts from the last reading that found the angle 1 degree
//   or more from where the count began (or from the axis's first reading).
// - Sensor at the end of the converter: a count of 0 or 1023 that stays there while the motor runs
//   for PinnedRunLimitMs is a broken potentiometer wire (or an axis against the end of its scale).
//   A motor that starts from the end of the scale leaves it within a few hundredths of a second, so
//   that short grace is no risk, and it keeps the first reading of a move from tripping the watch.
//
// Plain C++ in milliseconds of the monotonic clock; the caller acts on what it reports.
class MotionWatch {
  public:
    enum Axis { Azimuth = 0, Elevation = 1 };

    static constexpr std::int64_t ReadFailureLimitMs = 2000;
    static constexpr double StallDegrees = 1.0;
    static constexpr std::int64_t DefaultStallMs = 10000;
    static constexpr std::int64_t PinnedRunLimitMs = 1000;
    static constexpr int CountMax = 1023;

    enum class Fault { None, ReadsFailing, Stalled, SensorAtEnd };
    struct Finding {
        Fault fault = Fault::None;
        double moved = 0;           // Stalled: how far the angle moved meanwhile, degrees
        std::int64_t onMs = 0;      // Stalled: relay time counted, ms
        int count = 0;              // SensorAtEnd: the count it sticks at
        std::int64_t failingMs = 0; // ReadsFailing: how long the reads have failed
    };

    // The stall and sensor watch (the read-failure watch is always on).
    void SetStallWatch(bool on, std::int64_t stallMs);

    // The motor of an axis as its relays were just written (on: either direction).
    void MotorSwitched(Axis axis, bool on, std::int64_t nowMs);

    // One measurement of an axis: its count, or std::nullopt when the read failed, and the angle the
    // count gives.
    Finding Reading(Axis axis, std::optional<int> count, double angle, std::int64_t nowMs);

    // The axis's last read failed: its present angle is the last good one and must not be acted on.
    bool Blind(Axis axis) const { return axes_[axis].failingSinceMs.has_value(); }

    // The axis's last reading was good and its motor has not run since: that reading is where the
    // antenna stands, not where it stood on the way.
    bool StandingSinceReading(Axis axis) const { return !Blind(axis) && !axes_[axis].ranSinceReading; }

    // Counts everything afresh (after the operation was stopped for a finding). Blindness stays.
    void Restart(std::int64_t nowMs);

  private:
    // Relay time of one axis since a chosen moment.
    struct OnTime {
        std::int64_t accumulatedMs = 0;
        std::optional<std::int64_t> onSinceMs;
        void Switch(bool on, std::int64_t nowMs);
        void Restart(std::int64_t nowMs);
        std::int64_t Total(std::int64_t nowMs) const;
    };
    struct AxisWatch {
        std::optional<std::int64_t> failingSinceMs;
        bool ranSinceReading = false;
        std::optional<double> anchorAngle; // where the stall count began
        OnTime sinceAnchor;
        int pinnedCount = -1; // the end count the last reading stood at, -1 when none
        OnTime whilePinned;
    };

    bool stallWatchOn_ = true;
    std::int64_t stallMs_ = DefaultStallMs;
    AxisWatch axes_[2];
};
