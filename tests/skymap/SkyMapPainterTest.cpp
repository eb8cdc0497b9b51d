#include "MapTestSupport.h"

#include "common/MainState.h"
#include "skymap/SkyProjection.h"

#include <gtest/gtest.h>

namespace {

// Probes keep away from the rings (elevations 30, 60), the cross (azimuths 0, 90, 180, 270) and the
// edges of the regions, so antialiasing does not matter.
TEST(DrawSkyMap, ForbiddenRegionsAreRedAndTheRestBlue) {
    struct Probe {
        double azimuth, elevation;
        bool red;
    };
    const struct {
        const char* name;
        double eMin, eMax, aMin, aMax;
        bool south;
        std::vector<Probe> probes;
    } rows[] = {
        // clang-format off
        {"full range", 0, 90, 0, 360, false, {{45, 5, false}, {200, 45, false}, {315, 85, false}}},
        {"elevation 10..90", 10, 90, 0, 360, false, {{225, 8, true}, {45, 12, false}, {225, 85, false}}},
        {"elevation 10..80", 10, 80, 0, 360, false, {{45, 3, true}, {45, 86, true}, {45, 45, false}}},
        {"azimuth 10..350, north start", 0, 90, 10, 350, false,
         {{5, 45, true}, {355, 45, true}, {15, 45, false}, {345, 45, false}, {175, 45, false}}},
        {"azimuth 10..350, south start", 0, 90, 10, 350, true,
         {{175, 45, true}, {185, 45, true}, {195, 45, false}, {5, 45, false}, {355, 45, false}}},
        {"azimuth 0..180, south start: the rotator's half lies west", 0, 90, 0, 180, true,
         {{225, 45, false}, {315, 45, false}, {45, 45, true}, {135, 45, true}}},
        {"azimuth 0..360, south start: no wedge", 0, 90, 0, 360, true, {{5, 45, false}, {175, 45, false}}},
        {"azimuth maximum 0 leaves its angle at 0 (east)", 0, 90, 30, 0, false,
         {{45, 45, false}, {60, 45, false}, {20, 45, true}, {300, 45, true}, {135, 45, true}}},
        // clang-format on
    };
    for (const auto& row : rows) {
        QImage layer = EmptyMapLayer();
        SkyMapPainter painter(layer);
        painter.Clear();
        painter.DrawSkyMap(row.eMin, row.eMax, row.aMin, row.aMax, row.south);
        for (const Probe& probe : row.probes) {
            const QColor c = ColourAtSky(painter, layer, probe.azimuth, probe.elevation);
            EXPECT_TRUE(SameColour(c, probe.red ? MapColour::Forbidden : MapColour::AllowedBlue))
                << row.name << ": az " << probe.azimuth << " el " << probe.elevation << " got "
                << c.name().toStdString();
        }
        // Outside the horizon the layer stays transparent, so the background picture shows there.
        EXPECT_EQ(ColourAtSky(painter, layer, 45, -15).alpha(), 0) << row.name;
    }
}

TEST(DrawSkyMap, RingsLieAt30And60Degrees) {
    QImage layer = EmptyMapLayer();
    SkyMapPainter painter(layer);
    painter.DrawSkyMap(0, 90, 0, 360, false);
    // A thin ring may fall on either neighbour of the pixel under its exact position.
    auto whiteNear = [&](double azimuth, double elevation) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (SameColour(ColourAt(painter, layer, SkyMapPoint(azimuth, elevation), dx, dy),
                               MapColour::White))
                    return true;
        return false;
    };
    EXPECT_TRUE(whiteNear(45, 60));
    EXPECT_TRUE(whiteNear(225, 30));
    EXPECT_FALSE(whiteNear(45, 45));
}

