// SPDX-License-Identifier: GPL-3.0-or-later
#include "sky/PassFollower.h"

#include <algorithm>
#include <cmath>

bool PassFollower::Plan(const UpcomingPass& pass, const RotatorTravel& travel, double presentAzimuth) {
    travel_ = travel;
    plan_ = PlanPass(pass.track, travel, presentAzimuth);
    course_ = {};
    if (plan_.followable)
        pass_ = pass;
    else
        pass_.reset();
    const double speed = steeredSpeed_;
    steeredSpeed_ = 0;
    Steer(speed);
    return plan_.followable;
}

void PassFollower::Steer(double azimuthDegreesPerSecond) {
    if (std::abs(azimuthDegreesPerSecond - steeredSpeed_) <= 0.1 * steeredSpeed_ &&
        (steeredSpeed_ > 0) == (azimuthDegreesPerSecond > 0))
        return;
    steeredSpeed_ = azimuthDegreesPerSecond;
    course_ = {};
    if (pass_ && azimuthDegreesPerSecond > 0)
        course_ = PlanCourse(pass_->track, plan_, travel_, azimuthDegreesPerSecond);
}

std::optional<PassFollower::Target> PassFollower::TargetAt(double unixSeconds, double compassAzimuth,
                                                           double elevation,
                                                           const TrackingOptions& options) const {
    if (!pass_)
        return std::nullopt;
    if (unixSeconds > pass_->losUnix)
        return std::nullopt;
    if (options.prePosition && unixSeconds < pass_->aosUnix &&
        unixSeconds >= pass_->aosUnix - options.prePositionSeconds)
        return Target{plan_.prePosition, true};
    // Before the pass (without pre-positioning, or before its time) the satellite is followed below
    // the horizon on the plan's stretch already, so the rise finds the antenna on the right side.
    RotatorAngles rotator = ToRotator(plan_, travel_, compassAzimuth, elevation);
    const double offset = CourseOffsetAt(unixSeconds - pass_->aosUnix);
    if (offset != 0) {
        rotator.azimuth = std::clamp(rotator.azimuth + offset, travel_.azimuthMin, travel_.azimuthMax);
        rotator.elevation =
            std::clamp(ElevationFor(plan_, elevation, offset), travel_.elevationMin, travel_.elevationMax);
    }
    return Target{rotator, false};
}

double PassFollower::CourseOffsetAt(double secondsFromAos) const {
    const auto& offsets = course_.azimuthOffset;
    const auto& track = pass_->track;
    if (offsets.size() != track.size() || offsets.empty() || secondsFromAos < track.front().seconds ||
        secondsFromAos > track.back().seconds)
        return 0;
    const auto next = std::upper_bound(track.begin(), track.end(), secondsFromAos,
                                       [](double s, const TrackPoint& p) { return s < p.seconds; });
    const std::size_t j = std::min<std::size_t>(next - track.begin(), track.size() - 1);
    const std::size_t i = j > 0 ? j - 1 : 0;
    const double span = track[j].seconds - track[i].seconds;
    const double f = span > 0 ? std::clamp((secondsFromAos - track[i].seconds) / span, 0.0, 1.0) : 0;
    return offsets[i] + f * (offsets[j] - offsets[i]);
}

RotatorTravel PassFollower::TravelOf(const TrackingOptions& options, bool southStart, double azimuthMin,
                                     double azimuthMax, double elevationMin, double elevationMax) {
    return RotatorTravel{southStart, azimuthMin, std::max(azimuthMax, options.azimuthTravelMax), elevationMin,
                         std::max(elevationMax, options.elevationTravelMax)};
}
