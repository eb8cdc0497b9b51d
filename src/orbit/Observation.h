#pragma once

#include "orbit/Frames.h"
#include "orbit/Sgp4.h"

#include <optional>

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

// Once the model has failed after the epoch (the satellite decayed), it may give numbers again
// later, but they mean nothing. This remembers the first failure, checking the model minute by
// minute from the epoch up to the times asked for; later times only extend the check.
class DecayWatch {
  public:
    // True when the model fails at `minutes` or failed at any whole minute between the epoch and it.
    bool FailedBy(const Sgp4& model, double minutes);
    std::optional<double> FailedAt() const { return failedAt_; }

  private:
    double checkedUntil_ = 0;
    std::optional<double> failedAt_;
};

// Elevation alone, for searches; a time the model rejects counts as far below the horizon.
double ElevationAt(const Sgp4& model, const Geodetic& observer, const JulianDate& time);

} // namespace orbit
