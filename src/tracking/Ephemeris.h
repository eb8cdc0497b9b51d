#pragma once

#include <QDateTime>

// Sun, Moon and Mars for an observer, from libnova. Shared by the program (--link rotctld computes
// them itself) and by tools/trackserver. Azimuths are compass degrees (0 north, clockwise);
// libnova counts from the south, so they are turned by half a turn here.
struct HorizontalPosition {
    double azimuth = 0, elevation = 0;
};

struct SkyBodies {
    HorizontalPosition sun, moon, mars;
};

// latitude north positive, longitude east positive, degrees.
SkyBodies SkyBodiesAt(const QDateTime& utc, double latitude, double longitude);

// Julian day and modified Julian date of an instant.
double JulianDay(const QDateTime& time);
double ModifiedJulianDate(const QDateTime& time);
