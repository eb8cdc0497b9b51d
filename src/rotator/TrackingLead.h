// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Where to aim a moving target so the antenna meets it rather than trailing it: the target's motion
// (the change between the last two targets, one tracking cycle apart) carried forward over the age of
// the target and the time the antenna needs to get there at its measured speed. Used only with the
// lead option (TRACKING LEAD=1).
class TrackingLead {
  public:
    enum Axis { Azimuth = 0, Elevation = 1 };

    // A reading of both axes and whether each motor ran since the reading before: the speed of a motor
    // is learnt from readings taken while it ran through.
    void Reading(std::int64_t ms, double azimuth, double elevation, bool azimuthRan, bool elevationRan);

    // A run of a motor that stood still at `fromAngle`, switched off after `seconds`: the next reading
    // tells how far it went.
    void Pulse(Axis axis, double fromAngle, double seconds);

    // Degrees per second of the axis, learnt or the starting guess.
    double Speed(Axis axis) const { return speed_[axis]; }
    // Whether the speed of the axis has been measured, not only guessed.
    bool Measured(Axis axis) const { return measured_[axis]; }

    // The aim point: `target` moved on by its motion per cycle (`target - previous`) over `ageSeconds`
    // (since the target was taken) plus the time to reach it from `present`, and half the `tolerance`
    // further in the direction of the motion: the antenna then waits for the target to pass it and
    // falls half the tolerance behind before it moves again, instead of trailing by a whole
    // tolerance. A change larger than a rotator could follow (a new target, a jump) is no motion.
    double Aim(Axis axis, double target, double previous, double present, double ageSeconds,
               double tolerance = 0) const;

    // Seconds a motor needs from `present` to `aim` at the axis's speed.
    double RunSeconds(Axis axis, double present, double aim) const;

    // Steps of a second between the targets (the tracking cycle), and the delay of a relay command
    // until the motor turns and the next reading shows it.
    static constexpr double CycleSeconds = 1.0;
    static constexpr double ReactionSeconds = 0.4;
    // The lead is never more than this far ahead of the target.
    static constexpr double MaximumLeadDegrees = 15.0;
    static constexpr double MaximumMotionPerSecond = 15.0;

  private:
    // Guesses on the fast side until runs have been seen: too fast a guess only cuts a run short.
    double speed_[2] = {8.0, 4.0};
    bool measured_[2] = {false, false};
    bool seen_ = false;
    std::int64_t lastMs_ = 0;
    double last_[2] = {0, 0};
    double pulseFrom_[2] = {0, 0};
    double pulseSeconds_[2] = {0, 0};
    void Learn(int axis, double degreesPerSecond);
};
