#pragma once

// Polar projection of the sky map, in twips of the map picture (north up, east right, zenith at the
// centre, horizon at radius 1100). Pure functions.

// The value of pi used for every degree-to-radian conversion of the map.
inline constexpr double MapPi = 3.14159265358;

// Offsets from the map centre, x to the right and y downwards, of the point at (azimuth, elevation).
// An azimuth outside 0..360 lands on the centre.
double SkyPlotX(double azimuth, double elevation);
double SkyPlotY(double azimuth, double elevation);

// Half-turn between the compass frame and a rotator whose start point is south:
// a - 180 when a < 0 or a >= 180, otherwise a + 180.
double HalfTurn(double azimuth);
