// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/StartPoint.h" // HalfTurn

// Polar projection of the sky map, in twips of the map picture (north up, east right, zenith at the
// centre, horizon at radius 1100). Pure functions.

// The value of pi used for every degree-to-radian conversion of the map.
inline constexpr double MapPi = 3.14159265358;

// Geometry of the map picture, in twips. The picture is square; 15 twips make one pixel at 96 dpi.
inline constexpr double MapSizeTwips = 2775;
inline constexpr double MapCentreXTwips = 1380;
inline constexpr double MapCentreYTwips = 1350;
inline constexpr double HorizonRadiusTwips = 1100;
inline constexpr int MapSizePixels = 185;

// Radius of the circle of elevation e: 90 at the centre, 0 on the horizon. Not limited, so a negative
// elevation lies outside the horizon and one above 90 gives a negative radius.
double ElevationRadius(double elevation);

// Offsets from the map centre, x to the right and y downwards, of the point at (azimuth, elevation).
// An azimuth outside 0..360 lands on the centre.
double SkyPlotX(double azimuth, double elevation);
double SkyPlotY(double azimuth, double elevation);

// Angle of the vector (x, y) in radians, counter-clockwise from the positive x axis, in -pi..pi.
// The horizontal component comes first.
double ArcTan2(double x, double y);

// Azimuth of the map point (x, y) in twips. Straight above the centre gives 360 (never 0), the centre
// itself 270. With a south start point the result is turned into the rotator frame by HalfTurn.
double ClickAzimuth(double x, double y, bool southStartPoint = false);

// Elevation of the map point (x, y): 90 at the centre, 0 on the horizon, negative outside it.
double ClickElevation(double x, double y);
