#include "tracking/Ephemeris.h"

#include <cmath>
#include <libnova/ln_types.h>
#include <libnova/lunar.h>
#include <libnova/mars.h>
#include <libnova/parallax.h>
#include <libnova/solar.h>
#include <libnova/transform.h>

namespace {

HorizontalPosition Horizontal(ln_equ_posn equatorial, ln_lnlat_posn observer, double jd) {
    ln_hrz_posn hrz{};
    ln_get_hrz_from_equ(&equatorial, &observer, jd, &hrz);
    double azimuth = std::fmod(hrz.az + 180.0, 360.0);
    if (azimuth < 0)
        azimuth += 360;
    return {azimuth, hrz.alt};
}

// Interpolates an angle in degrees across the 360/0 seam.
double Between(double a, double b, double f) {
    double d = b - a;
    if (d > 180)
        d -= 360;
    if (d < -180)
        d += 360;
    return std::fmod(a + f * d + 360.0, 360.0);
}

} // namespace

double JulianDay(const QDateTime& time) {
    return static_cast<double>(time.toMSecsSinceEpoch()) / 86400000.0 + 2440587.5;
}

double ModifiedJulianDate(const QDateTime& time) {
    return JulianDay(time) - 2400000.5;
}

SkyBodies SkyBodiesAt(const QDateTime& utc, double latitude, double longitude) {
    const double jd = JulianDay(utc);
    ln_lnlat_posn observer{longitude, latitude};
    SkyBodies bodies;
    ln_equ_posn equatorial{};
    ln_get_solar_equ_coords(jd, &equatorial);
    bodies.sun = Horizontal(equatorial, observer, jd);
    ln_get_lunar_equ_coords(jd, &equatorial);
    // The Moon is near enough for the observer's place on the Earth to move it by up to a degree.
    ln_equ_posn shift{};
    ln_get_parallax(&equatorial, ln_get_lunar_earth_dist(jd) / 149597870.7, &observer, 0, jd, &shift);
    equatorial.ra += shift.ra;
    equatorial.dec += shift.dec;
    bodies.moon = Horizontal(equatorial, observer, jd);
    ln_get_mars_equ_coords(jd, &equatorial);
    bodies.mars = Horizontal(equatorial, observer, jd);
    return bodies;
}

SkyBodiesCache::SkyBodiesCache(double latitude, double longitude)
    : latitude_(latitude), longitude_(longitude) {}

SkyBodiesCache::Places SkyBodiesCache::PlacesAt(double minuteJd) {
    Places p;
    p.minute = minuteJd;
    ln_equ_posn equatorial{};
    ln_get_solar_equ_coords(minuteJd, &equatorial);
    p.sunRa = equatorial.ra;
    p.sunDec = equatorial.dec;
    ln_get_lunar_equ_coords(minuteJd, &equatorial);
    p.moonRa = equatorial.ra;
    p.moonDec = equatorial.dec;
    p.moonDistance = ln_get_lunar_earth_dist(minuteJd);
    ln_get_mars_equ_coords(minuteJd, &equatorial);
    p.marsRa = equatorial.ra;
    p.marsDec = equatorial.dec;
    return p;
}

SkyBodies SkyBodiesCache::At(const QDateTime& utc) {
    // Ten minutes: the places move so evenly that a straight line between them is off by under
    // 0.0001 degrees (the Moon's motion changes by about a tenth a day).
    constexpr double Span = 10.0 / 1440;
    const double jd = JulianDay(utc);
    const double minute = std::floor((jd - 0.5) / Span) * Span + 0.5;
    if (before_.minute != minute) {
        before_ = after_.minute == minute ? after_ : PlacesAt(minute);
        after_ = PlacesAt(minute + Span);
    }
    const double f = (jd - minute) / Span;
    ln_lnlat_posn observer{longitude_, latitude_};
    SkyBodies bodies;
    ln_equ_posn sun{Between(before_.sunRa, after_.sunRa, f),
                    before_.sunDec + f * (after_.sunDec - before_.sunDec)};
    bodies.sun = Horizontal(sun, observer, jd);
    ln_equ_posn moon{Between(before_.moonRa, after_.moonRa, f),
                     before_.moonDec + f * (after_.moonDec - before_.moonDec)};
    const double distance = before_.moonDistance + f * (after_.moonDistance - before_.moonDistance);
    ln_equ_posn shift{};
    ln_get_parallax(&moon, distance / 149597870.7, &observer, 0, jd, &shift);
    moon.ra += shift.ra;
    moon.dec += shift.dec;
    bodies.moon = Horizontal(moon, observer, jd);
    ln_equ_posn mars{Between(before_.marsRa, after_.marsRa, f),
                     before_.marsDec + f * (after_.marsDec - before_.marsDec)};
    bodies.mars = Horizontal(mars, observer, jd);
    return bodies;
}