TEST(DrawSkyMap, CachedOverlayMatchesAFreshOneFollowsTheRangeAndLeavesThePenState) {
    QImage layer = EmptyMapLayer();
    SkyMapPainter painter(layer);
    painter.Clear();
    painter.DrawSkyMap(10, 90, 10, 350, false);
    const QImage first = layer.copy();
    painter.DrawAntennaMark(1500, 900);
    painter.SetDrawWidth(1);
    painter.SetFillSolid(true);
    painter.Clear();
    painter.DrawSkyMap(10, 90, 10, 350, false);
    EXPECT_EQ(layer, first);
    // The marks that follow get 5-pixel unfilled outlines, from the cache as from a fresh drawing.
    EXPECT_EQ(painter.DrawWidth(), 5);
    EXPECT_FALSE(painter.FillSolid());

    painter.Clear();
    painter.DrawSkyMap(0, 90, 0, 360, false);
    EXPECT_TRUE(SameColour(ColourAtSky(painter, layer, 5, 45), MapColour::AllowedBlue));
}

TEST(SkyMapPainter, OutlineWidthIsInPixelsAtAnySize) {
    for (const int size : {185, 370}) {
        QImage layer = EmptyMapLayer(size);
        SkyMapPainter painter(layer);
        painter.SetDrawWidth(5);
        painter.Circle(MapCentreXTwips, MapCentreYTwips, 600, MapColour::White);
        // Pixels covered where the outline crosses the horizontal through the centre.
        const int y = static_cast<int>(painter.ToPixels(0, MapCentreYTwips).y());
        int covered = 0;
        for (int x = size / 2; x < size; ++x)
            covered += layer.pixelColor(x, y).alpha() > 127;
        EXPECT_NEAR(covered, 5, 1) << size;
    }
}

TEST(SkyMapPainter, AntennaMarkLandsOnItsPointWithALineFromTheCentre) {
    QImage layer = EmptyMapLayer();
    SkyMapPainter painter(layer);
    painter.DrawSkyMap(0, 90, 0, 360, false);
    painter.DrawAntennaMark(1700, 1350);
    EXPECT_TRUE(SameColour(ColourAt(painter, layer, {1700, 1350}), MapColour::Red));
    EXPECT_TRUE(SameColour(ColourAt(painter, layer, {1700, 1350}, 4), MapColour::White));
    EXPECT_TRUE(SameColour(ColourAt(painter, layer, {1540, 1350}), MapColour::Green));
}

TEST(CelestialMarks, BodiesLandAtTheirCompassDirections) {
    QImage layer = EmptyMapLayer();
    SkyMapPainter painter(layer);
    MainState state;
    auto freshMap = [&] {
        painter.Clear();
        painter.DrawSkyMap(0, 90, 0, 360, false);
    };
    auto bodyAt = [&](double az, double el, const QColor& colour) {
        return SameColour(ColourAtSky(painter, layer, az, el, 3), colour);
    };
    // The target's azimuth is in the rotator frame; only the Sun, the Moon and Mars are marked.
    state.AzimuthStartPoint = QStringLiteral("1");
    state.TargetName = QStringLiteral("月");
    state.TargetAzimuth = 100;
    state.TargetElevation = 45;
    freshMap();
    DrawCelestialMarks(painter, state);
    EXPECT_TRUE(bodyAt(280, 45, MapColour::Moon));
    EXPECT_TRUE(bodyAt(100, 45, MapColour::AllowedBlue));
    state.TargetName = QStringLiteral("ISS");
    freshMap();
    DrawCelestialMarks(painter, state);
    EXPECT_TRUE(bodyAt(280, 45, MapColour::AllowedBlue));

    // Switched-on bodies come from their data boxes. With a south start point the tracking cycle has
    // rewritten the selected target's box into the rotator frame (compass 135 -> 315); others are compass.
    state.TargetName = QStringLiteral("太陽");
    const char* boxes[] = {"315", "45", "225", "45", "", "", "315.0", "-10.0"}; // Sun, Moon, -, Mars
    for (int i = 0; i < 8; ++i)
        state.DataBox[12 + i] = QString::fromLatin1(boxes[i]);
    state.ShowSun = state.ShowMars = true;
    freshMap();
    DrawSunMoonMars(painter, state);
    EXPECT_TRUE(bodyAt(135, 45, MapColour::Sun));
    EXPECT_TRUE(bodyAt(315, 45, MapColour::AllowedBlue));
    EXPECT_TRUE(bodyAt(225, 45, MapColour::AllowedBlue)); // the Moon is off
    EXPECT_TRUE(bodyAt(315, -10, MapColour::MarsShown));  // below the horizon: drawn outside it
}

} // namespace
