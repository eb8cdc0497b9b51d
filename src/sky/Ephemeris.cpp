// SPDX-License-Identifier: GPL-3.0-or-later
#include "sky/Ephemeris.h"

#include <cmath>
#include <libnova/aberration.h>
#include <libnova/earth.h>
#include <libnova/ln_types.h>
#include <libnova/lunar.h>
#include <libnova/mars.h>
#include <libnova/nutation.h>
#include <libnova/precession.h>
#include <libnova/sidereal_time.h>
#include <libnova/solar.h>

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double Rad = Pi / 180;
constexpr double J2000 = 2451545.0;
constexpr double KilometresPerAu = 149597870.7;

double Wrap360(double degrees) {
    degrees = std::fmod(degrees, 360.0);
    return degrees < 0 ? degrees + 360 : degrees;
}

// Interpolates an angle in degrees across the 360/0 seam.
double Between(double a, double b, double f) {
    double d = b - a;
    if (d > 180)
        d -= 360;
    if (d < -180)
        d += 360;
    return Wrap360(a + f * d);
}

// libnova's geometric Sun (ecliptic of J2000, with its FK5 correction) in J2000 equatorial
// coordinates. Its "apparent" solar function adds the nutation in longitude to these J2000
// coordinates, which the frame of date below would count twice.
ln_equ_posn SunJ2000(double jde, double* distanceAu) {
    ln_helio_posn sun{};
    ln_get_solar_geom_coords(jde, &sun);
    *distanceAu = sun.R;
    const double e = 23.4392911 * Rad; // mean obliquity of J2000
    const double l = sun.L * Rad, b = sun.B * Rad;
    return {Wrap360(std::atan2(std::sin(l) * std::cos(e) - std::tan(b) * std::sin(e), std::cos(l)) / Rad),
            std::asin(std::sin(b) * std::cos(e) + std::cos(b) * std::sin(e) * std::sin(l)) / Rad};
}

// A J2000 place turned into the true equator and equinox of date: precession, then nutation in
// right ascension and declination; with `aberration`, the annual aberration too (the Sun and the
// planets; the Moon moves with the Earth, and its series already gives where it is seen from it).
ln_equ_posn OfDate(ln_equ_posn j2000, double jde, bool aberration) {
    ln_equ_posn mean{};
    ln_get_equ_prec2(&j2000, J2000, jde, &mean);
    ln_nutation nutation{};
    ln_get_nutation(jde, &nutation);
    const double e = nutation.ecliptic * Rad, a = mean.ra * Rad, d = mean.dec * Rad;
    ln_equ_posn place{mean.ra + (std::cos(e) + std::sin(e) * std::sin(a) * std::tan(d)) * nutation.longitude -
                          std::cos(a) * std::tan(d) * nutation.obliquity,
                      mean.dec + std::sin(e) * std::cos(a) * nutation.longitude +
                          std::sin(a) * nutation.obliquity};
    if (aberration) {
        ln_equ_posn aberrated{};
        ln_get_equ_aber(&place, jde, &aberrated);
        place = aberrated;
    }
    place.ra = Wrap360(place.ra);
    return place;
}

// Azimuth and elevation of a geocentric place of date at `distanceAu` for an observer at
// `localSidereal` degrees: the place is first moved to the observer's point of view (the parallax,
// from the observer's distance from the Earth's axis and from its equator on the ellipsoid).
HorizontalPosition Topocentric(ln_equ_posn place, double distanceAu, double latitude, double height,
                               double localSidereal) {
    const double phi = latitude * Rad;
    const double u = std::atan(0.99664719 * std::tan(phi));
    const double rhoSin = 0.99664719 * std::sin(u) + height / 6378140.0 * std::sin(phi);
    const double rhoCos = std::cos(u) + height / 6378140.0 * std::cos(phi);
    const double sinParallax = std::sin(8.794 / 3600 * Rad) / distanceAu;
    const double h = (localSidereal - place.ra) * Rad, d = place.dec * Rad;
    const double x = std::cos(d) * std::cos(h) - rhoCos * sinParallax;
    const double y = std::cos(d) * std::sin(h);
    const double z = std::sin(d) - rhoSin * sinParallax;
    const double ht = std::atan2(y, x), dt = std::atan2(z, std::hypot(x, y));
    const double elevation =
        std::asin(std::sin(phi) * std::sin(dt) + std::cos(phi) * std::cos(dt) * std::cos(ht));
    const double azimuth =
        std::atan2(-std::cos(dt) * std::sin(ht),
                   std::sin(dt) * std::cos(phi) - std::cos(dt) * std::sin(phi) * std::cos(ht));
    return {Wrap360(azimuth / Rad), elevation / Rad};
}

