// SPDX-License-Identifier: GPL-3.0-or-later
// A pass drawn over the sky map: where its points land, and that it sits above the map's own
// drawing without disturbing it.

#include "MapTestSupport.h"

#include "skymap/SkyMapWidget.h"
#include "skymap/SkyTrack.h"

#include <gtest/gtest.h>

namespace {

TEST(SkyTrack, PointsLandWhereTheMapDrawsThatDirection) {
    const struct {
        double azimuth, elevation, x, y;
    } rows[] = {
        {0, 0, 1380, 250},     {90, 0, 2480, 1350},  {180, -0.004, 1380, 2450}, // on the horizon
        {270, 0, 280, 1350},   {450, 0, 2480, 1350}, {-90, 0, 280, 1350},       // brought into 0..360
        {123, 90, 1380, 1350}, {360, 45, 1380, 800},
    };
    for (const auto& r : rows) {
        const auto points = TrackTwips({QPointF(r.azimuth, r.elevation)});
        ASSERT_EQ(points.size(), 1u);
        EXPECT_NEAR(points[0].x(), r.x, 1e-6) << r.azimuth << "/" << r.elevation;
        EXPECT_NEAR(points[0].y(), r.y, 1e-6) << r.azimuth << "/" << r.elevation;
    }
}

// From west to east over the zenith: the line crosses the centre, AOS is marked in the west and LOS
// in the east; the layer under it is left as it was, and clearing the track restores the picture.
TEST(SkyTrack, DrawnAboveTheLayerAndCleared) {
    SkyMapWidget map;
    map.resize(185, 185);
    map.painter().DrawSkyMap(0, 90, 0, 360, false);
    const QImage layerBefore = map.layer();
    const QImage before = map.Composed();
    std::vector<QPointF> pass;
    for (double e = 0; e < 90; e += 5)
        pass.emplace_back(270, e);
    for (double e = 90; e >= 0; e -= 5)
        pass.emplace_back(90, e);
    map.SetTrack(pass);
    const QImage with = map.Composed();
    // The pixel a map point falls on, as the map's own marks are found.
    auto at = [&](double x, double y) {
        const QPointF p = map.painter().ToPixels(x, y);
        return with.pixelColor(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
    };
    EXPECT_TRUE(SameColour(at(1380 + 100, 1350), SkyTrackColour::Line)); // on the line, off the centre
    EXPECT_TRUE(SameColour(at(280, 1350), SkyTrackColour::Aos));
    EXPECT_TRUE(SameColour(at(2480, 1350), SkyTrackColour::Los));
    EXPECT_TRUE(SameColour(at(1380 + 200, 1350 + 200), MapColour::AllowedBlue)); // off the track: the map
    EXPECT_EQ(map.layer(), layerBefore);
    map.ClearTrack();
    EXPECT_EQ(map.Composed(), before);
}

} // namespace
