// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "orbit/DeepSpace.h"
#include "orbit/ElementSet.h"

#include <cstdint>

namespace orbit {

// Gravity model the element sets are fitted with: WGS-72.
namespace wgs72 {
constexpr double RadiusKm = 6378.135;
constexpr double Mu = 398600.8; // km^3/s^2
constexpr double J2 = 0.001082616;
constexpr double J3 = -0.00000253881;
constexpr double J4 = -0.00000165597;
} // namespace wgs72

// Why the model cannot give a position. The numbers are the ones the published model's reference
// code reports, so a failure can be compared with the verification output.
enum class Sgp4Error {
    None = 0,
    MeanEccentricity = 1,      // mean eccentricity left 0..1 (the orbit has decayed in the model)
    MeanMotion = 2,            // mean motion fell to zero or below
    PerturbedEccentricity = 3, // eccentricity after the lunar-solar terms left 0..1
    SemiLatusRectum = 4,       // semi-latus rectum below zero
    Decayed = 6,               // the satellite is below the Earth's surface
};
const char* Describe(Sgp4Error error);

struct Vector3 {
    double x = 0, y = 0, z = 0;
};

// Position (km) and velocity (km/s) in the true-equator, mean-equinox frame of the model.
struct TemeState {
    Vector3 position;
    Vector3 velocity;
    double meanAnomaly = 0; // radians, 0..2pi, the model's mean anomaly at the moment
};

struct Sgp4Result {
    Sgp4Error error = Sgp4Error::None;
    TemeState state; // only meaningful without an error
    bool ok() const { return error == Sgp4Error::None; }
};

// SGP4 for orbits under 225 minutes, SDP4 (lunar-solar and resonance terms) above, following
// Hoots and Roehrich's Spacetrack Report #3 with the corrections of Vallado, Crawford, Hujsak and
// Kelso (2006). Propagation is a pure function of the time: the resonance integration runs from
// the epoch in fixed half-day steps, resumed from the last call's step on the same thread when that
// lies on the way, which gives the same numbers as starting afresh.
class Sgp4 {
  public:
    explicit Sgp4(const ElementSet& elements);

    const ElementSet& Elements() const { return elements_; }
    // The error at the epoch itself; a set that fails there is useless at any time.
    Sgp4Error InitError() const { return initError_; }
    bool DeepSpace() const { return deepSpace_; }

    Sgp4Result Propagate(double minutesSinceEpoch) const;
    // Minutes since the epoch of a Julian date given as whole + fraction.
    double MinutesSinceEpoch(double julianWhole, double julianFraction) const;

  private:
    ElementSet elements_;
    Sgp4Error initError_ = Sgp4Error::None;
    bool deepSpace_ = false;
    bool simpleDrag_ = false;

    // Mean elements of the epoch (radians, radians per minute).
    double ecco_ = 0, inclo_ = 0, nodeo_ = 0, argpo_ = 0, mo_ = 0, noKozai_ = 0, no_ = 0, bstar_ = 0;
    double gsto_ = 0;
    // Secular and drag coefficients.
    double con41_ = 0, x1mth2_ = 0, x7thm1_ = 0, cc1_ = 0, cc4_ = 0, cc5_ = 0, d2_ = 0, d3_ = 0, d4_ = 0;
    double delmo_ = 0, eta_ = 0, argpdot_ = 0, omgcof_ = 0, sinmao_ = 0, t2cof_ = 0, t3cof_ = 0, t4cof_ = 0,
           t5cof_ = 0, xlcof_ = 0, aycof_ = 0, xmcof_ = 0, nodecf_ = 0, mdot_ = 0, nodedot_ = 0;
    DeepSpaceTerms deep_;
};

// Propagations made on this thread so far (a measure of search cost for tests and reports).
std::uint64_t PropagationCount();

// Greenwich mean sidereal time (IAU 1982) of a UT1 Julian date, radians 0..2pi.
double GreenwichSiderealTime(double julianDateUt1);

} // namespace orbit
