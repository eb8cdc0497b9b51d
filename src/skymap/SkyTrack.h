// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPointF>
#include <vector>

// A satellite pass over the map: its track from AOS to LOS, as compass azimuth (x) and elevation (y)
// in degrees. The map draws it above its own layer, so the once-a-second redraw of the marks leaves it
// alone; it stays until it is replaced or cleared.
namespace SkyTrackColour {
inline const QColor Line{255, 160, 0};
inline const QColor Aos{0, 255, 0};
inline const QColor Los{255, 0, 0};
} // namespace SkyTrackColour

// Map points in twips of the track's points. Elevations below the horizon (the ends of a pass lie on
// it, a few thousandths off either way) are drawn on it; azimuths are brought into 0..360 first.
std::vector<QPointF> TrackTwips(const std::vector<QPointF>& azimuthElevation);
