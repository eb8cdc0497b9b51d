// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "orbit/Sgp4.h"

#include <cstdint>

namespace orbit {

// An instant as a Julian date in two parts, so differences of seconds survive: `whole` ends in .5
// (0h UTC), `fraction` is the part of the day, 0..1. The Earth's turn is reckoned in UT1, which
// differs from UTC by up to 0.9 s; where the difference is not given (dut1 below), UTC stands in
// for it, which turns a low satellite's direction by up to 0.06 degrees (0.0065 per 0.1 s).
struct JulianDate {
    double whole = 0;
    double fraction = 0;

    static JulianDate FromUnixMilliseconds(std::int64_t milliseconds);
    std::int64_t ToUnixMilliseconds() const;
    double Value() const { return whole + fraction; }
    double ModifiedJulianDate() const { return (whole - 2400000.5) + fraction; }
    JulianDate PlusSeconds(double seconds) const;
};

// A station on the WGS-84 ellipsoid.
struct Geodetic {
    double latitude = 0;  // degrees, north positive
    double longitude = 0; // degrees, east positive
    double height = 0;    // metres above the ellipsoid
};

// Earth-centred, Earth-fixed (Greenwich) coordinates, metres and metres per second.
struct EarthFixedState {
    Vector3 position;
    Vector3 velocity;
};

// Direction and distance of a satellite from the observer.
struct LookAngles {
    double azimuth = 0;   // degrees from north, clockwise, 0..360
    double elevation = 0; // degrees above the horizon
    double range = 0;     // metres
    double rangeRate = 0; // metres per second, positive when receding
};

// Earth rotation rate, radians per second.
constexpr double EarthRotationRate = 7.292115146706979e-5;

// The observer's place in Earth-fixed metres.
Vector3 ObserverPosition(const Geodetic& observer);

// The model's TEME state (km, km/s) turned into Earth-fixed metres by the Greenwich mean sidereal
// time (polar motion, under 15 m, is left out). dut1 = UT1 - UTC, seconds.
EarthFixedState TemeToEarthFixed(const TemeState& teme, const JulianDate& time, double dut1 = 0);

// Azimuth, elevation, range and range rate of an Earth-fixed state from the observer.
LookAngles Look(const Geodetic& observer, const EarthFixedState& satellite);

} // namespace orbit
