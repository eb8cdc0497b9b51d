// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

// Watches each rotator while its motor runs, so that nothing is left turning unsupervised:
//
// - A failed potentiometer reading is never a position. An axis is "blind" from start-up until its
//   first good reading, and again from any failed reading until the next good one; nothing is decided
//   on a blind axis. When an axis's reads have failed for ReadFailureLimitMs in a row (three cycles),
//   the watch reports it.
// - Progress is counted in the direction the relay drives (right and up increase the count, left and
//   down decrease it), net of pot noise of up to ±NoiseCounts: a reading counts as progress only when it
//   is more than twice that beyond where the count began (two noisy readings of a still axis differ by
//   up to that much) and at least StallDegrees further on. Jitter therefore neither restarts the count
//   nor looks like movement, in either direction.
// - Stall: once an axis's relay has been on for the stall time in total (pulses add up) without such
//   progress, the rotator is jammed, its motor is dead or its sensor does not follow.
// - Wrong way: an axis whose reading moves more than twice NoiseCounts against the driven direction (from
//   the furthest point it reached in that direction) and stays there for WrongWayLimitMs of relay time is
//   turning away from its target: relays or motor leads swapped, or a calibration whose direction is
//   reversed.
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
    static constexpr int NoiseCounts = 3;
    static constexpr std::int64_t DefaultStallMs = 10000;
    static constexpr std::int64_t WrongWayLimitMs = 3000;
    static constexpr std::int64_t PinnedRunLimitMs = 1000;
    static constexpr int CountMax = 1023;

    enum class Fault { None, ReadsFailing, Stalled, SensorAtEnd, WrongWay };
    struct Finding {
        Fault fault = Fault::None;
        double moved = 0;           // Stalled: net progress meanwhile; WrongWay: degrees gone the wrong way
        std::int64_t onMs = 0;      // Stalled, WrongWay: relay time counted, ms
        int count = 0;              // SensorAtEnd: the count it sticks at
        std::int64_t failingMs = 0; // ReadsFailing: how long the reads have failed
    };

    // The stall, wrong-way and sensor watch (the read-failure watch is always on).
    void SetStallWatch(bool on, std::int64_t stallMs);

    // The motor of an axis as its relays were just written: +1 driving the count up (right, up), -1
    // down (left, down), 0 off.
    void MotorSwitched(Axis axis, int direction, std::int64_t nowMs);

    // One measurement of an axis: its count, or std::nullopt when the read failed, and the angle the
    // count gives.
    Finding Reading(Axis axis, std::optional<int> count, double angle, std::int64_t nowMs);

    // Not known where the axis stands: never read yet, or its last read failed. Its present angle must
    // not be acted on.
    bool Blind(Axis axis) const { return !axes_[axis].everRead || axes_[axis].failingSinceMs.has_value(); }

    // Good readings of the axis so far (the relay layer asks whether one came since a stop).
    std::uint64_t GoodReadings(Axis axis) const { return axes_[axis].goodReadings; }

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
        bool everRead = false;
        std::uint64_t goodReadings = 0;
        std::optional<std::int64_t> failingSinceMs;
        bool ranSinceReading = false;
        int direction = 0;            // as last switched; 0 off
        int drivenDirection = 0;      // the direction the counts below belong to
        std::optional<int> lastCount; // the last good reading
        double lastAngle = 0;
        std::optional<int> anchorCount; // where the progress count began
        double anchorAngle = 0;
        OnTime sinceAnchor;
        int bestCount = 0; // furthest reading in the driven direction
        double bestAngle = 0;
        bool away = false; // the last reading was beyond the noise against the direction
        OnTime whileAway;
        int pinnedCount = -1; // the end count the last reading stood at, -1 when none
        OnTime whilePinned;
    };
    void Anchor(AxisWatch& w, int count, double angle, std::int64_t nowMs);

    bool stallWatchOn_ = true;
    std::int64_t stallMs_ = DefaultStallMs;
    AxisWatch axes_[2];
};
