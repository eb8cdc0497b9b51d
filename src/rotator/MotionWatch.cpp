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

void MotionWatch::MotorSwitched(Axis axis, bool on, std::int64_t nowMs) {
    AxisWatch& w = axes_[axis];
    if (on)
        w.ranSinceReading = true;
    w.sinceAnchor.Switch(on, nowMs);
    w.whilePinned.Switch(on, nowMs);
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
    w.ranSinceReading = w.sinceAnchor.onSinceMs.has_value();

    // The stall count starts again wherever the antenna is seen to have moved.
    if (!w.anchorAngle || std::abs(angle - *w.anchorAngle) >= StallDegrees) {
        w.anchorAngle = angle;
        w.sinceAnchor.Restart(nowMs);
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
    const std::int64_t onMs = w.sinceAnchor.Total(nowMs);
    if (onMs >= stallMs_) {
        finding.fault = Fault::Stalled;
        finding.moved = std::abs(angle - *w.anchorAngle);
        finding.onMs = onMs;
    }
    return finding;
}

void MotionWatch::Restart(std::int64_t nowMs) {
    for (AxisWatch& w : axes_) {
        w.anchorAngle.reset();
        w.sinceAnchor.Restart(nowMs);
        w.pinnedCount = -1;
        w.whilePinned.Restart(nowMs);
        // A run of failed reads begins again too, so the stop is not repeated every cycle.
        if (w.failingSinceMs)
            w.failingSinceMs = nowMs;
    }
}
