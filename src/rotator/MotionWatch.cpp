// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotator/MotionWatch.h"

#include <cmath>

void MotionWatch::OnTime::Switch(bool on, std::int64_t nowMs) {
    if (on && !onSinceMs) {
        onSinceMs = nowMs;
    } else if (!on && onSinceMs) {
        accumulatedMs += nowMs - *onSinceMs;
        onSinceMs.reset();
    }
}

void MotionWatch::OnTime::Restart(std::int64_t nowMs) {
    accumulatedMs = 0;
    if (onSinceMs)
        onSinceMs = nowMs;
}

std::int64_t MotionWatch::OnTime::Total(std::int64_t nowMs) const {
    return accumulatedMs + (onSinceMs ? nowMs - *onSinceMs : 0);
}

void MotionWatch::SetStallWatch(bool on, std::int64_t stallMs) {
    stallWatchOn_ = on;
    stallMs_ = stallMs;
}

void MotionWatch::MotorSwitched(Axis axis, int direction, std::int64_t nowMs) {
    AxisWatch& w = axes_[axis];
    const bool on = direction != 0;
    w.direction = direction > 0 ? 1 : direction < 0 ? -1 : 0;
    if (on)
        w.ranSinceReading = true;
    w.sinceAnchor.Switch(on, nowMs);
    w.whileAway.Switch(on, nowMs);
    w.whilePinned.Switch(on, nowMs);
    // Driven in a new direction: progress counts from the last good reading, relay time from now.
    if (on && w.direction != w.drivenDirection && w.lastCount) {
        w.drivenDirection = w.direction;
        Anchor(w, *w.lastCount, w.lastAngle, nowMs);
    }
}

void MotionWatch::Anchor(AxisWatch& w, int count, double angle, std::int64_t nowMs) {
    w.anchorCount = count;
    w.anchorAngle = angle;
    w.sinceAnchor.Restart(nowMs);
    w.bestCount = count;
    w.bestAngle = angle;
    w.away = false;
    w.whileAway.Restart(nowMs);
}

MotionWatch::Finding MotionWatch::Reading(Axis axis, std::optional<int> count, double angle,
                                          std::int64_t nowMs) {
    AxisWatch& w = axes_[axis];
    Finding finding;
    if (!count) {
        if (!w.failingSinceMs)
            w.failingSinceMs = nowMs;
        finding.failingMs = nowMs - *w.failingSinceMs;
        if (finding.failingMs >= ReadFailureLimitMs)
            finding.fault = Fault::ReadsFailing;
        return finding;
    }
    w.failingSinceMs.reset();
    w.everRead = true;
    ++w.goodReadings;
    w.lastCount = count;
    w.lastAngle = angle;
    w.ranSinceReading = w.sinceAnchor.onSinceMs.has_value();

    // Progress is counted in the direction the relay drives; a new direction counts afresh, and so does
    // every reading while the axis has not been driven at all.
    const bool newDirection = w.direction != 0 && w.direction != w.drivenDirection;
    if (!w.anchorCount || newDirection || w.drivenDirection == 0) {
        if (w.direction != 0)
            w.drivenDirection = w.direction;
        Anchor(w, *count, angle, nowMs);
    } else {
        const int dir = w.drivenDirection;
        // Two noisy readings of a still axis differ by up to twice the noise: only more is movement.
        if ((*count - *w.anchorCount) * dir > 2 * NoiseCounts &&
            (angle - w.anchorAngle) * dir >= StallDegrees)
            Anchor(w, *count, angle, nowMs); // real progress: the stall count starts again from here
        if ((*count - w.bestCount) * dir > 0) {
            w.bestCount = *count;
            w.bestAngle = angle;
        }
        const bool away = (w.bestCount - *count) * dir > 2 * NoiseCounts;
        if (away && !w.away)
            w.whileAway.Restart(nowMs);
        w.away = away;
    }

    const bool atEnd = *count <= 0 || *count >= CountMax;
    if (!atEnd) {
        w.pinnedCount = -1;
    } else if (w.pinnedCount != *count) {
        w.pinnedCount = *count;
        w.whilePinned.Restart(nowMs);
    }
    if (!stallWatchOn_)
        return finding;

    if (w.pinnedCount >= 0 && w.whilePinned.Total(nowMs) >= PinnedRunLimitMs) {
        finding.fault = Fault::SensorAtEnd;
        finding.count = w.pinnedCount;
        return finding;
    }
    if (w.away && w.whileAway.Total(nowMs) >= WrongWayLimitMs) {
        finding.fault = Fault::WrongWay;
        finding.moved = std::abs(w.bestAngle - angle);
        finding.onMs = w.whileAway.Total(nowMs);
        return finding;
    }
    const std::int64_t onMs = w.sinceAnchor.Total(nowMs);
    if (onMs >= stallMs_) {
        finding.fault = Fault::Stalled;
        finding.moved = std::abs(angle - w.anchorAngle);
        finding.onMs = onMs;
    }
    return finding;
}

void MotionWatch::Restart(std::int64_t nowMs) {
    for (AxisWatch& w : axes_) {
        w.anchorCount.reset();
        w.drivenDirection = 0;
        w.sinceAnchor.Restart(nowMs);
        w.away = false;
        w.whileAway.Restart(nowMs);
        w.pinnedCount = -1;
        w.whilePinned.Restart(nowMs);
        // A run of failed reads begins again too, so the stop is not repeated every cycle.
        if (w.failingSinceMs)
            w.failingSinceMs = nowMs;
    }
}
