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
