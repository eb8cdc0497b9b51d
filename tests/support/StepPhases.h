// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rotator/Positioning.h"
#include "support/FakePorts.h"

#include <functional>

// Runs the phases of the positioning step under way as their time comes, in virtual time: before each
// pause ends, `during` runs (what the event loop would run meanwhile: a tick, a click, a stop). Returns
// the milliseconds the step paused in all.
inline std::int64_t RunStepPhases(Positioning& positioning, FakeClock& clock,
                                  const std::function<void()>& during = {}) {
    std::int64_t paused = 0;
    while (const auto due = positioning.NextPhaseDueMs()) {
        if (during)
            during();
        if (const auto stillDue = positioning.NextPhaseDueMs()) {
            paused += std::max<std::int64_t>(0, *stillDue - clock.nowMs);
            clock.nowMs = std::max(clock.nowMs, *stillDue);
        }
        positioning.RunDuePhase();
    }
    return paused;
}

// Moves the virtual clock on by ms, ending the step's pauses on time on the way (as its phase timer
// would while the event loop runs).
inline void AdvanceEndingPauses(Positioning& positioning, FakeClock& clock, std::int64_t ms) {
    const std::int64_t end = clock.nowMs + ms;
    while (const auto due = positioning.NextPhaseDueMs()) {
        if (*due > end)
            break;
        clock.nowMs = std::max(clock.nowMs, *due);
        positioning.RunDuePhase();
    }
    clock.nowMs = end;
}