double LocalSidereal(double jdUt1, double longitude) {
    return Wrap360(ln_get_apparent_sidereal_time(jdUt1) * 15 + longitude);
}

double Terrestrial(double jdUt1) {
    return jdUt1 + DeltaT(jdUt1) / 86400;
}

} // namespace

double JulianDay(const QDateTime& time) {
    return static_cast<double>(time.toMSecsSinceEpoch()) / 86400000.0 + 2440587.5;
}

double ModifiedJulianDate(const QDateTime& time) {
    return JulianDay(time) - 2400000.5;
}

double DeltaT(double julianDayUt1) {
    const double t = (julianDayUt1 - 2451544.5) / 365.25;
    return 62.92 + 0.32217 * t + 0.005589 * t * t;
}

SkyBodies SkyBodiesAt(const QDateTime& utc, double latitude, double longitude, double height, double dut1) {
    const double jd = JulianDay(utc) + dut1 / 86400;
    const double jde = Terrestrial(jd);
    const double sidereal = LocalSidereal(jd, longitude);
    SkyBodies bodies;
    double distance = 0;
    ln_equ_posn place = OfDate(SunJ2000(jde, &distance), jde, true);
    bodies.sun = Topocentric(place, distance, latitude, height, sidereal);
    ln_get_lunar_equ_coords(jde, &place);
    bodies.moon = Topocentric(OfDate(place, jde, false), ln_get_lunar_earth_dist(jde) / KilometresPerAu,
                              latitude, height, sidereal);
    ln_get_mars_equ_coords(jde, &place);
    bodies.mars =
        Topocentric(OfDate(place, jde, true), ln_get_mars_earth_dist(jde), latitude, height, sidereal);
    return bodies;
}

SkyBodiesCache::SkyBodiesCache(double latitude, double longitude, double height)
    : latitude_(latitude), longitude_(longitude), height_(height) {}

SkyBodiesCache::Places SkyBodiesCache::PlacesAt(double minuteJd) {
    const double jde = Terrestrial(minuteJd);
    Places p;
    p.minute = minuteJd;
    ln_equ_posn place = OfDate(SunJ2000(jde, &p.sunDistance), jde, true);
    p.sunRa = place.ra;
    p.sunDec = place.dec;
    ln_get_lunar_equ_coords(jde, &place);
    place = OfDate(place, jde, false);
    p.moonRa = place.ra;
    p.moonDec = place.dec;
    p.moonDistance = ln_get_lunar_earth_dist(jde) / KilometresPerAu;
    ln_get_mars_equ_coords(jde, &place);
    place = OfDate(place, jde, true);
    p.marsRa = place.ra;
    p.marsDec = place.dec;
    p.marsDistance = ln_get_mars_earth_dist(jde);
    return p;
}

SkyBodies SkyBodiesCache::At(const QDateTime& utc) {
    // Ten minutes: the places move so evenly that a straight line between them is off by under
    // 0.0001 degrees (the Moon's motion changes by about a tenth a day).
    constexpr double Span = 10.0 / 1440;
    const double jd = JulianDay(utc) + dut1_ / 86400;
    const double minute = std::floor((jd - 0.5) / Span) * Span + 0.5;
    if (before_.minute != minute) {
        before_ = after_.minute == minute ? after_ : PlacesAt(minute);
        after_ = PlacesAt(minute + Span);
    }
    const double f = (jd - minute) / Span;
    const auto along = [f](double a, double b) { return a + f * (b - a); };
    const double sidereal = LocalSidereal(jd, longitude_);
    SkyBodies bodies;
    bodies.sun = Topocentric({Between(before_.sunRa, after_.sunRa, f), along(before_.sunDec, after_.sunDec)},
                             along(before_.sunDistance, after_.sunDistance), latitude_, height_, sidereal);
    bodies.moon =
        Topocentric({Between(before_.moonRa, after_.moonRa, f), along(before_.moonDec, after_.moonDec)},
                    along(before_.moonDistance, after_.moonDistance), latitude_, height_, sidereal);
    bodies.mars =
        Topocentric({Between(before_.marsRa, after_.marsRa, f), along(before_.marsDec, after_.marsDec)},
                    along(before_.marsDistance, after_.marsDistance), latitude_, height_, sidereal);
    return bodies;
}
