// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedSky.h"

#include <cmath>
#include <numbers>

ScriptedSky::ScriptedSky(QString satellite, double latitude, double longitude, double speedup,
                         QDateTime epoch)
    : satellite_(std::move(satellite)), latitude_(latitude), longitude_(longitude), script_(speedup),
      epoch_(std::move(epoch)), bodies_(latitude, longitude) {}

SkySnapshot ScriptedSky::At(const QDateTime& utc) {
    const double sinceEpoch = static_cast<double>(epoch_.msecsTo(utc)) / 1000.0;
    const SatelliteScript::State s = script_.At(sinceEpoch);
    SkySnapshot snapshot;
    snapshot.satelliteName = satellite_;
    SatelliteValues v;
    v.azimuth = s.azimuth;
    v.elevation = s.elevation;
    v.rangeMetres = s.rangeMetres;
    v.rangeRate = s.rangeRate;
    v.meanAnomaly = s.meanAnomaly;
    v.revolution = s.revolution;
    // The script works in the observer's east/north/up axes; turn them into Earth-fixed ones.
    const double phi = latitude_ * std::numbers::pi / 180;
    const double lambda = longitude_ * std::numbers::pi / 180;
    const double east[3] = {-std::sin(lambda), std::cos(lambda), 0};
    const double north[3] = {-std::sin(phi) * std::cos(lambda), -std::sin(phi) * std::sin(lambda),
                             std::cos(phi)};
    const double up[3] = {std::cos(phi) * std::cos(lambda), std::cos(phi) * std::sin(lambda), std::sin(phi)};
    double xyz[3];
    for (int i = 0; i < 3; ++i)
        xyz[i] = s.east * east[i] + s.north * north[i] + s.up * up[i];
    v.x = xyz[0];
    v.y = xyz[1];
    v.z = xyz[2];
    snapshot.satellite = v;
    snapshot.modifiedJulianDate = ModifiedJulianDate(utc);
    snapshot.bodies = bodies_.At(utc);
    return snapshot;
}
