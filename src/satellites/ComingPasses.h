// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "orbit/ElementSet.h"
#include "orbit/Frames.h"
#include "orbit/Passes.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

// The coming passes of the chosen satellites over the station, for the passes window, and the track
// of one pass across the sky for the map. Both come from the orbit library the tracker serves from,
// so the map's track and the served positions agree.

struct PassRow {
    int satellite = 0; // index into the sets given
    QString name;
    orbit::Pass pass;
};

struct ComingPassList {
    std::vector<PassRow> rows; // by AOS
    QStringList notes;         // satellites without passes, and why
};

// The next `perSatellite` passes of each set from `fromUtc` (a pass in progress included), at most
// `days` ahead, merged in order of AOS.
ComingPassList ComingPasses(const std::vector<orbit::ElementSet>& sets, const orbit::Geodetic& observer,
                            const QDateTime& fromUtc, int perSatellite, double days = 3);

struct PassTrackPoint {
    double azimuth = 0;   // compass degrees
    double elevation = 0; // degrees
};

// The satellite's direction from AOS to LOS, every `stepSeconds` and at both ends. Moments where the
// model gives no position are left out.
std::vector<PassTrackPoint> PassTrack(const orbit::ElementSet& set, const orbit::Geodetic& observer,
                                      const orbit::Pass& pass, double stepSeconds = 10);

// "12/08 21:34:05" of an instant, in local time or UTC.
QString PassTimeText(const orbit::JulianDate& time, bool utc);
