#include "MapTestSupport.h"

#include "common/MainState.h"
#include "skymap/SkyProjection.h"

#include <gtest/gtest.h>

namespace {

// A sample point of the overlay and the colour it must have.
struct Probe {
    double azimuth, elevation;
    bool red; // else the allowed blue
};

struct OverlayRow {
    const char* what;
    double eMin, eMax, aMin, aMax;
    bool south;
    std::vector<Probe> probes;
};

class OverlayTest : public ::testing::TestWithParam<OverlayRow> {};

// Probes keep away from the rings (elevations 30, 60), the cross (azimuths 0, 90, 180, 270) and the
// edges of the regions, so antialiasing does not matter.
TEST_P(OverlayTest, ColoursOfAllowedAndForbiddenRegions) {
    const OverlayRow& row = GetParam();
    QImage layer = EmptyMapLayer();
    SkyMapPainter painter(layer);
    painter.Clear();
    painter.DrawSkyMap(row.eMin, row.eMax, row.aMin, row.aMax, row.south);
    for (const Probe& probe : row.probes) {
        const QColor c = ColourAtSky(painter, layer, probe.azimuth, probe.elevation);
        EXPECT_TRUE(SameColour(c, probe.red ? MapColour::Forbidden : MapColour::AllowedBlue))
            << row.what << ": az " << probe.azimuth << " el " << probe.elevation << " got "
            << c.name().toStdString();
    }
    // Outside the horizon the layer stays transparent, so the background picture shows there.
    EXPECT_EQ(ColourAtSky(painter, layer, 45, -15).alpha(), 0) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, OverlayTest,
    ::testing::Values(
        OverlayRow{"full range", 0, 90, 0, 360, false, {{45, 5, false}, {200, 45, false}, {315, 85, false}}},
        OverlayRow{"elevation 10..90: outer ring",
                   10,
                   90,
                   0,
                   360,
                   false,
                   {{45, 3, true}, {225, 8, true}, {45, 12, false}, {225, 80, false}}},
        OverlayRow{"elevation 0..80: zenith disc",
                   0,
                   80,
                   0,
                   360,
                   false,
                   {{45, 86, true}, {225, 83, true}, {45, 77, false}, {45, 2, false}}},
        OverlayRow{"elevation 10..80: both",
                   10,
                   80,
                   0,
                   360,
                   false,
                   {{45, 3, true}, {45, 86, true}, {45, 45, false}}},
        OverlayRow{"azimuth 10..350, north start: wedge round north",
                   0,
                   90,
                   10,
                   350,
                   false,
                   {{5, 45, true}, {355, 45, true}, {15, 45, false}, {345, 45, false}, {175, 45, false}}},
        OverlayRow{"azimuth 10..350, south start: wedge round south",
                   0,
                   90,
                   10,
                   350,
                   true,
                   {{175, 45, true}, {185, 45, true}, {195, 45, false}, {5, 45, false}, {355, 45, false}}},
        OverlayRow{"azimuth 90..270, north start: northern half forbidden",
                   0,
                   90,
                   90,
                   270,
                   false,
                   {{45, 45, true}, {315, 45, true}, {135, 45, false}, {225, 45, false}}},
        OverlayRow{"azimuth 0..180, south start: the rotator's half lies west",
                   0,
                   90,
                   0,
                   180,
                   true,
                   {{225, 45, false}, {315, 45, false}, {45, 45, true}, {135, 45, true}}},
        OverlayRow{"elevation 0..90, azimuth 0..360 south start: no wedge",
                   0,
                   90,
                   0,
                   360,
                   true,
                   {{5, 45, false}, {175, 45, false}}},
        OverlayRow{"azimuth maximum 0 leaves its angle at 0 (east)",
                   0,
                   90,
                   30,
                   0,
                   false,
                   {{45, 45, false}, {60, 45, false}, {20, 45, true}, {300, 45, true}, {135, 45, true}}}));

TEST(DrawSkyMap, FullRangeHasNoRedAtAll) {
    QImage layer = EmptyMapLayer();
    SkyMapPainter painter(layer);
    painter.DrawSkyMap(0, 90, 0, 360, false);
    int red = 0;
    for (int y = 0; y < layer.height(); ++y)
        for (int x = 0; x < layer.width(); ++x)
            red += IsForbiddenRed(layer.pixelColor(x, y));
    EXPECT_EQ(red, 0);
}

// A thin line or ring may fall on either neighbour of the pixel under its exact position.
bool WhiteNear(const SkyMapPainter& painter, const QImage& layer, QPointF twips) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (SameColour(ColourAt(painter, layer, twips, dx, dy), MapColour::White))
                return true;
    return false;
}

