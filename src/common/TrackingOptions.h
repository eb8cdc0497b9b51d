// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Pass-following options of section TRACKING of the settings file. All of them are off when the
// section is missing, and then the antenna follows its target exactly as it always has.
struct TrackingOptions {
    // Aim where the target will be when the antenna gets there, and let a follow-up step that is
    // behind drive for as long as it needs instead of one short pulse (LEAD=1).
    bool lead = false;
    // Turn to the rise point this many seconds before a pass rises (PREPOSITION=1,
    // PREPOSITION_SECONDS, 120 unless set).
    bool prePosition = false;
    double prePositionSeconds = 120;
    // The rotators' travel beyond the operating range: an azimuth rotator reaching past 360 degrees
    // (AZ_TRAVEL, for example 450) and an elevation rotator reaching past 90 (EL_TRAVEL, up to 180).
    // 0 = not set: the operating ranges are the travel.
    double azimuthTravelMax = 0;
    double elevationTravelMax = 0;

    bool AnySet() const { return lead || prePosition || azimuthTravelMax > 0 || elevationTravelMax > 0; }
};

// The rotator target of a planned pass (set by the tracking cycle each second while a plan carries
// the satellite, or is turning to its rise point). While it is active, automatic positioning follows
// it instead of TargetAzimuth/TargetElevation, which keep the satellite's own direction for the
// display, the map and the cues.
struct PlannedTarget {
    bool active = false;
    bool prePositioning = false;
    bool flipped = false;
    double azimuth = 0, elevation = 0;                 // rotator angles
    double previousAzimuth = 0, previousElevation = 0; // of the cycle before
    std::int64_t takenAtMs = -1; // monotonic time the present target was taken, -1 unknown
    // Degrees per second the azimuth motor was measured to turn by the lead, 0 until it has been: the
    // plan steers its course through a pass near the zenith for it.
    double azimuthSpeed = 0;
};
