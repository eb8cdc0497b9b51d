// SPDX-License-Identifier: GPL-3.0-or-later
#include "skymap/SkyTrack.h"

#include "skymap/SkyProjection.h"

#include <algorithm>
#include <cmath>

std::vector<QPointF> TrackTwips(const std::vector<QPointF>& azimuthElevation) {
    std::vector<QPointF> points;
    points.reserve(azimuthElevation.size());
    for (const QPointF& p : azimuthElevation) {
        double azimuth = std::fmod(p.x(), 360.0);
        if (azimuth < 0)
            azimuth += 360;
        const double elevation = std::clamp(p.y(), 0.0, 90.0);
        points.emplace_back(MapCentreXTwips + SkyPlotX(azimuth, elevation),
                            MapCentreYTwips + SkyPlotY(azimuth, elevation));
    }
    return points;
}
