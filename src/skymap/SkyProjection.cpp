// SPDX-License-Identifier: GPL-3.0-or-later
#include "skymap/SkyProjection.h"

#include <cmath>

namespace {

double Radians(double degrees) {
    return degrees * MapPi / 180;
}
double Degrees(double radians) {
    return radians * 180 / MapPi;
}

} // namespace

double ElevationRadius(double elevation) {
    return (90 - elevation) * HorizonRadiusTwips / 90;
}

// The quadrant bounds are kept exactly as the map has always used them: each quadrant is closed at
// its upper end, so 90, 180, 270 and 360 belong to the quadrant below them.
double SkyPlotX(double azimuth, double elevation) {
    const double r = ElevationRadius(elevation);
    const double a = azimuth;
    if (a >= 0 && a <= 90)
        return r * std::cos(Radians(90 - a));
    if (a > 90 && a <= 180)
        return r * std::cos(Radians(a - 90));
    if (a > 180 && a <= 270)
        return -r * std::cos(Radians(270 - a));
    if (a > 270 && a <= 360)
        return -r * std::cos(Radians(a - 270));
    return 0;
}

double SkyPlotY(double azimuth, double elevation) {
    const double r = ElevationRadius(elevation);
    const double a = azimuth;
    if (a >= 0 && a <= 90)
        return -r * std::cos(Radians(a));
    if (a > 90 && a <= 180)
        return r * std::cos(Radians(180 - a));
    if (a > 180 && a <= 270)
        return r * std::cos(Radians(a - 180));
    if (a > 270 && a <= 360)
        return -r * std::cos(Radians(360 - a));
    return 0;
}

double ArcTan2(double x, double y) {
    const double pi = 4 * std::atan(1.0);
    const double sign = y > 0 ? 1 : -1;
    if (x > 0)
        return std::atan(y / x);
    if (x < 0)
        return y == 0 ? pi : sign * pi + std::atan(y / x);
    if (y != 0)
        return sign * pi / 2;
    return 0;
}

double ClickAzimuth(double x, double y, bool southStartPoint) {
    const double cx = MapCentreXTwips;
    const double cy = MapCentreYTwips;
    double a;
    if (x <= cx && y <= cy)
        a = 270 + Degrees(ArcTan2(cx - x, cy - y));
    else if (x <= cx)
        a = 270 - Degrees(ArcTan2(cx - x, y - cy));
    else if (y <= cy)
        a = 90 - Degrees(ArcTan2(x - cx, cy - y));
    else
        a = 90 + Degrees(ArcTan2(x - cx, y - cy));
    // ArcTan2 works with the exact pi and Degrees with the map's shorter one, so straight up comes out
    // a few 1e-10 degrees over 360. Such a point would fall outside every range ending at 360 and
    // project onto the centre; it is north, so call it 360.
    if (a > 360 && a < 360 + 1e-6)
        a = 360;
    return southStartPoint ? HalfTurn(a) : a;
}

double ClickElevation(double x, double y) {
    const double dx = x - MapCentreXTwips;
    const double dy = y - MapCentreYTwips;
    return 90 - std::sqrt(dx * dx + dy * dy) * 90 / HorizonRadiusTwips;
}
