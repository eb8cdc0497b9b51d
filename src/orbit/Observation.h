#pragma once

#include "orbit/Frames.h"
#include "orbit/Sgp4.h"

namespace orbit {

// Everything the data-link items say about a satellite at one moment.
struct SatelliteObservation {
    LookAngles look;
    EarthFixedState earthFixed; // metres, metres per second
    double meanAnomaly = 0;     // degrees, 0..360
    long revolution = 0;        // revolutions counted from the ascending node, as the element sets count
};

struct ObservationResult {
    Sgp4Error error = Sgp4Error::None;
    SatelliteObservation observation; // only meaningful without an error
    bool ok() const { return error == Sgp4Error::None; }
};

ObservationResult Observe(const Sgp4& model, const Geodetic& observer, const JulianDate& time);

// Elevation alone, for searches; a time the model rejects counts as far below the horizon.
double ElevationAt(const Sgp4& model, const Geodetic& observer, const JulianDate& time);

} // namespace orbit