TEST(DrawSkyMap, RingsAndCrossAreWhite) {
    QImage layer = EmptyMapLayer();
    SkyMapPainter painter(layer);
    painter.DrawSkyMap(0, 90, 0, 360, false);
    // The cross runs through the centre; the rings lie at 60 and 30 degrees.
    EXPECT_TRUE(SameColour(ColourAt(painter, layer, {MapCentreXTwips, 600}), MapColour::White));
    EXPECT_TRUE(SameColour(ColourAt(painter, layer, {600, MapCentreYTwips}), MapColour::White));
    EXPECT_TRUE(WhiteNear(painter, layer, SkyMapPoint(45, 60)));
    EXPECT_TRUE(WhiteNear(painter, layer, SkyMapPoint(225, 30)));
    EXPECT_FALSE(WhiteNear(painter, layer, SkyMapPoint(45, 45)));
}

TEST(DrawSkyMap, LeavesFiveePixelUnfilledOutlines) {
    QImage layer = EmptyMapLayer();
    SkyMapPainter painter(layer);
    EXPECT_EQ(painter.DrawWidth(), 1);
    painter.DrawSkyMap(10, 80, 10, 350, true);
    EXPECT_EQ(painter.DrawWidth(), 5);
    EXPECT_FALSE(painter.FillSolid());
    // Same state when the overlay comes from the cache.
    painter.SetDrawWidth(1);
    painter.Clear();
    painter.DrawSkyMap(10, 80, 10, 350, true);
    EXPECT_EQ(painter.DrawWidth(), 5);
    EXPECT_FALSE(painter.FillSolid());
}

TEST(DrawSkyMap, CachedOverlayMatchesAFreshOneAndFollowsTheRange) {
    QImage layer = EmptyMapLayer();
    SkyMapPainter painter(layer);
    painter.Clear();
    painter.DrawSkyMap(10, 90, 10, 350, false);
    const QImage first = layer.copy();
    painter.DrawAntennaMark(1500, 900);
    painter.Clear();
    painter.DrawSkyMap(10, 90, 10, 350, false);
    EXPECT_EQ(layer, first);

    painter.Clear();
    painter.DrawSkyMap(0, 90, 0, 360, false);
    EXPECT_NE(layer, first);
    EXPECT_TRUE(SameColour(ColourAtSky(painter, layer, 5, 45), MapColour::AllowedBlue));
}

// Width in pixels of a circle's outline where it crosses the horizontal through its centre.
int OutlineWidthAt(int size) {
    QImage layer = EmptyMapLayer(size);
    SkyMapPainter painter(layer);
    painter.SetDrawWidth(5);
    painter.Circle(MapCentreXTwips, MapCentreYTwips, 600, MapColour::White);
    const int y = static_cast<int>(painter.ToPixels(0, MapCentreYTwips).y());
    int covered = 0;
    for (int x = layer.width() / 2; x < layer.width(); ++x)
        covered += layer.pixelColor(x, y).alpha() > 127;
    return covered;
}

TEST(SkyMapPainter, OutlineWidthIsInPixelsAtAnySize) {
    EXPECT_NEAR(OutlineWidthAt(185), 5, 1);
    EXPECT_NEAR(OutlineWidthAt(370), 5, 1);
}

struct MarkRow {
    const char* what;
    std::function<void(SkyMapPainter&)> draw;
    QPointF at;
    int dx;
    QColor colour;
};

class MarkTest : public ::testing::TestWithParam<MarkRow> {};

TEST_P(MarkTest, DrawnAtItsPointInItsColour) {
    const MarkRow& row = GetParam();
    QImage layer = EmptyMapLayer();
    SkyMapPainter painter(layer);
    painter.DrawSkyMap(0, 90, 0, 360, false);
    row.draw(painter);
    const QColor c = ColourAt(painter, layer, row.at, row.dx);
    EXPECT_TRUE(SameColour(c, row.colour)) << row.what << " got " << c.name().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Marks, MarkTest,
    ::testing::Values(
        MarkRow{"target: green centre",
                [](SkyMapPainter& p) { p.DrawTargetMark(1700, 1000); },
                {1700, 1000},
                0,
                MapColour::Green},
        MarkRow{"antenna: red centre",
                [](SkyMapPainter& p) { p.DrawAntennaMark(1700, 1000); },
                {1700, 1000},
                0,
                MapColour::Red},
        MarkRow{"antenna: white ring",
                [](SkyMapPainter& p) { p.DrawAntennaMark(1700, 1000); },
                {1700, 1000},
                4,
                MapColour::White},
        MarkRow{"antenna: green line half way",
                [](SkyMapPainter& p) { p.DrawAntennaMark(1700, 1350); },
                {1540, 1350},
                0,
                MapColour::Green},
        MarkRow{"pointed, positioning step",
                [](SkyMapPainter& p) { p.DrawPointedMark(1000, 1700, PointedMarkKind::PositioningStep); },
                {1000, 1700},
                0,
                MapColour::PointedStep},
        MarkRow{"pointed, range check",
                [](SkyMapPainter& p) { p.DrawPointedMark(1000, 1700, PointedMarkKind::RangeCheck); },
                {1000, 1700},
                0,
                MapColour::Yellow},
        MarkRow{"body",
                [](SkyMapPainter& p) { p.DrawBodyMark(1000, 1000, MapColour::MarsTarget); },
                {1000, 1000},
                3,
                MapColour::MarsTarget}));

