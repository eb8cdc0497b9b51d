// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotator/TrackingLead.h"

#include <algorithm>
#include <cmath>

void TrackingLead::Learn(int axis, double degreesPerSecond) {
    speed_[axis] = 0.7 * speed_[axis] + 0.3 * degreesPerSecond;
    measured_[axis] = true;
}

void TrackingLead::Pulse(Axis axis, double fromAngle, double seconds) {
    pulseFrom_[axis] = fromAngle;
    pulseSeconds_[axis] = seconds;
}

void TrackingLead::Reading(std::int64_t ms, double azimuth, double elevation, bool azimuthRan,
                           bool elevationRan) {
    const double angles[2] = {azimuth, elevation};
    const bool ran[2] = {azimuthRan, elevationRan};
    // A step between two readings sees the same angles again: nothing new.
    if (seen_ && azimuth == last_[0] && elevation == last_[1])
        return;
    // A pulse of known length, read at rest: the most exact measure there is.
    for (int axis = 0; axis < 2; ++axis)
        if (pulseSeconds_[axis] > 0 && !ran[axis]) {
            const double moved = std::abs(angles[axis] - pulseFrom_[axis]);
            if (pulseSeconds_[axis] >= 0.1 && moved >= 0.3)
                Learn(axis, moved / pulseSeconds_[axis]);
            pulseSeconds_[axis] = 0;
        }
    const double seconds = (ms - lastMs_) / 1000.0;
    // Readings less than half a second apart say more about the converter's noise than the speed.
    if (seen_ && seconds < 0.5)
        return;
    if (seen_ && seconds <= 3.0)
        for (int axis = 0; axis < 2; ++axis) {
            const double moved = std::abs(angles[axis] - last_[axis]) / seconds;
            // A run through the whole interval; slower samples are a start or a stop within it.
            if (ran[axis] && moved > 0.5 * speed_[axis])
                Learn(axis, moved);
        }
    seen_ = true;
    lastMs_ = ms;
    last_[0] = azimuth;
    last_[1] = elevation;
}

double TrackingLead::RunSeconds(Axis axis, double present, double aim) const {
    return std::abs(aim - present) / std::max(0.1, speed_[axis]);
}

double TrackingLead::Aim(Axis axis, double target, double previous, double present, double ageSeconds,
                         double tolerance) const {
    double motion = (target - previous) / CycleSeconds;
    if (!(std::abs(motion) <= MaximumMotionPerSecond))
        motion = 0;
    const double now = target + motion * std::clamp(ageSeconds, 0.0, 3.0);
    // Two rounds: the time to reach the target depends on where it will be.
    double aim = now;
    for (int round = 0; round < 2; ++round) {
        const double seconds = std::min(RunSeconds(axis, present, aim), 5.0) + ReactionSeconds;
        aim = now + motion * seconds;
    }
    if (motion != 0)
        aim += (motion > 0 ? 0.5 : -0.5) * tolerance;
    return std::clamp(aim, target - MaximumLeadDegrees, target + MaximumLeadDegrees);
}
