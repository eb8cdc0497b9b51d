// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "orbit/Passes.h"

#include <QString>
#include <optional>
#include <vector>

// Planning one satellite pass onto the rotators' travel, decided once before the pass rises.
//
// An azimuth rotator whose travel reaches past 360 degrees can carry a pass on more than one
// stretch of its travel; the plan picks the stretch that follows the whole pass from its rise (AOS)
// to its set (LOS) without an unwind. An elevation rotator that reaches 180 degrees can point at
// every direction a second way, "flipped" (azimuth + 180, elevation 180 - e); the plan takes it for
// the whole pass when the direct way would need an unwind. The flipped way needs the same azimuth
// speed near the zenith as the direct one (the vertical plane through the satellite turns alike), so
// it is chosen for the unwind only. A pass that fits no stretch either way is not planned: the
// antenna follows it as it follows any target.
//
// All azimuths given are compass azimuths (0 = north, clockwise); the plan's are rotator azimuths,
// measured from the start point (the half-turn for the south start point), on the linear scale of the
// potentiometer, so 400 is 40 degrees past the north end of a 450-degree rotator.

// One point of a pass's track: seconds from any fixed moment, compass azimuth, elevation.
struct TrackPoint {
    double seconds = 0;
    double azimuth = 0;
    double elevation = 0;
};

// What the rotators can do.
struct RotatorTravel {
    bool southStart = false;
    double azimuthMin = 0, azimuthMax = 360;
    double elevationMin = 0, elevationMax = 90;
};

struct RotatorAngles {
    double azimuth = 0;
    double elevation = 0;
};

struct PassPlan {
    bool followable = false; // false: follow the pass as any other target
    bool flipped = false;
    // The 360-degree stretch of rotator azimuth [stretchStart, stretchStart + 360) that carries the pass.
    double stretchStart = 0;
    // Where to wait before the pass rises: the rotator angles of the rise point.
    RotatorAngles prePosition;
    // Degrees of azimuth the rotator turns from AOS to LOS on this plan.
    double azimuthTravelled = 0;
};

// Plans a pass from its track (time order, AOS first). `presentAzimuth` (rotator frame) breaks the tie
// between stretches that both carry the pass: the nearer start wins.
PassPlan PlanPass(const std::vector<TrackPoint>& track, const RotatorTravel& travel, double presentAzimuth);

// A compass direction as the plan points the rotators at it, held to the travel.
RotatorAngles ToRotator(const PassPlan& plan, const RotatorTravel& travel, double compassAzimuth,
                        double elevation);

// The compass direction of rotator angles: an elevation past 90 looks over the back.
RotatorAngles ToCompass(const RotatorTravel& travel, double rotatorAzimuth, double rotatorElevation);

// The course the azimuth rotator steers through a planned pass when the satellite's azimuth turns
// faster than the rotator can (a pass near the zenith). An antenna whose azimuth is off the
// satellite's by d, at the elevation that points nearest to it, is off by asin(cos e * sin d): near the
// top a large azimuth offset costs little. The course keeps the azimuth within the offset that the
// smallest such error allows, turning no faster than the given speed, so it starts turning ahead of
// the zenith stretch and catches up after it; wherever the rotator can keep up it is the track itself.
// On an elevation rotator reaching 180 degrees the course may instead go over the top (the azimuth
// held while the elevation passes 90, looking back for the rest of the pass) where that keeps the
// error clearly smaller: a pass within a degree or two of the zenith.
struct PassCourse {
    // Per track point: the course's rotator azimuth minus the plan's rotator azimuth of the satellite.
    std::vector<double> azimuthOffset;
    // The largest pointing error on the course (degrees): the best that speed permits on this track.
    double bound = 0;
    // Over the top: the rotator azimuth held while the elevation passes 90 (none: not over the top).
    std::optional<double> overTheTopAzimuth;
};

PassCourse PlanCourse(const std::vector<TrackPoint>& track, const PassPlan& plan, const RotatorTravel& travel,
                      double azimuthDegreesPerSecond);

// The rotator elevation that points nearest to a satellite at `elevation` when the rotator azimuth is
// `azimuthOffset` degrees off the plan's: above the satellite near the top, past 90 (over the top) when
// the offset is beyond a quarter turn.
double ElevationFor(const PassPlan& plan, double elevation, double azimuthOffset);

// The track of a pass sampled every `stepSeconds` from AOS to LOS; seconds count from AOS.
std::vector<TrackPoint> SamplePass(const orbit::Sgp4& model, const orbit::Geodetic& observer,
                                   const orbit::Pass& pass, double stepSeconds = 1);

// Status-line texts.
QString PlanFallbackText();
QString PlanFlippedText();
QString PlanOverTheTopText(double rotatorAzimuth);
