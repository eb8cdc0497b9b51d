// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sky/Ephemeris.h"

#include <QDateTime>
#include <QString>
#include <optional>

// The satellite's values for the data-link items at one moment.
struct SatelliteValues {
    double azimuth = 0;   // compass degrees, 0..360
    double elevation = 0; // degrees
    double rangeMetres = 0;
    double rangeRate = 0;   // metres per second, positive when receding
    double meanAnomaly = 0; // degrees, 0..360
    long revolution = 0;
    double x = 0, y = 0, z = 0; // Earth-fixed, metres
};

// What the server says at one moment. Computed once a second; every request of that second is
// answered from it.
struct SkySnapshot {
    QString satelliteName;
    // No value when the model gives no position at this moment (a decayed element set): the
    // position items are then answered with an error, never with an invented position.
    std::optional<SatelliteValues> satellite;
    QString satelliteProblem;
    double modifiedJulianDate = 0;
    SkyBodies bodies;
};

class SkySource {
  public:
    virtual ~SkySource() = default;
    virtual SkySnapshot At(const QDateTime& utc) = 0;
};
