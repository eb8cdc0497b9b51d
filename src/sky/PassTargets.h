// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/MainState.h"
#include "orbit/ElementSet.h"
#include "satellites/SatelliteIndex.h"
#include "sky/PassFollower.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class ProfileDocument;

// The pass plan of the satellite being followed, kept up by the tracking cycle. The satellite's pass
// comes from the same element files and station the data server uses (TRACKER TLE, STATION
// LOCATION of the settings file), found in the satellite index by the name the server sends.
//
// The plan is made and followed on the time of the positions served, not on the computer's clock:
// the caller gives the server's time where the server sends one. Each fresh position is checked
// against the plan's own position of the satellite at that time; a server whose positions are for
// another time (a tracker started at another time, a simulated clock) would have the antenna follow
// the wrong pass, so a plan that disagrees is dropped and none is made until they agree again.
//
// Whatever happens, the status line is told once per pass which plan is in force, or why there is
// none (the satellite not in the element files, no station location, a pass no stretch carries, the
// server's time).
class PassTargets {
  public:
    // Reads the element files, the chosen satellites and the station's place. Called again whenever
    // the settings or an element file change: a satellite chosen in the dialog or a downloaded set is
    // planned at once. A plan in force stays when its satellite's set is unchanged.
    void Load(const QString& iniPath);
    // The same from the settings as read (a start-up's, or a watch's after a change).
    void Load(const ProfileDocument& settings, const QString& iniPath);
    // For tests and tools: the sets and place given directly.
    void Use(std::vector<orbit::ElementSet> sets, const std::optional<orbit::Geodetic>& observer);

    // Sets state.planned for the satellite `name` seen at (compassAzimuth, elevation) at `unixSeconds`
    // (the time of that position): plans its pass when it is new, then gives the rotator target of the
    // plan, if any. `fresh` is false for a position kept from before (a silent server). Returns a
    // text for the status line once per pass: the plan in force, or why there is none.
    std::optional<QString> Apply(MainState& state, const QString& name, double unixSeconds,
                                 double compassAzimuth, double elevation, bool fresh = true);

    // Nothing planned (another target chosen, tracking stopped).
    void Clear(MainState& state);

    const PassFollower& follower() const { return follower_; }

    // A served position farther than this from the plan's position of the satellite at the same time
    // is for another time; the plan is not followed on it.
    static constexpr double DisagreementDegrees = 5;
    // Fresh positions in a row that must disagree before a plan in force is dropped (one odd value,
    // such as a position taken just before a new set was served, does not drop it).
    static constexpr int DisagreementsToDrop = 2;

    // Status-line texts.
    static QString PlanText(double aosAzimuth, double losAzimuth, const TrackingOptions& options);
    static QString NotInElementsText(const QString& name);
    static QString NoStationText();
    static QString NoPassText(const QString& name);
    static QString OtherTimeText(double degrees);

  private:
    const CatalogueEntry* FindServed(const QString& name) const;
    // Degrees between the served position and the model's at `unixSeconds`; nullopt without a model.
    std::optional<double> Disagreement(const orbit::ElementSet& set, double unixSeconds,
                                       double compassAzimuth, double elevation) const;
    std::optional<QString> Plan(MainState& state, const QString& name, double unixSeconds,
                                double compassAzimuth, double elevation);
    std::optional<QString> Say(const QString& text, const QString& reason = {});

    SatelliteIndex index_;
    QStringList chosen_; // the tracker's satellites, found first by the name it serves
    std::optional<orbit::Geodetic> observer_;
    PassFollower follower_;
    QString plannedName_;
    std::optional<orbit::ElementSet> plannedSet_;
    double searchedAtUnix_ = -1e18;   // last search for a pass, to search at most once a minute
    double refusedUntilUnix_ = -1e18; // LOS of a pass no plan carries: not planned again before it
    int disagreements_ = 0;           // fresh positions in a row off the plan's
    QString said_;                    // the last reason told, so that it is told once
    bool overTopSaid_ = false;        // the course over the top told for this pass
};
