// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>

// Sun, Moon and Mars for an observer, from libnova's series. Shared by the program (--link rotctld
// computes them itself) and by src/tracker. Azimuths are compass degrees (0 north, clockwise).
//
// The places are apparent and topocentric, of date: libnova's series give the bodies in the mean
// frame of J2000 (the Sun geometric, Mars with its light time), so precession to the date,
// nutation and, for the Sun and Mars, the annual aberration are applied here; then the hour angle
// from the apparent sidereal time and the parallax from the observer's place (which moves the Moon
// by up to a degree). No refraction: these are the geometric directions an antenna points at.
struct HorizontalPosition {
    double azimuth = 0, elevation = 0;
};

struct SkyBodies {
    HorizontalPosition sun, moon, mars;
};

// latitude north positive, longitude east positive, degrees; height above the ellipsoid, metres;
// dut1 = UT1 - UTC, seconds (0 when unknown, as time signals broadcast it to 0.1 s).
SkyBodies SkyBodiesAt(const QDateTime& utc, double latitude, double longitude, double height = 0,
                      double dut1 = 0);

// The same for an observer asked again and again (a data server, once a second): the bodies' places
// among the stars, the costly part (the Moon's series above all), are worked out every ten minutes
// and interpolated between them; the turn of the sky and the parallax are applied exactly.
// Within 0.001 degrees of SkyBodiesAt, at about a hundredth of the cost.
class SkyBodiesCache {
  public:
    SkyBodiesCache(double latitude, double longitude, double height = 0);
    void SetDut1(double seconds) { dut1_ = seconds; }
    SkyBodies At(const QDateTime& utc);

  private:
    struct Places {
        double minute = -1; // Julian day (UT1) of the start of the span
        double sunRa = 0, sunDec = 0, sunDistance = 0, moonRa = 0, moonDec = 0, moonDistance = 0, marsRa = 0,
               marsDec = 0, marsDistance = 0;
    };
    static Places PlacesAt(double minuteJd);
    double latitude_, longitude_, height_;
    double dut1_ = 0;
    Places before_, after_;
};

// Julian day and modified Julian date of an instant.
double JulianDay(const QDateTime& time);
double ModifiedJulianDate(const QDateTime& time);

// Terrestrial time minus UT1, seconds, for a Julian day (UT1): the polynomial fitted to the
// measured values since 2005 and extrapolated from them; within a few seconds to 2050, which moves
// the Moon, the fastest of the three, by under 0.002 degrees.
double DeltaT(double julianDayUt1);

// DUT1 as time signals broadcast it: |UT1 - UTC| stays under 0.9 s.
constexpr double MaxDut1 = 0.9;
