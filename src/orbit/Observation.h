// SPDX-License-Identifier: GPL-3.0-or-later
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

// dut1 = UT1 - UTC, seconds: turns the Earth under the orbit (the orbit itself runs in UTC).
ObservationResult Observe(const Sgp4& model, const Geodetic& observer, const JulianDate& time,
                          double dut1 = 0);

// Once the model has failed after the epoch (the satellite decayed), it may give numbers again
// later, but they mean nothing. This remembers the first failure after the epoch; later times only
// extend the check, so it costs little once the watch has caught up.
//
// The time from the epoch is not walked minute by minute (an element set years old would take
// seconds): it is sampled every twelve hours, and only where the osculating perigee comes within
// 25 km of the surface, or perigee or axis jump between samples as no intact orbit's do, is it
// walked, in steps no longer than the satellite needs to reach the ground from where it is.
class DecayWatch {
  public:
    // True when the model fails at `minutes` or failed at any time between the epoch and it.
    bool FailedBy(const Sgp4& model, double minutes);
    std::optional<double> FailedAt() const { return failedAt_; }

  private:
    // Checks (checkedUntil_, until]; sets failedAt_ on a failure.
    void Extend(const Sgp4& model, double until);
    void Walk(const Sgp4& model, double from, double to);

    double checkedUntil_ = 0;
    bool started_ = false;
    double perigeeKm_ = 0, axisKm_ = 0; // osculating, at checkedUntil_
    std::optional<double> failedAt_;
};

// Elevation alone, for searches; a time the model rejects counts as far below the horizon.
double ElevationAt(const Sgp4& model, const Geodetic& observer, const JulianDate& time);

} // namespace orbit