// The marks' state comes from MainState.
struct CelestialFixture : ::testing::Test {
    QImage layer = EmptyMapLayer();
    SkyMapPainter painter{layer};
    MainState state;

    void SetUp() override { painter.DrawSkyMap(0, 90, 0, 360, false); }
    QColor BodyAt(double az, double el) { return ColourAtSky(painter, layer, az, el, 3); }
};

TEST_F(CelestialFixture, TargetMoonWithSouthStartIsMarkedAtItsCompassDirection) {
    state.TargetName = QStringLiteral("月");
    state.TargetAzimuth = 100; // rotator frame
    state.TargetElevation = 45;
    state.AzimuthStartPoint = QStringLiteral("1");
    DrawCelestialMarks(painter, state);
    EXPECT_TRUE(SameColour(BodyAt(280, 45), MapColour::Moon));
    EXPECT_TRUE(SameColour(BodyAt(100, 45), MapColour::AllowedBlue));
}

TEST_F(CelestialFixture, OnlyTheSunMoonAndMarsAreMarkedAsTargets) {
    state.TargetAzimuth = 135;
    state.TargetElevation = 45;
    state.TargetName = QStringLiteral("火星");
    DrawCelestialMarks(painter, state);
    EXPECT_TRUE(SameColour(BodyAt(135, 45), MapColour::MarsTarget));

    painter.Clear();
    painter.DrawSkyMap(0, 90, 0, 360, false);
    state.TargetName = QStringLiteral("ISS");
    DrawCelestialMarks(painter, state);
    EXPECT_TRUE(SameColour(BodyAt(135, 45), MapColour::AllowedBlue));
}

TEST_F(CelestialFixture, SwitchedOnBodiesFromTheirDataBoxes) {
    state.DataBox[12] = QStringLiteral("135.0");
    state.DataBox[13] = QStringLiteral("45.0");
    state.DataBox[14] = QStringLiteral("225.0");
    state.DataBox[15] = QStringLiteral("45.0");
    state.DataBox[18] = QStringLiteral("315.0");
    state.DataBox[19] = QStringLiteral("-10.0"); // below the horizon: drawn outside it
    state.ShowSun = state.ShowMars = true;
    DrawSunMoonMars(painter, state);
    EXPECT_TRUE(SameColour(BodyAt(135, 45), MapColour::Sun));
    EXPECT_TRUE(SameColour(BodyAt(225, 45), MapColour::AllowedBlue)); // Moon is off
    EXPECT_TRUE(SameColour(BodyAt(315, -10), MapColour::MarsShown));
}

TEST_F(CelestialFixture, SelectedBodyBoxInRotatorFrameIsTurnedBackWithSouthStart) {
    // With a south start point the tracking cycle rewrites the selected target's azimuth box into the
    // rotator frame (compass 135 -> 315); the other boxes keep compass values.
    state.AzimuthStartPoint = QStringLiteral("1");
    state.TargetName = QStringLiteral("太陽");
    state.DataBox[12] = QStringLiteral("315");
    state.DataBox[13] = QStringLiteral("45");
    state.DataBox[14] = QStringLiteral("225");
    state.DataBox[15] = QStringLiteral("45");
    state.ShowSun = state.ShowMoon = true;
    DrawSunMoonMars(painter, state);
    EXPECT_TRUE(SameColour(BodyAt(135, 45), MapColour::Sun));
    EXPECT_TRUE(SameColour(BodyAt(315, 45), MapColour::AllowedBlue));
    EXPECT_TRUE(SameColour(BodyAt(225, 45), MapColour::Moon));
}

TEST(ClearAndDrawSkyMap, UsesTheStateRangesAndStartPointText) {
    QImage layer = EmptyMapLayer();
    SkyMapPainter painter(layer);
    MainState state;
    state.module.AzimuthRangeMin = 10;
    state.module.AzimuthRangeMax = 350;
    state.AzimuthStartPoint = QStringLiteral("1");
    painter.DrawTargetMark(1000, 1000);
    ClearAndDrawSkyMap(painter, state);
    EXPECT_TRUE(IsForbiddenRed(ColourAtSky(painter, layer, 175, 45)));
    EXPECT_TRUE(SameColour(ColourAtSky(painter, layer, 5, 45), MapColour::AllowedBlue));
    EXPECT_EQ(ColourAt(painter, layer, {100, 100}).alpha(), 0);
}

} // namespace
