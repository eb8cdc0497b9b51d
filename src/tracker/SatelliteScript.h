// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// A scripted satellite for demonstrations and tests: a circular orbit 420 km high, seen from the
// observer in three passes that repeat — a high pass from south-south-west to north-north-east over
// the east, a low pass that crosses north from west to east, and a low southbound pass over the
// west. Between passes the satellite is below the horizon (negative elevation).
//
// Time is counted from an epoch at which a pass is about six minutes from its highest point. The
// pass itself runs at the true rate; the wait for the next pass runs `speedup` times faster.
class SatelliteScript {
  public:
    static constexpr double OrbitSeconds = 5580;  // one revolution
    static constexpr double PassHalfWindow = 360; // seconds around a culmination at the true rate
    static constexpr double AltitudeMetres = 420e3;
    static constexpr double EarthRadiusMetres = 6371e3;
    static constexpr int FirstRevolution = 12345;

    explicit SatelliteScript(double speedup = 1);

    struct State {
        int pass = 0;         // passes since the epoch (negative before it)
        double azimuth = 0;   // compass degrees, 0..360
        double elevation = 0; // degrees
        double rangeMetres = 0;
        double rangeRate = 0;   // metres per second, positive when receding
        double meanAnomaly = 0; // degrees, 0..360
        int revolution = 0;
        double east = 0, north = 0, up = 0; // satellite position from the Earth's centre, metres,
                                            // in the observer's east/north/up axes
    };
    // secondsSinceEpoch: wall-clock seconds since the epoch.
    State At(double secondsSinceEpoch) const;

    // Wall-clock seconds from one pass to the next.
    double CycleSeconds() const;

  private:
    double speedup_;
};
