// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/MainState.h"
#include "orbit/ElementSet.h"
#include "tracking/PassFollower.h"

#include <QString>
#include <optional>
#include <vector>

// The pass plan of the satellite being followed, kept up by the tracking cycle. The satellite's pass
// comes from the same element files and station the data server uses (TRACKER TLE, STATION
// LOCATION of the settings file), found by the name the server sends. Without them, or for a
// satellite not in them, nothing is planned and the target is followed as any other.
class PassTargets {
  public:
    // Reads the element files and the station's place.
    void Load(const QString& iniPath);
    // For tests and tools: the sets and place given directly.
    void Use(std::vector<orbit::ElementSet> sets, const orbit::Geodetic& observer);

    // Sets state.planned for the satellite `name` seen at (compassAzimuth, elevation) at `unixSeconds`:
    // plans its pass when it is new, then gives the rotator target of the plan, if any. Returns a text
    // for the status line when a plan was made flipped or could not be made (once per pass).
    std::optional<QString> Apply(MainState& state, const QString& name, double unixSeconds,
                                 double compassAzimuth, double elevation);

    // Nothing planned (another target chosen, tracking stopped).
    void Clear(MainState& state);

    const PassFollower& follower() const { return follower_; }

  private:
    const orbit::ElementSet* Find(const QString& name) const;

    std::vector<orbit::ElementSet> sets_;
    std::optional<orbit::Geodetic> observer_;
    PassFollower follower_;
    QString plannedName_;
    double searchedAtUnix_ = -1e18;   // last search for a pass, to search at most once a minute
    double refusedUntilUnix_ = -1e18; // LOS of a pass no plan carries: not planned again before it
};
