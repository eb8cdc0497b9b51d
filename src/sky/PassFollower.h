// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/TrackingOptions.h"
#include "sky/PassPlan.h"

#include <optional>

// The target the rotators are given for one planned pass: until LOS the satellite on the plan's
// stretch (and flipped when the plan says so), except from the pre-positioning time until AOS, when it
// is the rise point of the plan; after LOS, or for a pass no plan carries, nothing, and the target is
// the satellite as it has always been.
class PassFollower {
  public:
    struct UpcomingPass {
        double aosUnix = 0, losUnix = 0;
        std::vector<TrackPoint> track; // seconds from AOS
    };

    // Plans the pass; false when the rotator cannot follow it on one stretch (then TargetAt gives
    // nothing for it).
    bool Plan(const UpcomingPass& pass, const RotatorTravel& travel, double presentAzimuth);
    void Forget() { pass_.reset(); }

    // Steers the azimuth on the plan's course (see PlanCourse) for a rotator measured at this many
    // degrees per second; 0 (not measured yet) follows the track itself. The course is planned afresh
    // when the speed changes by more than a tenth.
    void Steer(double azimuthDegreesPerSecond);

    struct Target {
        RotatorAngles rotator;
        bool prePositioning = false;
    };
    // The rotator target at `unixSeconds` for the satellite seen at (compassAzimuth, elevation).
    std::optional<Target> TargetAt(double unixSeconds, double compassAzimuth, double elevation,
                                   const TrackingOptions& options) const;

    const std::optional<UpcomingPass>& pass() const { return pass_; }
    const PassPlan& plan() const { return plan_; }
    const PassCourse& course() const { return course_; }

    // The plan's travel from the options and the operating ranges: the travel end where one is set.
    static RotatorTravel TravelOf(const TrackingOptions& options, bool southStart, double azimuthMin,
                                  double azimuthMax, double elevationMin, double elevationMax);

  private:
    double CourseOffsetAt(double secondsFromAos) const;

    std::optional<UpcomingPass> pass_;
    PassPlan plan_;
    RotatorTravel travel_;
    PassCourse course_;
    double steeredSpeed_ = 0;
};
