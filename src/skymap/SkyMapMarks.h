// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/StartPoint.h"
#include <QPointF>
#include <QString>

class SkyMapPainter;
struct MainState;

// Map point in twips of (azimuth, elevation), both in the compass frame.
QPointF SkyMapPoint(double azimuth, double elevation);

// Every redraw but the first: clear the drawn graphics and draw the overlay for the state's ranges.
void ClearAndDrawSkyMap(SkyMapPainter& painter, const MainState& state);

// The overlay alone on a fresh picture (start-up).
void DrawSkyMap(SkyMapPainter& painter, const MainState& state);

// Marks the current target when it is the Sun, the Moon or Mars. The target azimuth is held in the
// rotator frame, so a south start point turns it back to the compass.
void DrawCelestialMarks(SkyMapPainter& painter, const MainState& state);

// The Sun, Moon and Mars marks switched on in the settings menu, from their data boxes
// (Text12/13, Text14/15, Text18/19) as they stand.
void DrawSunMoonMars(SkyMapPainter& painter, const MainState& state);
