#pragma once

#include <QDateTime>

// Sun, Moon and Mars for an observer, from libnova. Shared by the program (--link rotctld computes
// them itself) and by src/tracker. Azimuths are compass degrees (0 north, clockwise);
// libnova counts from the south, so they are turned by half a turn here.
struct HorizontalPosition {
    double azimuth = 0, elevation = 0;
};

struct SkyBodies {
    HorizontalPosition sun, moon, mars;
};

// latitude north positive, longitude east positive, degrees.
SkyBodies SkyBodiesAt(const QDateTime& utc, double latitude, double longitude);

// The same for an observer asked again and again (a data server, once a second): the bodies' places
// among the stars, the costly part (the Moon's series above all), are worked out every ten minutes
// and interpolated between them; the turn of the sky and the Moon's parallax are applied exactly.
// Within 0.001 degrees of SkyBodiesAt, at about a hundredth of the cost.
class SkyBodiesCache {
  public:
    SkyBodiesCache(double latitude, double longitude);
    SkyBodies At(const QDateTime& utc);

  private:
    struct Places {
        double minute = -1; // Julian day of the start of the span
        double sunRa = 0, sunDec = 0, moonRa = 0, moonDec = 0, moonDistance = 0, marsRa = 0, marsDec = 0;
    };
    static Places PlacesAt(double minuteJd);
    double latitude_, longitude_;
    Places before_, after_;
};

// Julian day and modified Julian date of an instant.
double JulianDay(const QDateTime& time);
double ModifiedJulianDate(const QDateTime& time);
