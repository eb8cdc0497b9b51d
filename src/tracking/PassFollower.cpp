// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracking/PassFollower.h"

#include <algorithm>

bool PassFollower::Plan(const UpcomingPass& pass, const RotatorTravel& travel, double presentAzimuth) {
    travel_ = travel;
    plan_ = PlanPass(pass.track, travel, presentAzimuth);
    if (plan_.followable)
        pass_ = pass;
    else
        pass_.reset();
    return plan_.followable;
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
    return Target{ToRotator(plan_, travel_, compassAzimuth, elevation), false};
}

RotatorTravel PassFollower::TravelOf(const TrackingOptions& options, bool southStart, double azimuthMin,
                                     double azimuthMax, double elevationMin, double elevationMax) {
    return RotatorTravel{southStart, azimuthMin, std::max(azimuthMax, options.azimuthTravelMax), elevationMin,
                         std::max(elevationMax, options.elevationTravelMax)};
}
